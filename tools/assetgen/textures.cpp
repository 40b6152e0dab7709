#include "textures.h"

#include "font.h"
#include "noise.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
float saturate(float x)
{
    return std::clamp(x, 0.0f, 1.0f);
}

float smooth(float edge0, float edge1, float x)
{
    return glm::smoothstep(edge0, edge1, x);
}

glm::vec3 mix(glm::vec3 a, glm::vec3 b, float t)
{
    return a + (b - a) * t;
}

// Colour from hue in [0, 1) with saturation and value, for the UV grid cells.
glm::vec3 hsv(float hue, float saturation, float value)
{
    glm::vec3 k = glm::abs(glm::fract(glm::vec3(hue) + glm::vec3(1.0f, 2.0f / 3.0f, 1.0f / 3.0f)) * 6.0f -
                           glm::vec3(3.0f));
    glm::vec3 rgb = glm::clamp(k - glm::vec3(1.0f), 0.0f, 1.0f);
    return value * mix(glm::vec3(1.0f), rgb, saturation);
}

// A crater painted onto a sphere texture.
struct CraterMark
{
    glm::vec3 centre;
    float radius;     // radians
    float cosRadius2; // cosine of twice the radius, to skip far pixels quickly
};

// Brightness factor of the craters at one direction. Each crater is a bowl with a raised rim, shaded
// as if lit from the north so it reads as a dent rather than a ring: the wall facing the light is
// bright, the far wall and the floor darker.
float craterShade(const std::vector<CraterMark>& craters, glm::vec3 dir)
{
    float shade = 1.0f;
    for (const CraterMark& crater : craters)
    {
        float c = glm::dot(dir, crater.centre);
        if (c < crater.cosRadius2)
            continue;
        float t = std::acos(std::min(c, 1.0f)) / crater.radius;
        // direction away from the centre within the surface, and the light's direction there
        glm::vec3 outward = dir - crater.centre * c;
        float outwardLength = glm::length(outward);
        glm::vec3 north = glm::vec3(0.0f, 1.0f, 0.0f) - dir * dir.y;
        float northLength = glm::length(north);
        float facing = 0.0f;
        if (outwardLength > 1e-6f && northLength > 1e-6f)
            facing = glm::dot(outward / outwardLength, north / northLength);
        // slope of the bowl (rising outward) and of the rim's outer flank (falling)
        float slope = t < 1.0f ? 2.0f * t : -2.2f * (t - 1.0f) * std::exp(-(t - 1.0f) * (t - 1.0f) / 0.15f);
        shade *= 1.0f - 0.22f * slope * facing;
        if (t < 1.0f)
            shade *= 0.85f + 0.15f * t;
    }
    return std::max(shade, 0.2f);
}

// Distance in pixels from (x, y) to the nearest edge of the panel [x0, x1) x [y0, y1).
float edgeDistance(int x, int y, int x0, int y0, int x1, int y1)
{
    return static_cast<float>(std::min(std::min(x - x0, x1 - 1 - x), std::min(y - y0, y1 - 1 - y)));
}

// One rectangular plate of a panel texture, in pixels.
struct Panel
{
    int x0, y0, x1, y1;
    int id;
};

// Splits a tile into a grid of cells, some cut in half across or along, so plates vary in size.
std::vector<Panel> layoutPanels(int size, int cells, uint32_t seed)
{
    std::vector<Panel> panels;
    int cell = size / cells;
    for (int cy = 0; cy < cells; ++cy)
    {
        for (int cx = 0; cx < cells; ++cx)
        {
            int x0 = cx * cell, y0 = cy * cell;
            float choice = hashToUnit(cx, cy, seed);
            int id = cy * cells + cx;
            if (choice < 0.3f)
            {
                panels.push_back({x0, y0, x0 + cell / 2, y0 + cell, id * 4});
                panels.push_back({x0 + cell / 2, y0, x0 + cell, y0 + cell, id * 4 + 1});
            }
            else if (choice < 0.6f)
            {
                panels.push_back({x0, y0, x0 + cell, y0 + cell / 2, id * 4});
                panels.push_back({x0, y0 + cell / 2, x0 + cell, y0 + cell, id * 4 + 1});
            }
            else
                panels.push_back({x0, y0, x0 + cell, y0 + cell, id * 4});
        }
    }
    return panels;
}

// Light and shadow of a plate's edge: a dark seam, a lit bevel on the upper-left rims and a shaded
// one on the lower-right, as if lit from the top left.
float bevelShade(int x, int y, const Panel& p)
{
    float d = edgeDistance(x, y, p.x0, p.y0, p.x1, p.y1);
    if (d < 1.0f)
        return 0.28f;
    if (d < 3.0f)
    {
        bool lit = (x - p.x0 < 3) || (p.y1 - 1 - y < 3);
        return lit ? 1.25f : 0.72f;
    }
    return 1.0f;
}

