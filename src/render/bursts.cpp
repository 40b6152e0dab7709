#include "render/bursts.h"

#include "render/shader.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>

namespace
{

// Each burst is one flash and this many pieces of debris, each a quad facing the camera.
const int debrisPerBurst = 20;
const int quadsPerBurst = 1 + debrisPerBurst;
const int verticesPerQuad = 6;
// Where a burst's light feeds the bloom, as the shaders below draw it (sizes per unit of size, in
// units). The flash is over the bloom threshold only near its centre: its light there is 6.79 fade^2
// (9 fade^2 times the luminance of its colour), falling as (1 - d^2)^2 to its edge, so it is bright
// out to d^2 = 1 - sqrt(1.2 / (6.79 fade^2)) of its radius, and not at all after 0.29 s. The debris'
// light, 3.32 fade, is over the threshold for its first 0.32 s, out to where the fastest piece (12 a
// second, 0.14 across) has flown. After that a burst only adds to the lit colour.
const float flashCentreLight = 6.7948f;
const float bloomThreshold = 1.2f;
const float debrisSpeedMost = 12.0f;
const float debrisRadius = 0.14f;
const float debrisBrightFor = 0.32f;

float flashRadius(float age)
{
    float t = std::clamp(age / 0.12f, 0.0f, 1.0f);
    return 0.8f + 2.2f * t * t * (3.0f - 2.0f * t);
}

// How far from its centre a burst of size 1 writes to the bright output at an age; 0 when nowhere.
float brightReach(float age)
{
    float fade = std::clamp(1.0f - age / burstLifetime, 0.0f, 1.0f);
    float reach = 0.0f;
    float centreLight = flashCentreLight * fade * fade;
    if (centreLight > bloomThreshold)
    {
        reach = flashRadius(age) * std::sqrt(1.0f - std::sqrt(bloomThreshold / centreLight));
    }
    if (age < debrisBrightFor)
    {
        reach = std::max(reach, debrisSpeedMost * age + debrisRadius);
    }
    // A little room for the half-float targets' rounding near the threshold.
    return reach > 0.0f ? reach * 1.02f + 0.02f : 0.0f;
}

const char* burstVertexSource = R"(#version 440 core
// Quad corners come from the vertex number alone: burst, then piece, then corner.
const int quadsPerBurst = 21;
const float lifetime = 0.5;

uniform mat4 VP;
uniform vec3 cameraRight;
uniform vec3 cameraUp;
uniform vec4 bursts[32];     // xyz the place, w the age in seconds
uniform vec2 burstShapes[32]; // x the size, y the seed

out vec2 corner;       // -1 to 1 across the quad
out vec3 glow;         // the light it adds, high dynamic range
flat out float isFlash;

// A repeatable random number in [0, 1) for a seed and a piece.
float random(float seed, float piece, float salt)
{
    return fract(sin(seed * 12.9898 + piece * 78.233 + salt * 37.719) * 43758.5453);
}

void main()
{
    int vertex = gl_VertexID % 6;
    int quad = (gl_VertexID / 6) % quadsPerBurst;
    int burst = gl_VertexID / (6 * quadsPerBurst);
    const vec2 corners[6] = vec2[6](vec2(-1, -1), vec2(1, -1), vec2(-1, 1), vec2(-1, 1), vec2(1, -1), vec2(1, 1));
    corner = corners[vertex];

    vec3 place = bursts[burst].xyz;
    float age = bursts[burst].w;
    float size = burstShapes[burst].x;
    float seed = burstShapes[burst].y;
    float fade = clamp(1.0 - age / lifetime, 0.0, 1.0);
    float radius;
    vec3 centre;
    if (quad == 0)
    {
        // The flash swells quickly, then dims.
        isFlash = 1.0;
        radius = size * (0.8 + 2.2 * smoothstep(0.0, 0.12, age));
        centre = place;
        glow = vec3(1.0, 0.72, 0.38) * 9.0 * fade * fade;
    }
    else
    {
        // Debris flies straight out, each piece its own way and speed.
        isFlash = 0.0;
        float piece = float(quad);
        float z = random(seed, piece, 1.0) * 2.0 - 1.0;
        float angle = random(seed, piece, 2.0) * 6.2831853;
        vec3 direction = vec3(sqrt(1.0 - z * z) * vec2(cos(angle), sin(angle)), z);
        float speed = size * (5.0 + 7.0 * random(seed, piece, 3.0));
        radius = size * 0.14;
        centre = place + direction * speed * age;
        glow = vec3(1.0, 0.6, 0.3) * 5.0 * fade;
    }
    vec3 position = centre + (cameraRight * corner.x + cameraUp * corner.y) * radius;
    gl_Position = VP * vec4(position, 1.0);
})";

const char* burstFragmentSource = R"(#version 440 core
in vec2 corner;
in vec3 glow;
flat in float isFlash;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 albedo;
layout(location = 2) out vec4 brightColor;

// The same threshold as the scene's: light brighter than this feeds the bloom.
const float bloomThreshold = 1.2;

void main()
{
    float fromCentre = dot(corner, corner);
    // A soft round flash; debris as small round sparks.
    float shape = isFlash > 0.5 ? pow(max(1.0 - fromCentre, 0.0), 2.0) : (fromCentre < 1.0 ? 1.0 : 0.0);
    vec3 light = glow * shape;
    color = vec4(light, 0.0);
    albedo = vec4(0.0);
    float luminance = dot(light, vec3(0.2126, 0.7152, 0.0722));
    brightColor = vec4(luminance > bloomThreshold ? light : vec3(0.0), 0.0);
})";

