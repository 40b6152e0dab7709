// The generated sounds in the game folder: their format, length and level, read back with libsndfile
// and with the game's own loader.
#include "sound/sound_file.h"
#include "sound/wave_recording.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
const std::string gameDir = VELMORA_GAME_DIR;

// Each sound's length as designed, and how low it must be where that matters (sign changes per
// second; 0: no limit).
struct DesignedSound
{
    const char* file;
    float minSeconds;
    float maxSeconds;
    float maxCrossingsPerSecond;
};

const DesignedSound designedSounds[] = {
    {"Sound/shot.wav", 0.15f, 0.3f, 0.0f},   {"Sound/hit.wav", 0.4f, 0.7f, 0.0f},
    {"Sound/earth.wav", 1.2f, 2.0f, 250.0f}, {"Sound/win.wav", 0.5f, 2.5f, 0.0f},
    {"Sound/lose.wav", 0.5f, 2.5f, 0.0f},    {"Sound/hum.wav", 0.5f, 4.0f, 250.0f},
    {"Sound/shothit.wav", 0.4f, 0.7f, 0.0f},
};

void PrintTo(const DesignedSound& sound, std::ostream* out)
{
    *out << sound.file;
}

// -3 and -1 dBFS as sample magnitudes.
const float quietestPeak = 0.708f;
const float loudestPeak = 0.891f;
} // namespace

class GeneratedSound : public ::testing::TestWithParam<DesignedSound>
{
  protected:
    void SetUp() override
    {
        path = gameDir + "/" + GetParam().file;
        ASSERT_TRUE(recording.read(path)) << path;
    }

    std::string path;
    WaveRecording recording;
};

TEST_P(GeneratedSound, IsMono16BitPcmOfTheDesignedLengthAndLevel)
{
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 1) << "mono, so OpenAL can place it in the world";
    EXPECT_TRUE(info.samplerate == 44100 || info.samplerate == 48000) << info.samplerate;

    const DesignedSound& design = GetParam();
    EXPECT_GE(recording.seconds(), design.minSeconds);
    EXPECT_LE(recording.seconds(), design.maxSeconds);
    float peak = recording.peak(0.0f, recording.seconds());
    EXPECT_GE(peak, quietestPeak) << "peaks above -3 dBFS";
    EXPECT_LE(peak, loudestPeak) << "and below -1 dBFS, never clipping";
    if (design.maxCrossingsPerSecond > 0.0f)
    {
        // Past the first tenth of a second, where an impact may crack.
        EXPECT_LT(recording.crossingsPerSecond(0.1f, recording.seconds(), 0), design.maxCrossingsPerSecond)
            << "a low sound";
    }

    // The game's loader takes it as it is.
    SoundClip clip;
    EXPECT_EQ(captureStdout([&] { EXPECT_TRUE(loadSoundFile(path.c_str(), clip)); }), "");
    EXPECT_EQ(clip.samples.size(), recording.samples.size());
    EXPECT_EQ(clip.sampleRate, info.samplerate);
}

INSTANTIATE_TEST_SUITE_P(Game, GeneratedSound, ::testing::ValuesIn(designedSounds),
                         [](const ::testing::TestParamInfo<DesignedSound>& info)
                         {
                             std::string name = info.param.file + 6; // past "Sound/"
                             return name.substr(0, name.find('.'));
                         });

// A sound that is played once starts and ends at rest, or the speaker clicks.
TEST(GeneratedSounds, OneShotsStartAndEndAtRest)
{
    for (const char* file :
         {"Sound/shot.wav", "Sound/hit.wav", "Sound/earth.wav", "Sound/win.wav", "Sound/lose.wav",
          "Sound/shothit.wav"})
    {
        WaveRecording sound;
        ASSERT_TRUE(sound.read(gameDir + "/" + file)) << file;
        EXPECT_LT(std::fabs(sound.samples.front()), 0.01f) << file;
        EXPECT_LT(std::fabs(sound.samples.back()), 0.001f) << file;
        float lastMillisecond = sound.seconds() - 0.001f;
        EXPECT_LT(sound.peak(lastMillisecond, sound.seconds()), 0.01f) << file << " fades out";
    }
}

// The hum loops: across the seam from its last sample back to its first the wave moves on as it does
// everywhere else, with no jump and no kink (a kink is a jump in slope, and clicks too).
TEST(GeneratedSounds, HumLoopsWithoutAClick)
{
    WaveRecording hum;
    ASSERT_TRUE(hum.read(gameDir + "/Sound/hum.wav"));
    const std::vector<float>& s = hum.samples;
    ASSERT_GT(s.size(), 3u);
    size_t n = s.size();
    float largestStep = 0.0f, largestBend = 0.0f;
    for (size_t i = 2; i < n; ++i)
    {
        largestStep = std::max(largestStep, std::fabs(s[i] - s[i - 1]));
        largestBend = std::max(largestBend, std::fabs(s[i] - 2.0f * s[i - 1] + s[i - 2]));
    }
    EXPECT_LE(std::fabs(s[0] - s[n - 1]), largestStep) << "the seam jumps";
    EXPECT_LE(std::fabs(s[0] - 2.0f * s[n - 1] + s[n - 2]), largestBend) << "the seam bends (end)";
    EXPECT_LE(std::fabs(s[1] - 2.0f * s[0] + s[n - 1]), largestBend) << "the seam bends (start)";
    EXPECT_LT(largestBend, 0.001f) << "a low hum bends gently everywhere";

    // Steady across the loop: no quarter much louder than another.
    float quarter = hum.seconds() / 4.0f;
    float quietest = 1.0f, loudest = 0.0f;
    for (int q = 0; q < 4; ++q)
    {
        float level = hum.rms(q * quarter, (q + 1) * quarter);
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    EXPECT_LT(loudest / quietest, 1.5f);
}

// A player may drop in any sound: stereo is mixed down, and what is no game sound is refused in one line.
TEST(SoundFileLoader, MixesStereoDownAndRefusesWhatIsNoGameSound)
{
    std::string dir = makeScratchDir("sound-loader");
    auto write = [&](const std::string& name, int channels, int rate, const std::vector<float>& samples)
    {
        SF_INFO info = {};
        info.channels = channels;
        info.samplerate = rate;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        std::string path = dir + "/" + name;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << path;
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
        sf_close(file);
        return path;
    };

    // Left at half scale, right at -0.1: one channel at 0.2.
    std::string stereo = write("stereo.wav", 2, 22050, {0.5f, -0.1f, 0.5f, -0.1f, 0.5f, -0.1f});
    SoundClip clip;
    ASSERT_TRUE(loadSoundFile(stereo.c_str(), clip));
    ASSERT_EQ(clip.samples.size(), 3u);
    EXPECT_NEAR(clip.samples[0], 6553, 2);
    EXPECT_EQ(clip.sampleRate, 22050);

    std::string empty = write("empty.wav", 1, 48000, {});
    std::string tooLong = write("long.wav", 1, 1000, std::vector<float>(31 * 1000, 0.0f));
    std::string missing = dir + "/missing.wav";
    for (const std::string& path : {empty, tooLong, missing})
    {
        std::string output = captureStdout([&] { EXPECT_FALSE(loadSoundFile(path.c_str(), clip)) << path; });
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_EQ(output.rfind("Sound: ", 0), 0u) << output;
        EXPECT_NE(output.find(path), std::string::npos) << output;
        EXPECT_TRUE(clip.samples.empty());
    }
}
