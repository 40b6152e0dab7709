#include "game/random.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The field of asteroids must stay the one the desktop C library's unseeded rand() has always made,
// on every platform: the level's own generator gives that sequence, and starts it over on request.
TEST(LevelRandom, GivesTheCLibrarySequenceAndStartsItOver)
{
    resetLevelRandom();
    // The first three numbers of the C library's sequence, whatever this process's rand() is.
    EXPECT_EQ(levelRandom(), 1804289383);
    EXPECT_EQ(levelRandom(), 846930886);
    EXPECT_EQ(levelRandom(), 1681692777);

    // Starting over gives the same numbers again: a second game gets the same field.
    resetLevelRandom();
    srand(1); // the state rand() has before any srand, whatever other tests did with it
    for (int i = 0; i < 1000; ++i)
    {
        int expected = rand();
        ASSERT_EQ(levelRandom(), expected) << "number " << i << " of the sequence";
    }
}
