#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/startup.h"
#include "sound/sound.h"

#include <cstdio>

int main()
{
    // The console is the game's status display: show each line as it is written, also when the
    // output goes to a file or a pipe.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (init() == -1)
    {
        return -1;
    }
    GlfwGameWindow gameWindow(window);
    GameLoop loop;
    loop.window = &gameWindow;
    createGame(loop);

    FrameEnd end;
    do
    {
        end = runFrame(loop);
    } while (end == FrameEnd::keepRunning);

    // After an outcome the last picture stays up for a moment and the game ends as it stands;
    // only a quit releases anything.
    if (end == FrameEnd::outcome)
    {
        pauseAfterOutcome();
        stopSound();
        return 0;
    }
    shutDown();
    return 0;
}
