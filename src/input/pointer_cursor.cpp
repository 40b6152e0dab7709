#include "input/pointer_cursor.h"

#include <cmath>

void PointerCursor::move(glm::dvec2 movement)
{
    if (!captured || !(std::fabs(movement.x) <= maxMovement && std::fabs(movement.y) <= maxMovement))
    {
        return;
    }
    position += movement;
}
