// Frames of the real game: the game's own libraries, the real level and the real frame order, in a
// 1280x720 window (the game folder's config.txt) on the current display, played along a scripted
// path with real key presses and mouse moves through the X server, looking at the Sun. Run it under
// Xvfb.
//
//   frame_bench [frames per variant]
//
// Plays three variants frame by frame in turn along the same path: the game as it is; the game without
// its savings (a multisampled window with a depth buffer, cleared every frame, the composite
// depth-tested, the whole window blurred, the reprojecting composite for every frame); and a floor with the
// game's window and pass-through blur and composite shaders (one texture fetch per pass, over the whole
// window). Prints per-stage medians and p90s, whole frames by what the camera did (still, turning,
// flying) and their ratios, start-up time to the first presented frame and peak resident memory.
// Outcomes (the level drifts into the Earth after some seconds) are noted and cleared, so the game
// keeps running.
//
// Eight aimed shots at marked targets come first, fired through the real window while the field is
// whole. Then, with the camera still: the heads-up display off, and on piece by piece up to all of it
// (count, time, the Earth's danger, the frame rate, a hit's burst and the help panel), frame by frame
// in turn; paused frames; the main thread's time spent on sound in every frame. On their own: the
// input steps of a frame, with the cursor remembered once a poll and asked every call, and the aim
// marker's question.

#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/startup.h"
#include "game/aim.h"
#include "game/player.h"
#include "game/scene_object.h"
#include "game/rules.h"
#include "render/bursts.h"
#include "render/post.h"
#include "render/shader.h"
#include "sound/sound.h"

#include "aimed_play.h"
#include "bench_support.h"
#include "pass_through.h"

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A window with 2 samples (llvmpipe gives 4) and a depth buffer, cleared every frame, the composite
// depth-tested into it. Stood in for by a multisampled framebuffer that takes the
// composite in place of the window and is resolved into the (single-sampled) window before each swap;
// the resolve stands for the swap of a multisampled window.
class MultisampledWindow
{
  public:
    MultisampledWindow(int width, int height) : width(width), height(height)
    {
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, 2, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, 2, GL_DEPTH_COMPONENT24, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        {
            fprintf(stderr, "frame_bench: the multisampled stand-in for the window is incomplete\n");
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }

    void resolve() const
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }

    GLuint framebuffer = 0;
    GLint samples = 0; // what the driver gave

  private:
    int width;
    int height;
    GLuint renderbuffers[2] = {0, 0};
};

// The game's window, which first resolves the multisampled stand-in when one is in use.
class BenchWindow : public GlfwGameWindow
{
  public:
    explicit BenchWindow(GLFWwindow* window) : GlfwGameWindow(window), handle(window) {}

    // Asked of the window system on every call instead of once per poll, to see what remembering
    // them saves.
    glm::dvec2 getCursorPosition() override
    {
        if (!askEveryCall)
        {
            return GlfwGameWindow::getCursorPosition();
        }
        glm::dvec2 cursor;
        glfwGetCursorPos(handle, &cursor.x, &cursor.y);
        return cursor;
    }
    glm::ivec2 getWindowPosition() override
    {
        if (!askEveryCall)
        {
            return GlfwGameWindow::getWindowPosition();
        }
        glm::ivec2 place;
        glfwGetWindowPos(handle, &place.x, &place.y);
        return place;
    }
    bool askEveryCall = false;
    GLFWwindow* handle;

    void present() override
    {
        if (standIn != nullptr)
        {
            standIn->resolve();
        }
        GlfwGameWindow::present();
    }

    const MultisampledWindow* standIn = nullptr;
    // A paused game waits for events between its frames; the benchmark times the frames alone.
    void waitEvents(double timeoutSeconds) override
    {
        if (waitForEvents)
        {
            GlfwGameWindow::waitEvents(timeoutSeconds);
        }
        else
        {
            pollEvents();
        }
    }
    bool waitForEvents = true;
};

// What the camera does in a frame of the scripted path.
enum CameraMotion
{
    cameraStill,
    cameraTurning,
    cameraFlying,
    motionCount,
    cameraBlocked = motionCount, // not reported
};
const char* const motionNames[motionCount] = {"still", "turning", "flying"};

