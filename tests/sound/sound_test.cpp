// The sound module played through OpenAL Soft's wave writer: the mix goes to a WAV file, paced by the
// wall clock, instead of to a device. Each test plays something at a known moment, stops the sound
// (which completes the file) and measures levels in what was written.
#include "sound/sound.h"
#include "sound/wave_recording.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{
const std::string gameSounds = std::string(VELMORA_GAME_DIR) + "/Sound/";

// Below this a recording is silent: the wave writer writes exact zeros when nothing plays.
const float silence = 1e-4f;
// The mix reaches the file in updates of about 21 ms, and the writer may run a little behind the
// clock on a busy machine: a change shows up this long either side of the call that made it.
const float slack = 0.1f;

// OpenAL Soft reads its configuration once per process, at the first call, so every test here shares
// one: the wave writer, recording stereo float samples at 48 kHz to one file in a scratch folder.
const std::string& recordingPath()
{
    static const std::string path = []
    {
        std::string folder = makeScratchDir("sound");
        std::string recording = folder + "/mix.wav";
        writeFile(folder + "/alsoft.conf", "[general]\ndrivers=wave\nchannels=stereo\nsample-type=float32\n"
                                           "frequency=48000\nhrtf=false\n[wave]\nfile=" +
                                               recording + "\n");
        setenv("ALSOFT_CONF", (folder + "/alsoft.conf").c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
        unsetenv("ALSOFT_LOGLEVEL");
        return recording;
    }();
    return path;
}
} // namespace

class WaveWriter : public ::testing::Test
{
  protected:
    void SetUp() override { recordingPath(); }
    void TearDown() override { stopSound(); }

    // Starts the sound on the sounds in folder; the test's time 0 is now.
    void start(const std::string& folder = gameSounds)
    {
        startOutput = captureStdout([&] { started = startSound(folder.c_str()); });
        begin = std::chrono::steady_clock::now();
    }

    float now() const
    {
        return std::chrono::duration<float>(std::chrono::steady_clock::now() - begin).count();
    }

