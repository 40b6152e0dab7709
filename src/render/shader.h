#pragma once

#include "render/gl.h"

// Builds a program from a vertex and a fragment shader file. Prints its progress and the driver's
// logs; returns 0 (after waiting for one typed character) when a file cannot be opened.
GLuint loadShaders(const char* vertexFilePath, const char* fragmentFilePath);

// Builds a program the game carries in its own code (the display's, the bursts'), without the
// loader's console lines: the console shows only the game's data programs being built. name says
// whose it is in the one line printed when it does not compile or link; returns 0 then.
GLuint buildProgram(const char* name, const char* vertexSource, const char* fragmentSource);

// Builds the same two files again with "#define defineName" after their #version lines, for a
// variant of a program that loadShaders has already built and announced. Prints nothing when it
// works; when a file cannot be read, or the variant does not compile or link, prints one line naming
// the files and returns 0.
GLuint loadShaderVariant(const char* vertexFilePath, const char* fragmentFilePath, const char* defineName);
