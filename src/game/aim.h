#pragma once

#include "game/scene_object.h"

#include <glm/glm.hpp>

class Player;

// What a shot fired now would hit first: the object, where it is, how large it looks, and whether it
// is still in the world (an object already removed keeps its box there, unseen, and still takes the
// shot).
struct AimTarget
{
    SceneObject* object = nullptr;
    glm::vec3 position = glm::vec3(0.0f); // where its box is, which is where the shot lands
    float radius = 0.0f;                  // of its model, world units
    bool live = false;
};

// Flies the projectile's box from the player's launch point along the view at the shot's speed for
// 500 units, while everything else moves on at its own velocity. False when the path is clear, or
// when the first thing met is the player's own ship.
bool findAimTarget(const PhysicsWorld& world, const Player& player, AimTarget& target);
