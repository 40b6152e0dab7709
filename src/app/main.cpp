#include "app/data_paths.h"
#include "app/frame_loop.h"
#include "app/glfw_game_window.h"
#include "app/settings.h"
#include "app/startup.h"
#include "game/player.h"
#include "game/session.h"
#include "screenshot/screenshot.h"
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
    // The player's own files, whichever folder the game runs in: their settings, their records and
    // their screenshots.
    applyPlayerSettings(readSettingsFile(getPlayerSettingsPath()), *player);
    std::string dataHome = getDataHome();
    loop.session->useRecords(dataHome.empty() ? "" : dataHome + "/velmora");
    loop.screenshotFolder = getScreenshotFolder();

    for (;;)
    {
        FrameEnd end = runFrame(loop);
        if (end == FrameEnd::keepRunning)
        {
            continue;
        }
        if (end == FrameEnd::newGame)
        {
            startNewGame(loop);
            continue;
        }
        if (end == FrameEnd::quit)
        {
            break;
        }
        // After an outcome the last picture stays up for a moment and R plays again; otherwise the
        // game ends as it stands, and only a quit releases anything.
        AfterOutcome after = waitAfterOutcome(loop);
        if (after == AfterOutcome::playAgain)
        {
            startNewGame(loop);
            continue;
        }
        if (after == AfterOutcome::timeUp)
        {
            finishScreenshots();
            stopSound();
            return 0;
        }
        break;
    }
    shutDown();
    return 0;
}
