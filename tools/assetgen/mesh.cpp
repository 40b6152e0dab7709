#include "mesh.h"

#include <cmath>
#include <map>
#include <tuple>

namespace
{
const float twoPi = 6.28318531f;

glm::vec3 transformPoint(const glm::mat4& m, glm::vec3 p)
{
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

// Orders positions by value; -0 and +0 compare equal, so pole points built as 0 * cos and
// -0 * sin weld together.
struct PositionLess
{
    bool operator()(const glm::vec3& a, const glm::vec3& b) const
    {
        return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
    }
};
} // namespace

Mesh gridSurface(int cols, int rows, const std::function<glm::vec3(int, int)>& position,
                 const std::function<glm::vec2(int, int)>& uv)
{
    Mesh mesh;
    for (int j = 0; j <= rows; ++j)
    {
        for (int i = 0; i <= cols; ++i)
        {
            mesh.positions.push_back(position(i, j));
            mesh.uvs.push_back(uv(i, j));
        }
    }
    auto emit = [&mesh](uint32_t a, uint32_t b, uint32_t c)
    {
        const auto& p = mesh.positions;
        if (p[a] == p[b] || p[b] == p[c] || p[c] == p[a])
            return;
        mesh.indices.insert(mesh.indices.end(), {a, b, c});
    };
    const uint32_t stride = static_cast<uint32_t>(cols) + 1;
    for (int j = 0; j < rows; ++j)
    {
        for (int i = 0; i < cols; ++i)
        {
            uint32_t a = static_cast<uint32_t>(j) * stride + static_cast<uint32_t>(i);
            uint32_t b = a + 1, c = a + stride + 1, d = a + stride;
            emit(a, b, c);
            emit(a, c, d);
        }
    }
    mesh.normals.assign(mesh.positions.size(), glm::vec3(0.0f));
    return mesh;
}

void smoothNormals(Mesh& mesh)
{
    std::map<glm::vec3, glm::vec3, PositionLess> sums;
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
    {
        glm::vec3 a = mesh.positions[mesh.indices[t]];
        glm::vec3 b = mesh.positions[mesh.indices[t + 1]];
        glm::vec3 c = mesh.positions[mesh.indices[t + 2]];
        // the unnormalised cross product is twice the area, which weights the mean
        glm::vec3 faceNormal = glm::cross(b - a, c - a);
        for (glm::vec3 corner : {a, b, c})
            sums[corner] += faceNormal;
    }
    mesh.normals.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i)
    {
        glm::vec3 sum = sums[mesh.positions[i]];
        float length = glm::length(sum);
        mesh.normals[i] = length > 0.0f ? sum / length : glm::vec3(0.0f, 1.0f, 0.0f);
    }
}

Mesh lathe(const std::vector<ProfilePoint>& profile, int segments, float uRepeat, const glm::mat4& transform)
{
    int rows = static_cast<int>(profile.size()) - 1;
    Mesh mesh = gridSurface(
        segments, rows,
        [&](int i, int j)
        {
            // the seam column reuses angle 0 exactly, so its points weld with the first column
            float angle = twoPi * static_cast<float>(i % segments) / static_cast<float>(segments);
            const ProfilePoint& p = profile[static_cast<size_t>(j)];
            glm::vec3 local(p.radius * std::cos(angle), p.height, -p.radius * std::sin(angle));
            return transformPoint(transform, local);
        },
        [&](int i, int j)
        {
            return glm::vec2(uRepeat * static_cast<float>(i) / static_cast<float>(segments),
                             profile[static_cast<size_t>(j)].v);
        });
    smoothNormals(mesh);
    return mesh;
}

Mesh cylinder(float radius, float y0, float y1, int segments, float uRepeat, float vRepeat,
              const glm::mat4& transform)
{
    // caps and side are separate parts so the rim keeps a hard edge; caps keep the side's v density
    float capV = radius * vRepeat / (y1 - y0);
    Mesh mesh = lathe({{0.0f, y0, 0.0f}, {radius, y0, capV}}, segments, uRepeat, transform);
    append(mesh, lathe({{radius, y0, 0.0f}, {radius, y1, vRepeat}}, segments, uRepeat, transform));
    append(mesh, lathe({{radius, y1, capV}, {0.0f, y1, 0.0f}}, segments, uRepeat, transform));
    return mesh;
}

