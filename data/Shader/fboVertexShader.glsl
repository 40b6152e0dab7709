#version 440 core

// Full-screen quad in clip space; the texture coordinate follows from the position.
layout(location = 0) in vec3 position;

uniform mat4 inverseVP;  // this frame's clip space to world
uniform mat4 previousVP; // world to last frame's clip space

out vec2 uv;
// Last frame's clip position of this screen point on the near plane (depth 0 in clip space), and how
// it changes per unit of clip-space depth. Both are linear over the screen, so the rasterizer
// interpolates the first and the fragment shader only adds depth times the second.
noperspective out vec4 previousClipBase;
flat out vec4 previousClipPerDepth;

void main()
{
    uv = position.xy * 0.5 + 0.5;
    gl_Position = vec4(position, 1.0);
    // From this frame's clip space straight to last frame's: one matrix for the whole screen.
    mat4 reprojection = previousVP * inverseVP;
    previousClipBase = reprojection * vec4(position.xy, 0.0, 1.0);
    previousClipPerDepth = reprojection[2];
}
