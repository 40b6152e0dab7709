#include "platform/web/web_game_window.h"

#include "input/dom_keys.h"
#include "input/glfw_names.h"
#include "input/standard_gamepad.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

namespace
{
WebGameWindow* windowOf(void* userData)
{
    return static_cast<WebGameWindow*>(userData);
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* event, void* userData)
{
    bool shortcut = event->ctrlKey || event->altKey || event->metaKey;
    return windowOf(userData)->keyChanged(event->code, type == EMSCRIPTEN_EVENT_KEYDOWN, event->repeat,
                                          shortcut);
}

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* event, void* userData)
{
    windowOf(userData)->pointerMoved(glm::dvec2(event->movementX, event->movementY));
    return EM_FALSE;
}

EM_BOOL onMouseDown(int, const EmscriptenMouseEvent*, void* userData)
{
    windowOf(userData)->clicked();
    return EM_FALSE;
}

EM_BOOL onPointerLockChange(int, const EmscriptenPointerlockChangeEvent* event, void* userData)
{
    windowOf(userData)->captureChanged(event->isActive != 0);
    return EM_FALSE;
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent* event, void* userData)
{
    windowOf(userData)->visibilityChanged(event->hidden != 0);
    return EM_FALSE;
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void* userData)
{
    windowOf(userData)->focusLost();
    return EM_FALSE;
}
} // namespace

WebGameWindow::WebGameWindow(const char* canvasSelector) : canvas(canvasSelector)
{
    const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(page, this, EM_TRUE, onKey);
    emscripten_set_keyup_callback(page, this, EM_TRUE, onKey);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, EM_TRUE, onMouseMove);
    emscripten_set_mousedown_callback(canvas.c_str(), this, EM_TRUE, onMouseDown);
    emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, EM_TRUE,
                                              onPointerLockChange);
    emscripten_set_visibilitychange_callback(this, EM_TRUE, onVisibilityChange);
    emscripten_set_blur_callback(page, this, EM_TRUE, onBlur);
    EmscriptenVisibilityChangeEvent visibility;
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS)
    {
        hidden = visibility.hidden != 0;
    }
    followCanvasSize();
}

WebGameWindow::~WebGameWindow()
{
    emscripten_html5_remove_all_event_listeners();
}

bool WebGameWindow::keyChanged(const char* code, bool down, bool repeat, bool withShortcutModifier)
{
    int key = keyFromDomCode(code);
    // Escape belongs to the browser, which lets the pointer go with it; keys with Ctrl, Alt or Meta
    // are the browser's shortcuts (Ctrl+R reloads).
    if (key < 0 || key >= keyCount || key == GLFW_KEY_ESCAPE || (down && withShortcutModifier))
    {
        return false;
    }
    somethingHappened = true;
    if (!down)
    {
        held[key] = false;
        return true;
    }
    held[key] = true;
    if (!repeat)
    {
        pressedSincePoll[key] = true;
        presses[key]++;
    }
    return true;
}

void WebGameWindow::pointerMoved(glm::dvec2 movement)
{
    if (cursor.isCaptured())
    {
        somethingHappened = true;
    }
    cursor.move(movement);
}

void WebGameWindow::clicked()
{
    // Only inside the click's own handler does the browser grant the capture.
    if (!cursor.isCaptured())
    {
        emscripten_request_pointerlock(canvas.c_str(), EM_FALSE);
    }
}

void WebGameWindow::captureChanged(bool captured)
{
    cursor.setCaptured(captured);
    somethingHappened = true;
}

void WebGameWindow::visibilityChanged(bool isHidden)
{
    hidden = isHidden;
    somethingHappened = true;
}

void WebGameWindow::focusLost()
{
    // Keys let go while another window has the keyboard never tell this page.
    for (int key = 0; key < keyCount; ++key)
    {
        held[key] = false;
    }
    somethingHappened = true;
}

void WebGameWindow::releasePointer()
{
    emscripten_exit_pointerlock();
}

double WebGameWindow::getTime()
{
    return still ? 0.0 : emscripten_get_now() / 1000.0;
}