// Rivets along a plate's rim: small domes shaded from the top left, with a dark ring around.
float rivetShade(int x, int y, const Panel& p, int inset, int spacing, float radius)
{
    float shade = 1.0f;
    auto rivet = [&](float cx, float cy)
    {
        float dx = static_cast<float>(x) + 0.5f - cx, dy = static_cast<float>(y) + 0.5f - cy;
        float r = std::sqrt(dx * dx + dy * dy);
        if (r < radius)
            shade = 1.0f + 0.45f * saturate((-dx + dy) / radius) - 0.25f * saturate((dx - dy) / radius);
        else if (r < radius + 1.2f)
            shade = 0.55f;
    };
    float left = static_cast<float>(p.x0 + inset), right = static_cast<float>(p.x1 - inset);
    float bottom = static_cast<float>(p.y0 + inset), top = static_cast<float>(p.y1 - inset);
    // nearest rivet on each of the four rows of rivets
    auto nearest = [spacing](float lo, float hi, float at)
    {
        float n = std::round((at - lo) / static_cast<float>(spacing));
        return std::clamp(lo + n * static_cast<float>(spacing), lo, hi);
    };
    float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
    rivet(nearest(left, right, fx), bottom);
    rivet(nearest(left, right, fx), top);
    rivet(left, nearest(bottom, top, fy));
    rivet(right, nearest(bottom, top, fy));
    return shade;
}
} // namespace

Image makeAsteroidTexture()
{
    Image image(512, 512);
    Rng rng(0xC0FFEE11u);
    std::vector<CraterMark> craters;
    for (int i = 0; i < 260; ++i)
    {
        // many small craters, few large ones
        float r = 0.015f + 0.13f * std::pow(rng.uniform(), 3.0f);
        craters.push_back({rng.unitVector(), r, std::cos(std::min(2.0f * r, 3.14159f))});
    }
    const glm::vec3 dark(0.20f, 0.18f, 0.16f), light(0.56f, 0.52f, 0.47f), rust(0.50f, 0.33f, 0.22f);
    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            glm::vec3 dir = sphereDirection(image.uvOf(x, y));
            float base = fbm(dir * 3.0f, 6, 101);
            float grain = fbm(dir * 40.0f, 3, 202);
            glm::vec3 colour = mix(dark, light, smooth(0.3f, 0.75f, base));
            // iron-rich streaks along ridges
            float veins = ridged(dir * 5.0f + glm::vec3(3.0f), 4, 303);
            colour = mix(colour, rust, 0.45f * smooth(0.55f, 0.85f, veins));
            colour *= 0.75f + 0.5f * grain;
            colour *= craterShade(craters, dir);
            image.at(x, y) = colour;
        }
    }
    return image;
}

// Value below which the given fraction of the samples lie.
float quantile(std::vector<float> samples, float fraction)
{
    size_t k = static_cast<size_t>(fraction * static_cast<float>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(k), samples.end());
    return samples[k];
}

