#pragma once

// The floor the post-processing is measured against: full-screen passes that fetch one texel and
// write it out. Shared by the post-processing and the frame benchmarks.

#include "render/shader.h"

#include <cstdio>
#include <string>

inline const char* passThroughQuadVertex = R"(#version 440 core
layout(location = 0) in vec3 position;
out vec2 uv;
void main()
{
    uv = position.xy * 0.5 + 0.5;
    gl_Position = vec4(position, 1.0);
})";

inline const char* passThroughBlurFragment = R"(#version 440 core
in vec2 uv;
uniform sampler2D image;
uniform int horizontal;
out vec4 color;
void main()
{
    color = vec4(texture(image, uv).rgb, 1.0);
})";

inline const char* passThroughCompositeFragment = R"(#version 440 core
in vec2 uv;
uniform sampler2D fboTexture;
out vec4 color;
void main()
{
    color = vec4(texture(fboTexture, uv).rgb, 1.0);
})";

// loadShaders reads files, so inline shaders go through a scratch folder.
inline GLuint loadInlineProgram(const std::string& dir, const char* name, const char* vertex, const char* fragment)
{
    std::string vertexPath = dir + "/" + name + "_vertex.glsl";
    std::string fragmentPath = dir + "/" + name + "_fragment.glsl";
    FILE* file = fopen(vertexPath.c_str(), "w");
    fputs(vertex, file);
    fclose(file);
    file = fopen(fragmentPath.c_str(), "w");
    fputs(fragment, file);
    fclose(file);
    return loadShaders(vertexPath.c_str(), fragmentPath.c_str());
}
