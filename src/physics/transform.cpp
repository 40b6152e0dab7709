#include "physics/physics_world.h"

#include <glm/gtc/quaternion.hpp>

glm::mat4 Transform::toMatrix() const
{
    glm::mat4 matrix = glm::mat4_cast(q);
    matrix[3] = glm::vec4(p, 1.0f);
    return matrix;
}
