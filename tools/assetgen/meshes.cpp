#include "meshes.h"

#include "image.h"
#include "noise.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
const float pi = 3.14159265f;

// A bowl with a raised rim, centred on a direction of the unit sphere.
struct Crater
{
    glm::vec3 centre;
    float angularRadius; // radians
    float depth;         // in units of the rock's mean radius
};

// How a rock is shaped before it is scaled to its final size.
struct RockShape
{
    uint32_t seed;
    int cols, rows;
    float lumpiness;   // large smooth bulges
    float ridgeHeight; // sharp crests and facets
    int craterCount;
    glm::vec3 stretch; // per-axis elongation
    float halfExtent;  // largest half size after scaling
};

float craterHeight(const std::vector<Crater>& craters, glm::vec3 dir)
{
    float height = 0.0f;
    for (const Crater& crater : craters)
    {
        float angle = std::acos(std::clamp(glm::dot(dir, crater.centre), -1.0f, 1.0f));
        float t = angle / crater.angularRadius;
        if (t > 2.0f)
            continue;
        // parabolic bowl with a flattened floor, plus a rim that fades outside the edge
        float bowl = t < 1.0f ? std::max(t * t - 1.0f, -0.75f) : 0.0f;
        float rim = 0.3f * std::exp(-(t - 1.0f) * (t - 1.0f) / 0.08f);
        height += crater.depth * (bowl + rim);
    }
    return height;
}

std::vector<Crater> scatterCraters(Rng& rng, int count, float minRadius, float maxRadius)
{
    std::vector<Crater> craters;
    for (int i = 0; i < count; ++i)
    {
        Crater crater;
        crater.centre = rng.unitVector();
        crater.angularRadius = rng.range(minRadius, maxRadius);
        // bigger craters are deeper, but shallower for their size
        crater.depth = 0.35f * crater.angularRadius * rng.range(0.7f, 1.2f);
        craters.push_back(crater);
    }
    return craters;
}

// Point of the unit sphere for grid column i and row j; the seam column and the pole rows are
// computed exactly as their twins so they weld.
glm::vec3 gridDirection(int i, int j, int cols, int rows)
{
    if (j == 0)
        return glm::vec3(0.0f, -1.0f, 0.0f);
    if (j == rows)
        return glm::vec3(0.0f, 1.0f, 0.0f);
    return sphereDirection(glm::vec2(static_cast<float>(i % cols) / static_cast<float>(cols),
                                     static_cast<float>(j) / static_cast<float>(rows)));
}

// Displaces a sphere outward by noise and craters, centres it and scales it to its half extent.
// Texture coordinates stay those of the sphere, so equirectangular textures fit it.
Mesh makeRockMesh(const RockShape& shape)
{
    Rng rng(shape.seed);
    std::vector<Crater> craters = scatterCraters(rng, shape.craterCount, 0.18f, 0.55f);
    glm::vec3 offset = rng.unitVector() * 10.0f;
    auto radiusAt = [&](glm::vec3 dir)
    {
        float r = 1.0f;
        r += shape.lumpiness * (fbm(dir * 1.2f + offset, 5, shape.seed) - 0.5f) * 2.0f;
        r += shape.ridgeHeight * (ridged(dir * 2.2f - offset, 4, shape.seed + 7) - 0.5f);
        r += 0.04f * (fbm(dir * 7.0f, 3, shape.seed + 13) - 0.5f);
        return r + craterHeight(craters, dir);
    };
    Mesh mesh = gridSurface(
        shape.cols, shape.rows,
        [&](int i, int j)
        {
            glm::vec3 dir = gridDirection(i, j, shape.cols, shape.rows);
            return dir * radiusAt(dir) * shape.stretch;
        },
        [&](int i, int j)
        {
            return glm::vec2(static_cast<float>(i) / static_cast<float>(shape.cols),
                             static_cast<float>(j) / static_cast<float>(shape.rows));
        });

    glm::vec3 lo, hi;
    bounds(mesh, lo, hi);
    glm::vec3 centre = (lo + hi) * 0.5f;
    glm::vec3 half = (hi - lo) * 0.5f;
    float scale = shape.halfExtent / std::max(half.x, std::max(half.y, half.z));
    for (glm::vec3& p : mesh.positions)
        p = (p - centre) * scale;
    smoothNormals(mesh);
    return mesh;
}

glm::mat4 spokeFrame(float yawDegrees)
{
    // a lathe runs along y; turn it to point along x, then around the hub
    glm::mat4 yaw = glm::rotate(glm::mat4(1.0f), glm::radians(yawDegrees), glm::vec3(0, 1, 0));
    return yaw * glm::rotate(glm::mat4(1.0f), glm::radians(-90.0f), glm::vec3(0, 0, 1));
}

