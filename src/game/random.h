#pragma once

// The level's random numbers: the same sequence on every platform, the one the desktop C library's
// rand() gives without srand (the field the game has always had). Browsers' C libraries have
// another generator, so the level draws from this one instead.

// The largest number levelRandom returns; the smallest is 0.
const int levelRandomMax = 2147483647;

// The next number of the sequence, from 0 to levelRandomMax.
int levelRandom();

// Starts the sequence again from its first number, so a new game gets the same field.
void resetLevelRandom();
