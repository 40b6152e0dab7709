#pragma once

#include "image.h"

#include <string>

// Width and height of one glyph of the built-in 5 x 7 font, in font pixels.
constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;

// Paints text with its top-left corner at (left, top) in image pixels (row 0 is the bottom row, so
// glyph rows go downward from top). Each font pixel becomes a scale x scale block. Digits and the
// capitals A-Z are known; anything else leaves a blank.
void drawText(Image& image, const std::string& text, int left, int top, int scale, glm::vec3 colour);

// Width in image pixels of text drawn at this scale (one blank font column between glyphs).
int textWidth(const std::string& text, int scale);
