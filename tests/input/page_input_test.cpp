#include "input/actions.h"
#include "input/dom_keys.h"
#include "input/glfw_names.h"
#include "input/pointer_cursor.h"
#include "input/standard_gamepad.h"

#include <gtest/gtest.h>

#include <cmath>

// What a web page's events become before the game sees them: keys by where they sit on the keyboard,
// a captured pointer's movements, and a gamepad in the browser's standard layout.

TEST(PageKeys, NamesByPlaceBecomeGlfwKeysAndEveryBoundKeyCanBePressed)
{
    EXPECT_EQ(keyFromDomCode("KeyW"), 87);
    EXPECT_EQ(keyFromDomCode("KeyA"), 65);
    EXPECT_EQ(keyFromDomCode("KeyZ"), 90);
    EXPECT_EQ(keyFromDomCode("Digit0"), 48);
    EXPECT_EQ(keyFromDomCode("Digit9"), 57);
    EXPECT_EQ(keyFromDomCode("Space"), 32);
    EXPECT_EQ(keyFromDomCode("Escape"), 256);
    EXPECT_EQ(keyFromDomCode("F1"), 290);
    EXPECT_EQ(keyFromDomCode("F10"), 299);
    EXPECT_EQ(keyFromDomCode("F12"), 301);
    EXPECT_EQ(keyFromDomCode("ArrowUp"), 265);

    // What the game has no key for, or no name a browser gives, is no key at all.
    for (const char* code :
         {"", "Key", "KeyAA", "Keya", "Digit10", "F0", "F13", "F1 ", "Numpad1", "IntlBackslash"})
    {
        EXPECT_EQ(keyFromDomCode(code), -1) << "'" << code << "'";
    }
    EXPECT_EQ(keyFromDomCode(nullptr), -1);

    // Every key of the actions table has the name a browser gives it.
    const char* codes[] = {"KeyW", "KeyS", "KeyD", "KeyA", "Space", "KeyP", "KeyM", "KeyR", "F1",
                           "F2",   "F3",   "F4",   "F5",   "F6",    "F8",   "F9",   "F12",  "Escape"};
    for (int action = 0; action < static_cast<int>(Action::count); ++action)
    {
        const Binding& binding = getBindings()[action];
        if (binding.key < 0)
        {
            continue;
        }
        bool reachable = false;
        for (const char* code : codes)
        {
            reachable = reachable || keyFromDomCode(code) == binding.key;
        }
        EXPECT_TRUE(reachable) << binding.keyName << " (" << binding.whatItDoes << ")";
    }
}

TEST(PageCursor, CapturedMovementsAddUpUntilTheLookPutsTheCursorBack)
{
    PointerCursor cursor;
    cursor.setPosition(glm::dvec2(640.0, 360.0));

    // Moving over the page without the capture turns nothing.
    cursor.move(glm::dvec2(35.0, -12.0));
    EXPECT_EQ(cursor.getPosition(), glm::dvec2(640.0, 360.0));

    // Captured, every movement between two reads counts, in pixels right and down.
    cursor.setCaptured(true);
    cursor.move(glm::dvec2(30.0, 4.0));
    cursor.move(glm::dvec2(-10.0, 6.0));
    cursor.move(glm::dvec2(400.0, 0.0));
    EXPECT_EQ(cursor.getPosition(), glm::dvec2(1060.0, 370.0));
    cursor.setPosition(glm::dvec2(640.0, 360.0));
    EXPECT_EQ(cursor.getPosition(), glm::dvec2(640.0, 360.0));

    // A browser's jump as the capture begins is no hand on the mouse, nor is a report that is not a
    // number.
    cursor.move(glm::dvec2(401.0, 0.0));
    cursor.move(glm::dvec2(0.0, -2000.0));
    cursor.move(glm::dvec2(std::nan(""), 1.0));
    EXPECT_EQ(cursor.getPosition(), glm::dvec2(640.0, 360.0));

    // Let go (Escape), the pointer again turns nothing.
    cursor.setCaptured(false);
    cursor.move(glm::dvec2(5.0, 5.0));
    EXPECT_EQ(cursor.getPosition(), glm::dvec2(640.0, 360.0));
}

TEST(PageGamepad, TheStandardLayoutBecomesGlfwsGamepad)
{
    StandardGamepad pad;
    pad.name = "Xbox 360 Controller (STANDARD GAMEPAD)";
    pad.standardLayout = true;
    pad.buttonsReported = 17;
    pad.axesReported = 4;
    pad.buttonsPressed[0] = true;  // bottom of the right cluster
    pad.buttonsPressed[9] = true;  // start
    pad.buttonsPressed[13] = true; // the pad's down
    pad.buttonValues[6] = 0.0;     // left trigger at rest
    pad.buttonValues[7] = 0.75;    // right trigger three quarters in
    pad.axes[0] = -0.5;            // left stick half left
    pad.axes[3] = 1.5;             // right stick down, beyond what a stick reports

    GamepadState state = fromStandardGamepad(pad);
    EXPECT_TRUE(state.connected);
    EXPECT_STREQ(state.name, "Xbox 360 Controller (STANDARD GAMEPAD)");
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_A]);
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_START]);
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_DPAD_DOWN]);
    EXPECT_FALSE(state.buttons[GLFW_GAMEPAD_BUTTON_B]);
    EXPECT_FALSE(state.buttons[GLFW_GAMEPAD_BUTTON_BACK]);
    EXPECT_FALSE(state.buttons[GLFW_GAMEPAD_BUTTON_DPAD_RIGHT]);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER], -1.0f);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER], 0.5f);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_LEFT_X], -0.5f);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_LEFT_Y], 0.0f);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y], 1.0f);

    // The guide and the pad's right sit elsewhere in GLFW's numbering than in the browser's.
    pad.buttonsPressed[15] = true;
    pad.buttonsPressed[16] = true;
    state = fromStandardGamepad(pad);
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_DPAD_RIGHT]);
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_GUIDE]);

    // A pad that reports fewer controls leaves the rest at rest: its triggers are not pressed.
    pad.buttonsReported = 4;
    pad.axesReported = 2;
    state = fromStandardGamepad(pad);
    EXPECT_TRUE(state.buttons[GLFW_GAMEPAD_BUTTON_A]);
    EXPECT_FALSE(state.buttons[GLFW_GAMEPAD_BUTTON_START]);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER], -1.0f);
    EXPECT_FLOAT_EQ(state.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y], 0.0f);

    // Without the standard layout nobody knows which control is which: no gamepad to play with.
    pad.standardLayout = false;
    EXPECT_FALSE(fromStandardGamepad(pad).connected);
}
