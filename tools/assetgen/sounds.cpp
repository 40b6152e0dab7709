#include "sounds.h"

#include "noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
const int sampleRate = 48000;
const double twoPi = 6.283185307179586;
// Every sound peaks 2 dB below full scale: loud, with room for the rounding to 16 bits.
const float peakDecibels = -2.0f;

// Rises linearly from 0 to 1 over the first seconds, so a sound never starts on a step.
float attack(float t, float seconds)
{
    return t < seconds ? t / seconds : 1.0f;
}

float decay(float t, float seconds)
{
    return std::exp(-t / seconds);
}

// A one-pole low-pass filter: 6 dB per octave above cutoffHz.
struct LowPass
{
    float state = 0.0f;

    float run(float input, float cutoffHz)
    {
        float a = 1.0f - std::exp(static_cast<float>(-twoPi) * cutoffHz / sampleRate);
        state += a * (input - state);
        return state;
    }
};

// A sine whose frequency may change every sample; the phase carries over so the pitch glides.
struct Oscillator
{
    double phase = 0.0;

    // Advances by one sample at frequencyHz and returns the new phase in radians.
    double step(float frequencyHz)
    {
        phase += twoPi * frequencyHz / sampleRate;
        return phase;
    }
};

float whiteNoise(Rng& rng)
{
    return rng.range(-1.0f, 1.0f);
}

// Scales the clip so its largest sample sits at peakDecibels.
void normalise(Clip& clip)
{
    float peak = 0.0f;
    for (float s : clip.samples)
        peak = std::max(peak, std::fabs(s));
    if (peak <= 0.0f)
        return;
    float scale = std::pow(10.0f, peakDecibels / 20.0f) / peak;
    for (float& s : clip.samples)
        s *= scale;
}

// A half-cosine fade over the last seconds, ending exactly on zero.
void fadeOut(Clip& clip, float seconds)
{
    size_t count = std::min(clip.samples.size(), static_cast<size_t>(seconds * clip.sampleRate));
    size_t first = clip.samples.size() - count;
    for (size_t i = 0; i < count; ++i)
    {
        float x = static_cast<float>(i + 1) / static_cast<float>(count);
        clip.samples[first + i] *= 0.5f + 0.5f * std::cos(static_cast<float>(twoPi) * 0.5f * x);
    }
}

float timeOf(size_t i)
{
    return static_cast<float>(i) / sampleRate;
}

// A tone with a few harmonics, given as amplitudes of harmonic 1, 2, 3, ... in turn.
template <size_t N> float harmonics(double phase, const float (&amplitudes)[N])
{
    float sum = 0.0f;
    for (size_t h = 0; h < N; ++h)
        sum += amplitudes[h] * static_cast<float>(std::sin(phase * static_cast<double>(h + 1)));
    return sum;
}

// One note of a sting: onset and length in seconds; before its release the level holds, then it
// falls with releaseSeconds.
struct Note
{
    float frequencyHz;
    float onset;
    float length;
    float releaseSeconds;
};
} // namespace

Clip makeShotSound()
{
    Clip clip(sampleRate, 0.24f);
    Rng rng(0x5407);
    Oscillator tone;
    for (size_t i = 0; i < clip.samples.size(); ++i)
    {
        float t = timeOf(i);
        // The chirp falls from 1.8 kHz towards 320 Hz within the first 0.1 s; its upper harmonics
        // die first, so the shot starts bright and ends as a plain whistle.
        double phase = tone.step(320.0f + 1480.0f * decay(t, 0.035f));
        float body = static_cast<float>(std::sin(phase)) +
                     0.45f * decay(t, 0.05f) * static_cast<float>(std::sin(2.0 * phase)) +
                     0.2f * decay(t, 0.03f) * static_cast<float>(std::sin(3.0 * phase));
        float click = whiteNoise(rng) * decay(t, 0.004f);
        clip.samples[i] = (0.8f * body + 0.6f * click) * attack(t, 0.0015f) * decay(t, 0.07f);
    }
    fadeOut(clip, 0.02f);
    normalise(clip);
    return clip;
}

