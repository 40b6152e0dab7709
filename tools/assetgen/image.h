#pragma once

#include <glm/glm.hpp>

#include <vector>

// A colour picture being painted, linear RGB in [0, 1]. Row 0 is the bottom row, as in the bitmap
// file and in OpenGL, so texture coordinate v = (row + 0.5) / height with no flipping anywhere.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<glm::vec3> pixels; // row-major, bottom row first

    Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, glm::vec3(0.0f)) {}

    glm::vec3& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const glm::vec3& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    // Pixel centre in texture coordinates.
    glm::vec2 uvOf(int x, int y) const
    {
        return glm::vec2((x + 0.5f) / static_cast<float>(width), (y + 0.5f) / static_cast<float>(height));
    }
};

// Direction on the unit sphere for an equirectangular texture coordinate: u runs once around the
// y axis, v from the south pole (0) to the north pole (1). The sphere models use the same mapping.
glm::vec3 sphereDirection(glm::vec2 uv);
