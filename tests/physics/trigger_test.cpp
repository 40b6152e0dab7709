#include "physics_fixture.h"

#include "support/test_support.h"

#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

class TriggerReports : public PhysicsTest
{
  protected:
    // Moves both boxes to their places again, so gravity and contacts between steps do not matter.
    void stepWith(RigidDynamic* turned, RigidDynamic* upright, const glm::vec3& uprightPosition)
    {
        place(turned, glm::vec3(0.0f), glm::angleAxis(glm::radians(45.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
        place(upright, uprightPosition);
        world.step(frame);
    }
};

TEST_F(TriggerReports, OrientedBoxesReportOnlyWhenVolumesOverlap)
{
    RigidDynamic* turned = addObject(glm::vec3(0.0f));
    RigidDynamic* upright = addObject(glm::vec3(10.0f));

    // Yawed 45 degrees, the first box reaches 1.13 along x and z; at (1.5, 0, 1.5) the bounding boxes
    // overlap but the boxes are 0.19 apart along the diagonal.
    stepWith(turned, upright, glm::vec3(1.5f, 0.0f, 1.5f));
    EXPECT_EQ(log.pairCount(), 0u);

    // 0.09 deep along the diagonal: both triggers find the other's collision box, in one report.
    stepWith(turned, upright, glm::vec3(1.3f, 0.0f, 1.3f));
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.found(turned, upright), 1);
    EXPECT_EQ(log.found(upright, turned), 1);
    EXPECT_EQ(log.calls[0][0].otherShape, world.sharedBoxShape);

    // Staying inside reports nothing more.
    stepWith(turned, upright, glm::vec3(1.3f, 0.0f, 1.3f));
    EXPECT_EQ(log.calls.size(), 1u);

    // Apart again: each pair is lost exactly once.
    stepWith(turned, upright, glm::vec3(5.0f, 0.0f, 5.0f));
    stepWith(turned, upright, glm::vec3(5.0f, 0.0f, 5.0f));
    EXPECT_EQ(log.lost(turned, upright), 1);
    EXPECT_EQ(log.lost(upright, turned), 1);
    EXPECT_EQ(log.pairCount(), 4u);
}

TEST_F(TriggerReports, OwnShapesAndStaticPairsNeverReport)
{
    // The Earth and the Sun overlapping each other, and a lone body whose trigger sits inside its own box.
    addPlanet(glm::vec3(0.0f));
    addPlanet(glm::vec3(5.0f, 0.0f, 0.0f));
    addObject(glm::vec3(100.0f));
    stepFrames(10);
    EXPECT_EQ(log.pairCount(), 0u);
}

TEST_F(TriggerReports, TriggerBoxesNeverPairWithEachOther)
{
    RigidDynamic* left = addObject(glm::vec3(0.0f));
    RigidDynamic* right = addObject(glm::vec3(5.0f, 0.0f, 0.0f));

    // Both triggers shifted to meet halfway, well clear of either collision box.
    Shape* trigger = nullptr;
    left->getShapes(&trigger, 1, 0);
    trigger->setLocalPose(Transform(glm::vec3(2.5f, 0.0f, 0.0f)));
    right->getShapes(&trigger, 1, 0);
    trigger->setLocalPose(Transform(glm::vec3(-2.5f, 0.0f, 0.0f)));
    stepFrames(3);
    EXPECT_EQ(log.pairCount(), 0u);

    // Moved on to the other's collision box, each shifted trigger does report.
    place(right, glm::vec3(3.3f, 0.0f, 0.0f));
    world.step(frame);
    EXPECT_EQ(log.found(left, right), 1);
    EXPECT_EQ(log.found(right, left), 1);
}

TEST_F(TriggerReports, AsteroidReachingAPlanetNamesThePlanetsCollisionBox)
{
    RigidStatic* earth = addPlanet(glm::vec3(0.0f));
    RigidDynamic* rock = addObject(glm::vec3(10.79f, 0.0f, 0.0f));
    world.step(frame);
    ASSERT_EQ(log.found(rock, earth), 1) << "0.01 inside the 10-unit box";
    Shape* shapes[2] = {};
    earth->getShapes(shapes, 2);
    EXPECT_EQ(log.calls[0][0].otherShape, shapes[1]);
    EXPECT_EQ(log.found(earth, rock), 0) << "the planet's own trigger is deep inside its box";
}

TEST_F(TriggerReports, OneStepsPairsArriveInOneCallInCreationOrder)
{
    // A chain: a touches b, b touches c, a and c are 2 apart.
    RigidDynamic* a = addObject(glm::vec3(0.0f));
    RigidDynamic* b = addObject(glm::vec3(1.0f, 0.0f, 0.0f));
    RigidDynamic* c = addObject(glm::vec3(2.0f, 0.0f, 0.0f));
    world.step(frame);

    ASSERT_EQ(log.calls.size(), 1u);
    const std::vector<TriggerPair>& pairs = log.calls[0];
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_TRUE(pairs[0].triggerActor == a && pairs[0].otherActor == b);
    EXPECT_TRUE(pairs[1].triggerActor == b && pairs[1].otherActor == a);
    EXPECT_TRUE(pairs[2].triggerActor == b && pairs[2].otherActor == c);
    EXPECT_TRUE(pairs[3].triggerActor == c && pairs[3].otherActor == b);
}

TEST_F(TriggerReports, PairBrokenInsideTheCallbackIsLostAtTheNextStep)
{
    RigidDynamic* shot = addObject(glm::vec3(0.0f));
    RigidDynamic* rock = addObject(glm::vec3(3.0f, 0.0f, 0.0f));
    shot->setLinearVelocity(glm::vec3(60.0f, 0.0f, 0.0f));

    // The game parks the shot far away from inside the report.
    glm::vec3 parkedVelocity(0.0f);
    log.onReport = [&](TriggerPair* pairs, uint32_t)
    {
        if (pairs[0].status != TriggerStatus::eNOTIFY_TOUCH_FOUND)
            return;
        shot->setGlobalPose(Transform(glm::vec3(1000.0f)));
        parkedVelocity = shot->getLinearVelocity();
    };
    // At 1 unit per step its trigger reaches the rock on the third step.
    stepFrames(5);
    EXPECT_EQ(log.found(shot, rock), 1);
    EXPECT_EQ(log.lost(shot, rock), 1);
    EXPECT_EQ(log.lost(rock, shot), 1);
    EXPECT_EQ(log.calls.size(), 2u) << "found in one step, lost in the next";
    // The bump into the rock slowed it, and parking kept what was left.
    EXPECT_GT(parkedVelocity.x, 5.0f);
    EXPECT_NEAR(shot->getLinearVelocity().x, parkedVelocity.x + 0.1f * 2.0f * frame, 1e-4f);
}

TEST_F(TriggerReports, FastShotIsSeenByBothTriggersInTheSameStep)
{
    // At 120 units/s the shot covers 2 units per step; the rock's trigger starts 4.2 ahead.
    RigidDynamic* shot = addObject(glm::vec3(0.0f));
    RigidDynamic* rock = addObject(glm::vec3(5.0f, 0.0f, 0.0f));
    shot->setLinearVelocity(glm::vec3(120.0f, 0.0f, 0.0f));
    stepFrames(2);
    EXPECT_EQ(log.pairCount(), 0u);

    // The third step starts with the shot at x = 4: the shot's trigger finds the rock, and the rock's
    // trigger finds the shot where it is now, not where it was a step ago.
    world.step(frame);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.found(shot, rock), 1);
    EXPECT_EQ(log.found(rock, shot), 1);
}

class Determinism : public ::testing::Test
{
  protected:
    // A crowded cluster, as in the level: every report and the final poses, as text.
    static std::string run()
    {
        TriggerLog log;
        PhysicsWorld world(&log);
        std::vector<RigidDynamic*> rocks;
        srand(7);
        for (int i = 0; i < 30; i++)
        {
            glm::vec3 position(float(rand() % 8), float(rand() % 8), float(rand() % 8));
            RigidDynamic* rock = world.createDynamicActor(position);
            rock->setAngularVelocity(glm::vec3(0.0f, 0.1f, 0.0f));
            Shape* trigger = nullptr;
            rock->getShapes(&trigger, 1, 0);
            trigger->setFlag(eSIMULATION_SHAPE, false);
            trigger->setFlag(eTRIGGER_SHAPE, true);
            rocks.push_back(rock);
        }
        auto indexOf = [&](RigidActor* actor)
        { return std::to_string(std::find(rocks.begin(), rocks.end(), actor) - rocks.begin()); };
        std::string text;
        for (int i = 0; i < 300; i++)
        {
            size_t before = log.calls.size();
            world.step(1.0f / 60.0f);
            for (size_t call = before; call < log.calls.size(); call++)
                for (const TriggerPair& pair : log.calls[call])
                    text += std::to_string(i) + ":" + indexOf(pair.triggerActor) + "," +
                            indexOf(pair.otherActor) + "," + std::to_string(int(pair.status)) + ";";
        }
        for (RigidDynamic* rock : rocks)
        {
            glm::vec3 p = rock->getGlobalPose().p;
            char buffer[96];
            snprintf(buffer, sizeof(buffer), "%a %a %a;", p.x, p.y, p.z);
            text += buffer;
        }
        return text;
    }
};

TEST_F(Determinism, TwoRunsGiveTheSameReportsAndPoses)
{
    std::string first = run();
    std::string second = run();
    EXPECT_GT(first.size(), 1000u) << "the cluster should produce many reports";
    EXPECT_EQ(first, second);
}

// A new game takes the old level's actors out of the world: their pairs end without a word, and
// everyone created after them goes on reporting under the same handles.
TEST_F(TriggerReports, RemovedActorsEndTheirPairsSilentlyAndTheRestReportAsBefore)
{
    RigidDynamic* a = addObject(glm::vec3(0.0f));
    RigidDynamic* b = addObject(glm::vec3(1.0f, 0.0f, 0.0f)); // touching a
    RigidDynamic* shot = addObject(glm::vec3(0.0f, 50.0f, 0.0f));
    shot->setSweptTriggers(true);
    RigidDynamic* c = addObject(glm::vec3(0.0f, 0.0f, 40.0f));
    uint32_t before = world.getNbActors();
    world.step(frame);
    ASSERT_EQ(log.found(a, b), 1);

    world.removeActor(b);
    world.removeActor(a);
    EXPECT_EQ(world.getNbActors(), before - 2);
    stepFrames(3);
    EXPECT_EQ(log.pairCount(), 2u) << "no touch-lost for a pair whose actor is gone";

    // The swept shot, created after both, still meets c at 4 frames per second, named as ever.
    place(shot, glm::vec3(0.0f));
    shot->setLinearVelocity(glm::vec3(0.0f, 0.0f, 130.0f));
    world.step(0.25f);
    world.step(0.25f);
    EXPECT_EQ(log.found(shot, c), 1);
    EXPECT_EQ(log.found(c, shot), 1);
    EXPECT_LT(glm::distance(c->getGlobalPose().p, glm::vec3(0.0f, 0.0f, 40.0f)), 0.2f) << "its own body, drifting";

    // The controller's actor stays.
    std::string said = captureStdout([&] { world.removeActor(world.getControllerActor()); });
    EXPECT_EQ(said, "removeActor: not an actor this world can remove (physics_world.cpp)\n");
    EXPECT_EQ(world.getNbActors(), before - 2);
}
