#include "render/mesh.h"

#include "render/console_wait.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>

bool checkMeshScene(const aiScene* scene, std::string& why)
{
    if (scene == nullptr || scene->mNumMeshes == 0 || scene->mMeshes == nullptr ||
        scene->mMeshes[0] == nullptr)
    {
        why = "it holds no mesh";
        return false;
    }
    const aiMesh* mesh = scene->mMeshes[0];
    if (mesh->mNumVertices > 0 && mesh->mVertices == nullptr)
    {
        why = "its first mesh has no vertex positions";
        return false;
    }
    if (mesh->mTextureCoords[0] == nullptr)
    {
        why = "its first mesh has no texture coordinates";
        return false;
    }
    if (mesh->mNormals == nullptr)
    {
        why = "its first mesh has no normals";
        return false;
    }
    if (mesh->mNumFaces > 0 && mesh->mFaces == nullptr)
    {
        why = "its first mesh has no face list";
        return false;
    }
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f)
    {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices < 3 || face.mIndices == nullptr)
        {
            why = "face " + std::to_string(f + 1) + " has fewer than three corners";
            return false;
        }
        for (unsigned int i = 0; i < face.mNumIndices; ++i)
        {
            if (face.mIndices[i] >= mesh->mNumVertices)
            {
                why = "face " + std::to_string(f + 1) + " refers to a vertex that does not exist";
                return false;
            }
        }
    }
    return true;
}

bool loadMesh(const char* path, std::vector<unsigned int>& indices, std::vector<glm::vec3>& vertices,
              std::vector<glm::vec2>& uvs, std::vector<glm::vec3>& normals)
{
    // No post-processing: the file's own vertices, texture coordinates and normals reach the GPU as
    // written, and faces are not triangulated.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene == nullptr)
    {
        fprintf(stderr, "%s", importer.GetErrorString());
        waitForReader(importer.GetErrorString());
        return false;
    }
    std::string why;
    if (!checkMeshScene(scene, why))
    {
        std::string message = "Cannot use model " + std::string(path) + ": " + why;
        fprintf(stderr, "%s\n", message.c_str());
        waitForReader(message.c_str());
        return false;
    }

    // Only the first mesh of the file is drawn.
    const aiMesh* mesh = scene->mMeshes[0];
    vertices.reserve(mesh->mNumVertices);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i)
    {
        const aiVector3D& position = mesh->mVertices[i];
        vertices.push_back(glm::vec3(position.x, position.y, position.z));
    }
    // v is kept as written: the bitmaps are uploaded bottom row first, which is where v = 0 lies.
    uvs.reserve(mesh->mNumVertices);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i)
    {
        const aiVector3D& uv = mesh->mTextureCoords[0][i];
        uvs.push_back(glm::vec2(uv.x, uv.y));
    }
    normals.reserve(mesh->mNumVertices);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i)
    {
        const aiVector3D& normal = mesh->mNormals[i];
        normals.push_back(glm::vec3(normal.x, normal.y, normal.z));
    }
    // Every face is taken as a triangle: larger polygons give only their first three corners.
    indices.reserve(3 * static_cast<size_t>(mesh->mNumFaces));
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f)
    {
        const aiFace& face = mesh->mFaces[f];
        indices.push_back(face.mIndices[0]);
        indices.push_back(face.mIndices[1]);
        indices.push_back(face.mIndices[2]);
    }
    return true;
}
