#include "game/events.h"

static GameEvent frameEvents[maxFrameEvents];
static size_t frameEventCount = 0;

void recordEvent(GameEventType type, glm::vec3 position)
{
    if (frameEventCount < maxFrameEvents)
    {
        frameEvents[frameEventCount++] = GameEvent{type, position};
    }
}

void clearFrameEvents()
{
    frameEventCount = 0;
}

size_t getFrameEventCount()
{
    return frameEventCount;
}

const GameEvent* getFrameEvents()
{
    return frameEvents;
}
