#include "app/frame_loop.h"

#include "app/startup.h"
#include "game/aim.h"
#include "game/events.h"
#include "game/game_window.h"
#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "physics/physics_world.h"
#include "hud/hud.h"
#include "render/bmp.h"
#include "render/bursts.h"
#include "render/post.h"
#include "render/shader.h"
#include "sound/sound.h"

#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>
#include <unistd.h>

GLuint mainProgram = 0;
GLuint blurProgram = 0;
ContactReportCallback* contactReportCallback = nullptr;
Player* player = nullptr;

// Culling looks less far than the camera: a 60 degree frustum from 1 to 100 units.
static const float cullingFovDegrees = 60.0f;
static const float cullingNear = 1.0f;
static const float cullingFar = 100.0f;
static const auto outcomePause = std::chrono::milliseconds(3000);
// A paused game redraws its picture at most this often (seconds between frames), unless an event
// arrives sooner.
static const double pausedFrameInterval = 0.1;
// How bright the picture of a paused game is.
static const float pausedBrightness = 0.45f;
// The display's font: the game folder's own copy, else the one Debian's fonts-dejavu-core installs.
static const char* const fontFile = "Font/DejaVuSans-Bold.ttf";
static const char* const systemFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// An object removed bursts at this size; the Earth's hit is larger.
static const float removalBurstSize = 1.0f;
static const float earthBurstSize = 3.0f;

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

    buildLevel(loop.physicsWorld, mainProgram);
    createHud(access(fontFile, R_OK) == 0 || access(systemFontFile, R_OK) != 0 ? fontFile : systemFontFile);
    createBursts();
    startSound("Sound/");

    loop.previousViewProjection = glm::mat4(1.0f);
    loop.previousTime = loop.window->getTime();
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

static void announce(const char* message)
{
    printf("%s\n", message);
    fflush(stdout);
}

