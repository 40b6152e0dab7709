// Feeds arbitrary bytes to the bitmap check that decides what loadBMP uploads. Whatever it accepts
// must hold exactly the rows the upload reads (height rows of the padded stride), copied from the
// pixel data offset the header names.
#include "render/bmp.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

static int32_t field(const uint8_t* data, size_t offset)
{
    return static_cast<int32_t>(
        static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
        static_cast<uint32_t>(data[offset + 2]) << 16 | static_cast<uint32_t>(data[offset + 3]) << 24);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpImage image;
    if (!decodeBMP(data, size, "fuzz.bmp", image))
    {
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || image.width > maxBmpSize || image.height > maxBmpSize)
    {
        abort();
    }
    size_t needed = bmpRowStride(image.width) * static_cast<size_t>(image.height);
    if (image.pixels.size() != needed)
    {
        abort();
    }
    // An accepted file has a whole header, so its data offset can be read back here.
    size_t offset = static_cast<size_t>(field(data, 10));
    if (offset == 0)
    {
        offset = 54;
    }
    if (offset > size || size - offset < needed || memcmp(image.pixels.data(), data + offset, needed) != 0)
    {
        abort();
    }
    return 0;
}
