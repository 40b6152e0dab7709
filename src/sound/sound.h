#pragma once

#include <glm/glm.hpp>

// The game's sound: OpenAL Soft plays the files in the sound folder on its own mixing thread, so the
// calls below only hand it small changes and return at once. Everything is made in startSound; the
// calls made every frame allocate nothing and read no file.

// What the game plays. Each is one file in the sound folder, read once at start-up.
enum class SoundEffect
{
    shot,        // shot.wav: the player fires
    hit,         // hit.wav: two things collide and leave the world, heard where it happened
    earthImpact, // earth.wav: something strikes the Earth, heard where it happened
    win,         // win.wav: the level is won
    lose,        // lose.wav: the level is lost
    shotHit,     // shothit.wav: the player's shot strikes something, heard where it happened
};

// Opens the default audio device and loads every sound, and the engine hum (hum.wav), from folder
// (e.g. "Sound/"). A file that cannot be read is named in one console line and stays silent; the others
// play. Without a device it prints "Sound: off (no audio device)", returns false, and every call below
// does nothing until the next start.
bool startSound(const char* folder);

// Plays at the listener, at full level whatever the camera does: the shot and the stings.
void playSound(SoundEffect effect);

// Plays at a point in the world (world units): louder near the camera, softer far away, and from the
// side it happened on. However far away, it is never more than about 6 dB under the shot, so a player
// hears every hit in the field.
void playSoundAt(SoundEffect effect, glm::vec3 position);

// The listener is the camera: call once a frame with its position and its unit forward and up
// directions.
void setListener(glm::vec3 position, glm::vec3 forward, glm::vec3 up);

// The engine hum loops, without a seam, while on. Cheap to call every frame: only a change reaches
// OpenAL.
void setEngineHum(bool on);

// Silences everything while muted; sounds go on playing unheard, so unmuting picks up where they are.
void setSoundMuted(bool muted);

// The player's volume, 0 to 1, on everything (1 at start).
void setSoundVolume(float volume);

// While paused the hum is silenced, playing sounds stop where they are and sounds asked for are held;
// on resume all of them carry on.
void setSoundPaused(bool paused);

// Stops every sound playing or held, the stings too, and the hum: a new game starts in silence. The
// mute stays as it is.
void silenceSounds();

// Releases the device and everything made in startSound.
void stopSound();

// Whether a device is open and mixing: false before startSound, without a device and after stopSound.
bool isSoundOn();
