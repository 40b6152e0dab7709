#include "sound/sound.h"

#include "sound/sound_file.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{
const int effectCount = 6;
// File and level of each effect, in SoundEffect order. The levels keep every sound within about 6 dB of
// the shot, the one the player makes most: an effect heard in the world peaks at its gain when close
// and at its floor when far; the stings and the Earth's fall, which come together when the Earth is
// lost, sit low enough that the two at once are no louder than a close hit.
const char* const effectFiles[effectCount] = {"shot.wav", "hit.wav", "earth.wav", "win.wav", "lose.wav",
                                              "shothit.wav"};
const float effectGains[effectCount] = {0.5f, 0.5f, 0.4f, 0.5f, 0.3f, 0.5f};
const float effectFloors[effectCount] = {0.0f, 0.3f, 0.35f, 0.0f, 0.0f, 0.4f};
const char* const humFile = "hum.wav";
// The hum sits well under everything else.
const float humGain = 0.3f;

// Voices for the one-shot sounds, all made at start-up: enough for a volley of shots with hits landing.
// When all are busy the one started longest ago gives way.
const int voiceCount = 16;

// World units; the field is about 70 across. Within referenceDistance a sound plays at its full level,
// beyond it the level falls as referenceDistance / distance, down to its floor.
const float referenceDistance = 10.0f;
const float maxDistance = 80.0f;

struct HeldSound
{
    SoundEffect effect;
    bool positional;
    glm::vec3 position;
};

// Everything the module owns. Only the main thread calls in; OpenAL mixes on a thread of its own.
struct SoundState
{
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;    // null: no sound, every call returns at once
    ALuint buffers[effectCount] = {}; // 0 where the file could not be read
    ALuint humBuffer = 0;
    ALuint voices[voiceCount] = {};
    ALuint humSource = 0;
    int nextVoice = 0;       // the voice started longest ago
    bool humOn = false;      // what the game asked for
    bool humAudible = false; // what the hum's gain says now
    bool muted = false;
    float volume = 1.0f; // the player's, on the listener
    bool paused = false;
    // Voices the pause stopped where they were, to carry on at resume.
    ALuint pausedVoices[voiceCount] = {};
    int pausedCount = 0;
    // Sounds asked for during the pause, started at resume; more than one per voice would only steal
    // voices from each other.
    HeldSound held[voiceCount] = {};
    int heldCount = 0;
};

SoundState sound;

// Probing for a device that is not there makes ALSA and OpenAL Soft print several lines of their own
// to standard error; our one line says all a player needs. With ALSOFT_LOGLEVEL set they are shown.
ALCdevice* openDefaultDevice()
{
    if (getenv("ALSOFT_LOGLEVEL") != nullptr)
    {
        return alcOpenDevice(nullptr);
    }
    fflush(stderr);
    int saved = dup(STDERR_FILENO);
    int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    bool redirected = saved >= 0 && quiet >= 0 && dup2(quiet, STDERR_FILENO) >= 0;
    ALCdevice* device = alcOpenDevice(nullptr);
    if (redirected)
    {
        fflush(stderr);
        dup2(saved, STDERR_FILENO);
    }
    if (saved >= 0)
    {
        close(saved);
    }
    if (quiet >= 0)
    {
        close(quiet);
    }
    return device;
}

