#pragma once

#include "clip.h"

// The game's sounds, synthesised at 48 kHz and peaking at -2 dBFS. The one-shots fade to silence in
// their last milliseconds so they never end on a click.

// The player's shot: a bright downward chirp with a click at the front, about 0.24 s.
Clip makeShotSound();
// A shot striking something: a darkening noise burst over a falling thump, with debris crackle; 0.55 s.
Clip makeHitSound();
// The player's shot striking something: a bright metallic ring over a short dark burst; 0.6 s.
Clip makeShotHitSound();
// Something striking the Earth: a sub-bass drop under a rumble, 1.6 s, nearly all below 200 Hz.
Clip makeEarthImpactSound();
// The level won: a rising major arpeggio that rings out, 1.7 s.
Clip makeWinSound();
// The level lost: a falling minor line ending on a sagging, wavering note, 2.1 s.
Clip makeLoseSound();
// The engine: a low hum of exactly one second made of whole-hertz partials, so the file repeats without
// a seam when it loops.
Clip makeHumSound();
