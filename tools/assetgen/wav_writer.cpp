#include "wav_writer.h"

#include "little_endian.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
int16_t toSample(float value)
{
    float v = value < -1.0f ? -1.0f : (value > 1.0f ? 1.0f : value);
    return static_cast<int16_t>(std::lround(v * 32767.0f));
}
} // namespace

bool writeWAV(const std::string& path, const Clip& clip)
{
    const uint32_t bytesPerSample = 2;
    const uint32_t dataBytes = static_cast<uint32_t>(clip.samples.size()) * bytesPerSample;
    const uint32_t rate = static_cast<uint32_t>(clip.sampleRate);

    std::vector<uint8_t> file;
    file.reserve(44 + dataBytes);
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    put32(file, 36 + dataBytes);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    // fmt chunk: 16 bytes, integer PCM, one channel, rate, bytes per second, bytes per frame, bits
    put32(file, 16);
    put16(file, 1);
    put16(file, 1);
    put32(file, rate);
    put32(file, rate * bytesPerSample);
    put16(file, bytesPerSample);
    put16(file, 16);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put32(file, dataBytes);
    for (float value : clip.samples)
        put16(file, static_cast<uint16_t>(toSample(value)));

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
    {
        std::fprintf(stderr, "assetgen: cannot open %s for writing\n", path.c_str());
        return false;
    }
    size_t written = std::fwrite(file.data(), 1, file.size(), out);
    if (std::fclose(out) != 0 || written != file.size())
    {
        std::fprintf(stderr, "assetgen: failed writing %s\n", path.c_str());
        return false;
    }
    return true;
}
