#include "game_fixture.h"

#include "game/aim.h"
#include "game/events.h"

#include <GLFW/glfw3.h>

namespace
{
// A touch found between two actors where they stand, as the physics world reports it.
TriggerPair pairOf(RigidActor* trigger, RigidActor* other)
{
    TriggerPair pair{nullptr, trigger, nullptr, other, TriggerStatus::eNOTIFY_TOUCH_FOUND};
    pair.triggerPosition = trigger->getGlobalPose().p;
    pair.otherPosition = other->getGlobalPose().p;
    return pair;
}
} // namespace

using Rules = GameFixture;

TEST_F(Rules, ShotStraightAtAnAsteroidRemovesExactlyIt)
{
    std::vector<SceneObject*> asteroids = liveAsteroids();
    ASSERT_FALSE(asteroids.empty());
    SceneObject* target = asteroids.front();
    // Move the target into open space, away from the field, so nothing else is in the way.
    glm::vec3 targetPosition(-200.0f, 0.0f, 0.0f);
    target->getDynamicActor()->setGlobalPose(Transform(targetPosition), true);
    world->step(1.0f / 60.0f);
    size_t before = actorObjects.size();

    // Fire from 12 units away along x, straight at the target.
    glm::vec3 direction(1.0f, 0.0f, 0.0f);
    launchProjectile(targetPosition - direction * 12.0f, direction, 130.0f);

    for (int i = 0; i < 30 && actorObjects.count(target->getDynamicActor()) != 0; i++)
    {
        world->step(1.0f / 60.0f);
    }
    EXPECT_EQ(actorObjects.count(target->getDynamicActor()), 0u) << "the target is gone";
    EXPECT_EQ(actorObjects.size(), before - 1) << "and nothing else";
    EXPECT_EQ(actorObjects.count(projectile->getDynamicActor()), 1u) << "the projectile is never removed";

    // Parked at once, keeping whatever velocity the hit left it with: it flies on from there.
    RigidDynamic* shot = projectile->getDynamicActor();
    EXPECT_NEAR(glm::distance(shot->getGlobalPose().p, glm::vec3(1000.0f)), 0.0f, 1e-3f);
    EXPECT_GT(glm::length(shot->getLinearVelocity()), 1.0f) << "parking must not stop the projectile";

    // The next step reports the broken pair as lost, which parks it once more.
    const float dt = 1.0f / 60.0f;
    world->step(dt);
    EXPECT_EQ(shot->getGlobalPose().p, glm::vec3(1000.0f));
    glm::vec3 velocity = shot->getLinearVelocity();
    world->step(dt);
    glm::vec3 expected = glm::vec3(1000.0f) + (velocity + world->getGravity() * dt) * dt;
    EXPECT_NEAR(glm::distance(shot->getGlobalPose().p, expected), 0.0f, 1e-3f);
}

TEST_F(Rules, ShotAtFourFramesPerSecondStillRemovesItsTarget)
{
    // At 4 frames per second a step carries the shot 32.5 units: from 40 away, the second step flies
    // it from 7.5 before the target to 25 beyond, and neither pose touches the target.
    SceneObject* target = liveAsteroids().front();
    glm::vec3 targetPosition(-200.0f, 0.0f, 0.0f);
    target->getDynamicActor()->setGlobalPose(Transform(targetPosition), true);
    target->getDynamicActor()->setLinearVelocity(glm::vec3(0.0f), true);
    world->step(0.25f);
    size_t before = actorObjects.size();

    glm::vec3 direction(1.0f, 0.0f, 0.0f);
    launchProjectile(targetPosition - direction * 40.0f, direction, 130.0f);
    world->step(0.25f);
    EXPECT_EQ(actorObjects.size(), before) << "still 7.5 short";
    world->step(0.25f);
    EXPECT_EQ(actorObjects.count(target->getDynamicActor()), 0u) << "the target is gone";
    EXPECT_EQ(actorObjects.size(), before - 1) << "and nothing else";
    EXPECT_EQ(projectile->getDynamicActor()->getGlobalPose().p, glm::vec3(1000.0f)) << "the shot is parked";
}

