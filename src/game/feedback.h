#pragma once

#include "game/session.h"
#include "hud/hud.h"
#include "sound/sound.h"

#include <glm/glm.hpp>

// How the game tells the player what a frame of play meant: what the display shows, what is heard,
// and where hits burst. Everything here reads the session's PlayFrame; nothing changes the game.

// One sound the frame asks for: at the listener, or at a point in the world.
struct FrameSound
{
    SoundEffect effect;
    bool positional;
    glm::vec3 position;
};

// The sounds of a frame's events, heard from listener: each shot; the nearest of the collisions that
// begin together (the asteroids spin alike, so neighbours touch in waves, and the same sound started
// at once several times would only add up); each hit of the player's shot with its own sound; the
// Earth's fall where it was struck. Returns how many were written, at most capacity.
int chooseFrameSounds(const PlayFrame& frame, glm::vec3 listener, FrameSound* sounds, int capacity);

// Plays the frame's sounds from the player's camera, with the engine's hum while the ship flies.
void soundTheFrame(const PlayFrame& frame, const Player& player);

// The sting of an outcome, which plays on through the wait that follows; the hum stops.
void soundTheOutcome(Outcome outcome);

// Ages the bursts by dt and starts one where each object left the world, the Earth's larger. With
// the display off nothing bursts.
void burstWhatWasHit(const PlayFrame& frame, float dt, bool showBursts);

// The camera and window the display is drawn over.
struct DisplayView
{
    glm::mat4 projection = glm::mat4(1.0f);
    glm::mat4 view = glm::mat4(1.0f);
    int width = 0; // pixels
    int height = 0;
};

// What the display shows for a frame: the count, the clock and the best win, the Earth's danger,
// the aim marker around what a shot fired now would hit (none for the Sun), HIT after the player's
// own hit, and the outcome with "R: play again" while the game waits after it.
HudFrame describeDisplay(const PlayFrame& frame, const DisplayView& display);

// Where the aim marker goes for a target seen through display: false when it is behind the camera or
// far off screen.
bool placeAimMarker(const AimTarget& target, const DisplayView& display, HudFrame& hud);

// The help panel's lines: every action of the actions table, in its order.
const HelpLine* getHelpLines(int& count);
