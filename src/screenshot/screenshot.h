#pragma once

#include <string>

// Screenshots of the window as it is presented. The frame only reads the picture back; a thread of
// its own turns it into a PNG file, so writing never holds up a frame.

// Reads the picture drawn into the window's back buffer (width x height pixels, about to be
// presented) and has it written to folder, made when missing, as "Velmora YYYY-MM-DD HH-MM-SS.png",
// never over a file that is there. Once the file is whole the console says "Screenshot: PATH", or in
// one line why it could not be written. Returns at once.
void takeScreenshot(int width, int height, const std::string& folder);

// Waits until every screenshot taken so far is written, and stops the writer. Call before exit.
void finishScreenshots();
