#include "image.h"

#include <cmath>

glm::vec3 sphereDirection(glm::vec2 uv)
{
    float longitude = uv.x * 6.28318531f;
    float latitude = (uv.y - 0.5f) * 3.14159265f;
    float ring = std::cos(latitude);
    return glm::vec3(ring * std::cos(longitude), std::sin(latitude), -ring * std::sin(longitude));
}
