#pragma once

#include <glm/glm.hpp>

#include <string>
#include <vector>

// A picture with coverage, for the desktop icon: linear RGB and alpha in [0, 1], top row first as
// PNG stores it.
struct IconImage
{
    int size = 0;
    std::vector<glm::vec4> pixels; // row-major, top row first

    explicit IconImage(int side) : size(side), pixels(static_cast<size_t>(side) * side, glm::vec4(0.0f)) {}
};

// The game's icon at size x size pixels, drawn afresh at every size rather than scaled: a tile of
// deep space with a few stars, the glowing Sun in its upper left, a cratered asteroid crossing the
// middle and the Earth, lit by the Sun, filling the lower right.
IconImage makeIcon(int size);

// Writes a PNG with an alpha channel (through stb_image_write). Prints one line naming the file and
// returns false when it cannot be written.
bool writePNG(const std::string& path, const IconImage& image);
