#include "sound/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

bool loadSoundFile(const char* path, SoundClip& clip)
{
    clip.samples.clear();
    clip.sampleRate = 0;
    SF_INFO info = {};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr)
    {
        printf("Sound: cannot read %s (%s)\n", path, sf_strerror(nullptr));
        return false;
    }
    // libsndfile accepts rates down to 1 Hz; below 1 kHz or above 384 kHz it is no sound for a game.
    if (info.channels < 1 || info.samplerate < 1000 || info.samplerate > 384000)
    {
        printf("Sound: unsupported %s (%d channels at %d Hz)\n", path, info.channels, info.samplerate);
        sf_close(file);
        return false;
    }
    if (info.frames < 1 || info.frames > static_cast<sf_count_t>(maxSoundSeconds) * info.samplerate)
    {
        printf("Sound: unsupported %s (%lld samples at %d Hz, between one and %d s of sound are played)\n",
               path, static_cast<long long>(info.frames), info.samplerate, maxSoundSeconds);
        sf_close(file);
        return false;
    }

    // Read in blocks as floats in [-1, 1] and average the channels; libsndfile converts every sample
    // format to float, so this one path serves 8-bit, 24-bit and float files alike.
    clip.samples.reserve(static_cast<size_t>(info.frames));
    const sf_count_t blockFrames = 4096;
    std::vector<float> block(static_cast<size_t>(blockFrames) * static_cast<size_t>(info.channels));
    sf_count_t read = 0;
    while ((read = sf_readf_float(file, block.data(), blockFrames)) > 0)
    {
        for (sf_count_t frame = 0; frame < read; ++frame)
        {
            float sum = 0.0f;
            for (int channel = 0; channel < info.channels; ++channel)
            {
                sum += block[static_cast<size_t>(frame * info.channels + channel)];
            }
            // A float file may hold anything; a NaN becomes silence, anything beyond full scale is clipped.
            float mono =
                std::isnan(sum) ? 0.0f : std::clamp(sum / static_cast<float>(info.channels), -1.0f, 1.0f);
            clip.samples.push_back(static_cast<int16_t>(std::lround(mono * 32767.0f)));
        }
    }
    sf_close(file);
    // A file cut short holds fewer samples than its header promised; what is there is still played.
    if (clip.samples.empty())
    {
        printf("Sound: cannot read %s (no samples)\n", path);
        return false;
    }
    clip.sampleRate = info.samplerate;
    return true;
}
