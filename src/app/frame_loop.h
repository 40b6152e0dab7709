#pragma once

#include "render/gl.h"

#include <glm/glm.hpp>

class PhysicsWorld;
class Player;
class ContactReportCallback;

extern GLuint mainProgram;
extern GLuint blurProgram;
extern ContactReportCallback* contactReportCallback;
extern Player* player;

// What main keeps from one frame to the next.
struct GameLoop
{
    PhysicsWorld* physicsWorld = nullptr;
    double previousTime = 0.0;                             // glfwGetTime at the previous frame's start
    glm::mat4 previousViewProjection = glm::mat4(1.0f);   // the previous composite's projection x view
    bool nearestSampling = false;                          // the sampling the model textures have now
    int mipMapMode = 0;
};

// How a frame ended.
enum class FrameEnd
{
    keepRunning,
    quit,    // Escape or window close
    outcome, // the game was won or lost; the frame was not presented
};

// Times spent in the stages of one frame, in seconds. Filled only when a frame is given one.
struct FrameTimes
{
    double playerUpdate = 0.0; // every Player::update call of the frame together
    double physicsStep = 0.0;
    double worldUpdate = 0.0;
    double drawScene = 0.0;    // submission; Player::update calls inside it excluded
    double blurPasses = 0.0;
    double composite = 0.0;
    double swap = 0.0;
    double whole = 0.0;
    bool finishGl = false;     // wait for the GL work of each stage, so it is counted where it is done
};

// Everything after init, before the first frame: the programs, the physics world, the player and
// the level.
void createGame(GameLoop& loop);

// One frame in the fixed order of work: time, physics, world, scene, blur, input, composite,
// outcome, swap and events.
FrameEnd runFrame(GameLoop& loop, FrameTimes* times = nullptr);

// The normal exit after Escape or window close.
void shutDown();
