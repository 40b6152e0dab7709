#pragma once

#include "render/gl.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A 24-bit bitmap as the upload reads it: rows bottom to top, blue-green-red, each row padded to
// four bytes.
struct BmpImage
{
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels; // exactly height rows of rowStride(width) bytes
};

// Largest width or height accepted, in pixels.
constexpr int32_t maxBmpSize = 16384;

// Bytes per row of a 24-bit bitmap of this width, padded to a multiple of four.
size_t bmpRowStride(int32_t width);

// Checks a whole bitmap file held in memory and copies out its pixels. On a refusal it prints one
// line naming imagePath and returns false. loadBMP uses exactly this on the file's bytes.
bool decodeBMP(const uint8_t* bytes, size_t size, const char* imagePath, BmpImage& image);

// Reads a 24-bit BMP into a new mip-mapped texture, left bound on the active unit; 0 on failure.
GLuint loadBMP(const char* imagePath);

// Filter value the frame loop keeps in step with the sampling setting (GL_NEAREST or GL_LINEAR).
extern GLint textureFilter;

// Re-filters a model texture for the player's sampling settings: nearestSampling picks nearest or
// bilinear magnification; mipMapMode 0 turns mip-maps off, 1 uses the nearest level, 2 blends levels.
void applyTextureSampling(GLuint texture, bool nearestSampling, int mipMapMode);
