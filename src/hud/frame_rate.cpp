#include "hud/frame_rate.h"

namespace
{
const double window = 0.5; // seconds
}

void FrameRateMeter::addFrame(float dt)
{
    if (!(dt > 0.0f))
    {
        return;
    }
    played += dt;
    if (count == capacity)
    {
        sum -= frames[oldest];
        oldest = (oldest + 1) % capacity;
        count--;
    }
    frames[(oldest + count) % capacity] = dt;
    count++;
    sum += dt;
    // Drop the oldest frames while the rest still cover the half second.
    while (count > 1 && sum - frames[oldest] >= window)
    {
        sum -= frames[oldest];
        oldest = (oldest + 1) % capacity;
        count--;
    }
}

float FrameRateMeter::getFramesPerSecond() const
{
    if (played < window || sum <= 0.0)
    {
        return -1.0f;
    }
    return static_cast<float>(count / sum);
}

void FrameRateMeter::reset()
{
    *this = FrameRateMeter();
}
