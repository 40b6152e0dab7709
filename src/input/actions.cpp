#include "input/actions.h"

#include "input/glfw_names.h"

namespace
{
const PadControl noPad{};

PadControl padButton(int button)
{
    return PadControl{PadControl::button, button};
}

PadControl padAxis(PadControl::Kind direction, int axis)
{
    return PadControl{direction, axis};
}

// In Action order. The mouse and the right stick look; the left stick flies as far per input step as
// its key, pushed all the way.
const Binding bindings[static_cast<int>(Action::count)] = {
    {Action::look, -1, {noPad, noPad}, false, "Mouse", "right stick", "look around"},
    {Action::flyForwards,
     GLFW_KEY_W,
     {padAxis(PadControl::axisNegative, GLFW_GAMEPAD_AXIS_LEFT_Y), noPad},
     false,
     "W",
     "left stick up",
     "fly forwards"},
    {Action::flyBackwards,
     GLFW_KEY_S,
     {padAxis(PadControl::axisPositive, GLFW_GAMEPAD_AXIS_LEFT_Y), noPad},
     false,
     "S",
     "left stick down",
     "fly backwards"},
    {Action::flyRight,
     GLFW_KEY_D,
     {padAxis(PadControl::axisPositive, GLFW_GAMEPAD_AXIS_LEFT_X), noPad},
     false,
     "D",
     "left stick right",
     "fly right"},
    {Action::flyLeft,
     GLFW_KEY_A,
     {padAxis(PadControl::axisNegative, GLFW_GAMEPAD_AXIS_LEFT_X), noPad},
     false,
     "A",
     "left stick left",
     "fly left"},
    {Action::fire,
     GLFW_KEY_SPACE,
     {padAxis(PadControl::trigger, GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER), padButton(GLFW_GAMEPAD_BUTTON_A)},
     false,
     "Space",
     "right trigger or A",
     "fire (held: the shot stays at your ship)"},
    {Action::pause,
     GLFW_KEY_P,
     {padButton(GLFW_GAMEPAD_BUTTON_START), noPad},
     false,
     "P",
     "Start",
     "pause and resume; after a game's end, play again"},
    {Action::mute, GLFW_KEY_M, {noPad, noPad}, false, "M", "", "sound off / on"},
    {Action::playAgain, GLFW_KEY_R, {noPad, noPad}, false, "R", "", "held: a new game; after a game's end, play again"},
    {Action::help, GLFW_KEY_F1, {padButton(GLFW_GAMEPAD_BUTTON_BACK), noPad}, false, "F1", "Back", "help on / off"},
    {Action::frameTime, GLFW_KEY_F2, {noPad, noPad}, false, "F2", "", "frame rate on / off"},
    {Action::wireFrame, GLFW_KEY_F3, {noPad, noPad}, false, "F3", "", "wire frame on / off"},
    {Action::textureSampling, GLFW_KEY_F4, {noPad, noPad}, false, "F4", "", "texture sampling: nearest / bilinear"},
    {Action::mipMapping, GLFW_KEY_F5, {noPad, noPad}, false, "F5", "", "mip mapping: nearest, linear, off"},
    {Action::display, GLFW_KEY_F6, {noPad, noPad}, false, "F6", "", "display on / off"},
    {Action::culling, GLFW_KEY_F8, {noPad, noPad}, false, "F8", "", "view-frustum culling on / off"},
    {Action::transparency, GLFW_KEY_F9, {noPad, noPad}, false, "F9", "", "transparency on / off"},
    {Action::screenshot, GLFW_KEY_F12, {noPad, noPad}, false, "F12", "", "save a screenshot"},
    {Action::quit, GLFW_KEY_ESCAPE, {padButton(GLFW_GAMEPAD_BUTTON_B), noPad}, true, "Escape", "B (while paused)",
     "quit"},
};
} // namespace

const Binding* getBindings()
{
    return bindings;
}

const Binding& getBinding(Action action)
{
    return bindings[static_cast<int>(action)];
}
