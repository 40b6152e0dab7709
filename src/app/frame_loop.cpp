#include "app/frame_loop.h"

#include "app/startup.h"
#include "game/game_window.h"
#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "physics/physics_world.h"
#include "render/bmp.h"
#include "render/post.h"
#include "render/shader.h"

#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

GLuint mainProgram = 0;
GLuint blurProgram = 0;
ContactReportCallback* contactReportCallback = nullptr;
Player* player = nullptr;

// Culling looks less far than the camera: a 60 degree frustum from 1 to 100 units.
static const float cullingFovDegrees = 60.0f;
static const float cullingNear = 1.0f;
static const float cullingFar = 100.0f;
static const auto outcomePause = std::chrono::milliseconds(3000);

void createGame(GameLoop& loop)
{
    mainProgram = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
    blurProgram = loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
    glUseProgram(mainProgram);

    // The callback must exist before the world that reports to it.
    contactReportCallback = new ContactReportCallback();
    loop.physicsWorld = new PhysicsWorld(contactReportCallback);

    player = new Player(loop.window, loop.physicsWorld, windowWidth, windowHeight);
    player->setFrustumShape(cullingFovDegrees, static_cast<float>(windowWidth) / static_cast<float>(windowHeight),
                            cullingNear, cullingFar);

    buildLevel(loop.physicsWorld, mainProgram);

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

static const char* outcomeMessage()
{
    ControllerCollisionFlags flags = player->getCollisionFlags();
    if (flags.isSet(eCOLLISION_DOWN) || flags.isSet(eCOLLISION_UP) || flags.isSet(eCOLLISION_SIDES))
    {
        return "GAME OVER: YOU DIED!";
    }
    if (isGameWon())
    {
        return "CONGRATULATIONS, YOU WON!";
    }
    if (isEarthDestroyed())
    {
        return "GAME OVER: EARTH IS NO MORE!!!";
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
    player->updateSeconds = 0.0;
    player->timingUpdates = times != nullptr;
    StageClock clock(times);

    double now = loop.window->getTime();
    float dt = static_cast<float>(now - loop.previousTime);
    loop.previousTime = now;

    const RenderSettings& settings = player->settings;
    if (settings.showFrameTime)
    {
        std::cout << "Frametime: " << dt * 1000.0f << "ms" << " =~" << 1.0 / dt << "FPS" << std::endl;
    }

    // Wire frame and transparency apply to everything drawn this frame, the full-screen passes too.
    glPolygonMode(GL_FRONT_AND_BACK, settings.wireFrame ? GL_LINE : GL_FILL);
    applyTextureSettings(loop);
    if (settings.transparency)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    else
    {
        glDisable(GL_BLEND);
    }

    beginScenePass(windowWidth, windowHeight);
    clock.mark(stageDrawScene);

    // Trigger reports arrive inside the step: removals and the outcome flags are visible below.
    loop.physicsWorld->step(dt);
    clock.mark(stagePhysicsStep);

    glUseProgram(mainProgram);
    glm::vec3 eye = player->getPosition();
    player->updateFrustum(eye, eye + player->getDirection(), player->getUp());
    updateWorld(dt, player);
    setFrustumCullingEnabled(settings.frustumCulling);
    attachRockToStation();
    clock.mark(stageWorldUpdate);

    drawScene(dt, player);
    clock.mark(stageDrawScene);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLuint bloomTexture = runBlurPasses(blurProgram);
    clock.mark(stageBlurPasses);

    setUpComposite(windowWidth, windowHeight, bloomTexture);
    // The composite's camera is the one this input step leaves behind.
    player->update(dt);
    drawComposite(player->getProjectionMatrix(), player->getViewMatrix(), loop.previousViewProjection);
    clock.mark(stageComposite);

    // The frame that ends the game is never presented.
    if (const char* message = outcomeMessage())
    {
        printf("%s\n", message);
        fflush(stdout);
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
    glDeleteProgram(mainProgram);
    glfwTerminate();
}
