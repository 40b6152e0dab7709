// Playing again: how long R takes to give the first frame of a new game, and whether games in a row
// leave anything behind. The real game in a 1280x720 window (the game folder's config.txt) on the
// current display; run it under Xvfb.
//
//   restart_bench [restarts]
//
// Each round plays half a second of the game (a shot and a turn, so the game has something to undo),
// then times the new game from its start to its first presented frame, GL work finished. Prints the
// median and the slowest, resident memory before and after the rounds, and the physics world's actor
// count before and after.

#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/startup.h"
#include "game/player.h"
#include "game/session.h"
#include "physics/physics_world.h"

#include "bench_support.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// Half a second of play: a shot and a turn.
void playALittle(GameLoop& loop)
{
    player->shoot();
    player->horizontalAngle -= 0.5f;
    for (int frame = 0; frame < 30; frame++)
    {
        FrameEnd end = runFrame(loop);
        if (end == FrameEnd::outcome)
        {
            break;
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    int restarts = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    if (chdir(VELMORA_GAME_DIR) != 0)
    {
        fprintf(stderr, "Cannot enter the game folder %s\n", VELMORA_GAME_DIR);
        return 1;
    }
    if (init() == -1)
    {
        return 1;
    }
    GlfwGameWindow gameWindow(window);
    GameLoop loop;
    loop.window = &gameWindow;
    createGame(loop);
    // One round first, so that whatever the first new game makes once (allocators' pools, driver
    // caches) is not counted as growth.
    playALittle(loop);
    startNewGame(loop);
    runFrame(loop);

    double residentBefore = residentMegabytes();
    uint32_t actorsBefore = loop.physicsWorld->getNbActors();
    std::vector<double> ms;
    for (int round = 0; round < restarts; round++)
    {
        playALittle(loop);
        auto start = std::chrono::steady_clock::now();
        startNewGame(loop);
        runFrame(loop);
        glFinish();
        ms.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1000.0);
    }
    double residentAfter = residentMegabytes();
    uint32_t actorsAfter = loop.physicsWorld->getNbActors();

    printf("\nVelmora restart benchmark, %dx%d, %d restarts\n", windowWidth, windowHeight, restarts);
    printf("new game to its first presented frame: median %.1f ms, slowest %.1f ms\n", percentile(ms, 0.5),
           percentile(ms, 1.0));
    printf("resident memory: %.1f MB before, %.1f MB after: %+.2f MB\n", residentBefore, residentAfter,
           residentAfter - residentBefore);
    printf("physics actors: %u before, %u after\n", actorsBefore, actorsAfter);
    return 0;
}
