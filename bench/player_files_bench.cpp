// What the player's own files cost: reading settings.txt and the bindings at start-up, and the
// screenshot key's capture call on the frame's path. The real window at 1280x720 (the game folder's
// config.txt) on the current display; run it under Xvfb.
//
//   player_files_bench [captures]
//
// Start-up: a settings file naming every setting read, applied and the help panel's lines made from
// the actions table, timed over many runs. Capture: a frame drawn into the window, its GL work
// finished, then takeScreenshot timed alone (the PNG is written on the writer's thread meanwhile).

#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/settings.h"
#include "app/startup.h"
#include "game/feedback.h"
#include "game/player.h"
#include "screenshot/screenshot.h"

#include "bench_support.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    int captures = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    if (chdir(VELMORA_GAME_DIR) != 0)
    {
        fprintf(stderr, "Cannot enter the game folder %s\n", VELMORA_GAME_DIR);
        return 1;
    }
    std::string scratch = "/tmp/velmora-player-files-bench";
    std::string settingsPath = scratch + "/settings.txt";
    if (system(("rm -rf '" + scratch + "' && mkdir -p '" + scratch + "'").c_str()) != 0)
    {
        return 1;
    }
    std::ofstream(settingsPath) << "# every setting\nmouse-sensitivity = 1.5\ninvert-mouse-y = false\nvolume = 80\n"
                                   "hud = on\nsound = on\ngamepad-dead-zone = 0.2\n";

    if (init() == -1)
    {
        return 1;
    }
    GlfwGameWindow gameWindow(window);
    GameLoop loop;
    loop.window = &gameWindow;
    createGame(loop);

    std::vector<double> startupMs;
    for (int run = 0; run < 200; run++)
    {
        auto start = std::chrono::steady_clock::now();
        applyPlayerSettings(readSettingsFile(settingsPath), *player);
        int lines = 0;
        getHelpLines(lines);
        startupMs.push_back(millisecondsSince(start));
    }

    std::vector<double> captureMs;
    for (int capture = 0; capture < captures; capture++)
    {
        runFrame(loop);
        glFinish();
        auto start = std::chrono::steady_clock::now();
        takeScreenshot(windowWidth, windowHeight, scratch + "/shots");
        captureMs.push_back(millisecondsSince(start));
        // One at a time, so the writer's thread does not share the core with the next capture.
        finishScreenshots();
    }

    printf("\nVelmora player files benchmark, %dx%d\n", windowWidth, windowHeight);
    printf("settings read and applied, the help panel's lines from the table: median %.3f ms, slowest %.3f ms\n",
           percentile(startupMs, 0.5), percentile(startupMs, 1.0));
    printf("screenshot capture call, %d captures: median %.3f ms, p90 %.3f ms\n", captures,
           percentile(captureMs, 0.5), percentile(captureMs, 0.9));
    return 0;
}
