#include "loop_fixture.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "game/feedback.h"
#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "game/session.h"
#include "render/bursts.h"
#include "render/post.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

namespace
{
// Everything a game's start decides, to compare one start with another.
struct GameState
{
    struct Object
    {
        Transform pose;
        glm::vec3 velocity;
        glm::vec3 spin;
        bool live;
    };
    std::map<int, Object> objects; // by level id; the projectile, the Earth and the Sun as -1, -2, -3
    bool won;
    bool earthLost;
    int removals;
    glm::vec3 shipPosition;
    float yaw;
    float pitch;
    uint8_t touched;
    uint32_t actors;
    int bursts;
};

GameState captureState(PhysicsWorld& world, Player& player)
{
    GameState state;
    auto add = [&](int id, SceneObject* object)
    {
        GameState::Object entry;
        if (object->isDynamic)
        {
            RigidDynamic* actor = object->getDynamicActor();
            entry = {actor->getGlobalPose(), actor->getLinearVelocity(), actor->getAngularVelocity(),
                     actorObjects.count(actor) != 0};
        }
        else
        {
            entry = {object->getStaticActor()->getGlobalPose(), glm::vec3(0.0f), glm::vec3(0.0f), true};
        }
        state.objects[id] = entry;
    };
    for (auto& entry : sceneObjects)
    {
        add(entry.first, entry.second);
    }
    add(-1, projectile);
    add(-2, earth);
    add(-3, sun);
    state.won = isGameWon();
    state.earthLost = isEarthDestroyed();
    state.removals = countRemovals();
    state.shipPosition = glm::vec3(player.controller->getPosition());
    state.yaw = player.horizontalAngle;
    state.pitch = player.verticalAngle;
    state.touched = player.getCollisionFlags().bits;
    state.actors = world.getNbActors();
    state.bursts = getBurstCount();
    return state;
}

void expectSameState(const GameState& fresh, const GameState& again)
{
    ASSERT_EQ(fresh.objects.size(), again.objects.size());
    for (const auto& [id, object] : fresh.objects)
    {
        const GameState::Object& other = again.objects.at(id);
        EXPECT_EQ(object.pose.p, other.pose.p) << "object " << id;
        EXPECT_EQ(object.pose.q, other.pose.q) << "object " << id;
        EXPECT_EQ(object.velocity, other.velocity) << "object " << id;
        EXPECT_EQ(object.spin, other.spin) << "object " << id;
        EXPECT_EQ(object.live, other.live) << "object " << id;
    }
    EXPECT_EQ(fresh.won, again.won);
    EXPECT_EQ(fresh.earthLost, again.earthLost);
    EXPECT_EQ(fresh.removals, again.removals);
    EXPECT_EQ(fresh.shipPosition, again.shipPosition);
    EXPECT_EQ(fresh.yaw, again.yaw);
    EXPECT_EQ(fresh.pitch, again.pitch);
    EXPECT_EQ(fresh.touched, again.touched);
    EXPECT_EQ(fresh.actors, again.actors);
    EXPECT_EQ(fresh.bursts, again.bursts);
}
} // namespace

class Session : public LoopFixture
{
  protected:
    // Runs frames of 1/60 s, the ship idle, until an outcome or the given play time; returns the end.
    FrameEnd playIdle(double seconds)
    {
        FrameEnd end = FrameEnd::keepRunning;
        captureStdout(
            [&]
            {
                for (int frame = 0; frame < seconds * 60.0 && end == FrameEnd::keepRunning; frame++)
                {
                    input.time += 1.0 / 60.0;
                    end = runFrame(loop);
                }
            });
        return end;
    }
};

TEST_F(Session, APlayedAndLostGameRestartsAsAFreshOneAndPlaysTheSameWay)
{
    GameState fresh = captureState(*loop.physicsWorld, *player);
    Model* rock = sceneObjects.at(rockId)->getModel();

    // Shot, turned and flown a little, then left to the field, which drifts into the Earth.
    input.hold(GLFW_KEY_SPACE);
    input.cursor = glm::dvec2(700.0, 300.0);
    playIdle(0.2);
    input.release(GLFW_KEY_SPACE);
    FrameEnd end = playIdle(60.0);
    ASSERT_EQ(end, FrameEnd::outcome);
    double firstTime = loop.session->getFrame().playSeconds;
    Outcome firstOutcome = loop.session->getFrame().outcome;
    EXPECT_GT(countRemovals(), fresh.removals);
    EXPECT_GT(getBurstCount(), 0) << "the Earth's fall is still bursting";

    std::string said = captureStdout([&] { startNewGame(loop); });
    EXPECT_EQ(said, "New game\n");
    expectSameState(fresh, captureState(*loop.physicsWorld, *player));
    EXPECT_FALSE(rock->hasOverride) << "nothing of the last game's matrices is left";
    EXPECT_EQ(rock->getViewProjection(), glm::mat4(1.0f));
    EXPECT_EQ(loop.session->getFrame().playSeconds, 0.0);
    EXPECT_EQ(loop.session->getFrame().outcome, Outcome::none);

    // The first frame is timed from the new start, not from the outcome 3 s before.
    input.time += 3.0;
    captureStdout([&] { startNewGame(loop); });
    input.time += 1.0 / 60.0;
    captureStdout([&] { runFrame(loop); });
    EXPECT_NEAR(loop.session->getFrame().playSeconds, 1.0 / 60.0, 1e-6);

    // Left alone, the second game ends as the first ended, at about the same time.
    ASSERT_EQ(playIdle(60.0), FrameEnd::outcome);
    EXPECT_EQ(loop.session->getFrame().outcome, firstOutcome);
    EXPECT_NEAR(loop.session->getFrame().playSeconds, firstTime, 1.0);
}

