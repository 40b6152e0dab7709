#include "bmp_writer.h"

#include "little_endian.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
uint8_t toByte(float channel)
{
    float c = channel < 0.0f ? 0.0f : (channel > 1.0f ? 1.0f : channel);
    return static_cast<uint8_t>(c * 255.0f + 0.5f);
}
} // namespace

bool writeBMP(const std::string& path, const Image& image)
{
    const uint32_t headerBytes = 54;
    const uint32_t rowStride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowStride * static_cast<uint32_t>(image.height);

    std::vector<uint8_t> file;
    file.reserve(headerBytes + dataBytes);
    // file header
    file.push_back('B');
    file.push_back('M');
    put32(file, headerBytes + dataBytes);
    put32(file, 0);
    put32(file, headerBytes);
    // information header: size, width, height, planes, bits per pixel, no compression, image size,
    // 2835 pixels per metre (72 dpi) both ways, no palette
    put32(file, 40);
    put32(file, static_cast<uint32_t>(image.width));
    put32(file, static_cast<uint32_t>(image.height));
    put16(file, 1);
    put16(file, 24);
    put32(file, 0);
    put32(file, dataBytes);
    put32(file, 2835);
    put32(file, 2835);
    put32(file, 0);
    put32(file, 0);

    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            const glm::vec3& c = image.at(x, y);
            file.push_back(toByte(c.b));
            file.push_back(toByte(c.g));
            file.push_back(toByte(c.r));
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowStride; ++pad)
            file.push_back(0);
    }

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
