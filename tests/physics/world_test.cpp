#include "physics_fixture.h"

#include <glm/gtc/quaternion.hpp>

#include <cmath>

class WorldStep : public PhysicsTest
{
};

TEST_F(WorldStep, FreeFlightFollowsSemiImplicitEulerAndNeverSleeps)
{
    RigidDynamic* rock = addObject(glm::vec3(0.0f));

    // 30 seconds of 1/60 steps: x_n = g dt^2 n (n + 1) / 2, v_n = g dt n.
    const int steps = 1800;
    stepFrames(steps);
    double scale = double(frame) * frame * steps * (steps + 1) / 2.0;
    glm::vec3 position = rock->getGlobalPose().p;
    EXPECT_NEAR(position.x, 0.1 * scale, 0.01);
    EXPECT_NEAR(position.y, 0.2 * scale, 0.01);
    EXPECT_NEAR(position.z, 0.3 * scale, 0.01);
    glm::vec3 velocity = rock->getLinearVelocity();
    EXPECT_NEAR(velocity.x, 3.0f, 1e-3f);
    EXPECT_NEAR(velocity.y, 6.0f, 1e-3f);
    EXPECT_NEAR(velocity.z, 9.0f, 1e-3f);

    // A slowly drifting body must still be simulated: a sleeping one would have frozen at about 2 s.
    EXPECT_FALSE(rock->isSleeping());
    glm::vec3 before = rock->getGlobalPose().p;
    world.step(frame);
    EXPECT_GT(glm::length(rock->getGlobalPose().p - before), 0.1f);

    // The undamped spin keeps its rate: 0.1 rad/s for 30 s turns it by 3 rad about y.
    EXPECT_NEAR(rock->getAngularVelocity().y, 0.1f, 1e-5f);
    glm::quat rotation = rock->getGlobalPose().q;
    EXPECT_NEAR(2.0f * std::atan2(rotation.y, rotation.w), 3.0f + 0.1f * frame, 2e-3f);
}

TEST_F(WorldStep, OneLongStepAdvancesTheWholeSecond)
{
    RigidDynamic* rock = world.createDynamicActor(glm::vec3(0.0f));

    // A one-second stall is simulated as one step of one second, not clamped or split.
    world.step(1.0f);
    glm::vec3 position = rock->getGlobalPose().p;
    EXPECT_NEAR(position.x, 0.1f, 1e-5f);
    EXPECT_NEAR(position.y, 0.2f, 1e-5f);
    EXPECT_NEAR(position.z, 0.3f, 1e-5f);
}

TEST_F(WorldStep, ActorsHaveTheGameShapesAndMass)
{
    EXPECT_EQ(world.getNbActors(), 1u) << "the controller's actor is there from the start";
    RigidDynamic* rock = addObject(glm::vec3(1.0f, 2.0f, 3.0f));
    RigidDynamic* other = addObject(glm::vec3(5.0f, 2.0f, 3.0f));
    RigidStatic* planet = addPlanet(glm::vec3(50.0f));
    EXPECT_EQ(world.getNbActors(), 4u);

    // First shape: the actor's own box, now a trigger; second: the one shared collision box.
    Shape* shapes[2] = {};
    Shape* otherShapes[2] = {};
    ASSERT_EQ(rock->getShapes(shapes, 2), 2u);
    ASSERT_EQ(other->getShapes(otherShapes, 2), 2u);
    EXPECT_TRUE(shapes[0]->isExclusive());
    EXPECT_TRUE(shapes[0]->hasFlag(eTRIGGER_SHAPE));
    EXPECT_FALSE(shapes[0]->hasFlag(eSIMULATION_SHAPE));
    EXPECT_NE(shapes[0], otherShapes[0]);
    EXPECT_EQ(shapes[1], world.sharedBoxShape);
    EXPECT_EQ(otherShapes[1], world.sharedBoxShape);
    EXPECT_FALSE(world.sharedBoxShape->isExclusive());

    // Mass and inertia of a solid 1.6 cube at density 1, whatever the shapes became.
    EXPECT_NEAR(rock->getMass(), 4.096f, 1e-5f);
    EXPECT_NEAR(rock->getMassSpaceInertiaTensor().x, 4.096f * 5.12f / 12.0f, 1e-4f);

    ASSERT_EQ(planet->getShapes(shapes, 2), 2u);
    EXPECT_EQ(shapes[0]->getHalfExtents(), glm::vec3(0.7f));
    EXPECT_EQ(shapes[1]->getHalfExtents(), glm::vec3(10.0f));
    EXPECT_EQ(world.getGlobalPose(planet).p, glm::vec3(50.0f));
}

