#include "render/bmp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

GLint textureFilter = GL_NEAREST;

// Size of the file header plus the classic 40-byte information header; every field we use lies in it.
static constexpr size_t bmpHeaderSize = 54;

static int32_t readInt32(const uint8_t* bytes)
{
    uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                     static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(value);
}

static uint16_t readUint16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

size_t bmpRowStride(int32_t width)
{
    if (width <= 0)
    {
        return 0;
    }
    // Three bytes per pixel, rounded up to the four-byte row alignment of the file and of the upload.
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

bool decodeBMP(const uint8_t* bytes, size_t size, const char* imagePath, BmpImage& image)
{
    if (bytes == nullptr || size < bmpHeaderSize)
    {
        printf("No correct BMP file! (Header size)\n");
        return false;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M')
    {
        printf("No correct BMP file! (B,M)\n");
        return false;
    }

    int32_t dataOffset = readInt32(bytes + 10);
    int32_t width = readInt32(bytes + 18);
    int32_t height = readInt32(bytes + 22);
    uint16_t bitsPerPixel = readUint16(bytes + 28);
    uint32_t compression = static_cast<uint32_t>(readInt32(bytes + 30));
    int32_t imageSize = readInt32(bytes + 34);

    // A negative height marks a top-down bitmap; the upload expects rows bottom to top, so it is refused.
    if (width <= 0 || height <= 0 || width > maxBmpSize || height > maxBmpSize)
    {
        printf("Unsupported BMP size %dx%d in %s\n", width, height, imagePath);
        return false;
    }
    if (bitsPerPixel != 24)
    {
        printf("Unsupported BMP in %s: %u bits per pixel, only 24 can be read\n", imagePath,
               static_cast<unsigned>(bitsPerPixel));
        return false;
    }
    if (compression != 0)
    {
        printf("Unsupported BMP in %s: compression %u, only uncompressed pixels can be read\n", imagePath,
               compression);
        return false;
    }

    // Writers may leave both fields 0: the pixels then follow the 54-byte header, tightly packed.
    if (dataOffset == 0)
    {
        dataOffset = static_cast<int32_t>(bmpHeaderSize);
    }
    int64_t declaredSize = imageSize;
    if (declaredSize == 0)
    {
        declaredSize = static_cast<int64_t>(width) * height * 3;
    }
    if (dataOffset < 0 || static_cast<size_t>(dataOffset) > size)
    {
        printf("BMP pixel data offset %d lies outside %s (%zu bytes)\n", dataOffset, imagePath, size);
        return false;
    }

    // The pixels held are what the size field promises, cut short where the file ends.
    size_t available = size - static_cast<size_t>(dataOffset);
    size_t held = declaredSize < 0 ? 0 : static_cast<size_t>(declaredSize);
    if (held > available)
    {
        held = available;
    }
    size_t stride = bmpRowStride(width);
    size_t needed = stride * static_cast<size_t>(height);
    if (held < needed)
    {
        printf("Truncated BMP %s: %zu bytes of pixel data for %dx%d, %zu needed\n", imagePath, held, width,
               height, needed);
        return false;
    }

    image.width = width;
    image.height = height;
    image.pixels.assign(bytes + dataOffset, bytes + dataOffset + needed);
    return true;
}

// Reads the whole file; false when it cannot be opened.
static bool readWholeFile(const char* path, std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
    {
        return false;
    }
    uint8_t chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof(chunk), file)) > 0)
    {
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    fclose(file);
    return true;
}

// Turns each row's blue-green-red pixels into red-green-blue in place, leaving the row padding: WebGL
// takes no blue-green-red uploads, so every platform uploads red-green-blue.
static void swapRedAndBlue(BmpImage& image)
{
    size_t stride = bmpRowStride(image.width);
    for (int32_t row = 0; row < image.height; ++row)
    {
        uint8_t* pixel = image.pixels.data() + static_cast<size_t>(row) * stride;
        for (int32_t column = 0; column < image.width; ++column, pixel += 3)
        {
            uint8_t blue = pixel[0];
            pixel[0] = pixel[2];
            pixel[2] = blue;
        }
    }
}

GLuint loadBMP(const char* imagePath)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(imagePath, bytes))
    {
        // Which file, and why, then the game's own word for it.
        printf("Cannot open texture %s: %s\n", imagePath, strerror(errno));
        printf("Not possible to open image!\n");
        return 0;
    }
    BmpImage image;
    if (!decodeBMP(bytes.data(), bytes.size(), imagePath, image))
    {
        return 0;
    }

    GLuint textureID = 0;
    glGenTextures(1, &textureID);
    glBindTexture(GL_TEXTURE_2D, textureID);
    // Rows in the file are padded to four bytes, exactly what an unpack alignment of 4 expects.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // The file stores the bottom row first: GL's first row is the bottom, so v = 0 is the bottom of
    // the picture and nothing is flipped.
    swapRedAndBlue(image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glGenerateMipmap(GL_TEXTURE_2D);
    return textureID;
}

void applyTextureSampling(GLuint texture, bool nearestSampling, int mipMapMode)
{
    GLint minFilter;
    if (mipMapMode == 1)
    {
        minFilter = nearestSampling ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
    }
    else if (mipMapMode == 2)
    {
        minFilter = nearestSampling ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
    }
    else
    {
        minFilter = nearestSampling ? GL_NEAREST : GL_LINEAR;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, nearestSampling ? GL_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
}