// A long step must not let one shot do what a short step would never let it do: the shot is parked
// at its first touch, so only the first thing on its path is hit. At 4 frames per second a step
// carries it 32.5 units.
TEST_F(Rules, AtFourFramesPerSecondAShotHitsOnlyTheFirstThingOnItsPath)
{
    // Two asteroids in line, 12 and 24 ahead, out in open space.
    SceneObject* first = sceneObjects.at(5);
    SceneObject* second = sceneObjects.at(6);
    glm::vec3 launch(-200.0f, 0.0f, 0.0f);
    glm::vec3 ahead(1.0f, 0.0f, 0.0f);
    for (auto [object, distance] : {std::pair{first, 12.0f}, std::pair{second, 24.0f}})
    {
        object->getDynamicActor()->setGlobalPose(Transform(launch + ahead * distance));
        object->getDynamicActor()->setLinearVelocity(glm::vec3(0.0f));
    }
    world->step(0.25f);
    launchProjectile(launch, ahead, 130.0f);
    world->step(0.25f);
    world->step(0.25f);
    EXPECT_EQ(actorObjects.count(first->getDynamicActor()), 0u) << "the first is gone";
    EXPECT_EQ(actorObjects.count(second->getDynamicActor()), 1u) << "the one behind it stays";

    // An asteroid 3 ahead of the Earth's 10-unit box 16 ahead: the asteroid goes, the Earth is safe.
    SceneObject* shield = sceneObjects.at(7);
    glm::vec3 earthCentre = earth->getStaticActor()->getGlobalPose().p;
    glm::vec3 towards(0.0f, 0.0f, 1.0f);
    glm::vec3 start = earthCentre - towards * 16.0f;
    shield->getDynamicActor()->setGlobalPose(Transform(start + towards * 3.0f));
    shield->getDynamicActor()->setLinearVelocity(glm::vec3(0.0f));
    world->step(0.25f);
    launchProjectile(start, towards, 130.0f);
    world->step(0.25f);
    world->step(0.25f);
    EXPECT_EQ(actorObjects.count(shield->getDynamicActor()), 0u);
    EXPECT_FALSE(isEarthDestroyed());
}

TEST_F(Rules, EveryPairOfAReportIsHandled)
{
    SceneObject* a = sceneObjects.at(10);
    SceneObject* b = sceneObjects.at(11);
    SceneObject* c = sceneObjects.at(12);
    SceneObject* station = sceneObjects.at(massiveStationId);
    size_t before = actorObjects.size();

    TriggerPair pairs[] = {pairOf(a->getDynamicActor(), b->getDynamicActor()),
                           pairOf(c->getDynamicActor(), sun->getStaticActor()),
                           pairOf(station->getDynamicActor(), world->getControllerActor())};
    callback->onTrigger(pairs, 3);

    EXPECT_EQ(actorObjects.size(), before - 4) << "both asteroids of the first pair, the asteroid that "
                                                  "reached the Sun and the station the player touched";
    for (SceneObject* removed : {a, b, c, station})
    {
        EXPECT_EQ(actorObjects.count(removed->getDynamicActor()), 0u);
    }
    EXPECT_FALSE(isEarthDestroyed());
    EXPECT_FALSE(isGameWon());
}

TEST_F(Rules, ReportsParkTheProjectileEvenWhenItIsNotInvolved)
{
    launchProjectile(glm::vec3(-40.0f, 1.0f, 93.0f), glm::vec3(0.0f, 0.0f, -1.0f), 130.0f);
    TriggerPair pair = pairOf(sceneObjects.at(20)->getDynamicActor(), sceneObjects.at(21)->getDynamicActor());
    callback->onTrigger(&pair, 1);
    EXPECT_EQ(projectile->getDynamicActor()->getGlobalPose().p, glm::vec3(1000.0f)) << "a shot in flight is lost";
}