Clip makeHitSound()
{
    Clip clip(sampleRate, 0.55f);
    Rng rng(0x417);
    LowPass first, second;
    Oscillator thump;
    float crackle = 0.0f;
    for (size_t i = 0; i < clip.samples.size(); ++i)
    {
        float t = timeOf(i);
        // Two low-pass stages closing from about 4.7 kHz to 250 Hz: the blast darkens as it spreads.
        // The make-up gain keeps the darker tail from vanishing as the filter takes its energy.
        float cutoff = 250.0f + 4500.0f * decay(t, 0.07f);
        float blast = second.run(first.run(whiteNoise(rng), cutoff), cutoff) * std::sqrt(4750.0f / cutoff);
        blast *= attack(t, 0.002f) * decay(t, 0.16f);
        // A thump falling from 95 to 45 Hz gives the burst its weight.
        float body = static_cast<float>(std::sin(thump.step(45.0f + 50.0f * decay(t, 0.06f)))) *
                     attack(t, 0.003f) * decay(t, 0.15f);
        // Debris: sparse pops, fewer as the burst fades, each dying within a millisecond or so.
        if (rng.uniform() < 0.0015f * decay(t, 0.2f))
            crackle = rng.range(0.3f, 1.0f) * (rng.uniform() < 0.5f ? -1.0f : 1.0f);
        crackle *= 0.97f;
        clip.samples[i] = blast + 0.7f * body + 0.4f * crackle;
    }
    fadeOut(clip, 0.05f);
    normalise(clip);
    return clip;
}

Clip makeShotHitSound()
{
    Clip clip(sampleRate, 0.6f);
    Rng rng(0x5417);
    LowPass first, second;
    Oscillator ring;
    for (size_t i = 0; i < clip.samples.size(); ++i)
    {
        float t = timeOf(i);
        // A metallic ring struck at 1.4 kHz with an inharmonic partial at 2.76 times it: the player's
        // own hit sounds bright and sure, where a collision is only a dull blast.
        double phase = ring.step(1400.0f);
        float strike = (static_cast<float>(std::sin(phase)) + 0.5f * static_cast<float>(std::sin(2.76 * phase))) *
                       attack(t, 0.001f) * decay(t, 0.12f);
        // Under it a short burst, darker and quicker than a collision's.
        float cutoff = 300.0f + 3000.0f * decay(t, 0.04f);
        float blast = second.run(first.run(whiteNoise(rng), cutoff), cutoff) * std::sqrt(3300.0f / cutoff) *
                      attack(t, 0.002f) * decay(t, 0.08f);
        clip.samples[i] = 0.7f * strike + blast;
    }
    fadeOut(clip, 0.05f);
    normalise(clip);
    return clip;
}

Clip makeEarthImpactSound()
{
    Clip clip(sampleRate, 1.6f);
    Rng rng(0xEA27);
    Oscillator sub;
    LowPass rumbleFilter, crackFilter;
    float brown = 0.0f;
    for (size_t i = 0; i < clip.samples.size(); ++i)
    {
        float t = timeOf(i);
        // A sub-bass drop from 58 to 28 Hz carries the weight of the impact.
        float drop = static_cast<float>(std::sin(sub.step(28.0f + 30.0f * decay(t, 0.25f)))) *
                     attack(t, 0.008f) * decay(t, 0.55f);
        // Brown noise (leaky integrated white noise) below 180 Hz: the ground rolling on.
        float white = whiteNoise(rng);
        brown = 0.995f * brown + 0.05f * white;
        float rumble = rumbleFilter.run(brown, 180.0f) * 2.5f * attack(t, 0.02f) * decay(t, 0.5f);
        // A short muffled crack marks the moment of the strike.
        float crack = crackFilter.run(white, 1800.0f) * attack(t, 0.002f) * decay(t, 0.025f);
        clip.samples[i] = drop + 0.8f * rumble + 0.35f * crack;
    }
    fadeOut(clip, 0.15f);
    normalise(clip);
    return clip;
}