class Materials : public PhysicsTest
{
  protected:
    // Sends a body at speed along -x into the +x face of a static box; returns its speed after a second.
    float bounceSpeed(float speed)
    {
        addPlanet(glm::vec3(-20.0f, 0.0f, 0.0f));
        RigidDynamic* rock = world.createDynamicActor(glm::vec3(-8.0f, 0.0f, 0.0f));
        rock->setLinearVelocity(glm::vec3(-speed, 0.0f, 0.0f));
        stepFrames(60);
        return rock->getLinearVelocity().x;
    }
};

TEST_F(Materials, FastImpactBouncesWithAveragedRestitution)
{
    // e = (0.5 + 0.5) / 2 sends it back at about half speed; Bullet's product (0.25) would give 1.
    float speed = bounceSpeed(4.0f);
    EXPECT_GT(speed, 1.6f);
    EXPECT_LT(speed, 2.8f);
}

TEST_F(Materials, SlowImpactDoesNotBounce)
{
    // Below 2 units/s there is no bounce, only the slight push that clears the overlap.
    EXPECT_LT(bounceSpeed(1.5f), 0.4f);
}

TEST_F(Materials, SlidingUsesAveragedFriction)
{
    // Gravity (0.1, 0.2, 0.3) presses the body up against the underside of a static box.
    addPlanet(glm::vec3(0.0f, 11.6f, 0.0f));
    RigidDynamic* rock = world.createDynamicActor(glm::vec3(0.0f, 0.75f, 0.0f));
    stepFrames(60);
    ASSERT_NEAR(rock->getGlobalPose().p.y, 0.8f, 0.01f) << "resting against the face";

    // Sliding along -x: gravity adds 0.1 per second, friction 0.5 x 0.2 = 0.1 per second.
    rock->setLinearVelocity(glm::vec3(-3.0f, 0.0f, 0.0f));
    stepFrames(60);
    EXPECT_NEAR(rock->getLinearVelocity().x, -3.0f + 0.2f, 0.025f);
}

class Teleport : public PhysicsTest
{
};

TEST_F(Teleport, KeepsVelocityAndMovesTheTrigger)
{
    RigidDynamic* shot = addObject(glm::vec3(0.0f));
    RigidDynamic* target = addObject(glm::vec3(500.0f, 500.0f, 500.0f));
    shot->setLinearVelocity(glm::vec3(0.0f, 0.0f, 130.0f));

    // Parked far away, it flies on from there at the same 130 units/s.
    shot->setGlobalPose(Transform(glm::vec3(1000.0f)));
    world.step(frame);
    EXPECT_NEAR(shot->getGlobalPose().p.z, 1000.0f + (130.0f + 0.3f * frame) * frame, 1e-3f);
    EXPECT_NEAR(shot->getLinearVelocity().z, 130.0f + 0.3f * frame, 1e-3f);
    EXPECT_EQ(log.pairCount(), 0u);

    // Teleported onto the target, its trigger reports at the very next step.
    shot->setGlobalPose(Transform(target->getGlobalPose().p + glm::vec3(1.0f, 0.0f, 0.0f)));
    world.step(frame);
    EXPECT_EQ(log.found(shot, target), 1);
    EXPECT_EQ(log.found(target, shot), 1);
}