Mesh torus(float ringRadius, float tubeRadius, float tubeHeight, int ringSegments, int tubeSegments,
           float uRepeat, const glm::mat4& transform)
{
    // the tube cross-section runs counter-clockwise from its outer equator, which faces outward
    std::vector<ProfilePoint> profile;
    for (int k = 0; k <= tubeSegments; ++k)
    {
        float angle = twoPi * static_cast<float>(k % tubeSegments) / static_cast<float>(tubeSegments);
        profile.push_back({ringRadius + tubeRadius * std::cos(angle), tubeHeight * std::sin(angle),
                           static_cast<float>(k) / static_cast<float>(tubeSegments)});
    }
    return lathe(profile, ringSegments, uRepeat, transform);
}

Mesh uvSphere(float radius, int cols, int rows)
{
    std::vector<ProfilePoint> profile;
    for (int j = 0; j <= rows; ++j)
    {
        float v = static_cast<float>(j) / static_cast<float>(rows);
        float latitude = (v - 0.5f) * 3.14159265f;
        // exact zero radius at the poles so each pole is a single welded point
        float ring = (j == 0 || j == rows) ? 0.0f : radius * std::cos(latitude);
        float height = j == 0 ? -radius : (j == rows ? radius : radius * std::sin(latitude));
        profile.push_back({ring, height, v});
    }
    return lathe(profile, cols, 1.0f, glm::mat4(1.0f));
}

Mesh box(glm::vec3 half, float uvPerUnit, const glm::mat4& transform)
{
    Mesh mesh;
    // each face: outward axis and two in-face axes whose cross product is that outward axis
    const glm::vec3 axes[3] = {glm::vec3(1, 0, 0), glm::vec3(0, 1, 0), glm::vec3(0, 0, 1)};
    for (int axis = 0; axis < 3; ++axis)
    {
        for (float sign : {1.0f, -1.0f})
        {
            glm::vec3 n = axes[axis] * sign;
            glm::vec3 s = axes[(axis + 1) % 3] * sign;
            glm::vec3 t = axes[(axis + 2) % 3];
            float hn = glm::dot(glm::abs(n), half), hs = glm::dot(glm::abs(s), half);
            float ht = glm::dot(t, half);
            Mesh face = gridSurface(
                1, 1,
                [&](int i, int j)
                {
                    glm::vec3 local = n * hn + s * (i ? hs : -hs) + t * (j ? ht : -ht);
                    return transformPoint(transform, local);
                },
                [&](int i, int j) { return glm::vec2(i * 2.0f * hs, j * 2.0f * ht) * uvPerUnit; });
            smoothNormals(face);
            append(mesh, face);
        }
    }
    return mesh;
}

void append(Mesh& mesh, const Mesh& part)
{
    uint32_t base = static_cast<uint32_t>(mesh.positions.size());
    mesh.positions.insert(mesh.positions.end(), part.positions.begin(), part.positions.end());
    mesh.uvs.insert(mesh.uvs.end(), part.uvs.begin(), part.uvs.end());
    mesh.normals.insert(mesh.normals.end(), part.normals.begin(), part.normals.end());
    for (uint32_t index : part.indices)
        mesh.indices.push_back(base + index);
}

float signedVolume(const Mesh& mesh)
{
    double volume = 0.0;
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
    {
        glm::dvec3 a = mesh.positions[mesh.indices[t]];
        glm::dvec3 b = mesh.positions[mesh.indices[t + 1]];
        glm::dvec3 c = mesh.positions[mesh.indices[t + 2]];
        volume += glm::dot(a, glm::cross(b, c)) / 6.0;
    }
    return static_cast<float>(volume);
}

void bounds(const Mesh& mesh, glm::vec3& lo, glm::vec3& hi)
{
    lo = glm::vec3(1e30f);
    hi = glm::vec3(-1e30f);
    for (const glm::vec3& p : mesh.positions)
    {
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
}