Image makeEarthTexture()
{
    Image image(1024, 512);
    const glm::vec3 deep(0.02f, 0.07f, 0.22f), shallow(0.07f, 0.30f, 0.48f), shelf(0.16f, 0.46f, 0.56f);
    const glm::vec3 forest(0.10f, 0.27f, 0.08f), grass(0.30f, 0.45f, 0.16f), desert(0.80f, 0.68f, 0.45f);
    const glm::vec3 tundra(0.42f, 0.42f, 0.34f), rock(0.40f, 0.35f, 0.30f), snow(0.93f, 0.95f, 0.97f);

    // First the fields: terrain height and cloud density at every texel.
    const size_t count = image.pixels.size();
    std::vector<float> heights(count), clouds(count);
    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            glm::vec3 dir = sphereDirection(image.uvOf(x, y));
            size_t i = static_cast<size_t>(y) * image.width + x;
            // warped fractal noise gives continents irregular coasts and long peninsulas
            glm::vec3 warp(fbm(dir * 1.5f, 3, 11), fbm(dir * 1.5f + glm::vec3(5.2f), 3, 12),
                           fbm(dir * 1.5f + glm::vec3(9.1f), 3, 13));
            heights[i] = fbm(dir * 1.7f + (warp - 0.5f) * 1.6f, 7, 21);
            // clouds drawn out east-west by the winds
            clouds[i] = fbm(dir * glm::vec3(2.5f, 7.0f, 2.5f) + (warp - 0.5f) * 3.0f, 5, 61);
        }
    }
    // Levels from the fields themselves, so about 30% of the texels are land, the top of the land is
    // mountains and a fifth of the sky is cloudy, whatever the noise happens to give.
    const float lowest = quantile(heights, 0.0f), seaLevel = quantile(heights, 0.7f);
    const float peak = quantile(heights, 0.998f), cloudLevel = quantile(clouds, 0.8f);

    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            glm::vec2 uv = image.uvOf(x, y);
            glm::vec3 dir = sphereDirection(uv);
            size_t i = static_cast<size_t>(y) * image.width + x;
            float latitude = std::fabs(uv.y - 0.5f) * 2.0f; // 0 at the equator, 1 at the poles
            float height = heights[i];
            glm::vec3 colour;
            if (height < seaLevel)
            {
                float depth = (seaLevel - height) / (seaLevel - lowest);
                colour = mix(shelf, shallow, smooth(0.0f, 0.05f, depth));
                colour = mix(colour, deep, smooth(0.04f, 0.35f, depth));
            }
            else
            {
                float elevation = (height - seaLevel) / (peak - seaLevel);
                float moisture = fbm(dir * 2.5f + glm::vec3(40.0f), 4, 31);
                // hot dry belts near 25 degrees, wet near the equator, cold towards the poles
                float dryness = smooth(0.15f, 0.35f, latitude) * (1.0f - smooth(0.4f, 0.55f, latitude));
                float wet = moisture - 0.35f * dryness;
                colour = mix(desert, grass, smooth(0.35f, 0.5f, wet));
                colour = mix(colour, forest, smooth(0.5f, 0.62f, wet));
                colour = mix(colour, tundra, smooth(0.55f, 0.72f, latitude));
                colour = mix(colour, rock, smooth(0.45f, 0.7f, elevation));
                colour = mix(colour, snow, smooth(0.88f, 1.0f, elevation + 0.12f * latitude));
                colour *= 0.85f + 0.3f * fbm(dir * 30.0f, 3, 41);
            }
            // ice caps with ragged edges
            float iceEdge = 0.82f + 0.06f * (fbm(dir * 6.0f, 3, 51) - 0.5f) * 2.0f;
            colour = mix(colour, snow * (0.92f + 0.08f * fbm(dir * 20.0f, 2, 52)),
                         smooth(iceEdge, iceEdge + 0.03f, latitude));
            float cover = smooth(cloudLevel - 0.03f, cloudLevel + 0.12f, clouds[i]) * 0.7f;
            colour = mix(colour, glm::vec3(0.96f), cover);
            image.at(x, y) = colour;
        }
    }
    return image;
}

Image makeMetalTexture()
{
    const int size = 512;
    Image image(size, size);
    std::vector<Panel> panels = layoutPanels(size, 4, 71);
    for (const Panel& p : panels)
    {
        float tint = 0.9f + 0.2f * hashToUnit(p.id, 1, 72);
        float warm = 0.03f * (hashToUnit(p.id, 2, 73) - 0.5f);
        // brushing runs along the plate's longer side
        bool alongX = (p.x1 - p.x0) >= (p.y1 - p.y0);
        for (int y = p.y0; y < p.y1; ++y)
        {
            for (int x = p.x0; x < p.x1; ++x)
            {
                glm::vec2 uv = image.uvOf(x, y);
                glm::vec2 brushUv = alongX ? uv : glm::vec2(uv.y, uv.x);
                float brushed = tiledFbm(brushUv * glm::vec2(8.0f, 256.0f), glm::ivec2(8, 256), 3,
                                         static_cast<uint32_t>(80 + p.id));
                float blotches = tiledFbm(uv * 6.0f, glm::ivec2(6, 6), 5, 81);
                glm::vec3 colour = glm::vec3(0.56f + warm, 0.58f, 0.61f - warm) * tint;
                colour *= 0.88f + 0.24f * brushed;
                // grime gathers in blotches and near the seams
                float d = edgeDistance(x, y, p.x0, p.y0, p.x1, p.y1);
                float grime = smooth(0.45f, 0.8f, blotches) * 0.35f + 0.25f * (1.0f - smooth(2.0f, 14.0f, d));
                colour *= 1.0f - grime;
                colour *= bevelShade(x, y, p);
                colour *= rivetShade(x, y, p, 7, 16, 2.6f);
                image.at(x, y) = colour;
            }
        }
    }
    return image;
}

