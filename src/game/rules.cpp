#include "game/rules.h"

#include "game/events.h"
#include "game/level.h"
#include "game/scene_object.h"

bool gameWon = false;
bool earthDestroyed = false;

// Where the projectile waits between shots.
static const glm::vec3 parkingPosition(1000.0f, 1000.0f, 1000.0f);
// Fewer live objects than this wins: the level starts with 105, so the fourteenth removal does it.
static const size_t winBelowCount = 92;
// Live objects when the level was built.
static size_t levelObjectCount = 0;

// A report carries every overlap that began or ended in one step, so every pair is handled: a hit
// on an asteroid must count even when something else touched in the same step.
void ContactReportCallback::onTrigger(TriggerPair* pairs, uint32_t count)
{
    RigidActor* earthActor = earth->getStaticActor();
    for (uint32_t i = 0; i < count; i++)
    {
        const TriggerPair& pair = pairs[i];
        // Where something reached the Earth, taken before the rule parks the projectile.
        if (pair.status == TriggerStatus::eNOTIFY_TOUCH_FOUND &&
            (pair.triggerActor == earthActor || pair.otherActor == earthActor))
        {
            RigidActor* other = pair.triggerActor == earthActor ? pair.otherActor : pair.triggerActor;
            recordEvent(GameEventType::earthHit, other->getGlobalPose().p);
        }
        handleTriggerActor(pair.triggerActor);
        handleTriggerActor(pair.otherActor);
    }
}

void handleTriggerActor(RigidActor* actor)
{
    RigidDynamic* projectileActor = projectile->getDynamicActor();
    // Parking keeps the velocity: a shot in flight is simply moved out of the way.
    projectileActor->setGlobalPose(Transform(parkingPosition), true);

    bool isProjectile = actor == projectileActor;
    if (!isProjectile && !actor->isStatic() && actorObjects.erase(static_cast<RigidDynamic*>(actor)) != 0)
    {
        recordEvent(GameEventType::objectRemoved, actor->getGlobalPose().p);
    }
    if (actorObjects.size() < winBelowCount)
    {
        gameWon = true;
    }
    if (!isProjectile && actor == earth->getStaticActor())
    {
        earthDestroyed = true;
    }
}

void launchProjectile(glm::vec3 start, glm::vec3 direction, float speed)
{
    projectile->getDynamicActor()->setGlobalPose(Transform(start), true);
    projectile->setVelocity(direction, speed);
}

bool isGameWon()
{
    return gameWon;
}

bool isEarthDestroyed()
{
    return earthDestroyed;
}

void startRemovalCount()
{
    levelObjectCount = actorObjects.size();
}

int countRemovals()
{
    return static_cast<int>(levelObjectCount - actorObjects.size());
}

int getRemovalsToWin()
{
    return static_cast<int>(levelObjectCount - (winBelowCount - 1));
}