TEST_F(Rules, EarthInAReportIsDestroyedButKeepsItsEntry)
{
    SceneObject* asteroid = sceneObjects.at(30);
    TriggerPair pair = pairOf(asteroid->getDynamicActor(), earth->getStaticActor());
    callback->onTrigger(&pair, 1);
    EXPECT_TRUE(isEarthDestroyed());
    EXPECT_EQ(actorObjects.count(nullptr), 1u) << "the Earth's entry is under the null key, never erased";
    EXPECT_EQ(actorObjects.count(asteroid->getDynamicActor()), 0u);

    // A touch-lost report for the same pair changes nothing more and lowers no flag.
    size_t after = actorObjects.size();
    pair.status = TriggerStatus::eNOTIFY_TOUCH_LOST;
    callback->onTrigger(&pair, 1);
    EXPECT_TRUE(isEarthDestroyed());
    EXPECT_EQ(actorObjects.size(), after);
}

TEST_F(Rules, TheFourteenthRemovalWins)
{
    // Remove thirteen objects: 92 entries remain and the game is not won yet.
    for (int id = 40; id < 53; id++)
    {
        handleTriggerActor(sceneObjects.at(id)->getDynamicActor());
    }
    ASSERT_EQ(actorObjects.size(), 92u);
    EXPECT_FALSE(isGameWon());

    // The projectile against a static actor removes nothing, so it does not win.
    TriggerPair nothing = pairOf(projectile->getDynamicActor(), sun->getStaticActor());
    callback->onTrigger(&nothing, 1);
    EXPECT_EQ(actorObjects.size(), 92u);
    EXPECT_FALSE(isGameWon());

    TriggerPair hit = pairOf(projectile->getDynamicActor(), sceneObjects.at(60)->getDynamicActor());
    callback->onTrigger(&hit, 1);
    EXPECT_EQ(actorObjects.size(), 91u);
    EXPECT_TRUE(isGameWon());
}