struct Burst
{
    glm::vec3 position;
    float age;
    float size;
    float seed;
};

Burst bursts[maxBursts];
int burstCount = 0;
float nextSeed = 1.0f;
GLuint burstProgram = 0;
GLuint burstVertexArray = 0;
GLint viewProjectionLocation = -1;
GLint cameraRightLocation = -1;
GLint cameraUpLocation = -1;
GLint burstsLocation = -1;
GLint burstShapesLocation = -1;

} // namespace

void createBursts()
{
    burstProgram = buildProgram("Burst", burstVertexSource, burstFragmentSource);
    viewProjectionLocation = glGetUniformLocation(burstProgram, "VP");
    cameraRightLocation = glGetUniformLocation(burstProgram, "cameraRight");
    cameraUpLocation = glGetUniformLocation(burstProgram, "cameraUp");
    burstsLocation = glGetUniformLocation(burstProgram, "bursts");
    burstShapesLocation = glGetUniformLocation(burstProgram, "burstShapes");
    // The vertex shader needs no attributes, but a core context draws only with a vertex array bound.
    glGenVertexArrays(1, &burstVertexArray);
}

void addBurst(glm::vec3 position, float size)
{
    if (burstCount == maxBursts)
    {
        // The oldest is the one nearest its end: it makes way.
        int oldest = 0;
        for (int i = 1; i < burstCount; i++)
        {
            oldest = bursts[i].age > bursts[oldest].age ? i : oldest;
        }
        bursts[oldest] = bursts[--burstCount];
    }
    bursts[burstCount++] = Burst{position, 0.0f, size, nextSeed};
    nextSeed += 1.0f;
}

void updateBursts(float dt)
{
    for (int i = 0; i < burstCount;)
    {
        bursts[i].age += dt;
        if (bursts[i].age >= burstLifetime)
        {
            bursts[i] = bursts[--burstCount];
        }
        else
        {
            i++;
        }
    }
}

void drawBursts(const glm::mat4& viewProjection, const glm::mat4& view)
{
    if (burstCount == 0 || burstProgram == 0)
    {
        return;
    }
    glm::vec4 places[maxBursts];
    glm::vec2 shapes[maxBursts];
    for (int i = 0; i < burstCount; i++)
    {
        places[i] = glm::vec4(bursts[i].position, bursts[i].age);
        shapes[i] = glm::vec2(bursts[i].size, bursts[i].seed);
    }
    glUseProgram(burstProgram);
    glUniformMatrix4fv(viewProjectionLocation, 1, GL_FALSE, glm::value_ptr(viewProjection));
    // The camera's right and up in the world are the first two rows of the view's rotation.
    glUniform3f(cameraRightLocation, view[0][0], view[1][0], view[2][0]);
    glUniform3f(cameraUpLocation, view[0][1], view[1][1], view[2][1]);
    glUniform4fv(burstsLocation, burstCount, glm::value_ptr(places[0]));
    glUniform2fv(burstShapesLocation, burstCount, glm::value_ptr(shapes[0]));

    // Light adds up; the bursts hide behind what is in front of them but hide nothing themselves.
    GLboolean blending = glIsEnabled(GL_BLEND);
    GLint sourceFactor = GL_ONE;
    GLint destinationFactor = GL_ZERO;
    glGetIntegerv(GL_BLEND_SRC_RGB, &sourceFactor);
    glGetIntegerv(GL_BLEND_DST_RGB, &destinationFactor);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    // The second colour output is left as it was: not writing it at all spares a blended write per
    // fragment. It is taken out of the draw buffers for the draw (WebGL 2 has no mask per output).
    GLint drawBuffers[3] = {GL_NONE, GL_NONE, GL_NONE};
    for (int i = 0; i < 3; i++)
    {
        glGetIntegerv(GL_DRAW_BUFFER0 + i, &drawBuffers[i]);
    }
    const GLenum withoutSecond[3] = {static_cast<GLenum>(drawBuffers[0]), GL_NONE,
                                     static_cast<GLenum>(drawBuffers[2])};
    glDrawBuffers(3, withoutSecond);
    glBindVertexArray(burstVertexArray);
    glDrawArrays(GL_TRIANGLES, 0, burstCount * quadsPerBurst * verticesPerQuad);
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
    const GLenum restored[3] = {static_cast<GLenum>(drawBuffers[0]), static_cast<GLenum>(drawBuffers[1]),
                                static_cast<GLenum>(drawBuffers[2])};
    glDrawBuffers(3, restored);
    glBlendFunc(static_cast<GLenum>(sourceFactor), static_cast<GLenum>(destinationFactor));
    if (!blending)
    {
        glDisable(GL_BLEND);
    }
}

int getBurstSpheres(glm::vec4* spheres, int capacity)
{
    int count = 0;
    for (int i = 0; i < burstCount && count < capacity; i++)
    {
        const Burst& burst = bursts[i];
        float reach = brightReach(burst.age);
        if (reach > 0.0f)
        {
            spheres[count++] = glm::vec4(burst.position, burst.size * reach);
        }
    }
    return count;
}

int getBurstCount()
{
    return burstCount;
}

void clearBursts()
{
    burstCount = 0;
}
