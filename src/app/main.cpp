#include "app/frame_loop.h"
#include "app/startup.h"

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
    GameLoop loop;
    createGame(loop);

    FrameEnd end;
    do
    {
        end = runFrame(loop);
    } while (end == FrameEnd::keepRunning);

    // After an outcome the game ends as it stands; only a quit releases anything.
    if (end == FrameEnd::quit)
    {
        shutDown();
    }
    return 0;
}
