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
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit));
    EXPECT_EQ(hit.actor, near);
    EXPECT_NEAR(hit.distance, 38.4f, 1e-3f);

    // Ignoring the nearer one, the one behind it; the Sun's 10 box is met 10.8 short of its centre (the
    // Sun does not fall: the shot's 0.3 units/s/s along z bring it there a few thousandths sooner).
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit, near));
    EXPECT_EQ(hit.actor, far);
    EXPECT_NEAR(hit.distance, 58.4f, 1e-3f);
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f, 0.0f, 70.0f), ahead * 130.0f, 500.0f, hit));
    EXPECT_EQ(hit.actor, sun);
    EXPECT_NEAR(hit.distance, 19.196f, 3e-3f);

    // Too short to reach the first, and 2.5 to the side of the asteroids, short of the Sun.
    EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 38.0f, hit));
    EXPECT_EQ(hit.actor, nullptr);
    EXPECT_FALSE(world.sweepTrigger(shot, glm::vec3(2.5f, 0.0f, 0.0f), ahead * 130.0f, 85.0f, hit));

    // The shot itself in the way is no obstacle.
    shot->setGlobalPose(Transform(glm::vec3(0.0f, 0.0f, 20.0f)));
    ASSERT_TRUE(world.sweepTrigger(shot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit));
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

// A shot bends under gravity (0.1, 0.2, 0.3): 400 units out along +z it has risen about a unit. The
// statics do not fall with it, so the aim must follow the arc to say what the real flight meets.
TEST_F(SweepQuery, FollowsTheShotsArcToWhatDoesNotFall)
{
    // A planet's 10-unit box 400 ahead: its centre 11.4 up is missed by the line (10.8 reach) but met by
    // the arc; 10.5 down it is the other way round.
    for (float height : {11.4f, -10.5f})
    {
        TriggerLog flightLog;
        PhysicsWorld flightWorld(&flightLog);
        RigidDynamic* flyingShot = flightWorld.createDynamicActor(glm::vec3(1000.0f));
        makeTrigger(flyingShot);
        RigidStatic* planet = flightWorld.createStaticActor(glm::vec3(0.0f, height, 400.0f), 10.0f);
        makeTrigger(planet);
        bool aimed = flightWorld.sweepTrigger(flyingShot, glm::vec3(0.0f), ahead * 130.0f, 500.0f, hit);

        // Fired the way the game fires it, at 60 frames a second, for the 500 units the aim looks.
        flyingShot->setSweptTriggers(true);
        flyingShot->setGlobalPose(Transform(glm::vec3(0.0f)));
        flyingShot->setLinearVelocity(ahead * 130.0f);
        for (int i = 0; i < 231 && flightLog.found(flyingShot, planet) == 0; i++)
            flightWorld.step(frame);
        bool flown = flightLog.found(flyingShot, planet) > 0;

        EXPECT_EQ(flown, height > 0.0f) << "the real flight at " << height;
        EXPECT_EQ(aimed, flown) << "the aim at " << height;
        if (aimed)
        {
            EXPECT_EQ(hit.actor, planet);
            // Met at the near face, 10.8 short of the centre, after 2.99 s: gravity's 0.3 units/s/s along
            // z carried the shot 1.3 of those 389.2 units.
            EXPECT_NEAR(hit.distance, 387.9f, 0.3f);
        }
    }
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
