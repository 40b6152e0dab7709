#include "loop_fixture.h"

#include "app/frame_loop.h"
#include "app/page_loop.h"
#include "app/startup.h"
#include "game/aim.h"
#include "game/events.h"
#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "render/bursts.h"
#include "render/post.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/quaternion.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <vector>

class FrameLoop : public LoopFixture
{
  protected:
    // One frame, seconds after the previous one; what it printed goes to said.
    FrameEnd frame(double seconds)
    {
        input.time += seconds;
        FrameEnd end = FrameEnd::keepRunning;
        said = captureStdout([&] { end = runFrame(loop); });
        return end;
    }

    // An asteroid moved out of the field, alone, flying at 10 units/s along +x.
    SceneObject* loneAsteroid()
    {
        SceneObject* asteroid = sceneObjects.at(7);
        asteroid->getDynamicActor()->setGlobalPose(Transform(glm::vec3(-200.0f, 0.0f, 0.0f)));
        asteroid->getDynamicActor()->setLinearVelocity(glm::vec3(10.0f, 0.0f, 0.0f));
        return asteroid;
    }

    glm::ivec3 windowPixel(int x, int y)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return glm::ivec3(rgba[0], rgba[1], rgba[2]);
    }

    std::string said;
};

TEST_F(FrameLoop, PhysicsStepsBeforeTheWorldUpdate)
{
    SceneObject* asteroid = loneAsteroid();
    ASSERT_EQ(frame(0.1), FrameEnd::keepRunning);
    // One step of 0.1 s: v = 10 + 0.1 x 0.1 along x, then x = -200 + 0.1 v. The drawn matrix already
    // has the stepped pose.
    EXPECT_NEAR(asteroid->modelMatrix[3].x, -198.999f, 1e-3f);
    EXPECT_NEAR(asteroid->cullPosition.x, -198.999f, 1e-3f);
    EXPECT_EQ(input.presented, 1);
    EXPECT_EQ(input.polls, 1);
}

TEST_F(FrameLoop, TheRockIsDrawnInTheStationsFrame)
{
    // The station turned a quarter about y, the rock upright; neither moves nor spins.
    RigidDynamic* station = sceneObjects.at(massiveStationId)->getDynamicActor();
    RigidDynamic* rock = sceneObjects.at(rockId)->getDynamicActor();
    station->setGlobalPose(Transform(glm::vec3(-20.0f), glm::angleAxis(glm::radians(90.0f), glm::vec3(0, 1, 0))));
    for (RigidDynamic* actor : {station, rock})
    {
        actor->setLinearVelocity(glm::vec3(0.0f));
        actor->setAngularVelocity(glm::vec3(0.0f));
    }
    frame(0.001);
    frame(0.001);

    // Station x rock: (-20, -20, -20) plus the quarter-turned (-22, -22, -22), which is (-22, -22, 22).
    Model* rockModel = sceneObjects.at(rockId)->getModel();
    glm::vec4 placed = rockModel->overrideMatrix[3];
    EXPECT_NEAR(placed.x, -42.0f, 1e-2f);
    EXPECT_NEAR(placed.y, -42.0f, 1e-2f);
    EXPECT_NEAR(placed.z, 2.0f, 1e-2f);
    EXPECT_FALSE(rockModel->hasOverride) << "the rock's draw used it";
}

