#pragma once

#include "input/game_window.h"

struct GLFWwindow;

// The game's window through GLFW. Key presses are counted as GLFW delivers them, so none is lost
// when several arrive within one frame; key states are polled as before.
class GlfwGameWindow : public GameWindow
{
  public:
    // Installs the key callback on window; one GlfwGameWindow per GLFW window.
    explicit GlfwGameWindow(GLFWwindow* window);

    double getTime() override;
    bool isKeyDown(int key) override;
    int takeKeyPresses(int key) override;
    GamepadState getGamepad() override;
    glm::dvec2 getCursorPosition() override;
    void setCursorPosition(glm::dvec2 position) override;
    glm::ivec2 getWindowPosition() override;
    glm::ivec2 getWindowSize() override;
    glm::ivec2 getFramebufferSize() override;
    bool isFocused() override;
    bool isIconified() override;
    bool shouldClose() override;
    void present() override;
    void pollEvents() override;
    void waitEvents(double timeoutSeconds) override;

  private:
    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void onFocus(GLFWwindow* window, int focused);
    static void onIconify(GLFWwindow* window, int iconified);
    static void onFramebufferSize(GLFWwindow* window, int width, int height);
    static void onWindowSize(GLFWwindow* window, int width, int height);
    void askWhereCursorAndWindowAre();

    static const int keyCount = 349; // GLFW_KEY_LAST + 1
    GLFWwindow* window;
    int presses[keyCount] = {};
    // Focus, minimizing and size arrive as events, so reading them costs no round trip per frame.
    bool focused = false;
    bool iconified = false;
    glm::ivec2 framebufferSize = glm::ivec2(0);
    glm::ivec2 windowSize = glm::ivec2(0);
    // Where the cursor and the window are, asked once per poll: the player reads them once per input
    // step, many times per frame, and each question is a round trip to the X server.
    bool cursorKnown = false;
    glm::dvec2 knownCursor = glm::dvec2(0.0);
    bool positionKnown = false;
    glm::ivec2 knownPosition = glm::ivec2(0);
    bool gamepadKnown = false;
    GamepadState knownGamepad;
};
