// Frames of the real game: the game's own libraries, the real level and the real frame order, in a
// 1280x720 window (the game folder's config.txt) on the current display, played along a scripted
// path with real key presses and mouse moves through the X server. Run it under Xvfb.
//
//   frame_bench [frames per variant]
//
// Prints per-stage medians and p90s, start-up time to the first presented frame and peak resident
// memory. It also plays the same frames with pass-through blur and composite shaders (one texture
// fetch per pass) and prints the ratio of the whole frames. Outcomes (the level drifts into the
// Earth after some seconds) are noted and cleared, so the game keeps running.

#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/startup.h"
#include "game/player.h"
#include "game/rules.h"
#include "render/post.h"
#include "render/shader.h"

#include "pass_through.h"

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// The programs and kept uniform locations of one way of post-processing.
struct PostVariant
{
    const char* name;
    GLuint blur;
    GLuint composite;
    GLint locations[6];
    std::vector<FrameTimes> frames;
};

void capturePost(PostVariant& variant)
{
    variant.blur = blurProgram;
    variant.composite = postProgram;
    GLint* kept[] = {&fboTextureLocation, &fboTexture2Location, &fboDepthTextureLocation,
                     &inverseVPLocation,  &previousVPLocation,  &bloomBlurLocation};
    for (int i = 0; i < 6; i++)
    {
        variant.locations[i] = *kept[i];
    }
}

void usePost(const PostVariant& variant)
{
    blurProgram = variant.blur;
    postProgram = variant.composite;
    GLint* kept[] = {&fboTextureLocation, &fboTexture2Location, &fboDepthTextureLocation,
                     &inverseVPLocation,  &previousVPLocation,  &bloomBlurLocation};
    for (int i = 0; i < 6; i++)
    {
        *kept[i] = variant.locations[i];
    }
}

PostVariant passThroughPost()
{
    PostVariant variant{"pass-through post", 0, 0, {}, {}};
    variant.blur = loadInlineProgram("/tmp", "velmora_frame_bench_blur", passThroughQuadVertex, passThroughBlurFragment);
    variant.composite = loadInlineProgram("/tmp", "velmora_frame_bench_composite", passThroughQuadVertex,
                                          passThroughCompositeFragment);
    const char* names[] = {"fboTexture", "fboTexture2", "fboDepthTexture", "inverseVP", "previousVP", "bloomBlur"};
    for (int i = 0; i < 6; i++)
    {
        variant.locations[i] = glGetUniformLocation(variant.composite, names[i]);
    }
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

    // Frame i of a 120-frame loop: turn right, fly forwards, turn left, fly back.
    void apply(int frame)
    {
        int phase = (frame / 30) % 4;
        hold(forward, phase == 1);
        hold(backward, phase == 3);
        int turn = phase == 0 ? 30 : phase == 2 ? -30 : 0;
        if (turn != 0)
        {
            XWarpPointer(display, None, target, 0, 0, 0, 0, windowWidth / 2 + turn, windowHeight / 2);
        }
        XFlush(display);
    }

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

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
    {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
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

void printRow(const char* name, const std::vector<double>& ms)
{
    printf("  %-34s median %8.3f ms   p90 %8.3f ms\n", name, percentile(ms, 0.5), percentile(ms, 0.9));
}

void printStages(const PostVariant& variant)
{
    static const char* stageNames[stageCount] = {"Player::update (all calls)", "physics step", "updateWorld",
                                                 "drawScene",  "blur passes",  "composite", "swap + events"};
    printf("%s, %zu frames (times with GL work finished per stage):\n", variant.name, variant.frames.size());
    for (int stage = 0; stage < stageCount; stage++)
    {
        std::vector<double> cpu, total;
        for (const FrameTimes& frame : variant.frames)
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
    printRow("CPU work outside GL", column(variant.frames, [](const FrameTimes& f) {
                 return f.cpu[stagePlayerUpdate] + f.cpu[stagePhysicsStep] + f.cpu[stageWorldUpdate] +
                        f.cpu[stageDrawScene];
             }));
    printRow("whole frame", column(variant.frames, [](const FrameTimes& f) { return f.whole; }));
}

// Resident memory now, in MB.
double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            return atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0.0;
}

// Clears what ended the game and finishes the frame as an ordinary one would, so play goes on.
void keepPlaying(GameLoop& loop)
{
    gameWon = false;
    earthDestroyed = false;
    lastMoveFlags = ControllerCollisionFlags();
    loop.window->present();
    loop.window->pollEvents();
}

} // namespace

int main(int argc, char** argv)
{
    auto processStart = std::chrono::steady_clock::now();
    int framesPerVariant = argc > 1 ? std::max(20, atoi(argv[1])) : 240;
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
    GlfwGameWindow gameWindow(window);
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

    PostVariant real{"real post-processing", 0, 0, {}, {}};
    capturePost(real);
    PostVariant floor = passThroughPost();
    PostVariant* variants[] = {&real, &floor};

    ScriptedInput input;
    int outcomes = 0;
    const int block = 20; // frames of one variant before switching, so both see the same load
    for (int frame = 0; frame < 2 * framesPerVariant; frame++)
    {
        PostVariant& variant = *variants[(frame / block) % 2];
        usePost(variant);
        input.apply(frame);
        FrameTimes times;
        times.finishGl = true;
        if (runFrame(loop, &times) == FrameEnd::outcome)
        {
            outcomes++;
            keepPlaying(loop);
            continue;
        }
        variant.frames.push_back(times);
    }
    // The same path once more with the cursor asked for on every Player::update call.
    std::vector<double> uncachedUpdates;
    std::vector<double> cachedUpdates = column(real.frames, [](const FrameTimes& f) { return f.cpu[stagePlayerUpdate]; });
    gameWindow.rememberCursor = false;
    usePost(real);
    for (int frame = 0; frame < std::min(framesPerVariant, 60); frame++)
    {
        input.apply(frame);
        FrameTimes times;
        times.finishGl = true;
        if (runFrame(loop, &times) == FrameEnd::outcome)
        {
            keepPlaying(loop);
            continue;
        }
        uncachedUpdates.push_back(times.cpu[stagePlayerUpdate] * 1000.0);
    }
    gameWindow.rememberCursor = true;
    input.release();

    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);

    printf("\nVelmora frame benchmark, %dx%d\n", windowWidth, windowHeight);
    printf("start-up to the first presented frame: %.3f s (window, context and post-processing %.3f s, "
           "programs and level %.3f s, first frame %.3f s)\n",
           startup, initSeconds, levelSeconds - initSeconds, startup - levelSeconds);
    printf("peak resident memory: %.1f MB (at start %.1f, after the window, context and post-processing "
           "%.1f, after the programs and the level %.1f)\n",
           static_cast<double>(usage.ru_maxrss) / 1024.0, residentAtStart, residentAfterInit, residentAfterLevel);
    printf("outcomes cleared during the run: %d\n\n", outcomes);
    printStages(real);
    printf("\n");
    printStages(floor);
    auto whole = [](const FrameTimes& f) { return f.whole; };
    double realMedian = percentile(column(real.frames, whole), 0.5);
    double floorMedian = percentile(column(floor.frames, whole), 0.5);
    printf("\nPlayer::update, all calls of a frame: cursor remembered between polls median %.3f ms, "
           "asked every call median %.3f ms\n",
           percentile(cachedUpdates, 0.5), percentile(uncachedUpdates, 0.5));
    printf("\nwhole frame / pass-through floor: %.3f (medians %.2f ms / %.2f ms)\n", realMedian / floorMedian,
           realMedian, floorMedian);
    return 0;
}