TEST_F(FrameLoop, OutcomesComeInTheOrderDiedWonEarthAndWithoutTheDisplayAreNeverPresented)
{
    input.tap(GLFW_KEY_F6);
    ASSERT_EQ(frame(0.001), FrameEnd::keepRunning);
    ASSERT_EQ(said, "HUD: off\n");
    ASSERT_EQ(input.presented, 1);

    lastMoveFlags.bits = eCOLLISION_SIDES;
    gameWon = true;
    earthDestroyed = true;
    EXPECT_EQ(frame(0.001), FrameEnd::outcome);
    EXPECT_EQ(said, "GAME OVER: YOU DIED!\n");
    EXPECT_EQ(input.presented, 1) << "the frame of an outcome is not presented";

    lastMoveFlags.bits = 0;
    EXPECT_EQ(frame(0.001), FrameEnd::outcome);
    EXPECT_EQ(said, "CONGRATULATIONS, YOU WON!\n");

    gameWon = false;
    EXPECT_EQ(frame(0.001), FrameEnd::outcome);
    EXPECT_EQ(said, "GAME OVER: EARTH IS NO MORE!!!\n");
    EXPECT_EQ(input.presented, 1);
}

// Near-white pixels in the band through the window's middle, where the outcome is written.
static int whitePixelsAcrossTheMiddle()
{
    std::vector<unsigned char> rgba(1280 * 60 * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 330, 1280, 60, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int white = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
    {
        white += rgba[i] > 200 && rgba[i + 1] > 200 && rgba[i + 2] > 200;
    }
    return white;
}

TEST_F(FrameLoop, WithTheDisplayTheOutcomeIsShownWrittenOverItsFrame)
{
    ASSERT_EQ(frame(0.001), FrameEnd::keepRunning);
    EXPECT_LT(whitePixelsAcrossTheMiddle(), 100) << "the start view is empty space with the crosshair";
    gameWon = true;
    EXPECT_EQ(frame(0.001), FrameEnd::outcome);
    EXPECT_EQ(said, "CONGRATULATIONS, YOU WON!\n") << "the console says it as before";
    EXPECT_EQ(input.presented, 2) << "the frame of the outcome is presented";
    EXPECT_GT(whitePixelsAcrossTheMiddle(), 2000) << "with the message written large across it";
}

TEST_F(FrameLoop, TheDisplayCountsRemovalsAndPlayTimeButNotPauses)
{
    frame(0.5);
    HudFrame shown = describeFrame(loop);
    EXPECT_EQ(shown.removalsToWin, 14);
    int atStart = shown.removals;
    EXPECT_NEAR(shown.playSeconds, 0.5, 1e-6);

    // Three asteroids reported: three more removals.
    for (int id : {60, 61, 62})
    {
        handleTriggerActor(sceneObjects.at(id)->getDynamicActor());
    }
    frame(0.5);
    EXPECT_EQ(describeFrame(loop).removals, atStart + 3);

    input.tap(GLFW_KEY_P);
    frame(10.0);
    frame(10.0);
    input.tap(GLFW_KEY_P);
    frame(10.0);
    frame(0.25);
    EXPECT_NEAR(describeFrame(loop).playSeconds, 1.25, 1e-6) << "the pause is left out";
}

TEST_F(FrameLoop, EscapeAndClosingEndTheGameAfterTheFrameIsPresented)
{
    input.hold(GLFW_KEY_ESCAPE);
    EXPECT_EQ(frame(0.01), FrameEnd::quit);
    EXPECT_EQ(input.presented, 1);
    input.release(GLFW_KEY_ESCAPE);

    input.closeRequested = true;
    EXPECT_EQ(frame(0.01), FrameEnd::quit);
    EXPECT_EQ(input.presented, 2);
}

// A web page runs the same frames, one per browser frame, but never waits and never ends.
TEST_F(FrameLoop, InAPageTheOutcomeStaysUpUntilThePlayerPlaysAgain)
{
    PageLoop page;
    auto pageFrame = [&](double seconds)
    {
        input.time += seconds;
        PageRequest request = PageRequest::none;
        said = captureStdout([&] { request = runPageFrame(loop, page); });
        return request;
    };
    EXPECT_EQ(pageFrame(0.01), PageRequest::none);
    EXPECT_EQ(input.presented, 1);

    // Escape cannot end a page: it lets the pointer go, and the game plays on until then.
    input.hold(GLFW_KEY_ESCAPE);
    EXPECT_EQ(pageFrame(0.01), PageRequest::releasePointer);
    input.release(GLFW_KEY_ESCAPE);
    EXPECT_EQ(page.state, PageState::playing);

    // R tapped during play is long gone when the game ends.
    input.tap(GLFW_KEY_R);
    EXPECT_EQ(pageFrame(0.01), PageRequest::none);
    input.tap(GLFW_KEY_R);
    gameWon = true;
    EXPECT_EQ(pageFrame(0.01), PageRequest::keepFiles) << "the records were written";
    EXPECT_EQ(said, "CONGRATULATIONS, YOU WON!\n");
    EXPECT_EQ(page.state, PageState::outcome);
    int presented = input.presented;

    // A minute later the outcome's picture is still up: nothing drawn over it, no end, no sleep.
    for (int i = 0; i < 600; i++)
    {
        ASSERT_EQ(pageFrame(0.1), PageRequest::none);
        ASSERT_EQ(page.state, PageState::outcome);
    }
    EXPECT_EQ(input.presented, presented);
    EXPECT_EQ(said, "");

    // R plays again: a new game, whose frames run and are shown.
    input.tap(GLFW_KEY_R);
    EXPECT_EQ(pageFrame(0.1), PageRequest::none);
    EXPECT_EQ(said, "New game\n");
    EXPECT_EQ(page.state, PageState::playing);
    EXPECT_FALSE(isGameWon());
    EXPECT_EQ(pageFrame(0.01), PageRequest::none);
    EXPECT_EQ(input.presented, presented + 1);

    // After the next outcome the pause action (the gamepad's Start) plays again too.
    earthDestroyed = true;
    EXPECT_EQ(pageFrame(0.01), PageRequest::keepFiles);
    EXPECT_EQ(said, "GAME OVER: EARTH IS NO MORE!!!\n");
    input.tap(GLFW_KEY_P);
    pageFrame(0.1);
    EXPECT_EQ(page.state, PageState::playing);
}

TEST_F(FrameLoop, APausedGameStandsStillAndNeverSeesThePausedTime)
{
    SceneObject* asteroid = loneAsteroid();
    frame(0.001);
    ASSERT_NEAR(asteroid->modelMatrix[3].x, -199.99f, 1e-3f);
    glm::vec4 crosshair = glm::vec4(windowPixel(644, 360), 0);

    input.tap(GLFW_KEY_P);
    frame(0.1);
    EXPECT_EQ(said, "Pause: on\n");
    RigidDynamic* actor = asteroid->getDynamicActor();
    float before = actor->getGlobalPose().p.x;

    // Half a minute of paused frames with the ship flying, shooting and turning: nothing happens.
    input.hold(GLFW_KEY_W);
    input.hold(GLFW_KEY_SPACE);
    input.cursor = glm::dvec2(900.0, 100.0);
    float yaw = player->horizontalAngle;
    for (int i = 0; i < 30; i++)
    {
        frame(1.0);
    }
    EXPECT_EQ(said, "");
    EXPECT_EQ(actor->getGlobalPose().p.x, before) << "no physics step";
    EXPECT_EQ(player->getPosition(), glm::vec3(-40.0f, 4.0f, 93.0f)) << "no move";
    EXPECT_EQ(projectile->getDynamicActor()->getGlobalPose().p, glm::vec3(1000.0f)) << "no shot";
    EXPECT_EQ(input.cursor, glm::dvec2(900.0, 100.0)) << "the cursor is neither read nor recentred";
    EXPECT_EQ(player->horizontalAngle, yaw);
    EXPECT_EQ(input.presented, 32) << "the picture is shown again while paused";
    // The last picture stays, dimmed: the crosshair's light arm at less than half its brightness.
    glm::ivec3 dimmed = windowPixel(644, 360);
    EXPECT_NEAR(dimmed.g, crosshair.g * 0.45f, 2.0f);
    EXPECT_GT(crosshair.g, 200.0f);
    input.release(GLFW_KEY_W);
    input.release(GLFW_KEY_SPACE);

    // Resumed: the first frame is timed from the resume, so the 30 s never reach the simulation,
    // and the pointer's travels meanwhile turn nothing.
    input.tap(GLFW_KEY_P);
    frame(0.1);
    EXPECT_EQ(said, "Pause: off\n");
    EXPECT_NEAR(actor->getGlobalPose().p.x, before, 1e-4f) << "a step of no time at all";
    EXPECT_EQ(player->horizontalAngle, yaw);
    EXPECT_EQ(input.cursor, glm::dvec2(640.0, 360.0));
    frame(0.1);
    EXPECT_NEAR(actor->getGlobalPose().p.x, before + 1.001f, 1e-3f) << "then 0.1 s as usual";
}

TEST_F(FrameLoop, AWindowNotInFrontPausesTheGame)
{
    frame(0.01);
    input.focused = false;
    frame(0.01);
    EXPECT_EQ(said, "Pause: on\n");
    input.focused = true;
    frame(0.01);
    EXPECT_EQ(said, "Pause: off\n");

    input.iconified = true;
    frame(0.01);
    EXPECT_EQ(said, "Pause: on\n");
    input.iconified = false;
    input.framebufferSize = glm::ivec2(0, 0);
    frame(0.01);
    EXPECT_EQ(said, "") << "still paused: nothing to draw into";
    input.framebufferSize = glm::ivec2(1280, 720);
    frame(0.01);
    EXPECT_EQ(said, "Pause: off\n");

    // Setting keys still answer while paused.
    input.focused = false;
    frame(0.01);
    input.tap(GLFW_KEY_F3);
    frame(0.01);
    EXPECT_EQ(said, "Wire frame: on\n");
}

TEST_F(FrameLoop, TheTargetsCursorAndProjectionFollowTheWindowSize)
{
    frame(0.01);
    input.windowSize = input.framebufferSize = glm::ivec2(400, 300);
    input.cursor = glm::dvec2(250.0, 150.0);
    frame(0.01);

    EXPECT_EQ(windowWidth, 400);
    EXPECT_EQ(windowHeight, 300);
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(glm::ivec2(width, height), glm::ivec2(400, 300));
    glBindTexture(GL_TEXTURE_2D, pingpongTextures[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 400);

    EXPECT_EQ(input.cursor, glm::dvec2(200.0, 150.0)) << "the cursor returns to the new centre";
    EXPECT_EQ(player->horizontalAngle, 7.14f) << "where the pointer was when the size changed is no turn";
    input.cursor = glm::dvec2(250.0, 150.0);
    frame(0.01);
    EXPECT_NEAR(player->horizontalAngle, 7.14f - 0.0006f * 50.0f, 1e-5f) << "50 px right of the new centre";
    EXPECT_EQ(input.cursor, glm::dvec2(200.0, 150.0));
    glm::mat4 projection = player->getProjectionMatrix();
    EXPECT_NEAR(projection[1][1] / projection[0][0], 4.0f / 3.0f, 1e-4f) << "a 4:3 projection";
    EXPECT_NEAR(player->frustumAspect, 4.0f / 3.0f, 1e-5f) << "and culling";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Resized while paused: the picture is drawn again at the new size, without an input step.
    input.focused = false;
    frame(0.01);
    input.windowSize = input.framebufferSize = glm::ivec2(640, 360);
    frame(0.01);
    EXPECT_EQ(windowWidth, 640);
    EXPECT_NEAR(loop.shownProjection[1][1] / loop.shownProjection[0][0], 16.0f / 9.0f, 1e-4f)
        << "the paused picture takes the new shape at once";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Only the player turns, flies and fires: nothing pressed during a pause acts after it, and a window
// the window manager moves under a still pointer turns nothing.
TEST_F(FrameLoop, NothingThePlayerDidNotDoNowTurnsFliesOrFires)
{
    frame(0.01);
    input.tap(GLFW_KEY_P);
    frame(0.01);
    ASSERT_EQ(said, "Pause: on\n");
    input.hold(GLFW_KEY_SPACE);
    input.tap(GLFW_KEY_SPACE, 2);
    input.hold(GLFW_KEY_W);
    input.cursor = glm::dvec2(50.0, 700.0);
    frame(1.0);

    // Resumed with both keys still down.
    input.tap(GLFW_KEY_P);
    frame(0.01);
    ASSERT_EQ(said, "Pause: off\n");
    for (int i = 0; i < 3; i++)
    {
        frame(0.01);
        EXPECT_EQ(getFrameEventCount(), 0u) << "no shot to show or sound";
    }
    EXPECT_NEAR(projectile->getDynamicActor()->getGlobalPose().p.y, 1000.0f, 1.0f) << "no shot: still parked";
    EXPECT_EQ(player->getPosition(), glm::vec3(-40.0f, 4.0f, 93.0f)) << "no move";
    EXPECT_EQ(player->horizontalAngle, 7.14f) << "no turn";

    // Let go and pressed again, they act as ever.
    input.release(GLFW_KEY_SPACE);
    input.release(GLFW_KEY_W);
    frame(0.01);
    input.hold(GLFW_KEY_SPACE);
    input.hold(GLFW_KEY_W);
    frame(0.01);
    ASSERT_EQ(getFrameEventCount(), 1u);
    EXPECT_EQ(getFrameEvents()[0].type, GameEventType::shotFired);
    EXPECT_NE(player->getPosition(), glm::vec3(-40.0f, 4.0f, 93.0f));
    input.release(GLFW_KEY_SPACE);
    input.release(GLFW_KEY_W);

    // The window slides 300 pixels down the screen under a still pointer: no turn, only a recentre.
    float yaw = player->horizontalAngle;
    float pitch = player->verticalAngle;
    input.windowPosition += glm::ivec2(0, 300);
    input.cursor = glm::dvec2(640.0, 60.0);
    frame(0.01);
    EXPECT_EQ(player->horizontalAngle, yaw);
    EXPECT_EQ(player->verticalAngle, pitch);
    EXPECT_EQ(input.cursor, glm::dvec2(640.0, 360.0));
    // Then the mouse turns as ever: 10 px right.
    input.cursor = glm::dvec2(650.0, 360.0);
    frame(0.01);
    EXPECT_NEAR(player->horizontalAngle, yaw - 0.006f, 1e-6f);
}

// The display's frame rate is the mean of the last half second played: no figure until half a second
// has been played, and neither a pause nor one short frame makes it jump.
TEST_F(FrameLoop, TheFrameRateIsTheMeanOfTheLastHalfSecondPlayed)
{
    input.tap(GLFW_KEY_F2);
    auto rate = [&] { return describeFrame(loop).framesPerSecond; };
    for (int i = 0; i < 15; i++)
    {
        frame(1.0 / 60.0);
    }
    EXPECT_LT(rate(), 0.0f) << "a quarter of a second played: no figure yet";
    for (int i = 0; i < 45; i++)
    {
        frame(1.0 / 60.0);
    }
    EXPECT_NEAR(rate(), 60.0f, 0.01f);
    for (int i = 0; i < 30; i++)
    {
        frame(1.0 / 30.0);
    }
    EXPECT_NEAR(rate(), 30.0f, 0.01f) << "the last half second alone";

    input.tap(GLFW_KEY_P);
    frame(1.0 / 30.0);
    frame(10.0);
    input.tap(GLFW_KEY_P);
    frame(10.0);
    EXPECT_NEAR(rate(), 30.0f, 0.01f) << "the pause is left out";
    frame(0.0002);
    EXPECT_NEAR(rate(), 32.0f, 0.1f) << "one short frame among fifteen";
    input.windowSize = input.framebufferSize = glm::ivec2(400, 300);
    frame(0.0002);
    EXPECT_NEAR(rate(), 34.0f, 0.1f) << "and one more at a resize";
}

// The aim marker tells what a shot fired now would do, where its target shows on screen.
TEST_F(FrameLoop, TheAimMarkerTellsWhatAShotFiredNowWouldDo)
{
    // The ship 60 units in front of the Earth's centre, 4 to its side and 5 below, looking along +z:
    // the shot leaves 3 below the camera and flies into the Earth's 10-unit box.
    Controller* controller = player->controller;
    controller->setPosition(glm::dvec3(74.0, 95.0, 60.0));
    player->position = glm::vec3(74.0f, 95.0f, 60.0f);
    frame(0.001);
    player->horizontalAngle = 0.0f;
    player->verticalAngle = 0.0f;
    frame(0.001);
    HudFrame shown = describeFrame(loop);
    ASSERT_TRUE(shown.hasTarget);
    EXPECT_EQ(shown.targetMark, TargetMark::warning) << "the Earth: a shot there loses the game";
    // The Earth's centre is 4 right and 5 up at 60 ahead: right of and above the crosshair.
    EXPECT_NEAR(shown.targetCentre.x, 683.0f, 3.0f);
    EXPECT_NEAR(shown.targetCentre.y, 306.0f, 3.0f);

    // An asteroid on the shot's path, 40 ahead: shown 3 units below the crosshair.
    RigidDynamic* asteroid = sceneObjects.at(9)->getDynamicActor();
    asteroid->setGlobalPose(Transform(glm::vec3(74.0f, 92.0f, 100.0f)));
    asteroid->setLinearVelocity(glm::vec3(0.0f));
    frame(0.001);
    shown = describeFrame(loop);
    ASSERT_TRUE(shown.hasTarget);
    EXPECT_EQ(shown.targetMark, TargetMark::removable);
    EXPECT_NEAR(shown.targetCentre.x, 640.0f, 3.0f);
    EXPECT_NEAR(shown.targetCentre.y, 408.0f, 3.0f);
    // Gone, it still takes the shot, unseen.
    handleTriggerActor(asteroid);
    frame(0.001);
    shown = describeFrame(loop);
    ASSERT_TRUE(shown.hasTarget);
    EXPECT_EQ(shown.targetMark, TargetMark::unseen);

    // The Sun straight ahead: a shot there changes nothing, so nothing is marked.
    controller->setPosition(glm::dvec3(0.0, 3.0, -60.0));
    player->position = glm::vec3(0.0f, 3.0f, -60.0f);
    frame(0.001);
    shown = describeFrame(loop);
    EXPECT_FALSE(shown.hasTarget);
    AimTarget target;
    ASSERT_TRUE(findAimTarget(*loop.physicsWorld, *player, target));
    EXPECT_EQ(target.object, sun);
}

// The frame's bloom, blurred only around the Sun and the bursts, against the same scene blurred over
// the whole window: equal wherever something bright is near, and elsewhere only the thin fringe where
// a dark object meets empty space (the bright source steps from 0 to the background's 0.04 there)
// differs.
TEST_F(FrameLoop, TheBloomIsBlurredAroundTheSunAndTheBurstsAsTheWholeWindowWouldBlurIt)
{
    // An asteroid of the field starts inside the Sun's box; the first step removes it, in a burst
    // beside the Sun. A second burst is set off out in the field.
    addBurst(glm::vec3(30.0f, 30.0f, 30.0f), 1.0f);
    // Face the Sun from the start position, a little to its side so the field is in view too.
    glm::vec3 toSun = -player->getPosition();
    player->horizontalAngle = std::atan2(toSun.x, toSun.z) + 0.3f;
    player->verticalAngle = std::asin(toSun.y / glm::length(toSun));
    frame(0.001);
    frame(0.001); // the second frame draws with the camera the first one's input step made
    ASSERT_EQ(countRemovals(), 1);
    ASSERT_EQ(getBurstCount(), 2);
    auto readBloom = []
    {
        std::vector<float> texels(1280 * 720 * 3);
        glBindTexture(GL_TEXTURE_2D, pingpongTextures[0]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        return texels;
    };
    std::vector<float> framed = readBloom();

    // The same picture again, nothing moved: the scene pass, then the blur over the whole window.
    beginScenePass(1280, 720);
    glUseProgram(mainProgram);
    Model* rock = sceneObjects.at(rockId)->getModel();
    rock->setOverride(sceneObjects.at(massiveStationId)->getModel()->getModelMatrix() *
                      rock->getModelMatrix());
    drawScene(0.0f, player, false);
    glm::mat4 viewProjection = player->getProjectionMatrix() * player->getViewMatrix();
    drawBursts(viewProjection, player->getViewMatrix());
    std::vector<float> source = readBloom();
    runBlurPasses(blurProgram);
    std::vector<float> whole = readBloom();

    // The Sun's box, and the bursts' (each 6 times its size across).
    std::vector<ScreenBox> brightBoxes(1);
    ASSERT_TRUE(sphereScreenBox(viewProjection, glm::vec3(0.0f), sunGlowRadius, 1280, 720, brightBoxes[0]));
    glm::vec4 spheres[2];
    ASSERT_EQ(getBurstSpheres(spheres, 2), 2);
    for (const glm::vec4& sphere : spheres)
    {
        ScreenBox box{};
        ASSERT_TRUE(sphereScreenBox(viewProjection, glm::vec3(sphere), sphere.w, 1280, 720, box));
        brightBoxes.push_back(box);
    }
    auto blue = [](const std::vector<float>& texels, int x, int y) { return texels[(y * 1280 + x) * 3 + 2]; };
    int inBox = 0;
    int fringe = 0;
    for (int y = 0; y < 720; ++y)
    {
        for (int x = 0; x < 1280; ++x)
        {
            size_t i = (y * 1280 + x) * 3;
            if (framed[i] == whole[i] && framed[i + 1] == whole[i + 1] && framed[i + 2] == whole[i + 2])
            {
                continue;
            }
            bool insideBox = std::any_of(brightBoxes.begin(), brightBoxes.end(), [&](const ScreenBox& box)
                                         { return x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1; });
            inBox += insideBox;
            // Off the box, a difference needs a step in the source within the blur's reach.
            bool step = false;
            for (int dy = -5; dy <= 5 && !step; ++dy)
            {
                for (int dx = -5; dx <= 5 && !step; ++dx)
                {
                    int nx = std::clamp(x + dx, 0, 1279);
                    int ny = std::clamp(y + dy, 0, 719);
                    step = blue(source, nx, ny) != blue(source, x, y);
                }
            }
            ASSERT_TRUE(insideBox || step) << x << "," << y;
            fringe += !insideBox;
        }
    }
    EXPECT_EQ(inBox, 0);
    EXPECT_GT(fringe, 0) << "asteroids in view outside the Sun's box";
    EXPECT_LT(fringe, 1280 * 720 / 20);
}

// Losing the gamepad mid-game pauses it: the player's hands were on it.
TEST_F(FrameLoop, LosingTheGamepadPausesTheGame)
{
    input.gamepad.connected = true;
    input.gamepad.name = "Test Pad";
    frame(0.01);
    EXPECT_EQ(said, "Gamepad: Test Pad\n");
    input.gamepad.connected = false;
    frame(0.01);
    EXPECT_EQ(said, "Gamepad: none\nPause: on\n");
    // Start pauses and resumes as P does.
    input.gamepad.connected = true;
    frame(0.01);
    input.gamepad.buttons[GLFW_GAMEPAD_BUTTON_START] = true;
    frame(0.01);
    EXPECT_EQ(said, "Pause: off\n");
}
