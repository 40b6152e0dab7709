// Main-thread cost of sound in a frame: the camera handed to the listener, the engine hum asked for,
// and a shot or a hit now and then, at 60 frames a second while OpenAL Soft mixes on its own thread.
// Unless ALSOFT_CONF names a configuration of its own, OpenAL Soft's wave writer mixes into /dev/null,
// so the benchmark needs no sound card and is heard nowhere. Prints the median, 99th percentile and
// worst frame in µs, for all frames and for those that start a sound. A frame may also wait on OpenAL
// Soft's own locks while its mixer runs, or for the machine to give the thread back; the thread CPU
// time leaves such waits out.
//
//   sound_bench [seconds]      (default 10)

#include "sound/sound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
const int framesPerSecond = 60;

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
    {
        return 0.0;
    }
    size_t index = size_t(fraction * double(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + index, values.end());
    return values[index];
}

double threadCpuMicros()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) * 1e-3;
}

void report(const char* what, const std::vector<double>& micros)
{
    long over = std::count_if(micros.begin(), micros.end(), [](double m) { return m > 100.0; });
    printf("sound_bench: %-24s median %5.1f us, p99 %5.1f us, worst %6.1f us, %ld of %zu over 100 us\n", what,
           percentile(micros, 0.5), percentile(micros, 0.99),
           micros.empty() ? 0.0 : *std::max_element(micros.begin(), micros.end()), over, micros.size());
}

// OpenAL Soft reads its configuration at the first call: the wave writer, into /dev/null. Returns the
// configuration file to remove once the sound has started, or "" when the caller chose one.
std::string useWaveWriter()
{
    if (getenv("ALSOFT_CONF") != nullptr)
    {
        return "";
    }
    std::string path = "/tmp/velmora-sound-bench-" + std::to_string(getpid()) + ".conf";
    FILE* file = fopen(path.c_str(), "w");
    if (file == nullptr)
    {
        return "";
    }
    fprintf(file, "[general]\ndrivers=wave\nchannels=stereo\nfrequency=48000\n[wave]\nfile=/dev/null\n");
    fclose(file);
    setenv("ALSOFT_CONF", path.c_str(), 1);
    return path;
}
} // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? atoi(argv[1]) : 10;
    if (seconds <= 0)
    {
        printf("usage: sound_bench [seconds]\n");
        return 2;
    }
    std::string config = useWaveWriter();
    bool started = startSound(VELMORA_GAME_DIR "/Sound/");
    if (!config.empty())
    {
        unlink(config.c_str());
    }
    if (!started)
    {
        return 1;
    }

    const int frames = seconds * framesPerSecond;
    std::vector<double> all, starting, cpu;
    all.reserve(frames);
    starting.reserve(frames);
    cpu.reserve(frames);
    srand(7);
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++)
    {
        // The camera circles the middle of the 70-unit field, looking along its path.
        float t = float(i) / framesPerSecond;
        glm::vec3 position(35.0f + 20.0f * std::cos(0.3f * t), 10.0f * std::sin(0.2f * t),
                           35.0f + 20.0f * std::sin(0.3f * t));
        glm::vec3 forward(-std::sin(0.3f * t), 0.0f, std::cos(0.3f * t));
        glm::vec3 hitAt(float(rand() % 71), float(rand() % 71), float(rand() % 71));
        bool shot = i % 10 == 0;          // six shots a second
        bool hit = i % 15 == 7;           // four hits a second
        bool thrust = (i / 120) % 2 == 0; // the thrust key held for two seconds, then let go for two

        auto start = std::chrono::steady_clock::now();
        double cpuStart = threadCpuMicros();
        setListener(position, forward, glm::vec3(0.0f, 1.0f, 0.0f));
        setEngineHum(thrust);
        if (shot)
        {
            playSound(SoundEffect::shot);
        }
        if (hit)
        {
            playSoundAt(SoundEffect::hit, hitAt);
        }
        double cpuEnd = threadCpuMicros();
        auto end = std::chrono::steady_clock::now();

        double micros = std::chrono::duration<double, std::micro>(end - start).count();
        all.push_back(micros);
        cpu.push_back(cpuEnd - cpuStart);
        if (shot || hit)
        {
            starting.push_back(micros);
        }
        next += std::chrono::microseconds(1000000 / framesPerSecond);
        std::this_thread::sleep_until(next);
    }
    stopSound();

    printf("sound_bench: %d frames at %d Hz, six shots and four hits a second (goal: <= 100 us a frame)\n",
           frames, framesPerSecond);
    report("every frame", all);
    report("frames starting sound", starting);
    // On a busy machine the wall clock includes time the thread was not running; this does not.
    report("thread CPU, every frame", cpu);
    return 0;
}
