#pragma once

#include "render/gl.h"

// Builds a program from a vertex and a fragment shader file. Prints its progress and the driver's
// logs; returns 0 (after waiting for one typed character) when a file cannot be opened.
GLuint loadShaders(const char* vertexFilePath, const char* fragmentFilePath);
