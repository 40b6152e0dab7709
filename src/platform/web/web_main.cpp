// Velmora in a web page: the same game as the desktop's, started in the page's canvas, run one frame
// for every frame the browser draws.
#include "app/config.h"
#include "app/data_paths.h"
#include "app/frame_loop.h"
#include "app/page_loop.h"
#include "app/startup.h"
#include "game/level.h"
#include "game/player.h"
#include "game/scene_object.h"
#include "game/session.h"
#include "platform/web/web_game_window.h"
#include "platform/web/web_page.h"
#include "render/console_wait.h"
#include "render/gl.h"
#include "render/wire_frame.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

// The size every off-screen texture and viewport has: the canvas's drawing size.
int windowWidth = 0;
int windowHeight = 0;

namespace
{
const char* const canvasSelector = "#canvas";

// Everything the page keeps from one browser frame to the next.
struct Page
{
    WebGameWindow* window = nullptr;
    GameLoop loop;
    PageLoop pageLoop;
    PageStatus status;
    std::string recordsFolder;
    bool recordsOpen = false;
    bool still = false;
    std::string loaderMessage; // a file a loader could not use, until the player clicks to play
    std::string shownMessage;
};

Page page;

// A loader's message, which the desktop's console would hold until a key is typed, stays on the
// page instead until the player clicks to play.
void showLoaderMessage(const char* message)
{
    // The loader's line has no end of its own (on the desktop the player's key ends it): it goes to
    // the browser's console now.
    endConsoleLines();
    page.loaderMessage = message;
    showPageMessage(page.loaderMessage);
    page.shownMessage = page.loaderMessage;
}

// A failed start-up: what is wrong, on the console and on the page. The page stays as it is.
int refuseToStart(const char* message)
{
    fprintf(stderr, "%s\n", message);
    showPageMessage(message);
    return -1;
}

// The WebGL 2 context on the canvas, with the float render targets the scene's light needs. The
// canvas's own picture only ever receives the composite's one full-screen quad: no depth, no
// samples, no alpha.
bool createContext()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0)
    {
        refuseToStart("This browser gives no WebGL 2: the game cannot start");
        return false;
    }
    emscripten_webgl_make_context_current(context);
    if (!emscripten_webgl_enable_extension(context, "EXT_color_buffer_float"))
    {
        refuseToStart("This browser's WebGL 2 cannot draw into float textures (EXT_color_buffer_float): the "
                      "game cannot start");
        return false;
    }
    return true;
}

// What the page says over the picture: a file the game could not use, the outcome when the display
// does not show it, or that a click plays.
void updateMessage()
{
    std::string message;
    if (page.window->isPointerCaptured())
    {
        page.loaderMessage.clear();
    }
    if (!page.loaderMessage.empty())
    {
        message = page.loaderMessage;
    }
    else if (page.pageLoop.state == PageState::outcome)
    {
        if (!player->settings.showHud)
        {
            message =
                std::string(getOutcomeMessage(page.loop.session->getFrame().outcome)) + "\nR: play again";
        }
    }
    else if (!page.window->isPointerCaptured() && !page.still && page.status.playedFrames > 0)
    {
        message = "Click to play";
    }
    if (message != page.shownMessage)
    {
        showPageMessage(message);
        page.shownMessage = message;
    }
}

void publish()
{
    PageStatus& status = page.status;
    status.paused = page.loop.paused;
    status.captured = page.window->isPointerCaptured();
    const PlayFrame& frame = page.loop.session->getFrame();
    status.outcome = page.pageLoop.state == PageState::outcome ? getOutcomeMessage(frame.outcome) : "";
    glm::vec3 place = projectile->getDynamicActor()->getGlobalPose().p;
    status.projectile[0] = place.x;
    status.projectile[1] = place.y;
    status.projectile[2] = place.z;
    status.yaw = player->horizontalAngle;
    status.wireFrame = isWireFrame();
    publishStatus(status);
}

void onBrowserFrame(void*)
{
    // The records are opened once the browser's storage has given back the player's folder.
    if (!page.recordsOpen)
    {
        if (!page.recordsFolder.empty() && !arePlayerFilesLoaded())
        {
            return;
        }
        page.loop.session->useRecords(page.recordsFolder);
        page.recordsOpen = true;
    }
    page.status.frames++;
    bool playing = page.pageLoop.state == PageState::playing;
    // A paused game redraws its picture only now and then, or when something happens.
    if (playing && page.window->isWaiting())
    {
        publish();
        return;
    }
    PageRequest request = runPageFrame(page.loop, page.pageLoop);
    if (playing && !page.loop.paused)
    {
        page.status.playedFrames++;
        const PlayFrame& frame = page.loop.session->getFrame();
        for (size_t i = 0; i < frame.eventCount; i++)
        {
            page.status.shots += frame.events[i].type == GameEventType::shotFired;
        }
    }
    if (request == PageRequest::releasePointer)
    {
        page.window->releasePointer();
    }
    else if (request == PageRequest::keepFiles)
    {
        keepPlayerFiles();
    }
    updateMessage();
    publish();
}
} // namespace

int main()
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    page.window = new WebGameWindow(canvasSelector);
    page.still = isStillPage();
    if (page.still)
    {
        page.window->holdStill();
    }
    if (!createContext())
    {
        return -1;
    }
    // The page lays the canvas out; config.txt's size stands in while it has none yet.
    WindowConfig config = readConfigFile("config.txt");
    glm::ivec2 canvas = page.window->getFramebufferSize();
    windowWidth = canvas.x > 0 ? canvas.x : config.width;
    windowHeight = canvas.y > 0 ? canvas.y : config.height;
    if (windowWidth <= 0 || windowHeight <= 0)
    {
        return refuseToStart("No size for the picture: the page gives the canvas none, and config.txt none");
    }
    setReaderWait(showLoaderMessage);
    createRendering(windowWidth, windowHeight);

    page.loop.window = page.window;
    createGame(page.loop);
    // The page said it was loading; from here on the game says what the page shows, at first a file
    // a loader could not use, if any.
    showPageMessage(page.loaderMessage);
    page.shownMessage = page.loaderMessage;
    // The player's records live where the desktop keeps them, kept by the browser across visits.
    // Settings are not part of the page; screenshots go to the browser's downloads.
    std::string dataHome = getDataHome();
    page.recordsFolder = dataHome.empty() ? "" : dataHome + "/velmora";
    if (!page.recordsFolder.empty())
    {
        mountPlayerFolder(page.recordsFolder);
    }
    page.loop.screenshotFolder = "downloads";
    // Not returning: the browser calls onBrowserFrame once for each frame it draws, for as long as
    // the page is open.
    emscripten_set_main_loop_arg(onBrowserFrame, nullptr, 0, 1);
    return 0;
}
