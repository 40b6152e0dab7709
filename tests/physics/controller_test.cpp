#include "physics_fixture.h"

#include <glm/gtc/quaternion.hpp>

#include <cmath>

class ControllerMoves : public PhysicsTest
{
  protected:
    Controller* controller = world.getController();
    const glm::dvec3 start = glm::dvec3(-40.0, 4.0, 93.0);

    // Repeats the player's 0.002-unit move until something is touched; returns the flags of that move.
    ControllerCollisionFlags moveUntilTouch(const glm::vec3& direction, int maxMoves = 1000)
    {
        ControllerCollisionFlags flags;
        for (int i = 0; i < maxMoves && !flags; i++)
            flags = controller->move(direction * 0.002f, 0.0f, frame);
        return flags;
    }
};

TEST_F(ControllerMoves, FreeSpaceMovesExactlyAndTouchesNothing)
{
    ASSERT_EQ(controller->getPosition(), start);
    const glm::vec3 directions[] = {glm::vec3(0, 0, 1), glm::vec3(1, 0, 0), glm::vec3(0, 1, 0),
                                    glm::normalize(glm::vec3(-1, -1, -1))};
    glm::dvec3 expected = start;
    for (const glm::vec3& direction : directions)
        for (int i = 0; i < 500; i++)
        {
            ControllerCollisionFlags flags = controller->move(direction * 0.002f, 0.0f, frame);
            ASSERT_FALSE(flags) << "move " << i;
            expected += glm::dvec3(direction * 0.002f);
        }
    EXPECT_NEAR(controller->getPosition().x, expected.x, 1e-9);
    EXPECT_NEAR(controller->getPosition().y, expected.y, 1e-9);
    EXPECT_NEAR(controller->getPosition().z, expected.z, 1e-9);
}

