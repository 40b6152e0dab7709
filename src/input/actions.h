#pragma once

// Everything the player can do, and the one table that binds each action to its key and gamepad
// controls. The player, the frame loop and the help panel read this table; the README lists it too.

enum class Action
{
    look,            // the mouse, or the right stick
    flyForwards,
    flyBackwards,
    flyRight,
    flyLeft,
    fire,
    pause,           // after a game's end: play again
    mute,
    playAgain,       // held half a second during play, or pressed after a game's end
    help,            // F1
    frameTime,       // F2
    wireFrame,       // F3
    textureSampling, // F4
    mipMapping,      // F5
    display,         // F6
    culling,         // F8
    transparency,    // F9
    screenshot,
    quit,
    count,
};

// A gamepad control: a button, or one direction of an axis pushed past the dead zone.
struct PadControl
{
    enum Kind
    {
        none,
        button,       // index is a GLFW_GAMEPAD_BUTTON_*
        axisPositive, // index is a GLFW_GAMEPAD_AXIS_*: pushed towards +1 (a stick right or down)
        axisNegative, // towards -1 (a stick left or up)
        trigger,      // a trigger, at rest at -1: pressed past the middle
    };
    Kind kind = none;
    int index = 0;
};

struct Binding
{
    Action action;
    int key;               // a GLFW_KEY_*, or -1 for none (look is the mouse)
    PadControl pads[2];    // up to two controls on a gamepad
    bool padWhilePaused;   // the pad's controls act only while the game is paused
    const char* keyName;   // as the help panel and the README name the key
    const char* padName;   // "" for an action without a gamepad control
    const char* whatItDoes;
};

// Every action in Action order.
const Binding* getBindings();
const Binding& getBinding(Action action);