// One way of post-processing: its programs, kept uniform locations, savings and window.
struct PostVariant
{
    const char* name;
    GLuint blur = 0;
    GLuint composite = 0;
    GLuint stillComposite = 0;
    GLuint turningComposite = 0;
    GLint locations[6] = {};
    PostSavings savings;
    const MultisampledWindow* standIn = nullptr;
    std::vector<FrameTimes> frames[motionCount];
};

GLint* keptLocations[6] = {&fboTextureLocation, &fboTexture2Location, &fboDepthTextureLocation,
                           &inverseVPLocation,  &previousVPLocation,  &bloomBlurLocation};

PostVariant gamePost(const char* name)
{
    PostVariant variant;
    variant.name = name;
    variant.blur = blurProgram;
    variant.composite = postProgram;
    variant.stillComposite = stillPostProgram;
    variant.turningComposite = turningPostProgram;
    for (int i = 0; i < 6; i++)
    {
        variant.locations[i] = *keptLocations[i];
    }
    return variant;
}

void usePost(const PostVariant& variant, BenchWindow& window)
{
    blurProgram = variant.blur;
    postProgram = variant.composite;
    stillPostProgram = variant.stillComposite;
    turningPostProgram = variant.turningComposite;
    for (int i = 0; i < 6; i++)
    {
        *keptLocations[i] = variant.locations[i];
    }
    postSavings = variant.savings;
    windowFramebuffer = variant.standIn != nullptr ? variant.standIn->framebuffer : 0;
    window.standIn = variant.standIn;
}

// The floor: the game's window and every pass over the whole window, each fetching one texel.
PostVariant passThroughPost()
{
    PostVariant variant;
    variant.name = "floor: same window, 1-fetch passes over the whole window";
    variant.blur =
        loadInlineProgram("/tmp", "velmora_frame_bench_blur", passThroughQuadVertex, passThroughBlurFragment);
    variant.composite = loadInlineProgram("/tmp", "velmora_frame_bench_composite", passThroughQuadVertex,
                                          passThroughCompositeFragment);
    variant.stillComposite = variant.composite;
    variant.turningComposite = variant.composite;
    const char* names[] = {"fboTexture", "fboTexture2", "fboDepthTexture",
                           "inverseVP",  "previousVP",  "bloomBlur"};
    for (int i = 0; i < 6; i++)
    {
        variant.locations[i] = glGetUniformLocation(variant.composite, names[i]);
    }
    variant.savings.blurBoxes = false;
    return variant;
}

// The scripted player: real input through the X server, as a person at the keyboard would give it.
class ScriptedInput
{
  public:
    ScriptedInput()
        : display(glfwGetX11Display()), target(glfwGetX11Window(window)), forward(keycode(XK_w)),
          backward(keycode(XK_s))
    {
        XSetInputFocus(display, target, RevertToParent, CurrentTime);
        XSync(display, False);
    }

    // Frame i of a 96-frame loop of 24-frame phases: turn and stand still by turns, fly forwards, turn
    // and stand still by turns, fly back; always looking at the Sun. Every other frame the mouse moves
    // 30 pixels (0.018 rad, about 12 pixels of smear, the motion blur's most samples), right and left
    // by turns, and the frame after it stands still: turning and still frames show the same things and
    // come under the same load.
    void apply(int frame)
    {
        int phase = (frame / 24) % 4;
        hold(forward, phase == 1);
        hold(backward, phase == 3);
        bool turnNow = (phase == 0 || phase == 2) && frame % 2 == 0;
        int turn = turnNow ? (frame % 4 == 0 ? 30 : -30) : 0;
        if (turn != 0)
        {
            XWarpPointer(display, None, target, 0, 0, 0, 0, windowWidth / 2 + turn, windowHeight / 2);
        }
        XFlush(display);
    }

    bool isFlying() const { return forwardHeld || backwardHeld; }

    void release()
    {
        hold(forward, false);
        hold(backward, false);
        XFlush(display);
    }

  private:
    unsigned int keycode(KeySym symbol) { return XKeysymToKeycode(display, symbol); }

    void hold(unsigned int key, bool down)
    {
        bool& held = key == forward ? forwardHeld : backwardHeld;
        if (held != down)
        {
            XTestFakeKeyEvent(display, key, down ? True : False, 0);
            held = down;
        }
    }

    Display* display;
    ::Window target;
    unsigned int forward;
    unsigned int backward;
    bool forwardHeld = false;
    bool backwardHeld = false;
};


