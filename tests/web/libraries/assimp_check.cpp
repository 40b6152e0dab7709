// Assimp built for WebAssembly with only its OBJ importer: reads a two-triangle OBJ as the game reads
// its models (no post-processing), and refuses a face that names a vertex the file does not have.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cmath>
#include <cstdio>

namespace
{
bool writeText(const char* path, const char* text)
{
    FILE* file = fopen(path, "w");
    if (file == nullptr)
    {
        return false;
    }
    bool written = fputs(text, file) >= 0;
    return fclose(file) == 0 && written;
}
} // namespace

int main()
{
    const char* square = "# a unit square facing +z\n"
                         "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                         "vn 0 0 1\n"
                         "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";
    const char* broken = "v 0 0 0\nv 1 0 0\nf 1 2 7\n";
    if (!writeText("square.obj", square) || !writeText("broken.obj", broken))
    {
        printf("Assimp check failed: cannot write its OBJ files\n");
        return 1;
    }

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile("square.obj", 0);
    if (scene == nullptr || scene->mNumMeshes != 1)
    {
        printf("Assimp check failed: square.obj: %s\n", importer.GetErrorString());
        return 1;
    }
    const aiMesh* mesh = scene->mMeshes[0];
    // Without post-processing every face corner is its own vertex.
    const aiVector3D& corner = mesh->mVertices[2];
    const aiVector3D& uv = mesh->mTextureCoords[0][2];
    const aiVector3D& normal = mesh->mNormals[2];
    printf("Assimp: %u faces, %u vertices; vertex 2 at (%g, %g, %g), uv (%g, %g), normal (%g, %g, %g)\n",
           mesh->mNumFaces, mesh->mNumVertices, corner.x, corner.y, corner.z, uv.x, uv.y, normal.x, normal.y,
           normal.z);
    bool right = mesh->mNumFaces == 2 && mesh->mNumVertices == 6 && mesh->mFaces[1].mNumIndices == 3 &&
                 corner == aiVector3D(1, 1, 0) && uv.x == 1.0f && uv.y == 1.0f && normal == aiVector3D(0, 0, 1);

    Assimp::Importer second;
    if (second.ReadFile("broken.obj", 0) != nullptr)
    {
        printf("Assimp check failed: broken.obj, whose face names vertex 7 of 2, was read\n");
        return 1;
    }
    printf("Assimp: broken.obj refused: %s\n", second.GetErrorString());
    if (!right)
    {
        printf("Assimp check failed: expected 2 faces, 6 vertices; (1, 1, 0), uv (1, 1), normal (0, 0, 1)\n");
        return 1;
    }
    return 0;
}