    // Waits until the given time, calling everyFrame about 60 times a second as the frame loop would.
    template <typename Frame> void runUntil(float seconds, Frame everyFrame)
    {
        while (now() < seconds)
        {
            everyFrame();
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }
    void waitUntil(float seconds)
    {
        runUntil(seconds, [] {});
    }

    // Stops the sound, which completes the file, and reads it. The writer keeps pace with the clock,
    // so the recording ends as stopSound is called: counting back its length finds where the test's
    // time 0 lies in it, however long the start took on a busy machine.
    WaveRecording finish()
    {
        float end = now();
        stopSound();
        WaveRecording recording;
        EXPECT_TRUE(recording.read(recordingPath())) << recordingPath();
        EXPECT_EQ(recording.channels, 2);
        EXPECT_EQ(recording.sampleRate, 48000);
        origin = end - recording.seconds();
        return recording;
    }

    // Where a moment of the test (seconds since start) lies in the recording.
    float at(float moment) const { return moment - origin; }

    std::chrono::steady_clock::time_point begin;
    std::string startOutput;
    bool started = false;
    float origin = 0.0f;
};

TEST_F(WaveWriter, ShotIsABurstRightAfterTheCallWithSilenceBefore)
{
    start();
    ASSERT_TRUE(started);
    EXPECT_EQ(startOutput, "") << "every generated sound loads without a word";

    waitUntil(0.4f);
    float call = now();
    playSound(SoundEffect::shot);
    waitUntil(call + 0.7f);
    WaveRecording recording = finish();

    EXPECT_LT(recording.peak(0.0f, at(call) - slack), silence) << "nothing plays before the call";
    float onset = recording.onset(0.01f);
    EXPECT_GE(onset, at(call) - slack);
    EXPECT_LE(onset, at(call) + 0.2f) << "the shot is heard within 0.2 s of the call at " << at(call) << " s";
    // At the listener the shot reaches both ears alike, at about a third of full scale.
    EXPECT_GT(recording.peak(onset, onset + 0.3f, 0), 0.1f);
    EXPECT_GT(recording.peak(onset, onset + 0.3f, 1), 0.1f);
    EXPECT_LT(recording.peak(onset, onset + 0.3f), 0.9f);
    EXPECT_LT(recording.peak(onset + 0.3f, recording.seconds()), silence) << "and it is over in 0.3 s";
}

TEST_F(WaveWriter, MutedIsSilentAndUnmutingBringsTheHumBack)
{
    start();
    setSoundMuted(true);
    setEngineHum(true);
    playSound(SoundEffect::shot);
    playSoundAt(SoundEffect::hit, glm::vec3(0.0f, 0.0f, -5.0f));
    waitUntil(0.8f);
    float unmute = now();
    setSoundMuted(false);
    waitUntil(unmute + 0.6f);
    WaveRecording recording = finish();

    EXPECT_LT(recording.peak(0.0f, at(unmute) - slack), silence)
        << "the shot, the hit and the hum all unheard";
    EXPECT_GT(recording.rms(at(unmute) + slack, at(unmute) + 0.5f), 0.02f) << "the hum is heard again";
}

TEST_F(WaveWriter, HumHoldsASteadyLowLevelWhileOnAndStopsWhenOff)
{
    start();
    waitUntil(0.3f);
    float on = now();
    // The frame loop says every frame whether the engine runs; only the change reaches OpenAL.
    runUntil(on + 1.2f, [] { setEngineHum(true); });
    float off = now();
    runUntil(off + 0.5f, [] { setEngineHum(false); });
    WaveRecording recording = finish();

    // In the recording:
    float onAt = at(on), offAt = at(off);
    EXPECT_LT(recording.peak(0.0f, onAt - slack), silence) << "no hum before it is switched on";
    float quietest = 1.0f, loudest = 0.0f;
    for (float t = onAt + slack; t + 0.2f <= offAt - slack; t += 0.2f)
    {
        float level = recording.rms(t, t + 0.2f);
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    EXPECT_GT(quietest, 0.02f) << "the hum is heard throughout";
    EXPECT_LT(loudest, 0.2f) << "under everything else";
    EXPECT_LT(loudest / quietest, 1.6f) << "steady: it throbs a little, it does not come and go";
    EXPECT_LT(recording.crossingsPerSecond(onAt + slack, offAt - slack, 0), 250.0f) << "a low hum";
    EXPECT_LT(recording.peak(offAt + slack, recording.seconds()), silence) << "silent once switched off";
}

TEST_F(WaveWriter, PauseSilencesTheHumAndHoldsNewSoundsUntilResume)
{
    start();
    setEngineHum(true);
    waitUntil(0.6f);
    float pause = now();
    setSoundPaused(true);
    // Asked for during the pause: held, not played, and not lost.
    playSound(SoundEffect::shot);
    setEngineHum(false);
    waitUntil(pause + 0.6f);
    float resume = now();
    setSoundPaused(false);
    waitUntil(resume + 0.6f);
    WaveRecording recording = finish();

    // In the recording:
    float pauseAt = at(pause), resumeAt = at(resume);
    EXPECT_GT(recording.rms(slack, pauseAt - slack), 0.02f) << "the hum plays before the pause";
    EXPECT_LT(recording.peak(pauseAt + slack, resumeAt - slack), silence) << "the pause is silent";
    float onset = recording.onset(0.01f, resumeAt - slack);
    EXPECT_GE(onset, resumeAt - slack);
    EXPECT_LE(onset, resumeAt + 0.2f) << "the held shot plays at the resume";
    EXPECT_GT(recording.peak(onset, onset + 0.3f), 0.1f);
}

TEST_F(WaveWriter, HitsAreLouderNearAndComeFromTheirSide)
{
    start();
    // The camera at x = 30 looking along +x, up +y: its right is +z.
    glm::vec3 camera(30.0f, 0.0f, 0.0f);
    setListener(camera, glm::vec3(1.0f, 0.0f, 0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    const float right = 0.2f, left = 1.0f, far = 1.8f;
    waitUntil(right);
    playSoundAt(SoundEffect::hit, camera + glm::vec3(0.0f, 0.0f, 6.0f));
    waitUntil(left);
    playSoundAt(SoundEffect::hit, camera + glm::vec3(0.0f, 0.0f, -6.0f));
    waitUntil(far);
    // Straight ahead, most of the field away.
    playSoundAt(SoundEffect::hit, camera + glm::vec3(60.0f, 0.0f, 0.0f));
    waitUntil(far + 0.7f);
    WaveRecording recording = finish();

    // Channel 0 is the left ear, channel 1 the right.
    auto level = [&](float moment, int channel)
    { return recording.rms(at(moment) - slack, at(moment) + 0.6f, channel); };
    EXPECT_GT(level(right, 1), 2.0f * level(right, 0)) << "a hit on the right is louder in the right ear";
    EXPECT_GT(level(left, 0), 2.0f * level(left, 1)) << "a hit on the left is louder in the left ear";
    float near = level(right, -1);
    float distant = level(far, -1);
    // The distance's attenuation stops at a floor, so a hit anywhere in view is heard clearly.
    EXPECT_LT(distant, near / 1.5f) << "60 units away is softer than 6";
    EXPECT_GT(distant, near / 4.0f) << "but clearly heard";
}

// A player follows the game by ear: every sound peaks within 6 dB of the shot, the one they make most
// (half to twice its peak), a hit across the field as much as one beside them, and the lost Earth with
// its sting together as much as either.
TEST_F(WaveWriter, EverySoundPeaksWithinSixDecibelsOfTheShot)
{
    start();
    glm::vec3 camera(0.0f);
    setListener(camera, glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    struct Moment
    {
        const char* what;
        float at;
    };
    const Moment moments[] = {{"the shot", 0.3f},         {"a hit 60 ahead", 1.0f}, {"a hit 200 ahead", 1.7f},
                              {"a hit 3 to the right", 2.4f}, {"the shot's hit 60 ahead", 3.1f},
                              {"the Earth 100 away and the lost sting", 3.8f}, {"the won sting", 6.0f}};
    waitUntil(moments[0].at);
    playSound(SoundEffect::shot);
    waitUntil(moments[1].at);
    playSoundAt(SoundEffect::hit, glm::vec3(0.0f, 0.0f, -60.0f));
    waitUntil(moments[2].at);
    playSoundAt(SoundEffect::hit, glm::vec3(0.0f, 0.0f, -200.0f));
    waitUntil(moments[3].at);
    playSoundAt(SoundEffect::hit, glm::vec3(3.0f, 0.0f, 0.0f));
    waitUntil(moments[4].at);
    playSoundAt(SoundEffect::shotHit, glm::vec3(0.0f, 0.0f, -60.0f));
    waitUntil(moments[5].at);
    playSoundAt(SoundEffect::earthImpact, glm::vec3(60.0f, 0.0f, -80.0f));
    playSound(SoundEffect::lose);
    waitUntil(moments[6].at);
    playSound(SoundEffect::win);
    waitUntil(moments[6].at + 1.8f);
    WaveRecording recording = finish();

    // Each sound alone in its window: the next starts after the last has died away.
    float shot = recording.peak(at(moments[0].at) - slack, at(moments[1].at) - slack);
    ASSERT_GT(shot, 0.1f);
    for (size_t i = 1; i < sizeof(moments) / sizeof(moments[0]); i++)
    {
        float end = i + 1 < sizeof(moments) / sizeof(moments[0]) ? at(moments[i + 1].at) - slack : recording.seconds();
        float peak = recording.peak(at(moments[i].at) - slack, end);
        printf("%s: peak %.3f, %.1f dB from the shot's %.3f\n", moments[i].what, peak, 20.0f * std::log10(peak / shot),
               shot);
        EXPECT_GE(peak, 0.5f * shot) << moments[i].what;
        EXPECT_LE(peak, 2.0f * shot) << moments[i].what;
    }
}

TEST_F(WaveWriter, MissingOrUnreadableFilesAreNamedAndTheOthersPlay)
{
    // A sound folder without shot.wav and with a lose.wav that is not a sound.
    std::string folder = makeScratchDir("sound-missing");
    for (const char* file : {"hit.wav", "shothit.wav", "earth.wav", "win.wav", "hum.wav"})
    {
        ASSERT_EQ(symlink((gameSounds + file).c_str(), (folder + "/" + file).c_str()), 0) << file;
    }
    writeFile(folder + "/lose.wav", "this is not a sound\n");

    start(folder);
    EXPECT_TRUE(started) << "the device opens all the same";
    ASSERT_EQ(std::count(startOutput.begin(), startOutput.end(), '\n'), 2) << startOutput;
    std::string firstLine = startOutput.substr(0, startOutput.find('\n'));
    EXPECT_NE(firstLine.find(folder + "/shot.wav"), std::string::npos) << startOutput;
    EXPECT_NE(startOutput.find(folder + "/lose.wav", firstLine.size()), std::string::npos) << startOutput;

    playSound(SoundEffect::shot);
    playSound(SoundEffect::lose);
    waitUntil(0.6f);
    float impact = now();
    playSound(SoundEffect::earthImpact);
    waitUntil(impact + 0.5f);
    WaveRecording recording = finish();

    EXPECT_LT(recording.peak(0.0f, at(impact) - slack), silence) << "the missing and the broken stay silent";
    EXPECT_GT(recording.peak(at(impact) - slack, at(impact) + 0.4f), 0.1f) << "the Earth impact still plays";
}

TEST_F(WaveWriter, NoDeviceSaysSoOnceAndEveryCallDoesNothing)
{
    // A folder where the wave writer's file should be: the only backend cannot open, as on a server
    // with no sound card.
    unlink(recordingPath().c_str());
    ASSERT_EQ(mkdir(recordingPath().c_str(), 0755), 0);

    std::string errors;
    errors = captureStderr([&] { start(); });
    EXPECT_FALSE(started);
    EXPECT_EQ(startOutput, "Sound: off (no audio device)\n");
    EXPECT_EQ(errors, "") << "the libraries' own complaints stay off the console";

    std::string later = captureStdout(
        [&]
        {
            setListener(glm::vec3(1.0f), glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f, 1.0f, 0.0f));
            setEngineHum(true);
            playSound(SoundEffect::shot);
            playSoundAt(SoundEffect::hit, glm::vec3(5.0f));
            setSoundMuted(true);
            setSoundPaused(true);
            playSound(SoundEffect::win);
            setSoundPaused(false);
            stopSound();
        });
    EXPECT_EQ(later, "") << "one line at the start and no more";
    rmdir(recordingPath().c_str());
}