std::vector<FrameTimes> allFrames(const PostVariant& variant)
{
    std::vector<FrameTimes> frames;
    for (const std::vector<FrameTimes>& motion : variant.frames)
    {
        frames.insert(frames.end(), motion.begin(), motion.end());
    }
    return frames;
}

std::vector<double> column(const std::vector<FrameTimes>& frames, double (*pick)(const FrameTimes&))
{
    std::vector<double> values;
    for (const FrameTimes& frame : frames)
    {
        values.push_back(pick(frame) * 1000.0);
    }
    return values;
}

double wholeFrame(const FrameTimes& frame)
{
    return frame.whole;
}

double soundStage(const FrameTimes& frame)
{
    return frame.cpu[stageSound] + frame.glWait[stageSound];
}

void printRow(const char* name, const std::vector<double>& ms)
{
    printf("  %-38s median %8.3f ms   p90 %8.3f ms\n", name, percentile(ms, 0.5), percentile(ms, 0.9));
}

void printStages(const PostVariant& variant)
{
    static const char* stageNames[stageCount] = {
        "physics step", "updateWorld", "drawScene (input steps included)", "bursts", "window + blur passes",
        "composite",    "display",     "sound",                            "swap + events"};
    std::vector<FrameTimes> frames = allFrames(variant);
    printf("%s, %zu frames (%zu still, %zu turning, %zu flying; GL work finished per stage):\n", variant.name,
           frames.size(), variant.frames[cameraStill].size(), variant.frames[cameraTurning].size(),
           variant.frames[cameraFlying].size());
    for (int stage = 0; stage < stageCount; stage++)
    {
        std::vector<double> cpu, total;
        for (const FrameTimes& frame : frames)
        {
            cpu.push_back(frame.cpu[stage] * 1000.0);
            total.push_back((frame.cpu[stage] + frame.glWait[stage]) * 1000.0);
        }
        std::string submit = std::string(stageNames[stage]) + ", issuing";
        std::string whole = std::string(stageNames[stage]) + ", with its GL work";
        printRow(submit.c_str(), cpu);
        if (stage >= stageDrawScene)
        {
            printRow(whole.c_str(), total);
        }
    }
    printRow("CPU work outside GL", column(frames,
                                           [](const FrameTimes& f)
                                           {
                                               return f.cpu[stagePhysicsStep] + f.cpu[stageWorldUpdate] +
                                                      f.cpu[stageDrawScene];
                                           }));
    for (int motion = 0; motion < motionCount; motion++)
    {
        std::string name = std::string("whole frame, camera ") + motionNames[motion];
        printRow(name.c_str(), column(variant.frames[motion], wholeFrame));
        std::vector<double> stages[stageCount];
        for (const FrameTimes& frame : variant.frames[motion])
        {
            for (int stage = stageDrawScene; stage < stageCount; stage++)
            {
                stages[stage].push_back((frame.cpu[stage] + frame.glWait[stage]) * 1000.0);
            }
        }
        printf("    medians: drawScene %.2f, window + blur %.2f, composite %.2f, swap %.2f ms\n",
               percentile(stages[stageDrawScene], 0.5), percentile(stages[stageBlurPasses], 0.5),
               percentile(stages[stageComposite], 0.5), percentile(stages[stageSwap], 0.5));
    }
    printRow("whole frame", column(frames, wholeFrame));
}

// Resident memory now, or its peak so far ("VmHWM:"), in MB.

// Clears what ended the game and finishes the frame as an ordinary one would, so play goes on.
void keepPlaying(GameLoop& loop)
{
    gameWon = false;
    earthDestroyed = false;
    lastMoveFlags = ControllerCollisionFlags();
    loop.window->present();
    loop.window->pollEvents();
}

// Turns the player to look straight at the Sun (the world origin), so the bloom has work to do.
void faceTheSun()
{
    glm::vec3 toSun = -player->getPosition();
    player->horizontalAngle = std::atan2(toSun.x, toSun.z);
    player->verticalAngle = std::asin(toSun.y / glm::length(toSun));
}

// What the camera did in the frame just run; a flight the controller stopped counts as none of them.
CameraMotion cameraMotion(const GameLoop& loop, glm::vec3 positionBefore, bool flyKeyHeld)
{
    if (loop.shownProjection * loop.shownView == loop.shownPreviousViewProjection)
    {
        return flyKeyHeld ? cameraBlocked : cameraStill;
    }
    return player->getPosition() == positionBefore ? cameraTurning : cameraFlying;
}

