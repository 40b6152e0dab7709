#pragma once

#include "input/game_window.h"

// A gamepad as a browser reports it (the Gamepad API) with the "standard" layout, the browser's
// equivalent of a GLFW mapping: buttons 0 to 3 the right cluster (bottom, right, left, top), 4 and 5
// the bumpers, 6 and 7 the triggers (pressed from 0 to 1), 8 back, 9 start, 10 and 11 the sticks'
// clicks, 12 to 15 the pad (up, down, left, right), 16 the guide; axes 0 and 1 the left stick, 2 and 3
// the right, each from -1 to 1 with y down.
struct StandardGamepad
{
    static constexpr int buttonCount = 17;
    static constexpr int axisCount = 4;
    const char* name = "";
    bool standardLayout = false; // the browser knows which control is which
    int buttonsReported = 0;     // how many of the buttons it reported, in order
    int axesReported = 0;
    double buttonValues[buttonCount] = {}; // 0 to 1; the triggers in between
    bool buttonsPressed[buttonCount] = {};
    double axes[axisCount] = {};
};

// The same pad as GLFW's gamepad API names its controls (GamepadState), which the game's actions
// read. A pad without the standard layout gives a pad that is not connected: as on the desktop, only
// a pad whose controls are known is played with.
GamepadState fromStandardGamepad(const StandardGamepad& pad);
