#pragma once

#include "physics/physics_world.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

// Records every trigger report, one entry per onTrigger call.
struct TriggerLog : SimulationEventCallback
{
    std::vector<std::vector<TriggerPair>> calls;
    // Runs inside onTrigger when set, as the game's trigger rule does.
    std::function<void(TriggerPair*, uint32_t)> onReport;

    void onTrigger(TriggerPair* pairs, uint32_t count) override
    {
        calls.emplace_back(pairs, pairs + count);
        if (onReport)
            onReport(pairs, count);
    }

    size_t pairCount() const
    {
        size_t total = 0;
        for (const auto& call : calls)
            total += call.size();
        return total;
    }

    // How many reports named this trigger actor, other actor and status.
    int count(const RigidActor* trigger, const RigidActor* other, TriggerStatus status) const
    {
        int total = 0;
        for (const auto& call : calls)
            for (const TriggerPair& pair : call)
                total += pair.triggerActor == trigger && pair.otherActor == other && pair.status == status;
        return total;
    }
    int found(const RigidActor* trigger, const RigidActor* other) const
    {
        return count(trigger, other, TriggerStatus::eNOTIFY_TOUCH_FOUND);
    }
    int lost(const RigidActor* trigger, const RigidActor* other) const
    {
        return count(trigger, other, TriggerStatus::eNOTIFY_TOUCH_LOST);
    }
};

// A world with actors set up the way the game's scene objects set them up.
class PhysicsTest : public ::testing::Test
{
  protected:
    static constexpr float frame = 1.0f / 60.0f;

    TriggerLog log;
    PhysicsWorld world{&log};

    // An asteroid-like object: spinning slowly about y, undamped, its own box turned into a trigger.
    RigidDynamic* addObject(const glm::vec3& position)
    {
        RigidDynamic* actor = world.createDynamicActor(position);
        actor->setAngularVelocity(glm::vec3(0.0f, 0.1f, 0.0f));
        actor->setAngularDamping(0.0f);
        makeTrigger(actor);
        return actor;
    }

    // A planet-like object: a 10-unit static box with a small trigger inside.
    RigidStatic* addPlanet(const glm::vec3& position)
    {
        RigidStatic* actor = world.createStaticActor(position, 10.0f);
        makeTrigger(actor);
        return actor;
    }

    static void makeTrigger(RigidActor* actor)
    {
        Shape* first = nullptr;
        actor->getShapes(&first, 1, 0);
        first->setFlag(eSIMULATION_SHAPE, false);
        first->setFlag(eTRIGGER_SHAPE, true);
    }

    // Puts an actor exactly here, at rest, so the next trigger pass sees this pose.
    static void place(RigidDynamic* actor, const glm::vec3& position,
                      const glm::quat& rotation = glm::quat(1, 0, 0, 0))
    {
        actor->setGlobalPose(Transform(position, rotation));
        actor->setLinearVelocity(glm::vec3(0.0f));
        actor->setAngularVelocity(glm::vec3(0.0f));
    }

    void stepFrames(int frames)
    {
        for (int i = 0; i < frames; i++)
            world.step(frame);
    }
};