// R starts a new game only when meant: held half a second during play, or pressed in the wait after an
// outcome; a tap during play does nothing.
TEST_F(Session, RPlaysAgainOnlyWhenHeldOrAfterAnOutcome)
{
    input.hold(GLFW_KEY_R);
    EXPECT_EQ(playIdle(0.3), FrameEnd::keepRunning) << "a tap of 0.3 s";
    input.release(GLFW_KEY_R);
    playIdle(0.1);
    input.hold(GLFW_KEY_R);
    EXPECT_EQ(playIdle(1.0), FrameEnd::newGame);
    captureStdout([&] { startNewGame(loop); });
    EXPECT_EQ(playIdle(1.0), FrameEnd::keepRunning) << "still held from the last restart: not again";
    input.release(GLFW_KEY_R);

    // After an outcome the game waits three seconds: R within them plays again, Escape quits, and
    // otherwise the wait runs out.
    gameWon = true;
    ASSERT_EQ(playIdle(0.1), FrameEnd::outcome);
    double waitStart = input.time;
    EXPECT_EQ(waitAfterOutcome(loop), AfterOutcome::timeUp);
    EXPECT_NEAR(input.time - waitStart, 3.0, 1e-6);
    input.tap(GLFW_KEY_R);
    EXPECT_EQ(waitAfterOutcome(loop), AfterOutcome::timeUp) << "a tap from before the outcome does not count";
    input.hold(GLFW_KEY_R);
    EXPECT_EQ(waitAfterOutcome(loop), AfterOutcome::playAgain);
    EXPECT_NEAR(input.time - waitStart, 6.05, 1e-6) << "at once, within the first look";
    input.release(GLFW_KEY_R);
    input.hold(GLFW_KEY_ESCAPE);
    EXPECT_EQ(waitAfterOutcome(loop), AfterOutcome::quit);
}

// The display after an outcome: the message with "R: play again" under it, and NEW RECORD over it when
// the game set one.
TEST_F(Session, TheOutcomeOffersToPlayAgain)
{
    gameWon = true;
    ASSERT_EQ(playIdle(0.1), FrameEnd::outcome);
    HudFrame shown = describeFrame(loop);
    EXPECT_STREQ(shown.outcome, "CONGRATULATIONS, YOU WON!");
    EXPECT_TRUE(shown.playAgain);
    EXPECT_FALSE(shown.newRecord) << "records are off here";
}

// Which sound a frame's events ask for, heard from a ship at the origin.
TEST(FrameSounds, EachEventHasItsOwnSoundAndCollisionsTogetherAreHeardOnce)
{
    GameEvent events[] = {
        {GameEventType::shotFired, glm::vec3(0.0f, -3.0f, 0.0f)},
        {GameEventType::objectRemoved, glm::vec3(50.0f, 0.0f, 0.0f)},
        {GameEventType::objectRemoved, glm::vec3(20.0f, 0.0f, 0.0f)},
        {GameEventType::objectRemoved, glm::vec3(21.0f, 0.0f, 0.0f)},
        {GameEventType::objectShot, glm::vec3(0.0f, 0.0f, -40.0f)},
        {GameEventType::earthHit, glm::vec3(70.0f, 100.0f, 109.0f)},
    };
    PlayFrame frame;
    frame.events = events;
    frame.eventCount = 6;
    FrameSound sounds[8];
    ASSERT_EQ(chooseFrameSounds(frame, glm::vec3(0.0f), sounds, 8), 4);
    EXPECT_EQ(sounds[0].effect, SoundEffect::shot);
    EXPECT_FALSE(sounds[0].positional) << "the shot is at the listener";
    EXPECT_EQ(sounds[1].effect, SoundEffect::shotHit) << "the player's own hit has a sound of its own";
    EXPECT_EQ(sounds[1].position, glm::vec3(0.0f, 0.0f, -40.0f));
    EXPECT_EQ(sounds[2].effect, SoundEffect::earthImpact);
    EXPECT_TRUE(sounds[2].positional);
    EXPECT_EQ(sounds[2].position, glm::vec3(70.0f, 100.0f, 109.0f)) << "heard where the Earth was struck";
    EXPECT_EQ(sounds[3].effect, SoundEffect::hit) << "three collisions at once: the nearest alone";
    EXPECT_EQ(sounds[3].position, glm::vec3(20.0f, 0.0f, 0.0f));
}
