#include "app/frame_loop.h"

#include "app/startup.h"
#include "game/console.h"
#include "game/feedback.h"
#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "game/session.h"
#include "hud/hud.h"
#include "input/game_window.h"
#include "physics/physics_world.h"
#include "render/bmp.h"
#include "render/bursts.h"
#include "render/post.h"
#include "render/shader.h"
#include "render/wire_frame.h"
#include "screenshot/screenshot.h"
#include "sound/sound.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

GLuint mainProgram = 0;
GLuint blurProgram = 0;
ContactReportCallback* contactReportCallback = nullptr;
Player* player = nullptr;

// Culling looks less far than the camera: a 60 degree frustum from 1 to 100 units.
static const float cullingFovDegrees = 60.0f;
static const float cullingNear = 1.0f;
static const float cullingFar = 100.0f;
// How long the last picture stays after an outcome, seconds, and how often the wait looks for R.
static const double outcomeWait = 3.0;
static const double outcomeWaitPoll = 0.05;
// A paused game redraws its picture at most this often (seconds between frames), unless an event
// arrives sooner.
static const double pausedFrameInterval = 0.1;
// How bright the picture of a paused game is.
static const float pausedBrightness = 0.45f;
// The display's font: the game folder's own copy, else the one Debian's fonts-dejavu-core installs.
static const char* const fontFile = "Font/DejaVuSans-Bold.ttf";
static const char* const systemFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

void createRendering(int width, int height)
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    // A very dark blue: also what every scene output holds where nothing is drawn.
    glClearColor(0.0f, 0.0f, 0.04f, 1.0f);

    createPostProcessing(width, height);
}

void createGame(GameLoop& loop)
{
    mainProgram = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
    blurProgram = loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
    glUseProgram(mainProgram);

    // The callback must exist before the world that reports to it.
    contactReportCallback = new ContactReportCallback();
    loop.physicsWorld = new PhysicsWorld(contactReportCallback);

    glm::ivec2 windowSize = loop.window->getWindowSize();
    player = new Player(loop.window, loop.physicsWorld, windowSize.x, windowSize.y);
    player->setFrustumShape(cullingFovDegrees, static_cast<float>(windowWidth) / static_cast<float>(windowHeight),
                            cullingNear, cullingFar);

    createHud(access(fontFile, R_OK) == 0 || access(systemFontFile, R_OK) != 0 ? fontFile : systemFontFile);
    createBursts();
    startSound("Sound/");
    loop.session = new GameSession(loop.physicsWorld, player, mainProgram);
    loop.session->start();

    loop.previousViewProjection = glm::mat4(1.0f);
    loop.previousTime = loop.window->getTime();
}

void startNewGame(GameLoop& loop)
{
    loop.session->restart();
    // No first step that spans the outcome's wait, no smear from the last game's camera.
    loop.previousTime = loop.window->getTime();
    loop.previousViewProjection = glm::mat4(1.0f);
    loop.shownPreviousViewProjection = glm::mat4(1.0f);
    loop.shownProjection = glm::mat4(1.0f);
    loop.shownView = glm::mat4(1.0f);
    loop.pausedByPlayer = false;
    if (loop.paused)
    {
        loop.paused = false;
        setSoundPaused(false);
    }
    loop.frameRate.reset();
}

// The sampling keys re-filter every model texture, but only once the player has changed one:
// until then the textures keep the trilinear filtering they were loaded with.
static void applyTextureSettings(GameLoop& loop)
{
    const RenderSettings& settings = player->settings;
    textureFilter = settings.nearestSampling ? GL_NEAREST : GL_LINEAR;
    if (settings.nearestSampling == loop.nearestSampling && settings.mipMapMode == loop.mipMapMode)
    {
        return;
    }
    loop.nearestSampling = settings.nearestSampling;
    loop.mipMapMode = settings.mipMapMode;
    for (auto& entry : modelCache)
    {
        applyTextureSampling(entry.second->texture, loop.nearestSampling, loop.mipMapMode);
    }
}

// Draws the rock in the massive station's frame, using the matrices both were last drawn with.
static void attachRockToStation()
{
    Model* station = sceneObjects[massiveStationId]->getModel();
    Model* rock = sceneObjects[rockId]->getModel();
    rock->setOverride(station->getModelMatrix() * rock->getModelMatrix());
}

