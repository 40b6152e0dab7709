#pragma once

#include <string>
#include <vector>

// What OpenAL Soft's wave writer recorded, read back with libsndfile: interleaved frames of every
// channel as floats. Times are seconds from the start of the file.
struct WaveRecording
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;

    bool read(const std::string& path);
    float seconds() const;
    // Root mean square and largest magnitude over [from, to); channel -1 takes every channel.
    float rms(float from, float to, int channel = -1) const;
    float peak(float from, float to, int channel = -1) const;
    // Time of the first sample at or after from whose magnitude exceeds threshold; -1 when none does.
    float onset(float threshold, float from = 0.0f) const;
    // Sign changes per second of one channel over [from, to): a plain measure of how low a sound is.
    float crossingsPerSecond(float from, float to, int channel) const;
};