Clip makeWinSound()
{
    Clip clip(sampleRate, 1.7f);
    // C5, E5, G5, then C6 held: each note rings on under the next.
    const Note notes[] = {
        {523.25f, 0.00f, 0.0f, 0.25f},
        {659.26f, 0.13f, 0.0f, 0.25f},
        {783.99f, 0.26f, 0.0f, 0.3f},
        {1046.50f, 0.39f, 0.0f, 0.5f},
    };
    const float bell[] = {1.0f, 0.3f, 0.12f};
    for (const Note& note : notes)
    {
        size_t start = static_cast<size_t>(note.onset * sampleRate);
        Oscillator voice;
        for (size_t i = start; i < clip.samples.size(); ++i)
        {
            float t = timeOf(i - start);
            // A gentle 5 Hz vibrato that grows in as the note rings.
            float vibrato =
                1.0f + 0.004f * std::min(t / 0.4f, 1.0f) * std::sin(static_cast<float>(twoPi) * 5.0f * t);
            double phase = voice.step(note.frequencyHz * vibrato);
            clip.samples[i] +=
                0.5f * harmonics(phase, bell) * attack(t, 0.006f) * decay(t, note.releaseSeconds);
        }
    }
    fadeOut(clip, 0.15f);
    normalise(clip);
    return clip;
}

Clip makeLoseSound()
{
    Clip clip(sampleRate, 2.1f);
    // G4, E-flat 4, C4 played short, then a long C4 that sags towards B3 and wavers as it dies.
    const Note notes[] = {
        {392.00f, 0.00f, 0.24f, 0.04f},
        {311.13f, 0.28f, 0.24f, 0.04f},
        {261.63f, 0.56f, 0.24f, 0.04f},
        {261.63f, 0.84f, 1.26f, 0.9f},
    };
    // Odd harmonics give the hollow, reedy tone of a muted horn.
    const float reed[] = {1.0f, 0.0f, 0.33f, 0.0f, 0.18f};
    for (size_t n = 0; n < 4; ++n)
    {
        const Note& note = notes[n];
        bool last = n == 3;
        size_t start = static_cast<size_t>(note.onset * sampleRate);
        size_t end =
            std::min(clip.samples.size(), static_cast<size_t>((note.onset + note.length) * sampleRate));
        Oscillator voice;
        LowPass soften;
        for (size_t i = start; i < end; ++i)
        {
            float t = timeOf(i - start);
            float frequency = note.frequencyHz;
            float level = attack(t, 0.015f);
            if (last)
            {
                float sag = std::min(t / 1.1f, 1.0f);
                float depth = 0.008f + 0.012f * sag;
                frequency *= (1.0f - 0.056f * sag * sag) *
                             (1.0f + depth * std::sin(static_cast<float>(twoPi) * 5.5f * t));
                level *= decay(t, note.releaseSeconds);
            }
            else
            {
                // Held, then released over the note's last 40 ms or so so the next one starts clean.
                float left = note.length - t;
                level *= (0.85f + 0.15f * decay(t, 0.1f)) * std::min(1.0f, left / note.releaseSeconds);
            }
            double phase = voice.step(frequency);
            clip.samples[i] += soften.run(harmonics(phase, reed), 2400.0f) * level;
        }
    }
    fadeOut(clip, 0.12f);
    normalise(clip);
    return clip;
}

Clip makeHumSound()
{
    Clip clip(sampleRate, 1.0f);
    // Whole-hertz partials over exactly one second: each completes whole cycles, so the sample after
    // the last is the first again. 50 Hz against 51 Hz beats once a second; a 4 Hz swell throbs.
    struct Partial
    {
        int64_t frequencyHz;
        float amplitude;
    };
    const Partial partials[] = {{50, 1.0f}, {51, 0.2f}, {100, 0.5f}, {150, 0.22f}, {200, 0.1f}, {300, 0.05f}};
    for (size_t i = 0; i < clip.samples.size(); ++i)
    {
        float sum = 0.0f;
        for (const Partial& p : partials)
        {
            // The phase is taken from the sample count modulo the rate, so it is exact at every
            // sample and the loop repeats to the bit, not just to rounding.
            int64_t cycles = (p.frequencyHz * static_cast<int64_t>(i)) % sampleRate;
            sum +=
                p.amplitude * static_cast<float>(std::sin(twoPi * static_cast<double>(cycles) / sampleRate));
        }
        int64_t swell = (4 * static_cast<int64_t>(i)) % sampleRate;
        sum *= 1.0f + 0.12f * static_cast<float>(std::sin(twoPi * static_cast<double>(swell) / sampleRate));
        clip.samples[i] = sum;
    }
    normalise(clip);
    return clip;
}