bool WebGameWindow::isKeyDown(int key)
{
    if (key < 0 || key >= keyCount)
    {
        return false;
    }
    bool down = held[key] || pressedSincePoll[key];
    pressedSincePoll[key] = false;
    return down;
}

int WebGameWindow::takeKeyPresses(int key)
{
    if (key < 0 || key >= keyCount)
    {
        return 0;
    }
    int count = presses[key];
    presses[key] = 0;
    return count;
}

GamepadState WebGameWindow::getGamepad()
{
    // Read once per poll, so every input step of a frame sees the same pad.
    if (gamepadKnown)
    {
        return knownGamepad;
    }
    gamepadKnown = true;
    knownGamepad = GamepadState();
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS)
    {
        return knownGamepad;
    }
    int count = emscripten_get_num_gamepads();
    for (int index = 0; index < count; ++index)
    {
        EmscriptenGamepadEvent event;
        if (emscripten_get_gamepad_status(index, &event) != EMSCRIPTEN_RESULT_SUCCESS || !event.connected)
        {
            continue;
        }
        StandardGamepad pad;
        gamepadName = event.id;
        pad.name = gamepadName.c_str();
        pad.standardLayout = strcmp(event.mapping, "standard") == 0;
        pad.buttonsReported = event.numButtons;
        pad.axesReported = event.numAxes;
        for (int i = 0; i < StandardGamepad::buttonCount && i < event.numButtons; ++i)
        {
            pad.buttonValues[i] = event.analogButton[i];
            pad.buttonsPressed[i] = event.digitalButton[i] != 0;
        }
        for (int i = 0; i < StandardGamepad::axisCount && i < event.numAxes; ++i)
        {
            pad.axes[i] = event.axis[i];
        }
        knownGamepad = fromStandardGamepad(pad);
        if (knownGamepad.connected)
        {
            break;
        }
    }
    return knownGamepad;
}

glm::dvec2 WebGameWindow::getCursorPosition()
{
    return cursor.getPosition();
}

void WebGameWindow::setCursorPosition(glm::dvec2 position)
{
    cursor.setPosition(position);
}

glm::ivec2 WebGameWindow::getWindowPosition()
{
    // The canvas never moves under the pointer: a captured pointer has no position on the page.
    return glm::ivec2(0);
}

glm::ivec2 WebGameWindow::getWindowSize()
{
    return size;
}

glm::ivec2 WebGameWindow::getFramebufferSize()
{
    return size;
}

bool WebGameWindow::isFocused()
{
    return (cursor.isCaptured() || still || !shownOnce) && !hidden;
}

bool WebGameWindow::isIconified()
{
    return hidden;
}

bool WebGameWindow::shouldClose()
{
    return false;
}

void WebGameWindow::present()
{
    // The browser shows what was drawn once the frame's callback returns.
    shownOnce = true;
}

void WebGameWindow::followCanvasSize()
{
    // The page lays the canvas out (it fills the page); its drawing buffer takes that size, one
    // pixel per CSS pixel.
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    if (emscripten_get_element_css_size(canvas.c_str(), &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS)
    {
        return;
    }
    glm::ivec2 laidOut(static_cast<int>(std::lround(cssWidth)), static_cast<int>(std::lround(cssHeight)));
    if (laidOut != size)
    {
        size = laidOut;
        emscripten_set_canvas_element_size(canvas.c_str(), size.x, size.y);
        somethingHappened = true;
    }
}

void WebGameWindow::pollEvents()
{
    // The events themselves arrived between the browser's frames; what is left is the canvas's
    // size and the gamepad, which is read when asked.
    followCanvasSize();
    gamepadKnown = false;
}

void WebGameWindow::waitEvents(double timeoutSeconds)
{
    pollEvents();
    idleUntil = getTime() + timeoutSeconds;
    somethingHappened = false;
}

bool WebGameWindow::isWaiting()
{
    followCanvasSize();
    return !somethingHappened && getTime() < idleUntil;
}
