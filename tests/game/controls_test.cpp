// Input by action: every action from its key and from its gamepad control, and how the player's
// settings shape the look and the sticks. A scripted window stands for the keyboard, the mouse and a
// gamepad (no pad can be plugged into these machines); the ship flies in a bare physics world.
#include "game/player.h"
#include "input/controls.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

namespace
{
struct NoReports : SimulationEventCallback
{
    void onTrigger(TriggerPair*, uint32_t) override {}
};

// A gamepad control as a test sets it: a button, a stick pushed all the way, or a trigger pulled.
struct PadPush
{
    enum Kind
    {
        none,
        button,
        stick,
        trigger
    } kind;
    int index;
    float value;
};
} // namespace

class ControlsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        input.gamepad.connected = true;
        input.gamepad.name = "Test Pad";
    }

    void push(const PadPush& control, bool down)
    {
        GamepadState& pad = input.gamepad;
        switch (control.kind)
        {
        case PadPush::button:
            pad.buttons[control.index] = down;
            break;
        case PadPush::stick:
            pad.axes[control.index] = down ? control.value : 0.0f;
            break;
        case PadPush::trigger:
            pad.axes[control.index] = down ? 1.0f : -1.0f;
            break;
        case PadPush::none:
            break;
        }
    }

    NoReports reports;
    PhysicsWorld world{&reports};
    ScriptedWindow input;
    Player player{&input, &world, 1280, 720};
    Controls& controls = player.controls;
};

TEST_F(ControlsTest, EveryActionAnswersItsKeyAndItsGamepadControl)
{
    struct Expected
    {
        Action action;
        int key;
        PadPush pad;
    };
    const Expected expected[] = {
        {Action::flyForwards, GLFW_KEY_W, {PadPush::stick, GLFW_GAMEPAD_AXIS_LEFT_Y, -1.0f}},
        {Action::flyBackwards, GLFW_KEY_S, {PadPush::stick, GLFW_GAMEPAD_AXIS_LEFT_Y, 1.0f}},
        {Action::flyRight, GLFW_KEY_D, {PadPush::stick, GLFW_GAMEPAD_AXIS_LEFT_X, 1.0f}},
        {Action::flyLeft, GLFW_KEY_A, {PadPush::stick, GLFW_GAMEPAD_AXIS_LEFT_X, -1.0f}},
        {Action::fire, GLFW_KEY_SPACE, {PadPush::trigger, GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER, 1.0f}},
        {Action::fire, GLFW_KEY_SPACE, {PadPush::button, GLFW_GAMEPAD_BUTTON_A, 1.0f}},
        {Action::pause, GLFW_KEY_P, {PadPush::button, GLFW_GAMEPAD_BUTTON_START, 1.0f}},
        {Action::mute, GLFW_KEY_M, {PadPush::none, 0, 0.0f}},
        {Action::playAgain, GLFW_KEY_R, {PadPush::none, 0, 0.0f}},
        {Action::help, GLFW_KEY_F1, {PadPush::button, GLFW_GAMEPAD_BUTTON_BACK, 1.0f}},
        {Action::frameTime, GLFW_KEY_F2, {PadPush::none, 0, 0.0f}},
        {Action::wireFrame, GLFW_KEY_F3, {PadPush::none, 0, 0.0f}},
        {Action::textureSampling, GLFW_KEY_F4, {PadPush::none, 0, 0.0f}},
        {Action::mipMapping, GLFW_KEY_F5, {PadPush::none, 0, 0.0f}},
        {Action::display, GLFW_KEY_F6, {PadPush::none, 0, 0.0f}},
        {Action::culling, GLFW_KEY_F8, {PadPush::none, 0, 0.0f}},
        {Action::transparency, GLFW_KEY_F9, {PadPush::none, 0, 0.0f}},
        {Action::screenshot, GLFW_KEY_F12, {PadPush::none, 0, 0.0f}},
    };
    for (const Expected& e : expected)
    {
        SCOPED_TRACE(getBinding(e.action).whatItDoes);
        EXPECT_FALSE(controls.isDown(e.action));
        input.hold(e.key);
        EXPECT_TRUE(controls.isDown(e.action)) << "its key";
        EXPECT_EQ(controls.takePresses(e.action), 1);
        input.release(e.key);
        EXPECT_FALSE(controls.isDown(e.action));
        input.tap(e.key, 2);
        EXPECT_EQ(controls.takePresses(e.action), 2) << "two quick presses of its key count two";
        if (e.pad.kind == PadPush::none)
        {
            continue;
        }
        push(e.pad, true);
        EXPECT_TRUE(controls.isDown(e.action)) << "its gamepad control";
        EXPECT_EQ(controls.takePresses(e.action), 1) << "pressed once";
        EXPECT_EQ(controls.takePresses(e.action), 0) << "and held, not pressed again";
        push(e.pad, false);
        EXPECT_FALSE(controls.isDown(e.action));
        EXPECT_EQ(controls.takePresses(e.action), 0);
    }

    // Escape quits; B quits only while the game is paused.
    input.hold(GLFW_KEY_ESCAPE);
    EXPECT_TRUE(controls.isDown(Action::quit));
    input.release(GLFW_KEY_ESCAPE);
    input.gamepad.buttons[GLFW_GAMEPAD_BUTTON_B] = true;
    EXPECT_FALSE(controls.isDown(Action::quit)) << "B during play";
    controls.setPaused(true);
    EXPECT_TRUE(controls.isDown(Action::quit)) << "B while paused";
}

