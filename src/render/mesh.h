#pragma once

#include <glm/glm.hpp>

#include <string>
#include <vector>

struct aiScene;

// Checks that the first mesh of an imported scene is one the game can draw: it exists, has texture
// coordinates and normals, and every face has at least three indices that lie inside the mesh.
// On a refusal it sets why and returns false.
bool checkMeshScene(const aiScene* scene, std::string& why);

// Reads the first mesh of an OBJ file and appends its triangles to the four arrays.
// On failure prints one line on standard error, waits for one typed character, returns false and
// leaves the arrays untouched.
bool loadMesh(const char* path, std::vector<unsigned int>& indices, std::vector<glm::vec3>& vertices,
              std::vector<glm::vec2>& uvs, std::vector<glm::vec3>& normals);