// OpenAL Soft's "null" backend opens on any machine and plays nothing: no device either.
bool isNoOutput(ALCdevice* device)
{
    if (!alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT"))
    {
        return false;
    }
    const ALCchar* name = alcGetString(device, ALC_ALL_DEVICES_SPECIFIER);
    return name != nullptr && strcmp(name, "No Output") == 0;
}

// Returns the buffer holding the clip's samples, or 0 (silence) for a clip its file could not give.
ALuint makeBuffer(const SoundClip& clip, const std::string& path)
{
    if (clip.samples.empty())
    {
        return 0;
    }
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, clip.samples.data(),
                 static_cast<ALsizei>(clip.samples.size() * sizeof(int16_t)), clip.sampleRate);
    if (alGetError() != AL_NO_ERROR)
    {
        printf("Sound: cannot play %s (OpenAL refused %zu samples at %d Hz)\n", path.c_str(),
               clip.samples.size(), clip.sampleRate);
        alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

void startVoice(SoundEffect effect, bool positional, glm::vec3 position)
{
    int index = static_cast<int>(effect);
    if (index < 0 || index >= effectCount || sound.buffers[index] == 0)
    {
        return;
    }
    ALuint voice = sound.voices[sound.nextVoice];
    sound.nextVoice = (sound.nextVoice + 1) % voiceCount;
    // A playing source cannot change its buffer; stopping one already stopped costs nothing.
    alSourceStop(voice);
    alSourcei(voice, AL_BUFFER, static_cast<ALint>(sound.buffers[index]));
    // A relative source at the origin sits on the listener: no distance, no direction.
    alSourcei(voice, AL_SOURCE_RELATIVE, positional ? AL_FALSE : AL_TRUE);
    alSource3f(voice, AL_POSITION, position.x, position.y, position.z);
    alSourcef(voice, AL_GAIN, effectGains[index]);
    // OpenAL keeps the distance's attenuation from taking the level below this.
    alSourcef(voice, AL_MIN_GAIN, positional ? effectFloors[index] : 0.0f);
    alSourcePlay(voice);
}

void play(SoundEffect effect, bool positional, glm::vec3 position)
{
    if (sound.context == nullptr)
    {
        return;
    }
    if (sound.paused)
    {
        if (sound.heldCount < voiceCount)
        {
            sound.held[sound.heldCount++] = HeldSound{effect, positional, position};
        }
        return;
    }
    startVoice(effect, positional, position);
}

// The hum loops from start-up to exit; on and off only move its gain, which OpenAL Soft ramps over a
// few milliseconds, so switching never clicks and costs one call.
void updateHum()
{
    bool audible = sound.humOn && !sound.paused;
    if (sound.context == nullptr || audible == sound.humAudible)
    {
        return;
    }
    alSourcef(sound.humSource, AL_GAIN, audible ? humGain : 0.0f);
    sound.humAudible = audible;
}

bool isFinite(glm::vec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Plays, pauses or stops each of the sources in turn. The lists OpenAL takes for this (alSourcePlayv
// and the like) fail in the browser's OpenAL, which reads each name in them as a source.
void eachSource(void (*change)(ALuint), const ALuint* sources, int count)
{
    for (int i = 0; i < count; ++i)
    {
        change(sources[i]);
    }
}
} // namespace

bool startSound(const char* folder)
{
    if (sound.context != nullptr)
    {
        return true;
    }
    ALCdevice* device = openDefaultDevice();
    if (device != nullptr && isNoOutput(device))
    {
        alcCloseDevice(device);
        device = nullptr;
    }
    if (device == nullptr)
    {
        printf("Sound: off (no audio device)\n");
        return false;
    }

    // Every file is read before the context is made, because making it starts the mix: the sound's
    // clock then starts as start-up ends, and a recording of the mix lines up with the game's time.
    std::string prefix = folder != nullptr ? folder : "";
    if (!prefix.empty() && prefix.back() != '/')
    {
        prefix += '/';
    }
    std::string paths[effectCount + 1];
    SoundClip clips[effectCount + 1]; // the effects in SoundEffect order, then the hum
    for (int i = 0; i <= effectCount; ++i)
    {
        paths[i] = prefix + (i < effectCount ? effectFiles[i] : humFile);
        loadSoundFile(paths[i].c_str(), clips[i]);
    }

    ALCcontext* context = alcCreateContext(device, nullptr);
    if (context == nullptr || alcMakeContextCurrent(context) != ALC_TRUE)
    {
        if (context != nullptr)
        {
            alcDestroyContext(context);
        }
        alcCloseDevice(device);
        printf("Sound: off (no audio device)\n");
        return false;
    }
    sound.device = device;
    sound.context = context;
    for (int i = 0; i < effectCount; ++i)
    {
        sound.buffers[i] = makeBuffer(clips[i], paths[i]);
    }
    sound.humBuffer = makeBuffer(clips[effectCount], paths[effectCount]);

    alGetError();
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alGenSources(voiceCount, sound.voices);
    alGenSources(1, &sound.humSource);
    if (alGetError() != AL_NO_ERROR)
    {
        stopSound();
        printf("Sound: off (the audio device gives no voices)\n");
        return false;
    }
    for (ALuint voice : sound.voices)
    {
        alSourcef(voice, AL_REFERENCE_DISTANCE, referenceDistance);
        alSourcef(voice, AL_MAX_DISTANCE, maxDistance);
    }
    alSourcei(sound.humSource, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcei(sound.humSource, AL_LOOPING, AL_TRUE);
    alSourcef(sound.humSource, AL_GAIN, 0.0f);
    if (sound.humBuffer != 0)
    {
        alSourcei(sound.humSource, AL_BUFFER, static_cast<ALint>(sound.humBuffer));
        alSourcePlay(sound.humSource);
    }
    // Whatever the game set before the start holds from the first frame.
    alListenerf(AL_GAIN, sound.muted ? 0.0f : sound.volume);
    sound.humAudible = false;
    updateHum();
    return true;
}

void playSound(SoundEffect effect)
{
    play(effect, false, glm::vec3(0.0f));
}

void playSoundAt(SoundEffect effect, glm::vec3 position)
{
    // OpenAL refuses a position that is not finite and would play the sound wherever the voice last was.
    if (isFinite(position))
    {
        play(effect, true, position);
    }
}

void setListener(glm::vec3 position, glm::vec3 forward, glm::vec3 up)
{
    if (sound.context == nullptr || !isFinite(position) || !isFinite(forward) || !isFinite(up))
    {
        return;
    }
    alListener3f(AL_POSITION, position.x, position.y, position.z);
    // Forward along up gives no left and right; the last good orientation stays.
    glm::vec3 side = glm::cross(forward, up);
    if (glm::dot(side, side) > 1e-12f)
    {
        const ALfloat orientation[6] = {forward.x, forward.y, forward.z, up.x, up.y, up.z};
        alListenerfv(AL_ORIENTATION, orientation);
    }
}

void setEngineHum(bool on)
{
    sound.humOn = on;
    updateHum();
}

void setSoundMuted(bool muted)
{
    sound.muted = muted;
    if (sound.context != nullptr)
    {
        alListenerf(AL_GAIN, muted ? 0.0f : sound.volume);
    }
}

void setSoundVolume(float volume)
{
    sound.volume = std::isfinite(volume) ? std::min(std::max(volume, 0.0f), 1.0f) : 1.0f;
    setSoundMuted(sound.muted);
}

void setSoundPaused(bool paused)
{
    if (paused == sound.paused)
    {
        return;
    }
    sound.paused = paused;
    if (sound.context == nullptr)
    {
        return;
    }
    if (paused)
    {
        sound.pausedCount = 0;
        for (ALuint voice : sound.voices)
        {
            ALint state = AL_STOPPED;
            alGetSourcei(voice, AL_SOURCE_STATE, &state);
            if (state == AL_PLAYING)
            {
                sound.pausedVoices[sound.pausedCount++] = voice;
            }
        }
        if (sound.pausedCount > 0)
        {
            eachSource(alSourcePause, sound.pausedVoices, sound.pausedCount);
        }
    }
    else
    {
        if (sound.pausedCount > 0)
        {
            eachSource(alSourcePlay, sound.pausedVoices, sound.pausedCount);
        }
        sound.pausedCount = 0;
        for (int i = 0; i < sound.heldCount; ++i)
        {
            startVoice(sound.held[i].effect, sound.held[i].positional, sound.held[i].position);
        }
        sound.heldCount = 0;
    }
    updateHum();
}

void silenceSounds()
{
    sound.heldCount = 0;
    sound.pausedCount = 0;
    sound.humOn = false;
    if (sound.context != nullptr)
    {
        eachSource(alSourceStop, sound.voices, voiceCount);
    }
    updateHum();
}

bool isSoundOn()
{
    return sound.context != nullptr;
}

void stopSound()
{
    if (sound.context != nullptr)
    {
        eachSource(alSourceStop, sound.voices, voiceCount);
        alSourceStop(sound.humSource);
        alDeleteSources(voiceCount, sound.voices);
        alDeleteSources(1, &sound.humSource);
        for (ALuint buffer : sound.buffers)
        {
            if (buffer != 0)
            {
                alDeleteBuffers(1, &buffer);
            }
        }
        if (sound.humBuffer != 0)
        {
            alDeleteBuffers(1, &sound.humBuffer);
        }
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(sound.context);
        alcCloseDevice(sound.device);
    }
    sound = SoundState();
}
