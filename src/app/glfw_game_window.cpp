#include "app/glfw_game_window.h"

#include <GLFW/glfw3.h>

GlfwGameWindow::GlfwGameWindow(GLFWwindow* window) : window(window)
{
    glfwSetWindowUserPointer(window, this);
    glfwSetKeyCallback(window, onKey);
    glfwSetWindowFocusCallback(window, onFocus);
    glfwSetWindowIconifyCallback(window, onIconify);
    glfwSetFramebufferSizeCallback(window, onFramebufferSize);
    glfwSetWindowSizeCallback(window, onWindowSize);
    focused = glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_TRUE;
    iconified = glfwGetWindowAttrib(window, GLFW_ICONIFIED) == GLFW_TRUE;
    glfwGetFramebufferSize(window, &framebufferSize.x, &framebufferSize.y);
    glfwGetWindowSize(window, &windowSize.x, &windowSize.y);
}

static GlfwGameWindow* gameWindowOf(GLFWwindow* window)
{
    return static_cast<GlfwGameWindow*>(glfwGetWindowUserPointer(window));
}

void GlfwGameWindow::onKey(GLFWwindow* window, int key, int, int action, int)
{
    GlfwGameWindow* self = gameWindowOf(window);
    if (action == GLFW_PRESS && key >= 0 && key < keyCount)
    {
        self->presses[key]++;
    }
}

void GlfwGameWindow::onFocus(GLFWwindow* window, int focused)
{
    gameWindowOf(window)->focused = focused == GLFW_TRUE;
}

void GlfwGameWindow::onIconify(GLFWwindow* window, int iconified)
{
    gameWindowOf(window)->iconified = iconified == GLFW_TRUE;
}

void GlfwGameWindow::onFramebufferSize(GLFWwindow* window, int width, int height)
{
    gameWindowOf(window)->framebufferSize = glm::ivec2(width, height);
}

void GlfwGameWindow::onWindowSize(GLFWwindow* window, int width, int height)
{
    gameWindowOf(window)->windowSize = glm::ivec2(width, height);
}

double GlfwGameWindow::getTime()
{
    return glfwGetTime();
}

bool GlfwGameWindow::isKeyDown(int key)
{
    return glfwGetKey(window, key) == GLFW_PRESS;
}

int GlfwGameWindow::takeKeyPresses(int key)
{
    if (key < 0 || key >= keyCount)
    {
        return 0;
    }
    int count = presses[key];
    presses[key] = 0;
    return count;
}

GamepadState GlfwGameWindow::getGamepad()
{
    // Read once per poll: GLFW takes in the pad's events as it is asked, and the input steps of a
    // frame should all see the same pad.
    if (gamepadKnown)
    {
        return knownGamepad;
    }
    gamepadKnown = true;
    knownGamepad = GamepadState();
    for (int joystick = GLFW_JOYSTICK_1; joystick <= GLFW_JOYSTICK_LAST; joystick++)
    {
        GLFWgamepadstate state;
        if (glfwJoystickIsGamepad(joystick) && glfwGetGamepadState(joystick, &state))
        {
            knownGamepad.connected = true;
            const char* name = glfwGetGamepadName(joystick);
            knownGamepad.name = name != nullptr ? name : "";
            for (int button = 0; button <= GLFW_GAMEPAD_BUTTON_LAST; button++)
            {
                knownGamepad.buttons[button] = state.buttons[button] == GLFW_PRESS;
            }
            for (int axis = 0; axis <= GLFW_GAMEPAD_AXIS_LAST; axis++)
            {
                knownGamepad.axes[axis] = state.axes[axis];
            }
            break;
        }
    }
    return knownGamepad;
}

// The cursor is read first and the window's place after it: a window manager may move the window
// while the two are asked (as it restores a minimized window, say). A move before the cursor is read
// shows in both; a move between them shows as a new place, and a new place is no turn. Read the other
// way round, a cursor read against a place already old would count the move as a turn.
void GlfwGameWindow::askWhereCursorAndWindowAre()
{
    glfwGetCursorPos(window, &knownCursor.x, &knownCursor.y);
    glfwGetWindowPos(window, &knownPosition.x, &knownPosition.y);
    cursorKnown = true;
    positionKnown = true;
}

glm::dvec2 GlfwGameWindow::getCursorPosition()
{
    if (!cursorKnown)
    {
        askWhereCursorAndWindowAre();
    }
    return knownCursor;
}

void GlfwGameWindow::setCursorPosition(glm::dvec2 position)
{
    glfwSetCursorPos(window, position.x, position.y);
    // The window system only moves the cursor of a focused window; otherwise it stays where it was.
    if (isFocused())
    {
        knownCursor = position;
        cursorKnown = true;
    }
    else
    {
        cursorKnown = false;
    }
}

glm::ivec2 GlfwGameWindow::getWindowPosition()
{
    if (!positionKnown)
    {
        askWhereCursorAndWindowAre();
    }
    return knownPosition;
}

glm::ivec2 GlfwGameWindow::getWindowSize()
{
    return windowSize;
}

glm::ivec2 GlfwGameWindow::getFramebufferSize()
{
    return framebufferSize;
}

bool GlfwGameWindow::isFocused()
{
    return focused;
}

bool GlfwGameWindow::isIconified()
{
    return iconified;
}

bool GlfwGameWindow::shouldClose()
{
    return glfwWindowShouldClose(window) != 0;
}

void GlfwGameWindow::present()
{
    glfwSwapBuffers(window);
}

void GlfwGameWindow::pollEvents()
{
    glfwPollEvents();
    // The pointer and the window may have moved since they were last asked for.
    cursorKnown = false;
    positionKnown = false;
    gamepadKnown = false;
}

void GlfwGameWindow::waitEvents(double timeoutSeconds)
{
    glfwWaitEventsTimeout(timeoutSeconds);
    cursorKnown = false;
    positionKnown = false;
    gamepadKnown = false;
}