double medianWhole(const PostVariant& variant, int motion)
{
    return percentile(column(variant.frames[motion], wholeFrame), 0.5);
}

// One way of showing the heads-up display, and the whole frames it took.
struct DisplayVariant
{
    const char* name;
    bool display;
    bool help;
    bool burst;
    std::vector<double> wholeMs; // one a round of the variants; NaN for a frame that ended the game
};

// The median of what variant costs more than base, frame against frame of the same round: the scene
// changes little from one frame to the next, so this sees through the scene's own variation.
double pairedMedian(const DisplayVariant& variant, const DisplayVariant& base)
{
    std::vector<double> differences;
    for (size_t i = 0; i < variant.wholeMs.size() && i < base.wholeMs.size(); i++)
    {
        if (!std::isnan(variant.wholeMs[i]) && !std::isnan(base.wholeMs[i]))
        {
            differences.push_back(variant.wholeMs[i] - base.wholeMs[i]);
        }
    }
    return percentile(differences, 0.5);
}

std::vector<double> withoutNan(const std::vector<double>& values)
{
    std::vector<double> kept;
    for (double value : values)
    {
        if (!std::isnan(value))
        {
            kept.push_back(value);
        }
    }
    return kept;
}

// A hit's burst in progress a little beside the view's centre, 40 units away (the aimed shots' targets
// are 15 to 90 units off), set off again whenever the last one has faded.
void keepABurstGoing()
{
    if (getBurstCount() == 0)
    {
        addBurst(player->getPosition() + player->getDirection() * 40.0f + player->getUp() * 6.0f, 1.0f);
    }
}

// The display's variants frame by frame in turn, the camera still and looking at the Sun (which the
// marker marks), so that only the display differs between them. The frame rate's console line is
// printed in every variant: only its corner is the display's.
void measureDisplay(GameLoop& loop, DisplayVariant* variants, int count, int frames, int& outcomes)
{
    faceTheSun();
    RenderSettings& settings = player->settings;
    for (int frame = 0; frame < count * frames; frame++)
    {
        DisplayVariant& variant = variants[frame % count];
        settings.showHud = variant.display;
        settings.showHelp = variant.help;
        settings.showFrameTime = true;
        if (variant.burst)
        {
            keepABurstGoing();
        }
        else
        {
            clearBursts();
        }
        // Timed as the game runs, without waiting for each stage's GL work: the display's draws join
        // the composite's work on the software renderer instead of paying for a flush of their own.
        FrameTimes times;
        times.finishGl = false;
        if (runFrame(loop, &times) == FrameEnd::outcome)
        {
            outcomes++;
            keepPlaying(loop);
            variant.wholeMs.push_back(std::nan(""));
            continue;
        }
        variant.wholeMs.push_back(times.whole * 1000.0);
    }
    settings.showHelp = false;
    settings.showFrameTime = false;
    settings.showHud = true;
}

// Paused frames with the display on, dimmed as the game shows them; each timed to its GL work's end.
void measurePause(GameLoop& loop, BenchWindow& window, int frames, std::vector<double>& pausedMs)
{
    window.waitForEvents = false;
    loop.pausedByPlayer = true;
    runFrame(loop);
    for (int frame = 0; frame < frames; frame++)
    {
        auto start = std::chrono::steady_clock::now();
        runFrame(loop);
        glFinish();
        pausedMs.push_back(secondsSince(start) * 1000.0);
    }
    loop.pausedByPlayer = false;
    window.waitForEvents = true;
}

// The input steps of one frame (one before each model's draw and one for the composite), timed on
// their own: the window asked for the cursor once per poll as the game does, or on every call.
std::vector<double> measureInputSteps(BenchWindow& window, int frames, bool askEveryCall)
{
    window.askEveryCall = askEveryCall;
    int steps = static_cast<int>(actorObjects.size()) + 4;
    std::vector<double> ms;
    for (int frame = 0; frame < frames; frame++)
    {
        window.pollEvents();
        auto start = std::chrono::steady_clock::now();
        for (int step = 0; step < steps; step++)
        {
            player->update(0.0f);
        }
        ms.push_back(secondsSince(start) * 1000.0);
    }
    window.askEveryCall = false;
    return ms;
}