TEST_F(ControllerMoves, WalkingIntoAWallReportsSidesAtTheContactOffset)
{
    // The wall's face is at z = 94, 0.5 in front of the box.
    world.createStaticActor(glm::vec3(-40.0f, 4.0f, 104.0f), 10.0f);
    ControllerCollisionFlags flags = moveUntilTouch(glm::vec3(0, 0, 1));
    EXPECT_TRUE(flags.isSet(eCOLLISION_SIDES));
    EXPECT_FALSE(flags.isSet(eCOLLISION_UP));
    EXPECT_FALSE(flags.isSet(eCOLLISION_DOWN));
    EXPECT_NEAR(94.0 - (controller->getPosition().z + 0.5), 0.05, 2e-3);
    EXPECT_NEAR(controller->getPosition().y, 4.0, 1e-9) << "the auto-step is undone";

    // Pushing on keeps reporting without moving.
    glm::dvec3 stopped = controller->getPosition();
    EXPECT_TRUE(controller->move(glm::vec3(0.0f, 0.0f, 0.002f), 0.0f, frame).isSet(eCOLLISION_SIDES));
    EXPECT_NEAR(glm::length(controller->getPosition() - stopped), 0.0, 1e-5);

    // Diagonally into the wall it closes in a little, then slides along it, touching on every move.
    const glm::vec3 diagonal = glm::normalize(glm::vec3(1, 0, 1)) * 0.002f;
    for (int i = 0; i < 20; i++)
        controller->move(diagonal, 0.0f, frame);
    glm::dvec3 sliding = controller->getPosition();
    EXPECT_TRUE(controller->move(diagonal, 0.0f, frame).isSet(eCOLLISION_SIDES));
    EXPECT_NEAR(controller->getPosition().x - sliding.x, 0.002 / std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(controller->getPosition().z, sliding.z, 1e-5);
    EXPECT_LT(94.0 - (controller->getPosition().z + 0.5), 0.05) << "closer than head-on, never inside";
    EXPECT_GT(94.0 - (controller->getPosition().z + 0.5), 0.03);
}

TEST_F(ControllerMoves, LandingOnABoxReportsDown)
{
    // An asteroid whose top face is 0.3 below the controller's feet (y = 3).
    world.createDynamicActor(glm::vec3(-40.0f, 1.9f, 93.0f));
    ControllerCollisionFlags flags = moveUntilTouch(glm::vec3(0, -1, 0));
    EXPECT_EQ(flags.bits, eCOLLISION_DOWN);
    EXPECT_NEAR((controller->getPosition().y - 1.0) - 2.7, 0.05, 2e-3);
}

TEST_F(ControllerMoves, RisingIntoABoxReportsUp)
{
    // A static box whose underside is 0.3 above the controller's head (y = 5).
    world.createStaticActor(glm::vec3(-40.0f, 15.3f, 93.0f), 10.0f);
    ControllerCollisionFlags flags = moveUntilTouch(glm::vec3(0, 1, 0));
    EXPECT_EQ(flags.bits, eCOLLISION_UP);
    EXPECT_NEAR(5.3 - (controller->getPosition().y + 1.0), 0.05, 2e-3);
}

TEST_F(ControllerMoves, StartingInsideAStaticBoxPushesOut)
{
    // Feet 0.02 below the top face of a static box.
    world.createStaticActor(glm::vec3(-40.0f, -6.98f, 93.0f), 10.0f);
    ControllerCollisionFlags flags = controller->move(glm::vec3(0.002f, 0.0f, 0.0f), 0.0f, frame);
    EXPECT_TRUE(flags.isSet(eCOLLISION_UP)) << "the up pass finds the box overlapping and pushes out";
    EXPECT_TRUE(flags.isSet(eCOLLISION_DOWN)) << "the down pass then lands on it";
    EXPECT_NEAR((controller->getPosition().y - 1.0) - 3.02, 0.05, 2e-3) << "pushed up clear of the face";
}

TEST_F(ControllerMoves, TriggersDoNotStopTheController)
{
    // An asteroid whose trigger box is shifted into the controller's path, its collision box far aside.
    RigidDynamic* rock = addObject(glm::vec3(-50.0f, 4.0f, 95.0f));
    Shape* trigger = nullptr;
    rock->getShapes(&trigger, 1, 0);
    trigger->setLocalPose(Transform(glm::vec3(10.0f, 0.0f, 0.0f)));
    for (int i = 0; i < 1000; i++)
        ASSERT_FALSE(controller->move(glm::vec3(0.0f, 0.0f, 0.002f), 0.0f, frame)) << "move " << i;

    // It walked into the trigger box, which reports the controller's shape.
    world.step(frame);
    EXPECT_EQ(log.found(rock, world.getControllerActor()), 1);
}

class ControllerProxy : public ControllerMoves
{
};

TEST_F(ControllerProxy, YawedProxyReachesATriggerTheControllerStoppedAt)
{
    // Walk up to an asteroid until the controller stops 0.05 short of it.
    RigidDynamic* rock = addObject(glm::vec3(-40.0f, 4.0f, 94.8f));
    ASSERT_TRUE(moveUntilTouch(glm::vec3(0, 0, 1)).isSet(eCOLLISION_SIDES));
    world.step(frame);
    EXPECT_EQ(log.pairCount(), 0u) << "the upright proxy reaches only 0.4 of the 0.55";

    // The player's yaw turns the proxy about the up axis; its corner reaches 0.4 * sqrt(2) = 0.57.
    Shape* shape = world.getControllerShape();
    shape->setLocalPose(Transform(glm::vec3(0.0f), glm::angleAxis(0.785398f, glm::vec3(1.0f, 0.0f, 0.0f))));
    world.step(frame);
    ASSERT_EQ(log.found(rock, world.getControllerActor()), 1);
    EXPECT_EQ(log.calls.back()[0].otherShape, shape);
}

TEST_F(ControllerProxy, AsteroidsBounceOffThePlayer)
{
    RigidDynamic* rock = addObject(glm::vec3(-38.0f, 4.0f, 93.0f));
    rock->setLinearVelocity(glm::vec3(-2.0f, 0.0f, 0.0f));
    stepFrames(60);
    EXPECT_GT(rock->getLinearVelocity().x, 0.5f);
    EXPECT_EQ(controller->getPosition(), start) << "only the player's own moves move the controller";
}

TEST_F(ControllerProxy, StaysAwakeAndPushesWhatItRunsInto)
{
    // A sleeping kinematic body gets no velocity from its moves, so the proxy must never sleep.
    RigidDynamic* proxy = world.getControllerActor();
    EXPECT_FALSE(proxy->isSleeping()) << "awake from the start";

    // An asteroid already 0.002 inside the controller's box, which moves then ignore; its near face is
    // 0.098 beyond the smaller proxy's.
    RigidDynamic* rock = world.createDynamicActor(glm::vec3(-40.0f + 0.5f + 0.8f - 0.002f, 4.0f, 93.0f));
    // One frame of the player's 0.002 moves: 0.1 along x, i.e. 6 units/s, leaving the proxy 0.002 deep.
    for (int i = 0; i < 50; i++)
        ASSERT_FALSE(controller->move(glm::vec3(0.002f, 0.0f, 0.0f), 0.0f, frame)) << "move " << i;
    EXPECT_NEAR(controller->getPosition().x, -39.9, 1e-6);
    EXPECT_FALSE(proxy->isSleeping()) << "awake after moves";

    // Struck by an unstoppable body at 6 units/s with restitution 0.5, it leaves at 6 x 1.5 = 9, plus
    // the 0.2 x 0.002 x 60 = 0.024 units/s with which the solver clears the overlap.
    world.step(frame);
    EXPECT_NEAR(rock->getLinearVelocity().x, 9.024f, 0.005f);
    EXPECT_NEAR(rock->getLinearVelocity().y, 0.0f, 0.02f);
    EXPECT_NEAR(rock->getLinearVelocity().z, 0.0f, 0.02f);

    // Standing still for longer than Bullet's 2 s before sleeping.
    stepFrames(180);
    EXPECT_FALSE(proxy->isSleeping()) << "awake after standing still";
}
