#include "noise.h"

#include <cmath>

namespace
{
uint32_t hashInts(int x, int y, int z, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    // final avalanche so neighbouring lattice points are unrelated
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// A shuffled table of lattice values, built once from a fixed seed. Looking values up through a
// permutation is several times cheaper than hashing every lattice corner, which keeps the textures
// quick to paint.
struct Lattice
{
    uint8_t perm[512];
    float values[256];

    Lattice()
    {
        Rng rng(0x1A77ACEull);
        for (int i = 0; i < 256; ++i)
        {
            perm[i] = static_cast<uint8_t>(i);
            values[i] = rng.uniform();
        }
        for (int i = 255; i > 0; --i)
        {
            int j = rng.below(i + 1);
            uint8_t swap = perm[i];
            perm[i] = perm[j];
            perm[j] = swap;
        }
        for (int i = 0; i < 256; ++i)
            perm[256 + i] = perm[i];
    }
};

const Lattice& lattice()
{
    static const Lattice table;
    return table;
}

// Each seed looks at its own offset into the lattice, so different seeds give unrelated fields.
glm::ivec3 seedOffset(uint32_t seed)
{
    uint32_t h = (seed + 0x632BE5ABu) * 0x9E3779B1u;
    h ^= h >> 15;
    h *= 0x85EBCA77u;
    h ^= h >> 13;
    return glm::ivec3(h & 255, (h >> 8) & 255, (h >> 16) & 255);
}

float latticeValue(const Lattice& t, int x, int y, int z)
{
    return t.values[t.perm[t.perm[t.perm[x & 255] + (y & 255)] + (z & 255)]];
}

// Quintic fade: continuous slope and curvature across lattice cells, so lit surfaces show no creases.
float fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

int wrap(int i, int period)
{
    return ((i % period) + period) % period;
}
} // namespace

uint64_t Rng::next()
{
    state += 0x9E3779B97F4A7C15ull;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::uniform()
{
    return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
}

int Rng::below(int count)
{
    return static_cast<int>(next() % static_cast<uint64_t>(count));
}

glm::vec3 Rng::unitVector()
{
    float z = range(-1.0f, 1.0f);
    float angle = range(0.0f, 6.2831853f);
    float s = std::sqrt(1.0f - z * z);
    return glm::vec3(s * std::cos(angle), z, s * std::sin(angle));
}

float valueNoise(glm::vec3 p, uint32_t seed)
{
    const Lattice& t = lattice();
    glm::vec3 cell = glm::floor(p);
    glm::ivec3 o = seedOffset(seed);
    int x = static_cast<int>(cell.x) + o.x, y = static_cast<int>(cell.y) + o.y,
        z = static_cast<int>(cell.z) + o.z;
    glm::vec3 f = p - cell;
    float u = fade(f.x), v = fade(f.y), w = fade(f.z);
    float c00 = lerp(latticeValue(t, x, y, z), latticeValue(t, x + 1, y, z), u);
    float c10 = lerp(latticeValue(t, x, y + 1, z), latticeValue(t, x + 1, y + 1, z), u);
    float c01 = lerp(latticeValue(t, x, y, z + 1), latticeValue(t, x + 1, y, z + 1), u);
    float c11 = lerp(latticeValue(t, x, y + 1, z + 1), latticeValue(t, x + 1, y + 1, z + 1), u);
    return lerp(lerp(c00, c10, v), lerp(c01, c11, v), w);
}

float fbm(glm::vec3 p, int octaves, uint32_t seed, float gain)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += amplitude * valueNoise(p, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        // the odd factor keeps octave lattices from lining up
        p = p * 2.03f + glm::vec3(17.1f, -4.3f, 9.7f);
    }
    return sum / total;
}

float ridged(glm::vec3 p, int octaves, uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        float n = 1.0f - std::fabs(valueNoise(p, seed + static_cast<uint32_t>(i) * 131u) * 2.0f - 1.0f);
        sum += amplitude * n * n;
        total += amplitude;
        amplitude *= 0.5f;
        p = p * 2.07f + glm::vec3(-7.7f, 3.1f, 11.3f);
    }
    return sum / total;
}

float tiledNoise(glm::vec2 p, glm::ivec2 period, uint32_t seed)
{
    const Lattice& t = lattice();
    glm::vec2 cell = glm::floor(p);
    int x = static_cast<int>(cell.x), y = static_cast<int>(cell.y);
    glm::vec2 f = p - cell;
    float u = fade(f.x), v = fade(f.y);
    // wrap first, then offset by the seed, so the field repeats exactly every period
    glm::ivec3 o = seedOffset(seed);
    int x0 = wrap(x, period.x) + o.x, x1 = wrap(x + 1, period.x) + o.x;
    int y0 = wrap(y, period.y) + o.y, y1 = wrap(y + 1, period.y) + o.y;
    float a = lerp(latticeValue(t, x0, y0, o.z), latticeValue(t, x1, y0, o.z), u);
    float b = lerp(latticeValue(t, x0, y1, o.z), latticeValue(t, x1, y1, o.z), u);
    return lerp(a, b, v);
}

float tiledFbm(glm::vec2 p, glm::ivec2 period, int octaves, uint32_t seed, float gain)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += amplitude * tiledNoise(p, period, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        // exact doubling keeps every octave periodic over the same tile
        p *= 2.0f;
        period *= 2;
    }
    return sum / total;
}

float hashToUnit(int x, int y, uint32_t seed)
{
    return static_cast<float>(hashInts(x, y, 0x5151, seed) >> 8) * (1.0f / 16777216.0f);
}