// The aim marker's question, asked once a frame after the composite's input step.
std::vector<double> measureAimQuery(const GameLoop& loop, int frames)
{
    std::vector<double> ms;
    AimTarget target;
    for (int frame = 0; frame < frames; frame++)
    {
        auto start = std::chrono::steady_clock::now();
        findAimTarget(*loop.physicsWorld, *player, target);
        ms.push_back(secondsSince(start) * 1000.0);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    auto processStart = std::chrono::steady_clock::now();
    int framesPerVariant = argc > 1 ? std::max(30, atoi(argv[1])) : 240;
    if (chdir(VELMORA_GAME_DIR) != 0)
    {
        fprintf(stderr, "Cannot enter the game folder %s\n", VELMORA_GAME_DIR);
        return 1;
    }

    double residentAtStart = residentMegabytes();
    if (init() == -1)
    {
        return 1;
    }
    double residentAfterInit = residentMegabytes();
    double initSeconds = secondsSince(processStart);
    BenchWindow gameWindow(window);
    GameLoop loop;
    loop.window = &gameWindow;
    createGame(loop);
    double residentAfterLevel = residentMegabytes();
    double levelSeconds = secondsSince(processStart);
    FrameEnd end = runFrame(loop);
    double startup = secondsSince(processStart);
    if (end == FrameEnd::quit)
    {
        return 1;
    }

    int outcomes = 0;
    // Aimed shots: the marksman turns with the mouse until the marker shows its target, then fires.
    // The field is whole and far from the Earth only at the start: this comes first.
    AimedPlay marksman;
    AimedPlay::Tally tally;
    const int aimedShots = 8;
    int tries = 0;
    while (tally.shots < aimedShots && tries < 40)
    {
        tries++;
        FrameEnd aimedEnd = FrameEnd::keepRunning;
        if (!marksman.shoot(loop, tally, aimedEnd) && aimedEnd == FrameEnd::keepRunning)
        {
            runFrame(loop);
        }
        if (aimedEnd == FrameEnd::outcome)
        {
            outcomes++;
            keepPlaying(loop);
        }
    }

    ScriptedInput input;
    faceTheSun();
    int blocked = 0;
    // The game's own set-up alone first, for its peak memory.
    for (int frame = 0; frame < 120; frame++)
    {
        input.apply(frame);
        if (runFrame(loop) == FrameEnd::outcome)
        {
            keepPlaying(loop);
        }
    }
    double gamePeak = residentMegabytes("VmHWM:");

    PostVariant game = gamePost("game: single-sampled bare window, boxed blur, still and turning composites");
    PostVariant floor = passThroughPost();
    MultisampledWindow standIn(windowWidth, windowHeight);
    PostVariant unsaved = gamePost("without the savings: 2-sample window with depth, cleared; whole-window "
                                   "blur; reprojecting composite always");
    unsaved.savings.blurBoxes = false;
    unsaved.savings.lighterComposites = false;
    unsaved.savings.bareWindow = false;
    unsaved.standIn = &standIn;
    PostVariant* variants[] = {&unsaved, &game, &floor};
    const int variantCount = 3;

    // The variants take turns frame by frame along the same path, so each sees the same camera
    // motions and the same load on a shared machine.
    faceTheSun();
    for (int frame = 0; frame < variantCount * framesPerVariant; frame++)
    {
        PostVariant& variant = *variants[frame % variantCount];
        usePost(variant, gameWindow);
        input.apply(frame);
        glm::vec3 positionBefore = player->getPosition();
        FrameTimes times;
        times.finishGl = true;
        if (runFrame(loop, &times) == FrameEnd::outcome)
        {
            outcomes++;
            keepPlaying(loop);
            continue;
        }
        CameraMotion motion = cameraMotion(loop, positionBefore, input.isFlying());
        if (motion == cameraBlocked)
        {
            blocked++;
            continue;
        }
        variant.frames[motion].push_back(times);
    }
    // The input steps and the aim's question on their own.
    std::vector<double> cachedUpdates = measureInputSteps(gameWindow, 60, false);
    std::vector<double> uncachedUpdates = measureInputSteps(gameWindow, 60, true);
    std::vector<double> aimQueries = measureAimQuery(loop, 600);
    usePost(game, gameWindow);

    int displayFrames = std::max(30, framesPerVariant / 2);
    DisplayVariant displays[] = {
        {"display off", false, false, false, {}},
        {"display on: count, time, Earth, frame rate", true, false, false, {}},
        {"  and a burst", true, false, true, {}},
        {"  and the help panel: all of it", true, true, true, {}},
    };
    const int displayCount = sizeof(displays) / sizeof(displays[0]);
    input.release();
    measureDisplay(loop, displays, displayCount, displayFrames, outcomes);
    std::vector<double> pausedMs;
    measurePause(loop, gameWindow, displayFrames, pausedMs);


    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);

    printf("\nVelmora frame benchmark, %dx%d\n", windowWidth, windowHeight);
    printf("start-up to the first presented frame: %.3f s (window, context and post-processing %.3f s, "
           "programs and level %.3f s, first frame %.3f s)\n",
           startup, initSeconds, levelSeconds - initSeconds, startup - levelSeconds);
    printf("peak resident memory of the game's own set-up: %.1f MB (at start %.1f, after the window, context "
           "and post-processing %.1f, after the programs and the level %.1f); of the whole run, with the "
           "multisampled stand-in, %.1f MB\n",
           gamePeak, residentAtStart, residentAfterInit, residentAfterLevel,
           static_cast<double>(usage.ru_maxrss) / 1024.0);
    printf("the multisampled stand-in has %d samples a pixel\n", standIn.samples);
    printf("outcomes cleared during the run: %d; frames whose flight the controller stopped: %d\n\n",
           outcomes, blocked);
    for (PostVariant* variant : variants)
    {
        printStages(*variant);
        printf("\n");
    }
    printf("Player::update, the %zu calls of a frame on their own: the cursor and the window asked once a poll "
           "median %.3f ms, asked every call median %.3f ms\n",
           actorObjects.size() + 4, percentile(cachedUpdates, 0.5), percentile(uncachedUpdates, 0.5));
    printf("the aim marker's question, once a frame: median %.4f ms, p90 %.4f ms\n\n", percentile(aimQueries, 0.5),
           percentile(aimQueries, 0.9));

    double gameWhole = percentile(column(allFrames(game), wholeFrame), 0.5);
    double unsavedWhole = percentile(column(allFrames(unsaved), wholeFrame), 0.5);
    double floorWhole = percentile(column(allFrames(floor), wholeFrame), 0.5);
    printf("whole frame, medians:      game %7.2f ms   unsaved %7.2f ms   floor %7.2f ms\n", gameWhole,
           unsavedWhole, floorWhole);
    printf("game / unsaved %.3f   game / floor %.3f\n", gameWhole / unsavedWhole, gameWhole / floorWhole);
    for (int motion = 0; motion < motionCount; motion++)
    {
        double gameMotion = medianWhole(game, motion);
        printf("camera %-8s game %7.2f ms   unsaved %7.2f ms   floor %7.2f ms   game / unsaved %.3f"
               "   game / floor %.3f\n",
               motionNames[motion], gameMotion, medianWhole(unsaved, motion), medianWhole(floor, motion),
               gameMotion / medianWhole(unsaved, motion), gameMotion / medianWhole(floor, motion));
    }
    printf("game, turning / still %.3f   flying / still %.3f\n\n",
           medianWhole(game, cameraTurning) / medianWhole(game, cameraStill),
           medianWhole(game, cameraFlying) / medianWhole(game, cameraStill));

    printf("heads-up display, %d frames each, in turn, the camera still:\n", displayFrames);
    for (const DisplayVariant& variant : displays)
    {
        printRow(variant.name, withoutNan(variant.wholeMs));
    }
    printf("more than the display off, frame against frame of the same round (median):\n");
    for (int i = 1; i < displayCount; i++)
    {
        printf("  %-44s %+.3f ms a frame\n", displays[i].name, pairedMedian(displays[i], displays[0]));
    }
    printRow("paused frames, dimmed, the display on", pausedMs);
    printf("sound on the main thread (%s): median %.4f ms, p90 %.4f ms, most %.4f ms a frame\n",
           isSoundOn() ? "mixing" : "no audio device", percentile(column(allFrames(game), soundStage), 0.5),
           percentile(column(allFrames(game), soundStage), 0.9), percentile(column(allFrames(game), soundStage), 1.0));
    printf("aimed shots at marked targets, %dx%d: %d of %d hit, %d parked on the way by a report elsewhere, %d cut short by the end of the game "
           "(turning %d frames, waiting %d frames)\n",
           windowWidth, windowHeight, tally.hits, tally.shots, tally.parkedOnTheWay, tally.endedInFlight, tally.framesTurning,
           tally.framesWaiting);
    return 0;
}
