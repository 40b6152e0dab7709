#pragma once

#include "game/scene_object.h"

#include <glm/glm.hpp>

class Player;

// What a shot would do to what it hits first.
enum class AimKind
{
    removable, // a live object: the shot removes it
    unseen,    // an object already removed keeps its box there, unseen, and still takes the shot
    earth,     // the shot loses the game
    sun,       // the shot is simply parked: nothing changes
};

// What a shot fired now would hit first: the object, where it is, how large it looks, and what the
// shot would do to it.
struct AimTarget
{
    SceneObject* object = nullptr;
    glm::vec3 position = glm::vec3(0.0f); // where its box is, which is where the shot lands
    float radius = 0.0f;                  // of its model, world units
    AimKind kind = AimKind::removable;
};

// Flies the projectile's box from the player's launch point along the view at the shot's speed for
// 500 units, bending under gravity as the shot does, while everything else moves on at its own
// velocity. False when the path is clear, or when the first thing met is the player's own ship.
bool findAimTarget(const PhysicsWorld& world, const Player& player, AimTarget& target);
