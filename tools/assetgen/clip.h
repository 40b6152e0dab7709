#pragma once

#include <cstddef>
#include <vector>

// One channel of sound being synthesised: samples in [-1, 1], sampleRate of them per second.
struct Clip
{
    int sampleRate = 48000;
    std::vector<float> samples;

    Clip(int rate, float seconds)
        : sampleRate(rate), samples(static_cast<size_t>(seconds * rate + 0.5f), 0.0f)
    {
    }

    float seconds() const { return static_cast<float>(samples.size()) / static_cast<float>(sampleRate); }
};
