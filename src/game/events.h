#pragma once

#include <glm/glm.hpp>

#include <cstddef>

// What the rules and the player decided during one frame, for those who show and sound it (the
// heads-up display, the hit bursts, the sound) to read after the physics step, instead of each
// reaching into the rules. The frame loop empties the list at the start of every running frame.
enum class GameEventType
{
    objectRemoved, // a scene object left the world by a collision: where it was
    objectShot,    // a scene object the player's shot struck left the world: where it was
    earthHit,      // something reached the Earth: where it touched
    shotFired,     // Space was pressed: where the projectile left
};

struct GameEvent
{
    GameEventType type;
    glm::vec3 position;
};

// Events beyond this many in one frame are dropped: the list never allocates during play.
const size_t maxFrameEvents = 256;

void recordEvent(GameEventType type, glm::vec3 position);
void clearFrameEvents();
size_t getFrameEventCount();
const GameEvent* getFrameEvents();
