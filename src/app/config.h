#pragma once

#include <istream>
#include <string>

// The window set-up read from config.txt: width, height and the full-screen flag, one per line.
struct WindowConfig
{
    int width = 0;
    int height = 0;
    bool fullScreen = false;
};

// Reads up to three lines; missing lines stay empty. A carriage return before the line feed
// belongs to the line ending, not to the line.
void readConfigLines(std::istream& in, std::string lines[3]);

// atoi's reading of a line: leading white space, an optional sign, then decimal digits up to the
// first other character; no digits gives 0. Values beyond the int range saturate.
int parseConfigNumber(const std::string& line);

// Full screen only when the third line is exactly "true".
WindowConfig parseConfig(const std::string lines[3]);

// A missing file reads as three empty lines.
WindowConfig readConfigFile(const char* path);
