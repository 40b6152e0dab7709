#pragma once

#include "input/actions.h"
#include "input/game_window.h"

#include <glm/glm.hpp>

#include <string>

// How the player's own settings shape the input.
struct ControlSettings
{
    float mouseSensitivity = 1.0f; // a factor on the mouse look's 0.0006 radians per pixel
    bool invertMouseY = false;     // moving the mouse (or the right stick) up looks down
    float gamepadDeadZone = 0.15f; // a stick pushed less than this far counts as at rest
};

// The game's questions about input, by action: the window's keys and its gamepad through the actions
// table. Everything is read from the window when asked, so the many input steps of a frame each see
// the input as it is.
class Controls
{
  public:
    explicit Controls(GameWindow* window) : window(window) {}

    ControlSettings settings;

    // Whether the action's key, or one of its gamepad controls, is down now.
    bool isDown(Action action);
    // How often the action was pressed since it was last asked: its key's presses as the window
    // counted them, every one, and its gamepad buttons seen going down since the last ask.
    int takePresses(Action action);
    // How far a flying action is pushed, 0 to 1: 1 while its key is down, else how far the left stick
    // is pushed its way beyond the dead zone.
    float getPush(Action action);
    // The right stick beyond the dead zone: x to the right, y up, each from -1 to 1.
    glm::vec2 getLookStick();

    // While the game is paused the gamepad's quit control acts too.
    void setPaused(bool isPaused) { paused = isPaused; }
    // Once a frame: a gamepad coming or going says so on the console ("Gamepad: NAME", "Gamepad:
    // none"). True when the gamepad in use was lost, which pauses the game.
    bool followGamepad();

  private:
    bool isPadDown(const Binding& binding, const GamepadState& pad) const;
    // A stick past the dead zone, rescaled so the dead zone's edge is 0 and a full push 1.
    glm::vec2 stick(const GamepadState& pad, int xAxis, int yAxis) const;

    GameWindow* window;
    bool paused = false;
    bool padWasDown[static_cast<int>(Action::count)] = {};
    bool padConnected = false;
    std::string padName;
};
