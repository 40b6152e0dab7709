#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The page around the canvas (index.html): a line of text over the picture, the player's files kept
// in the browser, downloads, and what the page's tests read.

// Shows text over the picture, centred; "" hides it.
void showPageMessage(const std::string& text);

// The browser's console shows the game's output a line at a time: what is written of a line not yet
// ended goes there now, as a line of its own.
void endConsoleLines();

// Whether the page was opened as its still picture (index.html?still).
bool isStillPage();

// The player's own folder is kept in the browser's storage (IndexedDB) across visits: mounted at the
// same path the desktop uses, and read back from the storage, which takes a moment: the files are
// there once arePlayerFilesLoaded says so.
void mountPlayerFolder(const std::string& folder);
bool arePlayerFilesLoaded();
// Writes what changed in the folder to the browser's storage.
void keepPlayerFiles();

// Hands the player a file to save, as the browser's downloads do.
void offerDownload(const std::string& name, const uint8_t* bytes, size_t size);

// What the page's tests read of the game (window.velmora in the page).
struct PageStatus
{
    int frames = 0;       // browser frames the game drew or skipped
    int playedFrames = 0; // of them, frames that ran the game (not paused)
    int shots = 0;        // shots fired since the page was opened
    bool paused = false;
    bool captured = false;
    const char* outcome = ""; // the last outcome's message while it is shown
    float projectile[3] = {0.0f, 0.0f, 0.0f};
    float yaw = 0.0f; // radians
    bool wireFrame = false;
};
void publishStatus(const PageStatus& status);
