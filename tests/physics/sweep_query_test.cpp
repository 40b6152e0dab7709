#include "physics_fixture.h"

#include "support/test_support.h"

#include <string>

// The aim marker's question: what would a shot fired now along this line meet first?
class SweepQuery : public PhysicsTest
{
  protected:
    // The shot waits far away, as the game parks it.
    RigidDynamic* shot = addObject(glm::vec3(1000.0f));
    const glm::vec3 ahead = glm::vec3(0.0f, 0.0f, 1.0f);
    SweepHit hit;
};

TEST_F(SweepQuery, NamesTheNearestBoxAlongTheLine)
{
    RigidDynamic* near = addObject(glm::vec3(0.0f, 0.0f, 40.0f));
    RigidDynamic* far = addObject(glm::vec3(0.0f, 0.0f, 60.0f));
    RigidStatic* sun = addPlanet(glm::vec3(0.0f, 0.0f, 100.0f));

    // Two 0.8 boxes touch when their centres are 1.6 apart.
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, 500.0f, hit));
    EXPECT_EQ(hit.actor, near);
    EXPECT_NEAR(hit.distance, 38.4f, 1e-3f);

    // Ignoring the nearer one, the one behind it; the Sun's 10 box is met 10.8 short of its centre.
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, 500.0f, hit, near));
    EXPECT_EQ(hit.actor, far);
    EXPECT_NEAR(hit.distance, 58.4f, 1e-3f);
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f, 0.0f, 70.0f), ahead, 500.0f, hit));
    EXPECT_EQ(hit.actor, sun);
    EXPECT_NEAR(hit.distance, 19.2f, 1e-3f);

    // Too short to reach the first, and 2.5 to the side of the asteroids, short of the Sun.
    EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, 38.0f, hit));
    EXPECT_EQ(hit.actor, nullptr);
    EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(2.5f, 0.0f, 0.0f), ahead, 85.0f, hit));

    // The shot itself in the way is no obstacle.
    shot->setGlobalPose(Transform(glm::vec3(0.0f, 0.0f, 20.0f)));
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, 500.0f, hit));
    EXPECT_EQ(hit.actor, near);
}

TEST_F(SweepQuery, LeadsATargetThatMoves)
{
    // Crossing the line at 10 units/s: the shot at 130 units/s meets a box 40 ahead after 38.4 units,
    // 0.295 s, by which time the box has moved 2.95 units across.
    RigidDynamic* crossing = addObject(glm::vec3(-3.0f, 0.0f, 40.0f));
    crossing->setAngularVelocity(glm::vec3(0.0f));
    crossing->setLinearVelocity(glm::vec3(10.0f, 0.0f, 0.0f));
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit));
    EXPECT_EQ(hit.actor, crossing) << "3 units to the side now, on the line when the shot gets there";

    // Starting on the line, it is gone by then.
    place(crossing, glm::vec3(0.0f, 0.0f, 40.0f));
    crossing->setLinearVelocity(glm::vec3(10.0f, 0.0f, 0.0f));
    EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit));

    // And the shot really does meet the first one, fired the way the game fires it at 60 frames a
    // second.
    place(crossing, glm::vec3(-3.0f, 0.0f, 40.0f));
    crossing->setLinearVelocity(glm::vec3(10.0f, 0.0f, 0.0f));
    shot->setSweptTriggers(true);
    shot->setGlobalPose(Transform(glm::vec3(0.0f)));
    shot->setLinearVelocity(ahead * 130.0f);
    stepFrames(30);
    EXPECT_EQ(log.found(shot, crossing), 1);
}

TEST_F(SweepQuery, AgreesWithTheShotActuallyFired)
{
    RigidDynamic* rock = addObject(glm::vec3(1.0f, 0.5f, 40.0f));
    shot->setSweptTriggers(true);
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, 500.0f, hit));
    EXPECT_EQ(hit.actor, rock);
    EXPECT_NEAR(hit.distance, 38.4f, 1e-3f);

    // Fired the way the game fires it, at 4 frames per second.
    shot->setGlobalPose(Transform(glm::vec3(0.0f)));
    shot->setLinearVelocity(ahead * 130.0f);
    world.step(0.25f);
    world.step(0.25f);
    EXPECT_EQ(log.found(shot, rock), 1);
}

TEST_F(SweepQuery, UnusableInputIsRefusedWithOneLine)
{
    TriggerLog otherLog;
    PhysicsWorld other(&otherLog);
    RigidDynamic* stranger = other.createDynamicActor(glm::vec3(0.0f));
    std::string out = captureStdout(
        [&]
        {
            EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(0.0f), glm::vec3(0.0f), 500.0f, hit));
            EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead, -1.0f, hit));
            EXPECT_FALSE(world.sweepTrigger(stranger, glm::vec3(0.0f), ahead, 500.0f, hit));
        });
    EXPECT_EQ(out, "sweepTrigger: unusable start, velocity or distance (physics_world.cpp)\n"
                   "sweepTrigger: unusable start, velocity or distance (physics_world.cpp)\n"
                   "sweepTrigger: the actor is not one of this world's (physics_world.cpp)\n");
}
