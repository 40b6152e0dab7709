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

// The window as the X server shows it, after the outcome frame was presented (as a screen grab
// would take it: the GL front buffer of a window is not kept for reading back).
bool saveWindow(const char* path)
{
    Display* display = glfwGetX11Display();
    XSync(display, False);
    XImage* image = XGetImage(display, glfwGetX11Window(window), 0, 0, static_cast<unsigned>(windowWidth),
                              static_cast<unsigned>(windowHeight), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        fprintf(stderr, "Cannot read the window back\n");
        return false;
    }
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
    {
        fprintf(stderr, "Cannot write %s\n", path);
        XDestroyImage(image);
        return false;
    }
    fprintf(file, "P6\n%d %d\n255\n", windowWidth, windowHeight);
    for (int y = 0; y < windowHeight; y++)
    {
        for (int x = 0; x < windowWidth; x++)
        {
            unsigned long pixel = XGetPixel(image, x, y);
            unsigned char rgb[3] = {static_cast<unsigned char>((pixel & image->red_mask) >> 16),
                                    static_cast<unsigned char>((pixel & image->green_mask) >> 8),
                                    static_cast<unsigned char>(pixel & image->blue_mask)};
            fwrite(rgb, 1, 3, file);
        }
    }
    fclose(file);
    XDestroyImage(image);
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
    printf("aimed shots at marked targets, %dx%d: %d of %d hit, %d parked on the way by a report elsewhere, %d cut short by the end of the game "
           "(turning %d frames, waiting %d frames; outcomes cleared to go on: %d)\n",
           windowWidth, windowHeight, tally.hits, tally.shots, tally.parkedOnTheWay, tally.endedInFlight, tally.framesTurning,
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