// The pause action, a lost gamepad, and a window the player is not looking at (not focused,
// minimized, nothing to draw into) pause the game. Returns whether this frame is paused.
static bool followPause(GameLoop& loop)
{
    GameWindow& window = *loop.window;
    Controls& controls = player->controls;
    for (int n = controls.takePresses(Action::pause); n > 0; n--)
    {
        loop.pausedByPlayer = !loop.pausedByPlayer;
    }
    if (controls.followGamepad())
    {
        loop.pausedByPlayer = true;
    }
    glm::ivec2 framebuffer = window.getFramebufferSize();
    bool paused = loop.pausedByPlayer || !window.isFocused() || window.isIconified() || framebuffer.x <= 0 ||
                  framebuffer.y <= 0;
    if (paused != loop.paused)
    {
        loop.paused = paused;
        controls.setPaused(paused);
        announce(paused ? "Pause: on" : "Pause: off");
        setSoundPaused(paused);
        if (!paused)
        {
            // The simulation never sees the paused time, where the pointer went meanwhile is not a
            // turn, and keys pressed meanwhile neither fly nor fire.
            loop.previousTime = window.getTime();
            player->resumeAfterPause();
        }
    }
    return paused;
}

// The off-screen targets, the viewports, the projection, the culling frustum and the cursor's
// centre all follow the window's size.
static void followWindowSize(GameLoop& loop)
{
    glm::ivec2 framebuffer = loop.window->getFramebufferSize();
    if (framebuffer.x > 0 && framebuffer.y > 0 && (framebuffer.x != windowWidth || framebuffer.y != windowHeight))
    {
        windowWidth = framebuffer.x;
        windowHeight = framebuffer.y;
        resizePostProcessing(windowWidth, windowHeight);
        player->setFrustumShape(cullingFovDegrees,
                                static_cast<float>(windowWidth) / static_cast<float>(windowHeight), cullingNear,
                                cullingFar);
        // The next composite starts the motion blur afresh: a new shape is not a turn.
        loop.targetsRemade = true;
    }
    glm::ivec2 windowSize = loop.window->getWindowSize();
    if (windowSize.x > 0 && windowSize.y > 0 && (windowSize.x != player->width || windowSize.y != player->height))
    {
        player->setWindowSize(windowSize.x, windowSize.y);
        // The pointer sits at the old centre: that is no turn either.
        player->recentreCursor();
    }
}

// Wire frame and transparency apply to everything drawn this frame, the full-screen passes too.
static void applyDrawSettings(const RenderSettings& settings)
{
    setWireFrame(settings.wireFrame);
    if (settings.transparency)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    else
    {
        glDisable(GL_BLEND);
    }
}

// The composite covers the whole window; only the lines of wire frame and blending let anything
// underneath show, and only then is the window cleared.
static void bindWindowFramebuffer()
{
    const RenderSettings& settings = player->settings;
    beginWindowPass(windowWidth, windowHeight, settings.wireFrame || settings.transparency);
}

// Blurs what can be bright this frame, seen with the camera it was drawn with: the Sun, and every
// hit's burst.
static GLuint blurBrightParts()
{
    const glm::mat4& viewProjection = sun->getModel()->getViewProjection();
    ScreenBox boxes[1 + maxBursts];
    int boxCount = 0;
    if (sphereScreenBox(viewProjection, glm::vec3(0.0f), sunGlowRadius, windowWidth, windowHeight, boxes[boxCount]))
    {
        boxCount++;
    }
    glm::vec4 spheres[maxBursts];
    int burstCount = getBurstSpheres(spheres, maxBursts);
    for (int i = 0; i < burstCount; i++)
    {
        if (sphereScreenBox(viewProjection, glm::vec3(spheres[i]), spheres[i].w, windowWidth, windowHeight,
                            boxes[boxCount]))
        {
            boxCount++;
        }
    }
    return runBlurPasses(blurProgram, boxes, boxCount);
}