Image makeUvTemplate()
{
    const int size = 512, cells = 8, cell = size / cells;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            int column = x / cell, row = y / cell;
            float value = ((column + row) % 2 == 0) ? 0.92f : 0.74f;
            glm::vec3 colour = hsv(static_cast<float>(column) / cells + 0.03f * row, 0.5f, value);
            // fine lines every eighth of a cell, strong lines on cell borders
            int fx = x % cell, fy = y % cell;
            if (fx % 8 == 0 || fy % 8 == 0)
                colour *= 0.88f;
            if (fx < 2 || fy < 2 || fx >= cell - 1 || fy >= cell - 1)
                colour = glm::vec3(0.12f);
            image.at(x, y) = colour;
        }
    }
    // each cell is named by its column letter and its row number; row 1 sits at v = 0
    const int scale = 3;
    for (int row = 0; row < cells; ++row)
    {
        for (int column = 0; column < cells; ++column)
        {
            std::string label = std::string(1, static_cast<char>('A' + column)) + std::to_string(row + 1);
            int left = column * cell + (cell - textWidth(label, scale)) / 2;
            int top = row * cell + (cell + glyphHeight * scale) / 2 - 1;
            drawText(image, label, left + 1, top - 1, scale, glm::vec3(1.0f));
            drawText(image, label, left, top, scale, glm::vec3(0.05f));
        }
    }
    // a corner mark shows which way up the texture is: it sits in cell A1, at u = 0, v = 0
    for (int y = 3; y < 11; ++y)
        for (int x = 3; x < 11; ++x)
            image.at(x, y) = glm::vec3(0.9f, 0.1f, 0.1f);
    return image;
}

Image makeIndustrialTexture()
{
    const int size = 512, band = 128;
    Image image(size, size);
    const glm::vec3 yellow(0.93f, 0.70f, 0.08f), black(0.07f, 0.07f, 0.06f);
    const glm::vec3 palette[4] = {glm::vec3(0.30f, 0.34f, 0.28f), glm::vec3(0.36f, 0.38f, 0.40f),
                                  glm::vec3(0.62f, 0.30f, 0.10f), glm::vec3(0.24f, 0.29f, 0.34f)};
    const glm::vec3 bareMetal(0.50f, 0.50f, 0.50f), rust(0.42f, 0.20f, 0.08f);
    // the hazard band is the bottom quarter; plates above it in a 4 x 3 grid
    std::vector<Panel> panels;
    panels.push_back({0, 0, size, band, 0});
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            panels.push_back({column * 128, band + row * 128, column * 128 + 128, band + row * 128 + 128,
                              1 + row * 4 + column});
    for (const Panel& p : panels)
    {
        glm::vec3 paint = palette[static_cast<int>(hashToUnit(p.id, 3, 91) * 4.0f) % 4];
        bool vent = p.id % 5 == 2;
        for (int y = p.y0; y < p.y1; ++y)
        {
            for (int x = p.x0; x < p.x1; ++x)
            {
                glm::vec2 uv = image.uvOf(x, y);
                glm::vec3 colour = paint;
                if (p.id == 0)
                {
                    // diagonal stripes, 32 pixels wide, repeating every 64 so the tile wraps
                    bool stripe = ((x + y) / 32) % 2 == 0;
                    colour = stripe ? yellow : black;
                }
                else if (vent)
                {
                    // horizontal louvres: a dark slot with a lit upper lip
                    int ly = (y - p.y0) % 12;
                    bool inside = x - p.x0 > 14 && p.x1 - x > 14 && y - p.y0 > 12 && p.y1 - y > 12;
                    if (inside)
                        colour *= ly < 5 ? 0.18f : (ly < 7 ? 1.35f : 0.9f);
                }
                // paint wears through to metal, and rust bleeds out of the wear
                float wear = tiledFbm(uv * 16.0f, glm::ivec2(16, 16), 5, 92);
                colour = mix(colour, bareMetal, smooth(0.62f, 0.68f, wear));
                colour = mix(colour, rust, 0.7f * smooth(0.66f, 0.76f, wear));
                // streaks of dirt running down from every plate
                float streaks = tiledFbm(uv * glm::vec2(64.0f, 4.0f), glm::ivec2(64, 4), 4, 93);
                float grime = tiledFbm(uv * 5.0f, glm::ivec2(5, 5), 5, 94);
                colour *= 1.0f - 0.35f * smooth(0.5f, 0.8f, streaks) - 0.3f * smooth(0.4f, 0.75f, grime);
                colour *= 0.9f + 0.2f * tiledNoise(uv * 128.0f, glm::ivec2(128, 128), 95);
                colour *= bevelShade(x, y, p);
                if (p.id != 0)
                    colour *= rivetShade(x, y, p, 8, 28, 3.2f);
                image.at(x, y) = colour;
            }
        }
    }
    return image;
}
