#include "game/random.h"

#include <cstdint>

namespace
{
// An additive feedback generator over 31 words: each number adds the word three places behind
// to the current one (modulo 2^32) and returns it without its lowest bit.
const int stateWords = 31;
const int feedbackLag = 3;
// The first 310 sums only stir the state seeded from 1; the sequence starts after them.
const int discardedAtStart = 310;

struct LevelRandom
{
    uint32_t state[stateWords];
    int front; // the word the next sum lands in
    int rear;  // the word added to it, feedbackLag places behind
    bool seeded;
};

LevelRandom generator = {};

uint32_t step()
{
    generator.state[generator.front] += generator.state[generator.rear];
    uint32_t result = generator.state[generator.front] >> 1;
    generator.front = (generator.front + 1) % stateWords;
    generator.rear = (generator.rear + 1) % stateWords;
    return result;
}

void seed()
{
    // Seed 1, spread over the state by the minimal standard generator (16807 * x mod 2^31 - 1),
    // computed with Schrage's method so no product leaves 32 bits.
    int32_t word = 1;
    generator.state[0] = 1;
    for (int i = 1; i < stateWords; ++i)
    {
        int32_t high = word / 127773;
        int32_t low = word % 127773;
        word = 16807 * low - 2836 * high;
        if (word < 0)
        {
            word += 2147483647;
        }
        generator.state[i] = static_cast<uint32_t>(word);
    }
    generator.front = feedbackLag;
    generator.rear = 0;
    for (int i = 0; i < discardedAtStart; ++i)
    {
        step();
    }
    generator.seeded = true;
}
} // namespace

int levelRandom()
{
    if (!generator.seeded)
    {
        seed();
    }
    return static_cast<int>(step());
}

void resetLevelRandom()
{
    seed();
}
