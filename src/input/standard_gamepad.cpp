#include "input/standard_gamepad.h"

#include "input/glfw_names.h"

#include <algorithm>

namespace
{
// GLFW's button for each standard button, in the standard order; -1 for the triggers, which GLFW
// reads as axes.
const int glfwButtons[StandardGamepad::buttonCount] = {
    GLFW_GAMEPAD_BUTTON_A,
    GLFW_GAMEPAD_BUTTON_B,
    GLFW_GAMEPAD_BUTTON_X,
    GLFW_GAMEPAD_BUTTON_Y,
    GLFW_GAMEPAD_BUTTON_LEFT_BUMPER,
    GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER,
    -1,
    -1,
    GLFW_GAMEPAD_BUTTON_BACK,
    GLFW_GAMEPAD_BUTTON_START,
    GLFW_GAMEPAD_BUTTON_LEFT_THUMB,
    GLFW_GAMEPAD_BUTTON_RIGHT_THUMB,
    GLFW_GAMEPAD_BUTTON_DPAD_UP,
    GLFW_GAMEPAD_BUTTON_DPAD_DOWN,
    GLFW_GAMEPAD_BUTTON_DPAD_LEFT,
    GLFW_GAMEPAD_BUTTON_DPAD_RIGHT,
    GLFW_GAMEPAD_BUTTON_GUIDE,
};
const int leftTrigger = 6;
const int rightTrigger = 7;

float clampedAxis(double value)
{
    return static_cast<float>(std::clamp(value, -1.0, 1.0));
}
} // namespace

GamepadState fromStandardGamepad(const StandardGamepad& pad)
{
    GamepadState state;
    if (!pad.standardLayout)
    {
        return state;
    }
    state.connected = true;
    state.name = pad.name != nullptr ? pad.name : "";
    int buttons = std::min(pad.buttonsReported, StandardGamepad::buttonCount);
    for (int i = 0; i < buttons; ++i)
    {
        if (glfwButtons[i] >= 0)
        {
            state.buttons[glfwButtons[i]] = pad.buttonsPressed[i];
        }
    }
    // A trigger at rest reads -1 to GLFW and 0 to the browser; pressed all the way, 1 to both.
    if (buttons > leftTrigger)
    {
        state.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER] = clampedAxis(pad.buttonValues[leftTrigger] * 2.0 - 1.0);
    }
    if (buttons > rightTrigger)
    {
        state.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] = clampedAxis(pad.buttonValues[rightTrigger] * 2.0 - 1.0);
    }
    // The sticks' axes are numbered alike, y down in both.
    int axes = std::min(pad.axesReported, StandardGamepad::axisCount);
    for (int i = 0; i < axes; ++i)
    {
        state.axes[i] = clampedAxis(pad.axes[i]);
    }
    return state;
}
