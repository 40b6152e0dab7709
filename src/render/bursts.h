#pragma once

#include "render/gl.h"

#include <glm/glm.hpp>

// Hit bursts: a short bright flash with debris flying out, fading within half a second, drawn into
// the scene pass so the flash feeds the bloom. Every particle is worked out on the GPU from the
// burst's place, age and seed, so the CPU keeps a handful of numbers per burst and allocates nothing.

// Bursts alive at once; a new one beyond this replaces the oldest.
const int maxBursts = 32;
// Seconds from the flash until the last debris has faded.
const float burstLifetime = 0.5f;

// Builds the bursts' program and vertex array. Needs a current context.
void createBursts();

// Starts a burst at a point in the world; size 1 for an object, larger for the Earth's.
void addBurst(glm::vec3 position, float size);

// Ages every burst by dt seconds and lets the faded ones go.
void updateBursts(float dt);

// Draws the bursts into the bound scene framebuffer: added onto the lit colour and the bright output,
// tested against the scene's depth without writing it. No burst, no draw. Blending and the depth mask
// are as they were afterwards.
void drawBursts(const glm::mat4& viewProjection, const glm::mat4& view);

// The bounding sphere (centre, radius in world units) of what each burst writes to the bright output
// now, for the bloom's blur; a burst whose light no longer reaches the bloom threshold has none.
// Returns how many were written.
int getBurstSpheres(glm::vec4* spheres, int capacity);

// How many bursts are alive.
int getBurstCount();

// Forgets every burst (a new game, or a test).
void clearBursts();
