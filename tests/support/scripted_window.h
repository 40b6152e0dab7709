#pragma once

#include "input/game_window.h"

#include <map>
#include <set>

// A game window driven by the test: keys are held or pressed, the cursor is put somewhere, the clock
// is set, and presented frames and polls are counted. Like the real one, it only moves the cursor
// for the game while it has the focus.
class ScriptedWindow : public GameWindow
{
  public:
    double time = 0.0;
    std::set<int> keysDown;
    std::map<int, int> presses;
    glm::dvec2 cursor = glm::dvec2(640.0, 360.0);
    glm::ivec2 windowPosition = glm::ivec2(0, 0);
    glm::ivec2 windowSize = glm::ivec2(1280, 720);
    glm::ivec2 framebufferSize = glm::ivec2(1280, 720);
    bool focused = true;
    bool iconified = false;
    bool closeRequested = false;
    GamepadState gamepad; // not connected unless the test plugs one in
    int presented = 0;
    int polls = 0;

    // A key that goes down (and is counted as a press) and stays down until released.
    void hold(int key)
    {
        if (keysDown.insert(key).second)
        {
            presses[key]++;
        }
    }
    void release(int key) { keysDown.erase(key); }
    // A press and release between two polls.
    void tap(int key, int times = 1) { presses[key] += times; }

    double getTime() override { return time; }
    bool isKeyDown(int key) override { return keysDown.count(key) != 0; }
    int takeKeyPresses(int key) override
    {
        int count = presses[key];
        presses[key] = 0;
        return count;
    }
    GamepadState getGamepad() override { return gamepad; }
    glm::dvec2 getCursorPosition() override { return cursor; }
    void setCursorPosition(glm::dvec2 position) override
    {
        if (focused)
        {
            cursor = position;
        }
    }
    glm::ivec2 getWindowPosition() override { return windowPosition; }
    glm::ivec2 getWindowSize() override { return windowSize; }
    glm::ivec2 getFramebufferSize() override { return framebufferSize; }
    bool isFocused() override { return focused; }
    bool isIconified() override { return iconified; }
    bool shouldClose() override { return closeRequested; }
    void present() override { presented++; }
    void pollEvents() override { polls++; }
    // Waiting passes the time waited on the scripted clock.
    void waitEvents(double timeoutSeconds) override
    {
        polls++;
        time += timeoutSeconds;
    }
};
