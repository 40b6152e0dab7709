// Plays the real game in a 1280x720 window (the game folder's config.txt) on the current display,
// firing only at what the aim marker marks, and counts the hits. Run it under Xvfb.
//
//   aimed_shots [shots]                  fires that many aimed shots (default 8), prints the hits
//   aimed_shots --won-picture FILE.ppm   fires until the game is won, then saves the window showing
//                                        the outcome (binary PPM) and says so
#include "aimed_play.h"

#include "app/glfw_game_window.h"
#include "game/rules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace
{

// The window as it is shown, read from its front buffer after the outcome frame was presented.
bool saveWindow(const char* path)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(windowWidth) * windowHeight * 3);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
    {
        fprintf(stderr, "Cannot write %s\n", path);
        return false;
    }
    fprintf(file, "P6\n%d %d\n255\n", windowWidth, windowHeight);
    // PPM rows run top to bottom, GL's bottom to top.
    for (int row = windowHeight - 1; row >= 0; row--)
    {
        fwrite(&rgb[static_cast<size_t>(row) * windowWidth * 3], 1, static_cast<size_t>(windowWidth) * 3, file);
    }
    fclose(file);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const char* wonPicture = nullptr;
    int shots = 8;
    if (argc == 3 && strcmp(argv[1], "--won-picture") == 0)
    {
        wonPicture = argv[2];
        shots = 1000;
    }
    else if (argc == 2)
    {
        shots = std::max(1, atoi(argv[1]));
    }
    if (chdir(VELMORA_GAME_DIR) != 0 || init() == -1)
    {
        fprintf(stderr, "Cannot start the game in %s\n", VELMORA_GAME_DIR);
        return 1;
    }
    GlfwGameWindow gameWindow(window);
    GameLoop loop;
    loop.window = &gameWindow;
    createGame(loop);
    runFrame(loop);

    AimedPlay marksman;
    AimedPlay::Tally tally;
    FrameEnd end = FrameEnd::keepRunning;
    int misses = 0;
    int outcomes = 0;
    while (tally.shots < shots && misses < 20 && end != FrameEnd::quit)
    {
        int before = tally.shots;
        if (!marksman.shoot(loop, tally, end) && end == FrameEnd::keepRunning)
        {
            runFrame(loop);
        }
        misses += tally.shots == before ? 1 : 0;
        if (end == FrameEnd::outcome)
        {
            if (wonPicture != nullptr)
            {
                break;
            }
            // Counting shots goes on past the end of a game: the outcome is cleared.
            outcomes++;
            gameWon = false;
            earthDestroyed = false;
            lastMoveFlags = ControllerCollisionFlags();
            end = FrameEnd::keepRunning;
        }
    }
    printf("aimed shots at marked targets, %dx%d: %d of %d hit, %d parked on the way by a report elsewhere "
           "(turning %d frames, waiting %d frames; outcomes cleared to go on: %d)\n",
           windowWidth, windowHeight, tally.hits, tally.shots, tally.parkedOnTheWay, tally.framesTurning,
           tally.framesWaiting, outcomes);
    if (wonPicture != nullptr)
    {
        if (end != FrameEnd::outcome || !isGameWon())
        {
            fprintf(stderr, "The game was not won (%d of 14 removed)\n", countRemovals());
            return 1;
        }
        if (!saveWindow(wonPicture))
        {
            return 1;
        }
        printf("won after %d removals; the window saved to %s\n", countRemovals(), wonPicture);
    }
    return 0;
}
