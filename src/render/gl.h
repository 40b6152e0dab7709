#pragma once

// Every file that talks to OpenGL includes this one. It gives the platform's GL: OpenGL 4.4 core
// through GLEW on the desktop (GLEW must come before any other GL header), WebGL 2 in a browser
// (platform/web/web_gl.h). The game's code uses what both have, and these few things that differ.
#ifdef __EMSCRIPTEN__
#include "platform/web/web_gl.h"
#else
#include <GL/glew.h>

// The desktop's GL draws triangles as their outlines itself.
inline bool isPolygonModeAvailable()
{
    return true;
}

inline void setPolygonMode(bool lines)
{
    glPolygonMode(GL_FRONT_AND_BACK, lines ? GL_LINE : GL_FILL);
}

// What every shader is compiled with: the game's shaders are written in this language.
const char* const shaderVersionHeader = "#version 440 core";
#endif
