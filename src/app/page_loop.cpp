#include "app/page_loop.h"

#include "input/game_window.h"

PageRequest runPageFrame(GameLoop& loop, PageLoop& page)
{
    if (page.state == PageState::outcome)
    {
        // Nothing is drawn: the browser keeps showing the outcome's picture.
        loop.window->pollEvents();
        if (isPlayAgainAsked(loop))
        {
            startNewGame(loop);
            page.state = PageState::playing;
        }
        return PageRequest::none;
    }
    switch (runFrame(loop))
    {
    case FrameEnd::keepRunning:
        return PageRequest::none;
    case FrameEnd::newGame:
        startNewGame(loop);
        return PageRequest::none;
    case FrameEnd::quit:
        return PageRequest::releasePointer;
    case FrameEnd::outcome:
        beginOutcomeWait(loop);
        page.state = PageState::outcome;
        return PageRequest::keepFiles;
    }
    return PageRequest::none;
}
