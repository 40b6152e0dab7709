#pragma once

#include "input/game_window.h"
#include "input/pointer_cursor.h"

#include <string>

// The game's window in a web page: the canvas, and the page's keyboard, mouse and gamepad, read
// through Emscripten's HTML5 events. A click on the canvas captures the pointer (pointer lock), and
// only then is the game in front: Escape, which the browser keeps for itself, lets the pointer go and
// the game pauses. The canvas's drawing size follows the size the page gives it.
class WebGameWindow : public GameWindow
{
  public:
    // The canvas by its CSS selector ("#canvas"); installs the event handlers.
    explicit WebGameWindow(const char* canvas);
    ~WebGameWindow() override;
    WebGameWindow(const WebGameWindow&) = delete;
    WebGameWindow& operator=(const WebGameWindow&) = delete;

    double getTime() override;
    bool isKeyDown(int key) override;
    int takeKeyPresses(int key) override;
    GamepadState getGamepad() override;
    glm::dvec2 getCursorPosition() override;
    void setCursorPosition(glm::dvec2 position) override;
    glm::ivec2 getWindowPosition() override;
    glm::ivec2 getWindowSize() override;
    glm::ivec2 getFramebufferSize() override;
    // The page has the player's attention: the pointer is captured and the page is visible. Until
    // the first frame has been shown the game counts as in front, so the page shows the level as it
    // starts, then waits paused for the click.
    bool isFocused() override;
    bool isIconified() override;
    bool shouldClose() override;
    void present() override;
    void pollEvents() override;
    // A page cannot wait: this only remembers until when the game asked to idle, and isWaiting says
    // whether the next browser frame may be skipped.
    void waitEvents(double timeoutSeconds) override;

    // Whether the game asked to idle (a paused game redraws its picture only now and then) and
    // nothing has happened since.
    bool isWaiting();
    bool isPointerCaptured() const { return cursor.isCaptured(); }
    void releasePointer();
    // The page's still picture, for comparing it with the desktop's: the clock stands at 0 and the
    // game counts as in front without a click.
    void holdStill() { still = true; }

    // The page's events, as the handlers the constructor installs pass them on. keyChanged returns
    // whether the key is the game's, so the browser does not act on it as well (F5 would reload).
    bool keyChanged(const char* code, bool down, bool repeat, bool withShortcutModifier);
    void pointerMoved(glm::dvec2 movement);
    void clicked();
    void captureChanged(bool captured);
    void visibilityChanged(bool isHidden);
    void focusLost();

  private:
    void followCanvasSize();

    static constexpr int keyCount = 349; // GLFW_KEY_LAST + 1
    std::string canvas;
    bool held[keyCount] = {};
    bool pressedSincePoll[keyCount] = {}; // read as down once even if let go already (sticky keys)
    int presses[keyCount] = {};
    PointerCursor cursor;
    glm::ivec2 size = glm::ivec2(0);
    bool hidden = false;
    bool shownOnce = false;
    bool still = false;
    double idleUntil = 0.0;        // seconds on getTime's clock
    bool somethingHappened = true; // an event since waitEvents
    bool gamepadKnown = false;
    GamepadState knownGamepad;
    std::string gamepadName;
};