HudFrame describeFrame(const GameLoop& loop)
{
    const RenderSettings& settings = player->settings;
    DisplayView display;
    display.projection = loop.shownProjection;
    display.view = loop.shownView;
    display.width = windowWidth;
    display.height = windowHeight;
    HudFrame frame = describeDisplay(loop.session->getFrame(), display);
    frame.showFrameRate = settings.showFrameTime;
    frame.framesPerSecond = loop.frameRate.getFramesPerSecond();
    frame.showHelp = settings.showHelp;
    frame.helpLines = getHelpLines(frame.helpLineCount);
    frame.paused = loop.paused;
    if (loop.paused)
    {
        // A paused picture marks nothing and flashes nothing: the game stands still.
        frame.hasTarget = false;
        frame.shotHitSeconds = -1.0f;
    }
    return frame;
}

// The screenshot action saves the window's picture as it is about to be presented, display included.
static void takeAskedScreenshot(GameLoop& loop)
{
    if (player->controls.takePresses(Action::screenshot) == 0)
    {
        return;
    }
    if (loop.screenshotFolder.empty())
    {
        announce("Screenshot: no folder for pictures (no home folder)");
        return;
    }
    takeScreenshot(windowWidth, windowHeight, loop.screenshotFolder);
}

// A paused game shows its last picture again, dimmed: the scene and bloom textures still hold it,
// so only the composite runs, with the matrices it had. If the window changed size meanwhile the
// scene is drawn once more as it stands, without an input step.
static FrameEnd runPausedFrame(GameLoop& loop)
{
    player->handleSettingKeys();
    setSoundMuted(player->soundMuted);
    applyDrawSettings(player->settings);
    if (loop.targetsRemade)
    {
        // Drawn with the projection of the new shape, which the composite then uses too.
        loop.shownProjection = player->getProjectionMatrix();
        beginScenePass(windowWidth, windowHeight);
        glUseProgram(mainProgram);
        attachRockToStation();
        drawScene(0.0f, player, false);
        bindWindowFramebuffer();
        blurBrightParts();
        loop.shownPreviousViewProjection = loop.shownProjection * loop.shownView;
        loop.targetsRemade = false;
    }
    else
    {
        bindWindowFramebuffer();
    }
    setUpComposite(windowWidth, windowHeight, getBloomTexture());
    // The composite scales its own colour down: dimming costs neither a pass nor blending.
    setCompositeBrightness(pausedBrightness);
    glm::mat4 previous = loop.shownPreviousViewProjection;
    drawComposite(loop.shownProjection, loop.shownView, previous);
    setCompositeBrightness(1.0f);
    if (player->settings.showHud)
    {
        drawHud(describeFrame(loop), windowWidth, windowHeight);
    }
    takeAskedScreenshot(loop);

    loop.window->present();
    loop.window->waitEvents(pausedFrameInterval);
    if (player->controls.isDown(Action::quit) || loop.window->shouldClose())
    {
        return FrameEnd::quit;
    }
    return FrameEnd::keepRunning;
}

namespace
{
// Splits a frame into stages: the time since the last mark goes to a stage.
class StageClock
{
  public:
    explicit StageClock(FrameTimes* times) : times(times), last(glfwGetTime()), start(last) {}

    void mark(FrameStage stage)
    {
        if (times == nullptr)
        {
            return;
        }
        double now = glfwGetTime();
        times->cpu[stage] += now - last;
        if (times->finishGl)
        {
            glFinish();
            double finished = glfwGetTime();
            times->glWait[stage] += finished - now;
            now = finished;
        }
        times->whole = now - start;
        last = now;
    }

  private:
    FrameTimes* times;
    double last;
    double start;
};
} // namespace

