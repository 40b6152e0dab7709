#pragma once

// The exact oriented-box tests behind trigger reports and PhysicsWorld::sweepTrigger, in the game's own
// types so that tests and tools can check them. Touching counts as overlapping.

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

struct BoxPlacement
{
    glm::vec3 center = glm::vec3(0.0f);
    glm::quat rotation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    glm::vec3 halfExtents = glm::vec3(0.0f);
};

// True when the two boxes overlap or touch.
bool boxesOverlap(const BoxPlacement& a, const BoxPlacement& b);

// Box b slides by motion * t for t from 0 to 1 while a stays put. True when they overlap at some t, with
// the first and last such t; the boxes are convex, so they overlap at every t in between.
bool boxesOverlapAlong(const BoxPlacement& a, const BoxPlacement& b, const glm::vec3& motion,
                       float& firstTime, float& lastTime);