TEST_F(ControlsTest, TheLeftStickFliesAsFarAsItsKeyAndTheDeadZoneSwallowsSmallTilts)
{
    player.update(0.016f);
    player.horizontalAngle = 0.0f;
    player.verticalAngle = 0.0f;
    // One step along the view with W: 1/500 of a unit.
    input.hold(GLFW_KEY_W);
    player.update(0.016f);
    input.release(GLFW_KEY_W);
    float keyStep = player.getPosition().z - 93.0f;
    ASSERT_NEAR(keyStep, 0.002f, 1e-5f);

    input.gamepad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = -1.0f;
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().z - 93.0f, 2.0f * keyStep, 1e-6f) << "pushed all the way: the key's step";
    EXPECT_TRUE(player.flying);

    // Half way beyond the 0.15 dead zone: half a step.
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = -0.575f;
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().z - 93.0f, 2.5f * keyStep, 1e-6f);

    // A tilt inside the dead zone flies nowhere; a wider zone swallows a bigger one.
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = -0.12f;
    player.update(0.016f);
    EXPECT_NEAR(player.getPosition().z - 93.0f, 2.5f * keyStep, 1e-6f);
    EXPECT_FALSE(player.flying);
    controls.settings.gamepadDeadZone = 0.5f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = -0.45f;
    EXPECT_FALSE(controls.isDown(Action::flyForwards));
    EXPECT_EQ(controls.getPush(Action::flyForwards), 0.0f);
}

TEST_F(ControlsTest, SensitivityScalesTheTurnAndInversionFlipsOnlyTheVerticalLook)
{
    player.update(0.016f);
    // 100 pixels right and 100 up: 0.0006 rad a pixel, at sensitivity 2 twice that.
    controls.settings.mouseSensitivity = 2.0f;
    input.cursor = glm::dvec2(740.0, 260.0);
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.14f - 0.12f, 1e-5f);
    EXPECT_NEAR(player.verticalAngle, 0.12f, 1e-5f) << "the mouse up looks up";

    controls.settings.mouseSensitivity = 1.0f;
    controls.settings.invertMouseY = true;
    input.cursor = glm::dvec2(740.0, 260.0);
    player.update(0.016f);
    EXPECT_NEAR(player.horizontalAngle, 7.14f - 0.18f, 1e-5f) << "still turns right";
    EXPECT_NEAR(player.verticalAngle, 0.06f, 1e-5f) << "inverted, the mouse up looks down";

    // The right stick, once a frame: all the way right for 0.1 s turns 0.3 rad right; all the way up,
    // inverted, looks 0.3 down; at sensitivity 2 the turn is 0.6.
    player.horizontalAngle = 0.0f;
    player.verticalAngle = 0.0f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X] = 1.0f;
    player.lookWithStick(0.1f);
    EXPECT_NEAR(player.horizontalAngle, -0.3f, 1e-5f);
    EXPECT_NEAR(player.verticalAngle, 0.0f, 1e-6f);
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X] = 0.0f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y] = -1.0f;
    player.lookWithStick(0.1f);
    EXPECT_NEAR(player.horizontalAngle, -0.3f, 1e-5f);
    EXPECT_NEAR(player.verticalAngle, -0.3f, 1e-5f);
    controls.settings.invertMouseY = false;
    controls.settings.mouseSensitivity = 2.0f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y] = 0.0f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X] = 1.0f;
    player.lookWithStick(0.1f);
    EXPECT_NEAR(player.horizontalAngle, -0.9f, 1e-5f);

    // Inside the dead zone it turns nothing.
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X] = 0.1f;
    input.gamepad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y] = 0.1f;
    player.lookWithStick(0.1f);
    EXPECT_NEAR(player.horizontalAngle, -0.9f, 1e-6f);
}

TEST_F(ControlsTest, AGamepadComingAndGoingIsSaid)
{
    ScriptedWindow bare;
    Controls none(&bare);
    EXPECT_EQ(captureStdout([&] { EXPECT_FALSE(none.followGamepad()); }), "") << "no pad, no word";

    EXPECT_EQ(captureStdout([&] { EXPECT_FALSE(controls.followGamepad()); }), "Gamepad: Test Pad\n");
    EXPECT_EQ(captureStdout([&] { EXPECT_FALSE(controls.followGamepad()); }), "");
    input.gamepad.connected = false;
    EXPECT_EQ(captureStdout([&] { EXPECT_TRUE(controls.followGamepad()); }), "Gamepad: none\n")
        << "lost: the game pauses";
    input.gamepad.buttons[GLFW_GAMEPAD_BUTTON_A] = true;
    EXPECT_FALSE(controls.isDown(Action::fire)) << "a pad that is gone presses nothing";
}
