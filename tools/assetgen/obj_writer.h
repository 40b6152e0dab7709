#pragma once

#include "mesh.h"

#include <string>

// Writes the mesh as one Wavefront object of triangles, every corner "v/vt/vn". The game reads only
// the first mesh of a file, so the whole model stays in a single object with no groups.
// Prints one line naming the file and returns false when it cannot be written.
bool writeOBJ(const std::string& path, const Mesh& mesh, const char* objectName);