// Drum-shaped hub with chamfered edges, a dome on top and a cone underneath. Each profile piece is
// its own part so the chamfers keep hard edges.
void addHub(Mesh& mesh, float radius, float halfHeight, float chamfer, int segments, float uRepeat)
{
    const glm::mat4 identity(1.0f);
    float inner = radius - chamfer;
    float top = halfHeight + chamfer;
    append(mesh, lathe({{0.0f, -top, 0.0f}, {inner, -top, 0.3f}}, segments, uRepeat, identity));
    append(mesh, lathe({{inner, -top, 0.0f}, {radius, -halfHeight, 0.15f}}, segments, uRepeat, identity));
    append(mesh,
           lathe({{radius, -halfHeight, 0.0f}, {radius, halfHeight, 1.0f}}, segments, uRepeat, identity));
    append(mesh, lathe({{radius, halfHeight, 0.0f}, {inner, top, 0.15f}}, segments, uRepeat, identity));
    append(mesh, lathe({{inner, top, 0.3f}, {0.0f, top, 0.0f}}, segments, uRepeat, identity));

    // observation dome: a quarter circle from its rim up to the axis
    float domeRadius = inner * 0.8f;
    std::vector<ProfilePoint> dome;
    for (int k = 0; k <= 8; ++k)
    {
        float a = 0.5f * pi * static_cast<float>(k) / 8.0f;
        float r = k == 8 ? 0.0f : domeRadius * std::cos(a);
        dome.push_back({r, top + domeRadius * std::sin(a), 0.5f * static_cast<float>(k) / 8.0f});
    }
    append(mesh, lathe(dome, segments, uRepeat, identity));

    // engine cone under the hub, tip on the axis
    append(mesh, lathe({{0.0f, -top - 1.2f * halfHeight, 0.0f}, {inner * 0.7f, -top, 1.0f}}, segments,
                       uRepeat, identity));
}

// Mast along y with a pair of flat solar wings across it.
void addSolarMast(Mesh& mesh, float baseY, float topY, float mastRadius, glm::vec3 wingHalf, float wingGap)
{
    append(mesh, cylinder(mastRadius, baseY, topY, 10, 1.0f, 2.0f, glm::mat4(1.0f)));
    float wingY = topY - wingHalf.z * 1.5f;
    for (float side : {1.0f, -1.0f})
    {
        glm::vec3 centre(side * (wingGap + wingHalf.x), wingY, 0.0f);
        append(mesh, box(wingHalf, 1.0f / (2.0f * wingHalf.z), glm::translate(glm::mat4(1.0f), centre)));
    }
    // cross beam holding the wings
    float beamHalf = wingGap + 0.1f * wingHalf.x;
    append(mesh, box(glm::vec3(beamHalf, mastRadius * 0.6f, mastRadius * 0.6f), 1.0f,
                     glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, wingY, 0.0f))));
}
} // namespace

Mesh makeAsteroid()
{
    RockShape shape{0xA57E401Du, 28, 14, 0.22f, 0.12f, 9, glm::vec3(1.0f, 0.85f, 0.95f), 0.79f};
    return makeRockMesh(shape);
}

Mesh makeRock()
{
    RockShape shape{0x0B01D3Du, 40, 20, 0.2f, 0.35f, 3, glm::vec3(1.35f, 1.0f, 0.95f), 1.0f};
    return makeRockMesh(shape);
}

Mesh makeMassiveStation()
{
    Mesh mesh;
    addHub(mesh, 1.1f, 1.0f, 0.4f, 48, 4.0f);
    addSolarMast(mesh, 1.8f, 3.6f, 0.09f, glm::vec3(1.3f, 0.025f, 0.45f), 0.25f);
    // antenna out of the engine cone, as long as the mast so the station is centred
    append(mesh, cylinder(0.05f, -3.6f, -2.4f, 8, 1.0f, 1.0f, glm::mat4(1.0f)));

    // habitat ring, flattened so its cross-section is wider than tall
    append(mesh, torus(4.5f, 0.5f, 0.36f, 96, 16, 12.0f, glm::mat4(1.0f)));
    for (int k = 0; k < 4; ++k)
        append(mesh, cylinder(0.16f, 1.0f, 4.2f, 12, 1.0f, 3.0f, spokeFrame(90.0f * static_cast<float>(k))));
    // docking pods on the outside of the ring, between the spokes
    for (int k = 0; k < 8; ++k)
    {
        glm::mat4 frame = glm::rotate(glm::mat4(1.0f), glm::radians(22.5f + 45.0f * static_cast<float>(k)),
                                      glm::vec3(0, 1, 0));
        frame = glm::translate(frame, glm::vec3(4.95f, 0.0f, 0.0f));
        append(mesh, box(glm::vec3(0.25f, 0.24f, 0.45f), 0.8f, frame));
    }
    return mesh;
}

Mesh makeSmallStation()
{
    Mesh mesh;
    addHub(mesh, 0.2f, 0.26f, 0.07f, 32, 2.0f);
    addSolarMast(mesh, 0.4f, 0.74f, 0.02f, glm::vec3(0.2f, 0.008f, 0.08f), 0.05f);
    append(mesh, cylinder(0.012f, -0.74f, -0.6f, 6, 1.0f, 1.0f, glm::mat4(1.0f)));
    append(mesh, torus(0.56f, 0.085f, 0.065f, 48, 12, 4.0f, glm::mat4(1.0f)));
    for (int k = 0; k < 3; ++k)
        append(mesh, cylinder(0.03f, 0.18f, 0.5f, 8, 1.0f, 1.0f, spokeFrame(120.0f * static_cast<float>(k))));
    return mesh;
}

Mesh makeEarth()
{
    return uvSphere(10.0f, 64, 32);
}

Mesh makeSun()
{
    return uvSphere(6.0f, 40, 20);
}
