#pragma once

#include "physics/physics_world.h"

#include <glm/glm.hpp>

// Raised by the trigger rule, never lowered.
extern bool gameWon;
extern bool earthDestroyed;

// The world's event callback: every trigger report removes what it touched.
class ContactReportCallback : public SimulationEventCallback
{
  public:
    void onTrigger(TriggerPair* pairs, uint32_t count) override;
};

// The rule for one reported actor: park the projectile, strike the actor from the live objects
// (never the projectile), and raise the outcome flags. True when the actor left the live objects.
bool handleTriggerActor(RigidActor* actor);

// Puts the projectile at start and sends it along direction at speed units per second.
void launchProjectile(glm::vec3 start, glm::vec3 direction, float speed);

bool isGameWon();
bool isEarthDestroyed();

// How many objects have left the world since the level was built, and how many win.
int countRemovals();
int getRemovalsToWin();

// The level calls this once it is built: the count of live objects removals are counted from.
void startRemovalCount();
