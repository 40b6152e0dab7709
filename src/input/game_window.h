#pragma once

#include <glm/glm.hpp>

// A gamepad as GLFW's gamepad API names its controls: buttons by GLFW_GAMEPAD_BUTTON_*, axes by
// GLFW_GAMEPAD_AXIS_* (sticks from -1 to 1, y down; triggers from -1 at rest to 1).
struct GamepadState
{
    bool connected = false;
    const char* name = ""; // valid until the next poll
    bool buttons[15] = {};
    float axes[6] = {0.0f, 0.0f, 0.0f, 0.0f, -1.0f, -1.0f};
};

// The window the game plays in, as the player and the frame loop see it: its keys, cursor and
// gamepad, its focus and size, the clock, and showing a finished frame. The game's own reads GLFW
// (app/glfw_game_window.h); tests drive a scripted one, so play can be tested without a window.
// Keys are GLFW key codes; the game itself asks for actions (input/controls.h).
class GameWindow
{
  public:
    virtual ~GameWindow() = default;

    virtual double getTime() = 0; // seconds

    // Whether a key reads as down now. A key pressed and released since the last poll still reads
    // down once, for the first asker (sticky keys).
    virtual bool isKeyDown(int key) = 0;
    // How often the key went down since the last time it was asked: two quick presses within one
    // frame count two.
    virtual int takeKeyPresses(int key) = 0;

    // The first gamepad GLFW knows a mapping for, as it stood at the last poll.
    virtual GamepadState getGamepad() = 0;

    // The cursor in window coordinates (pixels from the top-left corner).
    virtual glm::dvec2 getCursorPosition() = 0;
    // Moves the cursor; the window system ignores this while the window is not focused.
    virtual void setCursorPosition(glm::dvec2 position) = 0;

    // Where the window's top-left corner is on the screen. A window manager may move the window while
    // the pointer stays put (sliding it back in from a minimize), which shifts the cursor in window
    // coordinates without any mouse movement.
    virtual glm::ivec2 getWindowPosition() = 0;
    virtual glm::ivec2 getWindowSize() = 0;      // window coordinates, the cursor's space
    virtual glm::ivec2 getFramebufferSize() = 0; // pixels; zero while minimized
    virtual bool isFocused() = 0;
    virtual bool isIconified() = 0;
    virtual bool shouldClose() = 0; // the close button was pressed

    // Shows the frame just drawn.
    virtual void present() = 0;
    // Takes in what happened since the last poll: keys, the cursor, focus, size.
    virtual void pollEvents() = 0;
    // The same, but first waits up to timeout seconds for something to happen (a paused game idles).
    virtual void waitEvents(double timeoutSeconds) = 0;
};
