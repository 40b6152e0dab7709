#pragma once

#include "image.h"

#include <string>

// Writes an uncompressed 24-bit bitmap: 14-byte file header, 40-byte information header, pixel data
// at offset 54, rows bottom to top in blue-green-red order, each padded to four bytes.
// Prints one line naming the file and returns false when it cannot be written.
bool writeBMP(const std::string& path, const Image& image);
