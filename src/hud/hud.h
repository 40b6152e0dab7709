#pragma once

#include <glm/glm.hpp>

// What a shot fired now would do to what the aim marker brackets.
enum class TargetMark
{
    removable, // it would go: orange
    unseen,    // an object already gone, still in the way, unseen: grey
    warning,   // the Earth: the game would be lost; red, with the word EARTH beside it
};

// One line of the help panel: a key, its gamepad control ("" for none) and what they do.
struct HelpLine
{
    const char* key;
    const char* pad;
    const char* action;
};

// The heads-up display: what the game tells the player in its window, drawn over the finished
// picture. It knows nothing of the game: the frame loop fills a HudFrame, the display lays it out
// for the window's size and draws it as text and rectangles in one draw call.
struct HudFrame
{
    int removals = 0;             // objects removed so far
    int removalsToWin = 14;       // how many win
    double playSeconds = 0.0;     // time played, pauses left out
    float earthDanger = 1000.0f;  // units from the nearest object to the Earth's box
    bool showFrameRate = false;   // F2
    float framesPerSecond = -1.0f; // negative: not enough played yet to tell
    bool showHelp = false;        // F1: a panel listing every key
    const HelpLine* helpLines = nullptr; // what the panel lists
    int helpLineCount = 0;
    bool paused = false;
    bool hasBestWin = false;      // the player's quickest win, shown beside the clock
    double bestWinSeconds = 0.0;
    const char* outcome = nullptr; // the outcome's message, written large; null while playing
    bool newRecord = false;        // the outcome set a record: NEW RECORD above the message
    bool playAgain = false;        // "R: play again" under the message while the game waits
    // The aim marker: a bracket around what a shot fired now would hit first (pixels, top-left
    // origin), in the colour of what the shot would do there.
    bool hasTarget = false;
    glm::vec2 targetCentre = glm::vec2(0.0f);
    float targetHalfSize = 0.0f;
    TargetMark targetMark = TargetMark::removable;
    // Seconds since the player's own shot last removed something; negative: not lately. "HIT" shows
    // beside the crosshair for a moment after it.
    float shotHitSeconds = -1.0f;
};

// Below this many units from the Earth's box, the danger shows in the warning colour.
const float earthWarningDistance = 10.0f;
// How long "HIT" shows after the player's shot removes something, seconds.
const float shotHitShowSeconds = 0.8f;

// Loads the font; without it the display still draws its shapes, and says once which file it lacks.
void createHud(const char* fontPath);

// Draws the display over the bound framebuffer, a window of width x height pixels.
void drawHud(const HudFrame& frame, int width, int height);