// P, and a window the player is not looking at (not focused, minimized, nothing to draw into),
// pause the game. Returns whether this frame is paused.
static bool followPause(GameLoop& loop)
{
    GameWindow& window = *loop.window;
    for (int n = window.takeKeyPresses(GLFW_KEY_P); n > 0; n--)
    {
        loop.pausedByPlayer = !loop.pausedByPlayer;
    }
    glm::ivec2 framebuffer = window.getFramebufferSize();
    bool paused = loop.pausedByPlayer || !window.isFocused() || window.isIconified() || framebuffer.x <= 0 ||
                  framebuffer.y <= 0;
    if (paused != loop.paused)
    {
        loop.paused = paused;
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
    glPolygonMode(GL_FRONT_AND_BACK, settings.wireFrame ? GL_LINE : GL_FILL);
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

// Where the aim marker goes: around what a shot fired now would hit first, as the composite's camera
// shows it. False when nothing is in the way, or it is behind the camera or far off screen.
static bool placeAimMarker(const GameLoop& loop, HudFrame& frame)
{
    // A shot into the Sun changes nothing, so it is not marked.
    AimTarget target;
    if (!findAimTarget(*loop.physicsWorld, *player, target) || target.kind == AimKind::sun)
    {
        return false;
    }
    glm::mat4 viewProjection = loop.shownProjection * loop.shownView;
    glm::vec4 clip = viewProjection * glm::vec4(target.position, 1.0f);
    if (clip.w < 0.1f)
    {
        return false;
    }
    glm::vec2 ndc = glm::vec2(clip) / clip.w;
    if (std::abs(ndc.x) > 1.2f || std::abs(ndc.y) > 1.2f)
    {
        return false;
    }
    float height = static_cast<float>(windowHeight);
    float unit = height / 720.0f;
    frame.targetCentre = glm::vec2((ndc.x * 0.5f + 0.5f) * static_cast<float>(windowWidth),
                                   (0.5f - ndc.y * 0.5f) * height);
    // The model's size on screen, from the projection's vertical focal scale.
    float radius = target.radius * loop.shownProjection[1][1] * height * 0.5f / clip.w;
    frame.targetHalfSize = std::max(radius, 6.0f * unit) + 4.0f * unit;
    frame.targetMark = target.kind == AimKind::earth    ? TargetMark::warning
                       : target.kind == AimKind::unseen ? TargetMark::unseen
                                                        : TargetMark::removable;
    return true;
}

HudFrame describeFrame(const GameLoop& loop, const char* outcome, bool aim)
{
    const RenderSettings& settings = player->settings;
    HudFrame frame;
    frame.removals = countRemovals();
    frame.removalsToWin = getRemovalsToWin();
    frame.playSeconds = loop.playSeconds;
    frame.earthDanger = getEarthDanger();
    frame.showFrameRate = settings.showFrameTime;
    frame.framesPerSecond = loop.frameRate.getFramesPerSecond();
    frame.shotHitSeconds = static_cast<float>(loop.playSeconds - loop.lastShotHitSeconds);
    frame.showHelp = settings.showHelp;
    frame.paused = loop.paused;
    frame.outcome = outcome;
    frame.hasTarget = aim && placeAimMarker(loop, frame);
    return frame;
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
    setCompositeBrightness(loop.dimWhilePaused ? pausedBrightness : 1.0f);
    glm::mat4 previous = loop.shownPreviousViewProjection;
    drawComposite(loop.shownProjection, loop.shownView, previous);
    setCompositeBrightness(1.0f);
    if (player->settings.showHud)
    {
        drawHud(describeFrame(loop, nullptr, false), windowWidth, windowHeight);
    }

    loop.window->present();
    loop.window->waitEvents(pausedFrameInterval);
    if (loop.window->isKeyDown(GLFW_KEY_ESCAPE) || loop.window->shouldClose())
    {
        return FrameEnd::quit;
    }
    return FrameEnd::keepRunning;
}

// The frame's sounds, from the camera the composite used: the shots fired, the objects removed
// (heard where they were), a hit on the Earth, and the hum while the ship flies.
static void soundTheFrame()
{
    setSoundMuted(player->soundMuted);
    setListener(player->getPosition(), player->getDirection(), player->getUp());
    setEngineHum(player->flying);
    const GameEvent* events = getFrameEvents();
    // Collisions that begin together (the asteroids all spin alike, so neighbours touch in waves) are
    // heard as one, the nearest: the same sound started at once several times would only add up.
    const GameEvent* nearestCollision = nullptr;
    float nearest = 0.0f;
    for (size_t i = 0; i < getFrameEventCount(); i++)
    {
        float distance = glm::distance(events[i].position, player->getPosition());
        if (events[i].type == GameEventType::objectRemoved && (nearestCollision == nullptr || distance < nearest))
        {
            nearestCollision = &events[i];
            nearest = distance;
        }
    }
    if (nearestCollision != nullptr)
    {
        playSoundAt(SoundEffect::hit, nearestCollision->position);
    }
    for (size_t i = 0; i < getFrameEventCount(); i++)
    {
        switch (events[i].type)
        {
        case GameEventType::shotFired:
            playSound(SoundEffect::shot);
            break;
        case GameEventType::objectRemoved:
            break;
        case GameEventType::objectShot:
            playSoundAt(SoundEffect::shotHit, events[i].position);
            break;
        case GameEventType::earthHit:
            playSoundAt(SoundEffect::earthImpact, events[i].position);
            break;
        }
    }
}

// Every object the step removed bursts where it was, the Earth's hit larger; with the display off
// nothing bursts. Bursts age with the simulation, so a pause holds them. The player's own hits are
// remembered for the display's "HIT".
static void burstWhatWasHit(GameLoop& loop, float dt, bool showBursts)
{
    updateBursts(dt);
    const GameEvent* events = getFrameEvents();
    for (size_t i = 0; i < getFrameEventCount(); i++)
    {
        if (events[i].type == GameEventType::objectShot)
        {
            loop.lastShotHitSeconds = loop.playSeconds;
        }
    }
    if (!showBursts)
    {
        clearBursts();
        return;
    }
    for (size_t i = 0; i < getFrameEventCount(); i++)
    {
        if (events[i].type == GameEventType::objectRemoved || events[i].type == GameEventType::objectShot)
        {
            addBurst(events[i].position, removalBurstSize);
        }
        else if (events[i].type == GameEventType::earthHit)
        {
            addBurst(events[i].position, earthBurstSize);
        }
    }
}

static const char* const diedMessage = "GAME OVER: YOU DIED!";
static const char* const wonMessage = "CONGRATULATIONS, YOU WON!";
static const char* const earthLostMessage = "GAME OVER: EARTH IS NO MORE!!!";

static const char* outcomeMessage()
{
    ControllerCollisionFlags flags = player->getCollisionFlags();
    if (flags.isSet(eCOLLISION_DOWN) || flags.isSet(eCOLLISION_UP) || flags.isSet(eCOLLISION_SIDES))
    {
        return diedMessage;
    }
    if (isGameWon())
    {
        return wonMessage;
    }
    if (isEarthDestroyed())
    {
        return earthLostMessage;
    }
    return nullptr;
}

namespace
{
// Splits a frame into stages: the time since the last mark goes to a stage, less the
// Player::update calls made meanwhile, which are counted on their own.
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
        double updates = player->updateSeconds - lastUpdateSeconds;
        lastUpdateSeconds = player->updateSeconds;
        times->cpu[stage] += now - last - updates;
        times->cpu[stagePlayerUpdate] += updates;
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
    double lastUpdateSeconds = 0.0;
};
} // namespace

FrameEnd runFrame(GameLoop& loop, FrameTimes* times)
{
    followWindowSize(loop);
    if (followPause(loop))
    {
        return runPausedFrame(loop);
    }

    player->updateSeconds = 0.0;
    player->timingUpdates = times != nullptr;
    StageClock clock(times);

    double now = loop.window->getTime();
    float dt = static_cast<float>(now - loop.previousTime);
    loop.previousTime = now;
    loop.playSeconds += dt;
    loop.frameRate.addFrame(dt);

    const RenderSettings& settings = player->settings;
    if (settings.showFrameTime)
    {
        std::cout << "Frametime: " << dt * 1000.0f << "ms" << " =~" << 1.0 / dt << "FPS" << std::endl;
    }

    applyDrawSettings(settings);
    applyTextureSettings(loop);

    beginScenePass(windowWidth, windowHeight);
    clock.mark(stageDrawScene);

    clearFrameEvents();

    // Trigger reports arrive inside the step: removals and the outcome flags are visible below.
    loop.physicsWorld->step(dt);
    clock.mark(stagePhysicsStep);
    burstWhatWasHit(loop, dt, settings.showHud);

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
    clock.mark(stageComposite);
    const char* message = outcomeMessage();
    if (settings.showHud)
    {
        drawHud(describeFrame(loop, message, loop.aimMarker), windowWidth, windowHeight);
    }
    clock.mark(stageDisplay);

    soundTheFrame();
    clock.mark(stageSound);

    if (message != nullptr)
    {
        announce(message);
        setEngineHum(false);
        // The sting plays on through the wait that follows.
        playSound(message == wonMessage ? SoundEffect::win : SoundEffect::lose);
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
    player->timingUpdates = false;

    if (loop.window->isKeyDown(GLFW_KEY_ESCAPE) || loop.window->shouldClose())
    {
        return FrameEnd::quit;
    }
    return FrameEnd::keepRunning;
}

void pauseAfterOutcome()
{
    std::this_thread::sleep_for(outcomePause);
}

void shutDown()
{
    stopSound();
    glDeleteProgram(mainProgram);
    glfwTerminate();
}
