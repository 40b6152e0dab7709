#include "game/aim.h"

#include "game/level.h"
#include "game/player.h"

// How far ahead the aim looks, in units.
static const float aimReach = 500.0f;

// The scene object that owns an actor, found among the level's objects.
static SceneObject* objectOf(const RigidActor* actor)
{
    for (SceneObject* object : {earth, sun})
    {
        if (object->getStaticActor() == actor)
        {
            return object;
        }
    }
    for (const auto& entry : sceneObjects)
    {
        if (entry.second->getDynamicActor() == actor)
        {
            return entry.second;
        }
    }
    return nullptr;
}

bool findAimTarget(const PhysicsWorld& world, const Player& player, AimTarget& target)
{
    target = AimTarget();
    SweepHit hit;
    if (!world.sweepTrigger(projectile->getDynamicActor(), player.getLaunchPoint(),
                            player.getDirection() * player.getShotSpeed(), aimReach, hit))
    {
        return false;
    }
    SceneObject* object = objectOf(hit.actor);
    if (object == nullptr)
    {
        return false;
    }
    target.object = object;
    target.position = hit.actor->getGlobalPose().p;
    target.radius = object->getModel()->boundingRadius;
    // The Earth and the Sun are always there; a dynamic object is seen while it has its entry.
    if (object == earth)
    {
        target.kind = AimKind::earth;
    }
    else if (object == sun)
    {
        target.kind = AimKind::sun;
    }
    else if (actorObjects.count(object->getDynamicActor()) == 0)
    {
        target.kind = AimKind::unseen;
    }
    return true;
}
