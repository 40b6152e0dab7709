#pragma once

#include "app/frame_loop.h"

// The game as a web page runs it. A page has no main loop of its own and must never wait: the
// browser calls once for every frame it draws, and the game answers with one frame of its own, or
// with nothing when there is nothing to do. Nor does a page end: after an outcome its picture stays
// up, with "R: play again" on it, until the player plays again.
enum class PageState
{
    playing, // frames run, paused or not
    outcome, // the outcome's picture stays up; R, or the pause action, plays again
};

// What the page is to do about a frame.
enum class PageRequest
{
    none,
    // Escape, or the gamepad's quit while paused: a page cannot end, so it lets the pointer go, as
    // browsers require of Escape, and the game waits paused until the player clicks.
    releasePointer,
    // The game reached its outcome and the player's records were written: the page keeps them.
    keepFiles,
};

struct PageLoop
{
    PageState state = PageState::playing;
};

// One browser frame of the game.
PageRequest runPageFrame(GameLoop& loop, PageLoop& page);
