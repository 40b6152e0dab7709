#include "icon.h"

#include "noise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace
{
// Everything is placed in a unit square, y pointing down as in the PNG.
const glm::vec2 sunCentre(0.27f, 0.26f);
const float sunRadius = 0.12f;
const glm::vec2 earthCentre(0.76f, 0.80f);
const float earthRadius = 0.42f;
const glm::vec2 asteroidCentre(0.47f, 0.53f);
const float asteroidRadius = 0.095f;
// The tile: a square with rounded corners, a small margin all round.
const float tileMargin = 0.03f;
const float tileCorner = 0.16f;

glm::vec3 mix(glm::vec3 a, glm::vec3 b, float t)
{
    return a + (b - a) * t;
}

bool insideTile(glm::vec2 p)
{
    glm::vec2 inner(tileMargin + tileCorner, tileMargin + tileCorner);
    glm::vec2 q = glm::max(glm::abs(p - glm::vec2(0.5f)) - (glm::vec2(0.5f) - inner), glm::vec2(0.0f));
    return glm::length(q) <= tileCorner;
}

// Light on a sphere whose visible disc is centred at centre: the Sun lies a little in front of the
// picture plane, up and to the left.
glm::vec3 lightFrom(glm::vec2 centre)
{
    glm::vec2 towardsSun = sunCentre - centre;
    return glm::normalize(glm::vec3(towardsSun.x, -towardsSun.y, 0.35f));
}

// The outward normal of a sphere's visible half at a point of its disc (x right, y up, z out).
glm::vec3 sphereNormal(glm::vec2 p, glm::vec2 centre, float radius)
{
    glm::vec2 d = (p - centre) / radius;
    float z = std::sqrt(std::max(0.0f, 1.0f - glm::dot(d, d)));
    return glm::vec3(d.x, -d.y, z);
}

glm::vec3 space(glm::vec2 p, int size)
{
    glm::vec3 colour = mix(glm::vec3(0.02f, 0.02f, 0.09f), glm::vec3(0.0f, 0.0f, 0.04f), p.y);
    // A few stars, one pixel each at any size, on a coarse random grid.
    const int grid = 14;
    int cellX = static_cast<int>(p.x * grid), cellY = static_cast<int>(p.y * grid);
    if (hashToUnit(cellX, cellY, 7) < 0.35f)
    {
        glm::vec2 star((cellX + hashToUnit(cellX, cellY, 8)) / grid,
                       (cellY + hashToUnit(cellX, cellY, 9)) / grid);
        float pixels = glm::length(p - star) * static_cast<float>(size);
        colour += glm::vec3(0.8f, 0.85f, 1.0f) * std::max(0.0f, 1.0f - pixels) * hashToUnit(cellX, cellY, 10);
    }
    // The Sun's glow spreads over the dark around it.
    float outside = std::max(0.0f, glm::length(p - sunCentre) - sunRadius);
    colour += glm::vec3(1.0f, 0.55f, 0.15f) * 0.9f * std::exp(-outside / 0.06f);
    return colour;
}

// A white-hot centre with an orange limb, seething a little.
glm::vec3 sun(glm::vec2 p)
{
    glm::vec2 d = (p - sunCentre) / sunRadius;
    float r2 = glm::dot(d, d);
    float grain = fbm(glm::vec3(d * 3.0f, 0.5f), 4, 71);
    glm::vec3 colour = mix(glm::vec3(1.0f, 0.97f, 0.80f), glm::vec3(1.0f, 0.55f, 0.10f), r2);
    return colour * (0.9f + 0.2f * grain);
}

// The Earth: oceans, continents, ice and clouds painted from the same kind of noise as its
// texture, lit from the Sun, with a thin blue rim of air on the lit side.
glm::vec3 earth(glm::vec2 p)
{
    glm::vec3 n = sphereNormal(p, earthCentre, earthRadius);
    // Turned so a continent faces the viewer.
    glm::vec3 onGlobe(n.x * 0.8f + n.z * 0.6f, n.y, n.z * 0.8f - n.x * 0.6f);
    float height = fbm(onGlobe * 1.8f + glm::vec3(2.0f), 6, 21);
    glm::vec3 colour;
    if (height < 0.52f)
    {
        colour = mix(glm::vec3(0.07f, 0.30f, 0.50f), glm::vec3(0.02f, 0.07f, 0.24f),
                     glm::smoothstep(0.5f, 0.35f, height));
    }
    else
    {
        float wet = fbm(onGlobe * 3.0f + glm::vec3(40.0f), 4, 31);
        colour = mix(glm::vec3(0.75f, 0.62f, 0.40f), glm::vec3(0.12f, 0.32f, 0.10f),
                     glm::smoothstep(0.4f, 0.6f, wet));
    }
    if (std::fabs(onGlobe.y) > 0.85f)
    {
        colour = glm::vec3(0.92f, 0.95f, 0.97f);
    }
    float cloud = glm::smoothstep(0.55f, 0.75f, fbm(onGlobe * glm::vec3(3.0f, 7.0f, 3.0f), 5, 61));
    colour = mix(colour, glm::vec3(0.95f), 0.8f * cloud);

    glm::vec3 light = lightFrom(earthCentre);
    float lit = std::max(0.0f, glm::dot(n, light));
    colour = colour * (0.03f + 1.1f * lit);
    float rim = std::pow(1.0f - n.z, 3.0f);
    return colour + glm::vec3(0.25f, 0.5f, 1.0f) * rim * (0.15f + 0.85f * lit);
}

// How far the asteroid's lumpy outline reaches in the direction of angle, in radii.
float asteroidReach(float angle)
{
    glm::vec3 around(std::cos(angle), std::sin(angle), 0.0f);
    return 1.0f + 0.35f * (fbm(around * 1.3f + glm::vec3(3.0f), 3, 81) - 0.5f);
}

bool insideAsteroid(glm::vec2 p)
{
    glm::vec2 d = (p - asteroidCentre) / asteroidRadius;
    return glm::length(d) <= asteroidReach(std::atan2(d.y, d.x));
}

// Grey-brown rock, lit from the Sun, with its surface broken by noise.
glm::vec3 asteroid(glm::vec2 p)
{
    glm::vec2 d = (p - asteroidCentre) / asteroidRadius;
    float reach = asteroidReach(std::atan2(d.y, d.x));
    glm::vec3 n = sphereNormal(asteroidCentre + (p - asteroidCentre) / reach, asteroidCentre, asteroidRadius);
    glm::vec3 bump(fbm(n * 4.0f, 3, 91) - 0.5f, fbm(n * 4.0f + glm::vec3(7.0f), 3, 92) - 0.5f, 0.0f);
    n = glm::normalize(n + bump * 0.9f);
    glm::vec3 rock =
        mix(glm::vec3(0.25f, 0.22f, 0.20f), glm::vec3(0.55f, 0.50f, 0.44f), fbm(n * 6.0f, 4, 101));
    float lit = std::max(0.0f, glm::dot(n, lightFrom(asteroidCentre)));
    return rock * (0.06f + 1.2f * lit);
}

uint8_t toByte(float channel)
{
    return static_cast<uint8_t>(std::clamp(channel, 0.0f, 1.0f) * 255.0f + 0.5f);
}
} // namespace

