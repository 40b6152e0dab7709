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
// on an asteroid must count even when something else touched in the same step. What happened is told
// where the pair says it happened: the first pair handled parks the projectile, so reading the actors'
// poses instead would put a later pair's shot at the parking place.
void ContactReportCallback::onTrigger(TriggerPair* pairs, uint32_t count)
{
    RigidActor* earthActor = earth->getStaticActor();
    RigidActor* projectileActor = projectile->getDynamicActor();
    for (uint32_t i = 0; i < count; i++)
    {
        const TriggerPair& pair = pairs[i];
        // What reaches the Earth is told as the Earth's hit alone, where it touched; it leaves the world
        // all the same.
        bool earthPair = pair.triggerActor == earthActor || pair.otherActor == earthActor;
        if (earthPair && pair.status == TriggerStatus::eNOTIFY_TOUCH_FOUND)
        {
            recordEvent(GameEventType::earthHit,
                        pair.triggerActor == earthActor ? pair.otherPosition : pair.triggerPosition);
        }
        // An object the player's own shot struck is told apart from one that collided.
        bool shot = pair.triggerActor == projectileActor || pair.otherActor == projectileActor;
        GameEventType removal = shot ? GameEventType::objectShot : GameEventType::objectRemoved;
        if (handleTriggerActor(pair.triggerActor) && !earthPair)
        {
            recordEvent(removal, pair.triggerPosition);
        }
        if (handleTriggerActor(pair.otherActor) && !earthPair)
        {
            recordEvent(removal, pair.otherPosition);
        }
    }
}

bool handleTriggerActor(RigidActor* actor)
{
    RigidDynamic* projectileActor = projectile->getDynamicActor();
    // Parking keeps the velocity: a shot in flight is simply moved out of the way.
    projectileActor->setGlobalPose(Transform(parkingPosition), true);

    bool isProjectile = actor == projectileActor;
    bool removed =
        !isProjectile && !actor->isStatic() && actorObjects.erase(static_cast<RigidDynamic*>(actor)) != 0;
    if (actorObjects.size() < winBelowCount)
    {
        gameWon = true;
    }
    if (!isProjectile && actor == earth->getStaticActor())
    {
        earthDestroyed = true;
    }
    return removed;
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
