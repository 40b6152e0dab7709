#pragma once

#include <cstdint>
#include <vector>

// A sound read from a file and mixed down to one channel, ready for an OpenAL buffer. One channel,
// so OpenAL can place it in the world; a player's stereo replacement is mixed down rather than refused.
struct SoundClip
{
    std::vector<int16_t> samples;
    int sampleRate = 0; // samples per second
};

// Longest sound kept in memory; anything longer is not a game sound but a mistake.
constexpr int maxSoundSeconds = 30;

// Reads any file libsndfile can decode (WAV, AIFF, FLAC, Ogg Vorbis, ...). Returns false and prints one
// line naming the file when it cannot be read, holds no samples, or is longer than maxSoundSeconds.
bool loadSoundFile(const char* path, SoundClip& clip);
