#include "render/bmp.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct Rgb
{
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

// A standard 24-bit bitmap: pixels[y][x] with y = 0 the bottom row, written blue-green-red and padded.
std::string bitmapFile(const std::vector<std::vector<Rgb>>& pixels)
{
    int32_t height = static_cast<int32_t>(pixels.size());
    int32_t width = static_cast<int32_t>(pixels[0].size());
    size_t stride = bmpRowStride(width);
    std::string bytes(54, '\0');
    auto put = [&](size_t at, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
        {
            bytes[at + i] = static_cast<char>(value >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(10, 54);
    put(14, 40);
    put(18, static_cast<uint32_t>(width));
    put(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put(34, static_cast<uint32_t>(stride * height));
    for (const std::vector<Rgb>& row : pixels)
    {
        std::string line(stride, '\0');
        for (size_t x = 0; x < row.size(); ++x)
        {
            line[3 * x] = static_cast<char>(row[x].b);
            line[3 * x + 1] = static_cast<char>(row[x].g);
            line[3 * x + 2] = static_cast<char>(row[x].r);
        }
        bytes += line;
    }
    return bytes;
}

const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, grey{90, 91, 92};

} // namespace

class BmpTextures : public GlSuite
{
  protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (HasFatalFailure() || IsSkipped())
        {
            return;
        }
        dir = makeScratchDir("bmp-gl");
    }

    GLuint load(const std::string& name, const std::string& bytes)
    {
        std::string path = dir + "/" + name;
        writeFile(path, bytes);
        GLuint texture = 0;
        output = captureStdout([&] { texture = loadBMP(path.c_str()); });
        return texture;
    }

    // Level 0 of the bound texture as RGB rows, bottom row first, read back tightly packed.
    static std::vector<Rgb> readBack(int width, int height)
    {
        std::vector<Rgb> texels(static_cast<size_t>(width) * height);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        return texels;
    }

    static GLint parameter(GLenum name)
    {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }

    std::string dir;
    std::string output;
};


TEST_F(BmpTextures, ColoursAndOrientationSurviveTheUpload)
{
    // Bottom row red, green, blue, white; top row all grey.
    GLuint texture = load("rgbw.bmp", bitmapFile({{red, green, blue, white}, {grey, grey, grey, grey}}));
    ASSERT_NE(texture, 0u) << output;
    EXPECT_EQ(output, "");

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture) << "the new texture is left bound";

    std::vector<Rgb> texels = readBack(4, 2);
    EXPECT_EQ(texels[0], red) << "v = 0 is the bottom row, and red is not swapped with blue";
    EXPECT_EQ(texels[1], green);
    EXPECT_EQ(texels[2], blue);
    EXPECT_EQ(texels[3], white);
    EXPECT_EQ(texels[4], grey);
}

TEST_F(BmpTextures, PaddedRowsUploadWithoutShear)
{
    // Width 3 pads every row by three bytes; a wrong unpack alignment would shift the top row.
    GLuint texture = load("odd.bmp", bitmapFile({{red, red, red}, {blue, green, white}, {grey, grey, grey}}));
    ASSERT_NE(texture, 0u) << output;
    std::vector<Rgb> texels = readBack(3, 3);
    EXPECT_EQ(texels[3], blue);
    EXPECT_EQ(texels[4], green);
    EXPECT_EQ(texels[5], white);
    EXPECT_EQ(texels[8], grey);
}

TEST_F(BmpTextures, TrilinearFiltersAndAFullMipChain)
{
    std::vector<Rgb> row(8, grey);
    GLuint texture = load("grey.bmp", bitmapFile(std::vector<std::vector<Rgb>>(4, row)));
    ASSERT_NE(texture, 0u) << output;
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT) << "wrap modes keep their defaults";

    // 8x4 -> 4x2 -> 2x1 -> 1x1: the last level exists and was filled from the picture.
    GLint lastWidth = 0, lastHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &lastWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_HEIGHT, &lastHeight);
    EXPECT_EQ(lastWidth, 1);
    EXPECT_EQ(lastHeight, 1);
    Rgb smallest{};
    glGetTexImage(GL_TEXTURE_2D, 3, GL_RGB, GL_UNSIGNED_BYTE, &smallest);
    EXPECT_EQ(smallest, grey);

    // No cache: the same file loaded again is a second texture object.
    GLuint again = load("grey.bmp", bitmapFile(std::vector<std::vector<Rgb>>(4, row)));
    EXPECT_NE(again, texture);
}

TEST_F(BmpTextures, RefusedFilesCreateNoTexture)
{
    glBindTexture(GL_TEXTURE_2D, 0);
    std::string truncated = bitmapFile({{red, green, blue, white}, {grey, grey, grey, grey}});
    truncated.resize(truncated.size() - 5);
    EXPECT_EQ(load("truncated.bmp", truncated), 0u);
    EXPECT_NE(output.find("truncated.bmp"), std::string::npos) << output;

    std::string text = "this is not a bitmap, only text long enough to fill a header of 54 bytes";
    EXPECT_EQ(load("text.bmp", text), 0u);
    EXPECT_EQ(output, "No correct BMP file! (B,M)\n");

    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BmpTextures, SamplingSettingsRefilterAModelTexture)
{
    GLuint texture = load("sampled.bmp", bitmapFile({{red, green}, {blue, white}}));
    ASSERT_NE(texture, 0u);
    struct Case
    {
        bool nearest;
        int mipMapMode;
        GLint mag, min;
    };
    const Case cases[] = {
        {true, 0, GL_NEAREST, GL_NEAREST},
        {false, 0, GL_LINEAR, GL_LINEAR},
        {true, 1, GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
        {false, 1, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST},
        {true, 2, GL_NEAREST, GL_NEAREST_MIPMAP_LINEAR},
        {false, 2, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "nearest " << c.nearest << ", mip-map mode " << c.mipMapMode);
        glBindTexture(GL_TEXTURE_2D, 0);
        applyTextureSampling(texture, c.nearest, c.mipMapMode);
        EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), c.mag);
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), c.min);
    }
}