IconImage makeIcon(int size)
{
    IconImage image(size);
    // Four by four samples a pixel smooth every edge at every size.
    const int samples = 4;
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            glm::vec4 sum(0.0f);
            for (int sy = 0; sy < samples; ++sy)
            {
                for (int sx = 0; sx < samples; ++sx)
                {
                    glm::vec2 p((x + (sx + 0.5f) / samples) / size, (y + (sy + 0.5f) / samples) / size);
                    if (!insideTile(p))
                        continue;
                    glm::vec3 colour;
                    if (insideAsteroid(p))
                        colour = asteroid(p);
                    else if (glm::length(p - earthCentre) <= earthRadius)
                        colour = earth(p);
                    else if (glm::length(p - sunCentre) <= sunRadius)
                        colour = sun(p);
                    else
                        colour = space(p, size);
                    sum += glm::vec4(glm::min(colour, glm::vec3(1.0f)), 1.0f);
                }
            }
            image.pixels[static_cast<size_t>(y) * size + x] = sum / static_cast<float>(samples * samples);
        }
    }
    return image;
}

bool writePNG(const std::string& path, const IconImage& image)
{
    // Colour is stored straight, not multiplied by coverage: undo the averaging's weighting.
    std::vector<uint8_t> bytes;
    bytes.reserve(image.pixels.size() * 4);
    for (const glm::vec4& pixel : image.pixels)
    {
        glm::vec3 colour = pixel.a > 0.0f ? glm::vec3(pixel) / pixel.a : glm::vec3(0.0f);
        bytes.push_back(toByte(colour.r));
        bytes.push_back(toByte(colour.g));
        bytes.push_back(toByte(colour.b));
        bytes.push_back(toByte(pixel.a));
    }
    if (!stbi_write_png(path.c_str(), image.size, image.size, 4, bytes.data(), image.size * 4))
    {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
