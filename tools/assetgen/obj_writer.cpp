#include "obj_writer.h"

#include <cmath>
#include <cstdio>

namespace
{
// Tiny values would print as "-0.00000"; write them as plain zero.
float tidy(float value, float resolution)
{
    return std::fabs(value) < resolution ? 0.0f : value;
}
} // namespace

bool writeOBJ(const std::string& path, const Mesh& mesh, const char* objectName)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
    {
        std::fprintf(stderr, "assetgen: cannot open %s for writing\n", path.c_str());
        return false;
    }
    std::fprintf(out, "# Velmora %s: %zu vertices, %zu triangles\n", objectName, mesh.positions.size(),
                 mesh.triangleCount());
    std::fprintf(out, "o %s\n", objectName);
    for (const glm::vec3& p : mesh.positions)
        std::fprintf(out, "v %.5f %.5f %.5f\n", tidy(p.x, 5e-6f), tidy(p.y, 5e-6f), tidy(p.z, 5e-6f));
    for (const glm::vec2& t : mesh.uvs)
        std::fprintf(out, "vt %.5f %.5f\n", tidy(t.x, 5e-6f), tidy(t.y, 5e-6f));
    for (const glm::vec3& n : mesh.normals)
        std::fprintf(out, "vn %.4f %.4f %.4f\n", tidy(n.x, 5e-5f), tidy(n.y, 5e-5f), tidy(n.z, 5e-5f));
    // OBJ indices start at 1
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
    {
        unsigned a = mesh.indices[t] + 1, b = mesh.indices[t + 1] + 1, c = mesh.indices[t + 2] + 1;
        std::fprintf(out, "f %u/%u/%u %u/%u/%u %u/%u/%u\n", a, a, a, b, b, b, c, c, c);
    }
    bool failed = std::ferror(out) != 0;
    if (std::fclose(out) != 0 || failed)
    {
        std::fprintf(stderr, "assetgen: failed writing %s\n", path.c_str());
        return false;
    }
    return true;
}
