#include "game/player.h"
#include "input/pointer_cursor.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

// The player's keys and mouse, driven through a scripted window: no display, no level, just the
// physics world the ship flies in. The ship starts at (-40, 4, 93) in a 1280x720 window.
class PlayerInput : public ::testing::Test
{
  protected:
    struct NoReports : SimulationEventCallback
    {
        void onTrigger(TriggerPair*, uint32_t) override {}
    } reports;
    PhysicsWorld world{&reports};
    ScriptedWindow input;
    Player player{&input, &world, 1280, 720};

    // The first input step only centres the cursor; after it the view looks along +z, level.
    void faceAlongZ()
    {
        player.update(0.016f);
        player.horizontalAngle = 0.0f;
        player.verticalAngle = 0.0f;
    }
};

TEST_F(PlayerInput, FirstStepOnlyCentresTheCursor)
{
    input.cursor = glm::dvec2(1100.0, 50.0);
    player.update(0.016f);
    EXPECT_EQ(input.cursor, glm::dvec2(640.0, 360.0)) << "the cursor is put at the window's centre";
    EXPECT_FLOAT_EQ(player.horizontalAngle, 7.14f) << "wherever the pointer was at start is not a turn";
    EXPECT_FLOAT_EQ(player.verticalAngle, 0.0f);
}

TEST_F(PlayerInput, MouseRightTurnsRightAndMouseUpLooksUp)
{
    player.update(0.016f);

    // 100 pixels right of the centre: 0.0006 rad a pixel, the yaw falls by 0.06.
    input.cursor = glm::dvec2(740.0, 360.0);
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.08f, 1e-5f);
    EXPECT_NEAR(player.verticalAngle, 0.0f, 1e-6f);
    EXPECT_EQ(input.cursor, glm::dvec2(640.0, 360.0)) << "recentred after every read";

    // Seen from +z, a smaller yaw turns the view towards -x, which is the right hand.
    player.horizontalAngle = 0.0f;
    player.update(0.016f);
    input.cursor = glm::dvec2(740.0, 360.0);
    player.update(0.016f);
    EXPECT_NEAR(viewDirection.x, -0.059964f, 1e-5f) << "turned right";

    // 100 pixels above the centre looks up by 0.06 rad.
    input.cursor = glm::dvec2(640.0, 260.0);
    player.update(0.016f);
    EXPECT_NEAR(player.verticalAngle, 0.06f, 1e-5f);
    EXPECT_NEAR(viewDirection.y, 0.059964f, 1e-5f) << "looking up";

    // A still mouse turns nothing.
    player.update(0.016f);
    EXPECT_NEAR(player.verticalAngle, 0.06f, 1e-5f);
}

// A web page's window: the cursor the look reads is made of the captured pointer's movements.
class CapturedPointerWindow : public ScriptedWindow
{
  public:
    PointerCursor pointer;
    glm::dvec2 getCursorPosition() override { return pointer.getPosition(); }
    void setCursorPosition(glm::dvec2 position) override { pointer.setPosition(position); }
};

TEST_F(PlayerInput, InAPageTheViewTurnsAsFarAsTheCapturedMouseMoved)
{
    CapturedPointerWindow page;
    Player player{&page, &world, 1280, 720};
    page.pointer.setCaptured(true);
    player.update(0.016f);

    // 100 pixels right and 50 up in three reports between two input steps: 0.0006 rad a pixel.
    page.pointer.move(glm::dvec2(30.0, -20.0));
    page.pointer.move(glm::dvec2(50.0, -30.0));
    page.pointer.move(glm::dvec2(20.0, 0.0));
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.08f, 1e-5f) << "turned right";
    EXPECT_NEAR(player.verticalAngle, 0.03f, 1e-5f) << "looked up";

    // The next step, with no movement, turns no further: the look put the cursor back.
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.08f, 1e-5f);

    // Escape let the pointer go: moving over the page on the way elsewhere turns nothing.
    page.pointer.setCaptured(false);
    page.pointer.move(glm::dvec2(300.0, 200.0));
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.08f, 1e-5f);
    EXPECT_NEAR(player.verticalAngle, 0.03f, 1e-5f);
}

