#pragma once

#include <string>

// Small helpers for the files a player owns (settings, records, screenshots): read whole and bounded,
// folders made on demand, and the blanks around a "name = value" taken off.

// How reading a small file went.
enum class SmallFile
{
    read,    // text holds the whole file
    missing, // there is no such file
    failed,  // why says what went wrong (an error, or larger than largest bytes)
};

// Reads the whole file at path, up to largest bytes; a larger one fails as "larger than KIND can be"
// (kind: "a settings file", say).
SmallFile readSmallFile(const std::string& path, size_t largest, const char* kind, std::string& text,
                        std::string& why);

// Makes folder and every missing folder above it; false (errno set) when one cannot be made or a
// part of the path is not a folder.
bool makeFolders(const std::string& folder);

// Writes all of text to an open file descriptor, through short writes and interruptions.
bool writeAll(int descriptor, const char* bytes, size_t size);

// The text without the spaces and tabs around it.
std::string trimBlanks(const std::string& text);
