#pragma once

#include <glm/glm.hpp>

#include <cstdint>
#include <functional>
#include <vector>

// A triangle mesh in model space: one position, texture coordinate and normal per vertex, and three
// vertex indices per triangle, counter-clockwise when seen from outside.
struct Mesh
{
    std::vector<glm::vec3> positions;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
    std::vector<uint32_t> indices;

    size_t triangleCount() const { return indices.size() / 3; }
};

// One point of a lathe profile: distance from the axis, height, and the texture v there.
struct ProfilePoint
{
    float radius;
    float height;
    float v;
};

// A (cols + 1) x (rows + 1) vertex grid; column i runs with u, row j with v. Quads are split into two
// triangles wound counter-clockwise in (i, j); triangles that collapse to a line (at a pole) are
// dropped. Normals are left for smoothNormals.
Mesh gridSurface(int cols, int rows, const std::function<glm::vec3(int, int)>& position,
                 const std::function<glm::vec2(int, int)>& uv);

// Sets every normal to the area-weighted mean of the faces around its position, so seam and pole
// copies of one point share one normal and the surface shades without creases.
void smoothNormals(Mesh& mesh);

// Surface of revolution about the y axis, then moved by transform. A profile that runs from the
// bottom of the axis upward along the outside faces outward. u goes uRepeat times around.
Mesh lathe(const std::vector<ProfilePoint>& profile, int segments, float uRepeat, const glm::mat4& transform);

// Cylinder of the given radius from y0 to y1 with flat caps and hard edges, moved by transform.
Mesh cylinder(float radius, float y0, float y1, int segments, float uRepeat, float vRepeat,
              const glm::mat4& transform);

// Torus about the y axis: ring radius, tube radii across (in the ring plane) and up.
Mesh torus(float ringRadius, float tubeRadius, float tubeHeight, int ringSegments, int tubeSegments,
           float uRepeat, const glm::mat4& transform);

// Sphere of the given radius with equirectangular texture coordinates (u once around y, v from the
// south pole up), matching sphereDirection.
Mesh uvSphere(float radius, int cols, int rows);

// Closed box of half extents `half` with flat faces; texture coordinates are face lengths times
// uvPerUnit.
Mesh box(glm::vec3 half, float uvPerUnit, const glm::mat4& transform);

// Appends part (with its normals) to mesh.
void append(Mesh& mesh, const Mesh& part);

// Volume enclosed by a closed mesh, positive when its faces point outward.
float signedVolume(const Mesh& mesh);

// Smallest box holding every position.
void bounds(const Mesh& mesh, glm::vec3& lo, glm::vec3& hi);
