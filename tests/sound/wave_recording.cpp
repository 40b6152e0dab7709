#include "sound/wave_recording.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

bool WaveRecording::read(const std::string& path)
{
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        return false;
    }
    sampleRate = info.samplerate;
    channels = info.channels;
    samples.assign(static_cast<size_t>(info.frames * info.channels), 0.0f);
    sf_count_t frames = sf_readf_float(file, samples.data(), info.frames);
    samples.resize(static_cast<size_t>(frames * info.channels));
    sf_close(file);
    return true;
}

float WaveRecording::seconds() const
{
    return channels > 0 ? static_cast<float>(samples.size() / channels) / static_cast<float>(sampleRate)
                        : 0.0f;
}

namespace
{
// Frame range [first, last) for a time range, clipped to the recording.
void frameRange(const WaveRecording& r, float from, float to, size_t& first, size_t& last)
{
    size_t frames = r.channels > 0 ? r.samples.size() / r.channels : 0;
    first = std::min(frames, static_cast<size_t>(std::max(0.0f, from) * r.sampleRate));
    last = std::min(frames, static_cast<size_t>(std::max(0.0f, to) * r.sampleRate));
    last = std::max(first, last);
}
} // namespace

float WaveRecording::rms(float from, float to, int channel) const
{
    size_t first = 0, last = 0;
    frameRange(*this, from, to, first, last);
    double sum = 0.0;
    size_t count = 0;
    for (size_t frame = first; frame < last; ++frame)
    {
        for (int c = 0; c < channels; ++c)
        {
            if (channel < 0 || channel == c)
            {
                double s = samples[frame * channels + c];
                sum += s * s;
                ++count;
            }
        }
    }
    return count > 0 ? static_cast<float>(std::sqrt(sum / count)) : 0.0f;
}

float WaveRecording::peak(float from, float to, int channel) const
{
    size_t first = 0, last = 0;
    frameRange(*this, from, to, first, last);
    float largest = 0.0f;
    for (size_t frame = first; frame < last; ++frame)
    {
        for (int c = 0; c < channels; ++c)
        {
            if (channel < 0 || channel == c)
            {
                largest = std::max(largest, std::fabs(samples[frame * channels + c]));
            }
        }
    }
    return largest;
}

float WaveRecording::onset(float threshold, float from) const
{
    size_t first = 0, last = 0;
    frameRange(*this, from, seconds(), first, last);
    for (size_t i = first * channels; i < last * channels; ++i)
    {
        if (std::fabs(samples[i]) > threshold)
        {
            return static_cast<float>(i / channels) / static_cast<float>(sampleRate);
        }
    }
    return -1.0f;
}

float WaveRecording::crossingsPerSecond(float from, float to, int channel) const
{
    size_t first = 0, last = 0;
    frameRange(*this, from, to, first, last);
    int crossings = 0;
    for (size_t frame = first + 1; frame < last; ++frame)
    {
        if ((samples[(frame - 1) * channels + channel] < 0.0f) !=
            (samples[frame * channels + channel] < 0.0f))
        {
            ++crossings;
        }
    }
    return last > first ? crossings * static_cast<float>(sampleRate) / static_cast<float>(last - first)
                        : 0.0f;
}