TEST_F(Rules, SpaceLaunchesTheProjectileBelowTheCameraAlongTheView)
{
    // Level and looking along +z from the start (-40, 4, 93).
    player->update(0.0f);
    player->horizontalAngle = 0.0f;
    player->verticalAngle = 0.0f;
    input.hold(GLFW_KEY_SPACE);
    player->update(0.0f);

    RigidDynamic* actor = projectile->getDynamicActor();
    EXPECT_EQ(actor->getGlobalPose().p, glm::vec3(-40.0f, 1.0f, 93.0f)) << "3 units below the camera";
    glm::vec3 velocity = actor->getLinearVelocity();
    EXPECT_NEAR(velocity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(velocity.y, 0.0f, 1e-4f);
    EXPECT_NEAR(velocity.z, 130.0f, 1e-4f);
    EXPECT_EQ(actor->getAngularVelocity(), glm::vec3(0.0f, 0.1f, 0.0f)) << "the shot keeps its spin";

    // Held, it is launched again from the ship on every input step.
    actor->setGlobalPose(Transform(glm::vec3(0.0f, 50.0f, 0.0f)));
    player->update(0.0f);
    EXPECT_EQ(actor->getGlobalPose().p, glm::vec3(-40.0f, 1.0f, 93.0f));
}

TEST_F(Rules, WhatTheRulesDecideBecomesTheFramesEvents)
{
    clearFrameEvents();
    SceneObject* asteroid = sceneObjects.at(30);
    asteroid->getDynamicActor()->setGlobalPose(Transform(glm::vec3(60.0f, 90.0f, 110.0f)));

    // The asteroid reaches the Earth: the Earth is hit there, one event, and the asteroid is gone.
    TriggerPair pair = pairOf(asteroid->getDynamicActor(), earth->getStaticActor());
    callback->onTrigger(&pair, 1);
    ASSERT_EQ(getFrameEventCount(), 1u);
    EXPECT_EQ(getFrameEvents()[0].type, GameEventType::earthHit);
    EXPECT_EQ(getFrameEvents()[0].position, glm::vec3(60.0f, 90.0f, 110.0f));
    EXPECT_EQ(actorObjects.count(asteroid->getDynamicActor()), 0u);

    // The same pair lost again removes nothing more and hits nothing more.
    pair.status = TriggerStatus::eNOTIFY_TOUCH_LOST;
    callback->onTrigger(&pair, 1);
    EXPECT_EQ(getFrameEventCount(), 1u);

    // One press of Space is one shot, however long it is held.
    clearFrameEvents();
    player->update(0.0f);
    input.hold(GLFW_KEY_SPACE);
    for (int i = 0; i < 5; i++)
    {
        player->update(0.0f);
    }
    ASSERT_EQ(getFrameEventCount(), 1u);
    EXPECT_EQ(getFrameEvents()[0].type, GameEventType::shotFired);
    EXPECT_EQ(getFrameEvents()[0].position, glm::vec3(-40.0f, 1.0f, 93.0f));

    // One report: two asteroids collide (which parks the projectile), the shot strikes a third, and the
    // shot reaches the Earth. Each is told where the report says it happened, never at the parking
    // place, and the shot's own hit is told apart from the collision.
    clearFrameEvents();
    RigidActor* shot = projectile->getDynamicActor();
    RigidActor* struck = sceneObjects.at(33)->getDynamicActor();
    TriggerPair pairs[] = {pairOf(sceneObjects.at(31)->getDynamicActor(), sceneObjects.at(32)->getDynamicActor()),
                           pairOf(shot, struck), pairOf(shot, earth->getStaticActor())};
    pairs[1].triggerPosition = glm::vec3(10.0f, 20.0f, 30.0f);
    pairs[1].otherPosition = glm::vec3(11.0f, 20.0f, 30.0f);
    pairs[2].triggerPosition = glm::vec3(70.0f, 100.0f, 109.0f);
    callback->onTrigger(pairs, 3);
    ASSERT_EQ(getFrameEventCount(), 4u);
    EXPECT_EQ(getFrameEvents()[0].type, GameEventType::objectRemoved);
    EXPECT_EQ(getFrameEvents()[1].type, GameEventType::objectRemoved);
    EXPECT_EQ(getFrameEvents()[2].type, GameEventType::objectShot);
    EXPECT_EQ(getFrameEvents()[2].position, glm::vec3(11.0f, 20.0f, 30.0f));
    EXPECT_EQ(getFrameEvents()[3].type, GameEventType::earthHit);
    EXPECT_EQ(getFrameEvents()[3].position, glm::vec3(70.0f, 100.0f, 109.0f));
}

// The aim says the Earth when a shot fired now would really reach it: fired the way the game fires
// it, at 60 frames a second, the shot loses the Earth.
TEST_F(Rules, WhatTheAimCallsTheEarthTheShotReallyHits)
{
    // The first steps remove what the level placed overlapping (every report parks the shot); the
    // neighbours' first touches come about 3 s in.
    for (int frame = 0; frame < 30; frame++)
    {
        world->step(1.0f / 60.0f);
    }
    // 150 units in front of the Earth's box, looking straight at its centre from 4 units below it:
    // the shot leaves 3 units lower still and rises under gravity on the way.
    player->controller->setPosition(glm::dvec3(70.0, 96.0, -40.0));
    player->position = glm::vec3(70.0f, 96.0f, -40.0f);
    player->update(0.0f);
    player->horizontalAngle = 0.0f;
    player->verticalAngle = 0.0f;
    player->update(0.0f);
    AimTarget target;
    ASSERT_TRUE(findAimTarget(*world, *player, target));
    EXPECT_EQ(target.object, earth);
    EXPECT_EQ(target.kind, AimKind::earth);

    launchProjectile(player->getLaunchPoint(), player->getDirection(), player->getShotSpeed());
    for (int frame = 0; frame < 240 && !isEarthDestroyed(); frame++)
    {
        world->step(1.0f / 60.0f);
    }
    EXPECT_TRUE(isEarthDestroyed());
}
