#pragma once

#include "clip.h"

#include <string>

// Writes a mono 16-bit PCM WAV file: the 12-byte RIFF header, a 16-byte fmt chunk and the data chunk,
// 44 bytes before the first sample. Samples are clamped to [-1, 1] and rounded to the nearest step.
// Prints one line naming the file and returns false when it cannot be written.
bool writeWAV(const std::string& path, const Clip& clip);
