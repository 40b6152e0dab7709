#pragma once

#include "hud/frame_rate.h"
#include "hud/hud.h"
#include "render/gl.h"

#include <glm/glm.hpp>

#include <string>

class PhysicsWorld;
class Player;
class ContactReportCallback;
class GameWindow;
class GameSession;

extern GLuint mainProgram;
extern GLuint blurProgram;
extern ContactReportCallback* contactReportCallback;
extern Player* player;

// What main keeps from one frame to the next. The game itself (the level, the rules' state, the play
// clock) belongs to the session; this is the window's side of it.
struct GameLoop
{
    GameWindow* window = nullptr; // keys, cursor, clock and presenting; set before createGame
    PhysicsWorld* physicsWorld = nullptr;
    GameSession* session = nullptr;
    double previousTime = 0.0;                             // the clock at the previous frame's start
    glm::mat4 previousViewProjection = glm::mat4(1.0f);   // the previous composite's projection x view
    bool nearestSampling = false;                          // the sampling the model textures have now
    int mipMapMode = 0;

    bool paused = false;         // the game stands still: no physics, no world update, no input step
    bool pausedByPlayer = false; // P; the game also pauses while its window is not in front
    // What the last running frame's composite was given, so a paused game shows that picture again.
    glm::mat4 shownPreviousViewProjection = glm::mat4(1.0f);
    glm::mat4 shownProjection = glm::mat4(1.0f);
    glm::mat4 shownView = glm::mat4(1.0f);
    // The off-screen targets were made again at a new size: what they held is gone.
    bool targetsRemade = false;

    FrameRateMeter frameRate; // for the display's corner
    std::string screenshotFolder; // where screenshots go; "" for nowhere
};

// How a frame ended.
enum class FrameEnd
{
    keepRunning,
    quit,    // Escape or window close
    outcome, // the game was won or lost; its frame was presented only with the display on
    newGame, // the player held R: a new game starts
};

// The stages of a frame, as the frame benchmark reports them.
enum FrameStage
{
    stagePhysicsStep,
    stageWorldUpdate,
    stageDrawScene, // the scene pass, the input steps before each model's draw included
    stageBursts,    // the hit bursts added onto the scene
    stageBlurPasses,
    stageComposite, // the composite's input step included
    stageDisplay,   // the heads-up display in front of the composite
    stageSound,     // the frame's sounds handed to the mixer
    stageSwap,      // buffer swap and event polling
    stageCount,
};

// Seconds spent in each stage of one frame, filled only when a frame is given one.
struct FrameTimes
{
    double cpu[stageCount] = {};    // issuing the work
    double glWait[stageCount] = {}; // waiting for the GL work the stage queued (with finishGl)
    double whole = 0.0;
    bool finishGl = false; // wait for each stage's GL work, so it is counted where it is done
};

// The global GL state every frame relies on (depth test, the clear colour) and the post-processing's
// targets and programs, width x height: the last of start-up's work on the GL, on every platform.
void createRendering(int width, int height);

// Everything after init, before the first frame: the programs, the physics world, the player, the
// session with its first game, the display, the bursts and the sound.
void createGame(GameLoop& loop);

// A new game in the same window: the session builds it afresh, and the frame's clock, the motion
// blur's last camera, the pause and the frame rate start over.
void startNewGame(GameLoop& loop);

// One frame in the fixed order of work: time, physics, world, scene, blur, input, composite,
// outcome, swap and events. On an outcome its message is printed, and the frame is presented with the
// message written over it when the display is on, not at all when it is off. While paused, a frame
// shows the last picture again, dimmed, and only waits for events.
FrameEnd runFrame(GameLoop& loop, FrameTimes* times = nullptr);

// What the display shows this frame.
HudFrame describeFrame(const GameLoop& loop);

// What the player chose in the wait after an outcome.
enum class AfterOutcome
{
    timeUp,    // the wait ran out: the game ends
    playAgain, // R
    quit,      // Escape or window close
};

// The last picture stays on screen for three seconds after an outcome; R within them plays again.
AfterOutcome waitAfterOutcome(GameLoop& loop);

// The two halves of that wait's question, for a platform that cannot wait (a web page asks once per
// frame instead). First, as the outcome is shown: presses from before it do not count.
void beginOutcomeWait(GameLoop& loop);
// Then: whether the player has asked to play again, with R (a press, or held) or the pause action
// (the gamepad's Start).
bool isPlayAgainAsked(GameLoop& loop);

// The normal exit after Escape or window close.
void shutDown();
