#include "app/frame_loop.h"
#include "app/startup.h"

int main()
{
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