FrameEnd runFrame(GameLoop& loop, FrameTimes* times)
{
    followWindowSize(loop);
    if (followPause(loop))
    {
        return runPausedFrame(loop);
    }

    StageClock clock(times);
    GameSession& session = *loop.session;

    double now = loop.window->getTime();
    float dt = static_cast<float>(now - loop.previousTime);
    loop.previousTime = now;
    loop.frameRate.addFrame(dt);
    player->lookWithStick(dt);

    const RenderSettings& settings = player->settings;
    if (settings.showFrameTime)
    {
        std::cout << "Frametime: " << dt * 1000.0f << "ms" << " =~" << 1.0 / dt << "FPS" << std::endl;
    }

    applyDrawSettings(settings);
    applyTextureSettings(loop);

    beginScenePass(windowWidth, windowHeight);
    clock.mark(stageDrawScene);

    // Trigger reports arrive inside the step: removals and the outcome flags are visible below, and
    // what they decided is the frame's events.
    session.beginStep();
    loop.physicsWorld->step(dt);
    session.afterStep(dt);
    clock.mark(stagePhysicsStep);
    burstWhatWasHit(session.getFrame(), dt, settings.showHud);

    glUseProgram(mainProgram);
    glm::vec3 eye = player->getPosition();
    player->updateFrustum(eye, eye + player->getDirection(), player->getUp());
    updateWorld(dt, player);
    setFrustumCullingEnabled(settings.frustumCulling);
    attachRockToStation();
    clock.mark(stageWorldUpdate);

    drawScene(dt, player);
    clock.mark(stageDrawScene);
    drawBursts(player->getProjectionMatrix() * player->getViewMatrix(), player->getViewMatrix());
    clock.mark(stageBursts);

    bindWindowFramebuffer();
    GLuint bloomTexture = blurBrightParts();
    clock.mark(stageBlurPasses);

    setUpComposite(windowWidth, windowHeight, bloomTexture);
    // The composite's camera is the one this input step leaves behind.
    player->update(dt);
    loop.shownProjection = player->getProjectionMatrix();
    loop.shownView = player->getViewMatrix();
    if (loop.targetsRemade)
    {
        loop.previousViewProjection = loop.shownProjection * loop.shownView;
        loop.targetsRemade = false;
    }
    loop.shownPreviousViewProjection = loop.previousViewProjection;
    drawComposite(loop.shownProjection, loop.shownView, loop.previousViewProjection);
    // The ship's moves of this frame decide whether it died.
    session.afterInput();
    clock.mark(stageComposite);
    const PlayFrame& frame = session.getFrame();
    if (settings.showHud)
    {
        drawHud(describeFrame(loop), windowWidth, windowHeight);
    }
    takeAskedScreenshot(loop);
    clock.mark(stageDisplay);

    soundTheFrame(frame, *player);
    clock.mark(stageSound);

    if (frame.outcome != Outcome::none)
    {
        announce(getOutcomeMessage(frame.outcome));
        soundTheOutcome(frame.outcome);
        // With the display on, the outcome is shown written over its frame, which then stays up
        // through the wait; without it the frame that ends the game is not presented.
        if (settings.showHud)
        {
            loop.window->present();
        }
        return FrameEnd::outcome;
    }

    loop.window->present();
    loop.window->pollEvents();
    clock.mark(stageSwap);

    if (player->controls.isDown(Action::quit) || loop.window->shouldClose())
    {
        return FrameEnd::quit;
    }
    if (session.holdsToRestart(player->controls.isDown(Action::playAgain), loop.window->getTime()))
    {
        return FrameEnd::newGame;
    }
    return FrameEnd::keepRunning;
}

void beginOutcomeWait(GameLoop&)
{
    // Only a press within the wait plays again: a tap during play is long gone.
    player->controls.takePresses(Action::playAgain);
    player->controls.takePresses(Action::pause);
}

bool isPlayAgainAsked(GameLoop&)
{
    Controls& controls = player->controls;
    return controls.takePresses(Action::playAgain) > 0 || controls.isDown(Action::playAgain) ||
           controls.takePresses(Action::pause) > 0;
}

AfterOutcome waitAfterOutcome(GameLoop& loop)
{
    GameWindow& window = *loop.window;
    beginOutcomeWait(loop);
    double end = window.getTime() + outcomeWait;
    for (double now = window.getTime(); now < end; now = window.getTime())
    {
        window.waitEvents(std::min(outcomeWaitPoll, end - now));
        if (isPlayAgainAsked(loop))
        {
            return AfterOutcome::playAgain;
        }
        if (player->controls.isDown(Action::quit) || window.shouldClose())
        {
            return AfterOutcome::quit;
        }
    }
    return AfterOutcome::timeUp;
}

void shutDown()
{
    finishScreenshots();
    stopSound();
    glDeleteProgram(mainProgram);
    glfwTerminate();
}
