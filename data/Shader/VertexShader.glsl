#version 440 core

// Scene vertex shader: every model is drawn with it. Lighting happens in view space, so the camera
// sits at the origin and the Sun (world origin) is V's translation.
layout(location = 0) in vec3 vertexPosition; // model space
layout(location = 1) in vec2 vertexUV;
layout(location = 2) in vec3 vertexNormal; // model space

uniform mat4 MVP;
uniform mat4 M;
uniform mat4 V;

out vec2 uv;
out vec3 viewPosition;
out vec3 viewNormal;
out vec3 worldPosition;
// 1 for the object whose origin is the world origin, the Sun; 0 for everything else.
flat out float atWorldOrigin;

void main()
{
    gl_Position = MVP * vec4(vertexPosition, 1.0);
    uv = vertexUV;
    vec4 world = M * vec4(vertexPosition, 1.0);
    worldPosition = world.xyz;
    viewPosition = (V * world).xyz;
    // Models are only rotated and moved, never scaled unevenly, so the upper 3x3 turns normals too.
    viewNormal = mat3(V) * (mat3(M) * vertexNormal);
    atWorldOrigin = length(M[3].xyz) < 0.5 ? 1.0 : 0.0;
}
