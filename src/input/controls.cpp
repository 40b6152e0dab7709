#include "input/controls.h"

#include "input/glfw_names.h"

#include <algorithm>
#include <cstdio>

glm::vec2 Controls::stick(const GamepadState& pad, int xAxis, int yAxis) const
{
    glm::vec2 push(pad.axes[xAxis], pad.axes[yAxis]);
    float length = glm::length(push);
    float deadZone = std::clamp(settings.gamepadDeadZone, 0.0f, 0.9f);
    if (!(length > deadZone))
    {
        return glm::vec2(0.0f);
    }
    float scaled = std::min(1.0f, (length - deadZone) / (1.0f - deadZone));
    return push / length * scaled;
}

bool Controls::isPadDown(const Binding& binding, const GamepadState& pad) const
{
    if (!pad.connected || (binding.padWhilePaused && !paused))
    {
        return false;
    }
    for (const PadControl& control : binding.pads)
    {
        switch (control.kind)
        {
        case PadControl::button:
            if (pad.buttons[control.index])
            {
                return true;
            }
            break;
        case PadControl::trigger:
            // At rest at -1, all the way in at 1: half way counts as pulled.
            if (pad.axes[control.index] > 0.0f)
            {
                return true;
            }
            break;
        case PadControl::axisPositive:
        case PadControl::axisNegative:
        {
            bool left = control.index == GLFW_GAMEPAD_AXIS_LEFT_X || control.index == GLFW_GAMEPAD_AXIS_LEFT_Y;
            glm::vec2 push = left ? stick(pad, GLFW_GAMEPAD_AXIS_LEFT_X, GLFW_GAMEPAD_AXIS_LEFT_Y)
                                  : stick(pad, GLFW_GAMEPAD_AXIS_RIGHT_X, GLFW_GAMEPAD_AXIS_RIGHT_Y);
            bool xAxis = control.index == GLFW_GAMEPAD_AXIS_LEFT_X || control.index == GLFW_GAMEPAD_AXIS_RIGHT_X;
            float value = xAxis ? push.x : push.y;
            if (control.kind == PadControl::axisPositive ? value > 0.0f : value < 0.0f)
            {
                return true;
            }
            break;
        }
        case PadControl::none:
            break;
        }
    }
    return false;
}

bool Controls::isDown(Action action)
{
    const Binding& binding = getBinding(action);
    if (binding.key >= 0 && window->isKeyDown(binding.key))
    {
        return true;
    }
    return isPadDown(binding, window->getGamepad());
}

int Controls::takePresses(Action action)
{
    const Binding& binding = getBinding(action);
    int presses = binding.key >= 0 ? window->takeKeyPresses(binding.key) : 0;
    bool padDown = isPadDown(binding, window->getGamepad());
    bool& wasDown = padWasDown[static_cast<int>(action)];
    if (padDown && !wasDown)
    {
        presses++;
    }
    wasDown = padDown;
    return presses;
}

float Controls::getPush(Action action)
{
    const Binding& binding = getBinding(action);
    if (binding.key >= 0 && window->isKeyDown(binding.key))
    {
        return 1.0f;
    }
    GamepadState pad = window->getGamepad();
    const PadControl& control = binding.pads[0];
    if (!pad.connected || (control.kind != PadControl::axisPositive && control.kind != PadControl::axisNegative))
    {
        return 0.0f;
    }
    glm::vec2 push = stick(pad, GLFW_GAMEPAD_AXIS_LEFT_X, GLFW_GAMEPAD_AXIS_LEFT_Y);
    float value = control.index == GLFW_GAMEPAD_AXIS_LEFT_X ? push.x : push.y;
    return std::max(0.0f, control.kind == PadControl::axisPositive ? value : -value);
}

glm::vec2 Controls::getLookStick()
{
    GamepadState pad = window->getGamepad();
    if (!pad.connected)
    {
        return glm::vec2(0.0f);
    }
    glm::vec2 push = stick(pad, GLFW_GAMEPAD_AXIS_RIGHT_X, GLFW_GAMEPAD_AXIS_RIGHT_Y);
    // GLFW's y grows downwards: pushed up is looking up.
    return glm::vec2(push.x, -push.y);
}

bool Controls::followGamepad()
{
    GamepadState pad = window->getGamepad();
    std::string name = pad.connected && pad.name != nullptr ? pad.name : "";
    if (pad.connected == padConnected && name == padName)
    {
        return false;
    }
    bool lost = padConnected && !pad.connected;
    padConnected = pad.connected;
    padName = name;
    printf("Gamepad: %s\n", pad.connected ? (name.empty() ? "unnamed" : name.c_str()) : "none");
    fflush(stdout);
    return lost;
}