TEST_F(PlayerInput, WASDMoveTheShipByOneStepPerInputStep)
{
    faceAlongZ();
    input.hold(GLFW_KEY_W);
    player.update(0.016f);
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().z, 93.004f, 1e-5f) << "W: 0.002 forwards per step, along +z";
    EXPECT_NEAR(player.getPosition().x, -40.0f, 1e-5f);
    input.release(GLFW_KEY_W);

    input.hold(GLFW_KEY_S);
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().z, 93.002f, 1e-5f) << "S flies backwards";
    input.release(GLFW_KEY_S);

    // Looking along +z, the right hand is -x.
    input.hold(GLFW_KEY_D);
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().x, -40.002f, 1e-5f) << "D flies right";
    input.release(GLFW_KEY_D);

    input.hold(GLFW_KEY_A);
    player.update(0.016f);
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().x, -39.998f, 1e-5f) << "A flies left";
    EXPECT_NEAR(player.getPosition().y, 4.0f, 1e-5f);
    input.release(GLFW_KEY_A);

    // Nothing held: the ship stays and the last move's flags stay as they were.
    glm::vec3 stopped = player.getPosition();
    player.update(0.5f);
    EXPECT_EQ(player.getPosition(), stopped);
    EXPECT_FALSE(player.getCollisionFlags());
}

TEST_F(PlayerInput, EveryFunctionKeyPressChangesItsSettingOnceWithItsMessage)
{
    faceAlongZ();
    struct Case
    {
        int key;
        const char* firstPress;
        const char* secondPress;
    };
    const Case cases[] = {
        {GLFW_KEY_F2, "Display frame time: on\n", "Display frame time: off\n"},
        {GLFW_KEY_F3, "Wire frame: on\n", "Wire frame: off\n"},
        {GLFW_KEY_F4, "Texture sampling quality: Nearest neighbour\n", "Texture sampling quality: Bilinear\n"},
        {GLFW_KEY_F8, "View frustum culling: on\n", "View frustum culling: off\n"},
        {GLFW_KEY_F9, "Transparency: on\n", "Transparency: off\n"},
        {GLFW_KEY_F6, "HUD: off\n", "HUD: on\n"},
        {GLFW_KEY_M, "Sound: off\n", "Sound: on\n"},
    };
    for (const Case& c : cases)
    {
        input.tap(c.key);
        EXPECT_EQ(captureStdout([&] { player.update(0.016f); }), c.firstPress);
        // The press is used up: later input steps of the same frame and later frames say nothing.
        EXPECT_EQ(captureStdout([&] { player.update(0.016f); }), "");
        input.tap(c.key);
        EXPECT_EQ(captureStdout([&] { player.update(0.016f); }), c.secondPress);
    }
    EXPECT_FALSE(player.settings.showFrameTime);
    EXPECT_FALSE(player.settings.wireFrame);
    EXPECT_TRUE(player.settings.showHud) << "the display is on at start, and on again";
    EXPECT_FALSE(player.soundMuted);

    // The help text has no line end of its own.
    input.tap(GLFW_KEY_F1);
    EXPECT_EQ(captureStdout([&] { player.update(0.016f); }),
              "Display help: on\nHow to play: Shoot the things! Don't die!");
    EXPECT_TRUE(player.settings.showHelp);
    input.tap(GLFW_KEY_F1);
    EXPECT_EQ(captureStdout([&] { player.update(0.016f); }), "Display help: off\n");
}

TEST_F(PlayerInput, PressesWithinOneFrameAllCount)
{
    faceAlongZ();
    // Five presses of F5 before one input step: 1, 2, 0, 1, 2, each with its message.
    input.tap(GLFW_KEY_F5, 5);
    std::string said = captureStdout([&] { player.update(0.016f); });
    EXPECT_EQ(said, "Mip mapping quality: Nearest neighbour\n"
                    "Mip mapping quality: Linear\n"
                    "Mip mapping quality: off\n"
                    "Mip mapping quality: Nearest neighbour\n"
                    "Mip mapping quality: Linear\n");
    EXPECT_EQ(player.settings.mipMapMode, 2);

    // Two presses of F3 in one frame switch wire frame on and off again.
    input.tap(GLFW_KEY_F3, 2);
    EXPECT_EQ(captureStdout([&] { player.update(0.016f); }), "Wire frame: on\nWire frame: off\n");
    EXPECT_FALSE(player.settings.wireFrame);
}

TEST_F(PlayerInput, AHeldFunctionKeyActsOnceNotOnEveryStep)
{
    faceAlongZ();
    input.hold(GLFW_KEY_F8);
    std::string said = captureStdout(
        [&]
        {
            for (int i = 0; i < 10; i++)
            {
                player.update(0.016f);
            }
        });
    EXPECT_EQ(said, "View frustum culling: on\n");
}
