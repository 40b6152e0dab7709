#pragma once

#include <glm/glm.hpp>

#include <cstdint>

// A small fixed-seed generator (SplitMix64): the same seed gives the same assets on every machine,
// which the standard rand() does not promise.
class Rng
{
  public:
    explicit Rng(uint64_t seed) : state(seed) {}

    uint64_t next();
    // Uniform in [0, 1).
    float uniform();
    // Uniform in [lo, hi).
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // Uniform integer in [0, count).
    int below(int count);
    // A direction spread evenly over the unit sphere.
    glm::vec3 unitVector();

  private:
    uint64_t state;
};

// Smooth value noise in [0, 1] over 3-D space; seed picks an independent field.
float valueNoise(glm::vec3 p, uint32_t seed);

// Fractal sum of value noise, octave frequency doubling and amplitude times gain; result about [0, 1].
float fbm(glm::vec3 p, int octaves, uint32_t seed, float gain = 0.5f);

// Ridged fractal noise in [0, 1]: sharp crests where the noise crosses its middle value.
float ridged(glm::vec3 p, int octaves, uint32_t seed);

// 2-D value noise that repeats every period.x lattice cells in x and period.y in y, so a texture
// built from it tiles without seams. Unequal periods stretch it, as for brushed metal.
float tiledNoise(glm::vec2 p, glm::ivec2 period, uint32_t seed);

// Fractal sum of tiledNoise; period is the lattice period of the first octave.
float tiledFbm(glm::vec2 p, glm::ivec2 period, int octaves, uint32_t seed, float gain = 0.5f);

// A hash of integer coordinates to [0, 1), for per-panel or per-cell random choices.
float hashToUnit(int x, int y, uint32_t seed);
