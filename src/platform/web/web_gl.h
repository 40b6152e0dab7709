#pragma once

// WebGL 2 as the game's code sees it: OpenGL ES 3.0, and the few things the desktop's GL has that
// WebGL 2 reaches only through a browser's extension. Included through render/gl.h.
#include <GLES3/gl3.h>

// Lines in place of triangles come with the WEBGL_polygon_mode extension, which not every browser
// offers; the game asks before it offers wire frame.
bool isPolygonModeAvailable();
// Triangles as their outlines (true) or filled, front and back; nothing without the extension.
void setPolygonMode(bool lines);

// The game's shaders are GLSL 4.40 core; WebGL 2 takes GLSL ES 3.00. The shader files come derived
// at build time (tools/web_shaders.py), and the few shaders the code carries get this header in
// place of their version line, the same one the derived files start with.
const char* const shaderVersionHeader = "#version 300 es\n"
                                        "precision highp float;\n"
                                        "precision highp int;\n"
                                        "precision highp sampler2D;";
