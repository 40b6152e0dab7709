#include "render/bmp.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace
{

// Header fields of a test bitmap; the defaults describe a standard 24-bit file with a 40-byte info header.
struct BmpFields
{
    int32_t width = 4;
    int32_t height = 2;
    int32_t dataOffset = 54;
    int32_t imageSize = -1; // -1: fill in the real pixel byte count
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    size_t rowsWritten = 100000; // how many padded rows of pixels the file actually holds
};

void putInt32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Pixel (x, y) counted from the bottom row gets blue = 10 + x, green = 100 + y, red = 200.
std::string makeBmp(const BmpFields& fields)
{
    size_t stride = (static_cast<size_t>(fields.width > 0 ? fields.width : 0) * 3 + 3) & ~size_t(3);
    int32_t rows = fields.height > 0 ? fields.height : 0;
    std::string pixels;
    for (int32_t y = 0; y < rows && static_cast<size_t>(y) < fields.rowsWritten; ++y)
    {
        std::string row(stride, '\0');
        for (int32_t x = 0; x < fields.width; ++x)
        {
            row[3 * x + 0] = static_cast<char>(10 + x);
            row[3 * x + 1] = static_cast<char>(100 + y);
            row[3 * x + 2] = static_cast<char>(200);
        }
        pixels += row;
    }
    // A larger offset leaves filler between the header and the pixels; an absurd one leaves nothing.
    size_t headerBytes = fields.dataOffset > 54 && fields.dataOffset < 4096 ? fields.dataOffset : 54;
    std::string bytes(headerBytes, '\x5A');
    bytes[0] = 'B';
    bytes[1] = 'M';
    putInt32(bytes, 2, static_cast<uint32_t>(headerBytes + pixels.size()));
    putInt32(bytes, 10, static_cast<uint32_t>(fields.dataOffset));
    putInt32(bytes, 14, 40);
    putInt32(bytes, 18, static_cast<uint32_t>(fields.width));
    putInt32(bytes, 22, static_cast<uint32_t>(fields.height));
    bytes[26] = 1;
    bytes[27] = 0;
    bytes[28] = static_cast<char>(fields.bitsPerPixel & 0xFF);
    bytes[29] = static_cast<char>(fields.bitsPerPixel >> 8);
    putInt32(bytes, 30, fields.compression);
    putInt32(bytes, 34, static_cast<uint32_t>(fields.imageSize == -1 ? pixels.size() : fields.imageSize));
    return bytes + pixels;
}

} // namespace

// Every case decodes from a heap block of exactly the file's size, so AddressSanitizer sees any read past it.
class DecodeBmp : public ::testing::Test
{
  protected:
    bool decode(const std::string& file)
    {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() > 0 ? file.size() : 1]);
        memcpy(exact.get(), file.data(), file.size());
        output =
            captureStdout([&] { accepted = decodeBMP(exact.get(), file.size(), "Texture/test.bmp", image); });
        return accepted;
    }

    // Blue, green, red of pixel (x, y), counted from the first row of the decoded data.
    std::string texel(int x, int y) const
    {
        size_t at = static_cast<size_t>(y) * bmpRowStride(image.width) + 3 * static_cast<size_t>(x);
        return {static_cast<char>(image.pixels[at]), static_cast<char>(image.pixels[at + 1]),
                static_cast<char>(image.pixels[at + 2])};
    }

    BmpImage image;
    bool accepted = false;
    std::string output;
};

TEST_F(DecodeBmp, StandardFileKeepsBlueGreenRedAndBottomRowFirst)
{
    ASSERT_TRUE(decode(makeBmp({}))) << output;
    EXPECT_EQ(output, "");
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    ASSERT_EQ(image.pixels.size(), 2u * 12u);
    // The upload takes the bytes as they are: blue first, and the file's first row is the bottom one.
    EXPECT_EQ(texel(0, 0), std::string("\x0A\x64\xC8"));
    EXPECT_EQ(texel(3, 1), std::string("\x0D\x65\xC8"));
}

TEST_F(DecodeBmp, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(bmpRowStride(1), 4u);
    EXPECT_EQ(bmpRowStride(3), 12u);
    EXPECT_EQ(bmpRowStride(4), 12u);
    EXPECT_EQ(bmpRowStride(5), 16u);

    BmpFields odd;
    odd.width = 3;
    odd.height = 3;
    ASSERT_TRUE(decode(makeBmp(odd))) << output;
    ASSERT_EQ(image.pixels.size(), 3u * 12u);
    EXPECT_EQ(texel(2, 2), std::string("\x0C\x66\xC8")) << "the third row starts after two padded rows";
}

TEST_F(DecodeBmp, ZeroSizeAndZeroOffsetFieldsTakeTheirDefaults)
{
    // Size 0 stands for width x height x 3, which covers the pixels when rows need no padding.
    BmpFields noSize;
    noSize.imageSize = 0;
    ASSERT_TRUE(decode(makeBmp(noSize))) << output;
    std::vector<uint8_t> withoutSize = image.pixels;
    ASSERT_TRUE(decode(makeBmp({})));
    EXPECT_EQ(withoutSize, image.pixels);

    // Offset 0 stands for 54, right after the header.
    BmpFields noOffset;
    noOffset.dataOffset = 0;
    ASSERT_TRUE(decode(makeBmp(noOffset))) << output;
    EXPECT_EQ(texel(0, 0), std::string("\x0A\x64\xC8"));
}

TEST_F(DecodeBmp, LargerInfoHeaderIsSkippedByTheDataOffset)
{
    // A 124-byte info header puts the pixels at 138; the filler bytes before them must not be read as pixels.
    BmpFields v5;
    v5.dataOffset = 138;
    ASSERT_TRUE(decode(makeBmp(v5))) << output;
    EXPECT_EQ(texel(0, 0), std::string("\x0A\x64\xC8"));
    EXPECT_EQ(texel(3, 1), std::string("\x0D\x65\xC8"));
}

TEST_F(DecodeBmp, TheThreeClassicMessagesStayExact)
{
    EXPECT_FALSE(decode("BM12345678"));
    EXPECT_EQ(output, "No correct BMP file! (Header size)\n");

    EXPECT_FALSE(
        decode(std::string("P3 this is a text file with a .bmp name, long enough for a header....")));
    EXPECT_EQ(output, "No correct BMP file! (B,M)\n");

    EXPECT_FALSE(decode(""));
    EXPECT_EQ(output, "No correct BMP file! (Header size)\n");
}

TEST_F(DecodeBmp, UnreadableLayoutsAreRefusedWithOneLineNamingTheFile)
{
    struct Case
    {
        const char* what;
        BmpFields fields;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change)
    {
        BmpFields fields;
        change(fields);
        cases.push_back({what, fields});
    };
    add("zero width", [](BmpFields& f) { f.width = 0; });
    add("top-down rows", [](BmpFields& f) { f.height = -2; });
    add("width past the maximum", [](BmpFields& f) { f.width = maxBmpSize + 1; });
    add("huge height",
        [](BmpFields& f)
        {
            f.height = 0x7FFFFFFF;
            f.rowsWritten = 2;
        });
    add("32 bits per pixel", [](BmpFields& f) { f.bitsPerPixel = 32; });
    add("8 bits per pixel", [](BmpFields& f) { f.bitsPerPixel = 8; });
    add("run-length compression", [](BmpFields& f) { f.compression = 1; });
    add("bit-field compression", [](BmpFields& f) { f.compression = 3; });
    add("offset past the end", [](BmpFields& f) { f.dataOffset = 0x40000000; });
    add("negative offset", [](BmpFields& f) { f.dataOffset = -100; });
    add("file cut after one row", [](BmpFields& f) { f.rowsWritten = 1; });
    add("file without pixels", [](BmpFields& f) { f.rowsWritten = 0; });
    add("size field short of the rows", [](BmpFields& f) { f.imageSize = 20; });
    add("negative size field", [](BmpFields& f) { f.imageSize = -5; });
    // Width 3 needs 12 bytes a row, but a size of 0 stands for only 9.
    add("size 0 with padded rows",
        [](BmpFields& f)
        {
            f.width = 3;
            f.imageSize = 0;
        });

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        image = BmpImage();
        EXPECT_FALSE(decode(makeBmp(c.fields)));
        EXPECT_NE(output.find("Texture/test.bmp"), std::string::npos) << output;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << "exactly one line: " << output;
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(LoadBmpWithoutContext, RefusalsNeverReachOpenGl)
{
    // These paths fail before any GL call, so they are safe to run without a context.
    std::string dir = makeScratchDir("bmp-refusals");
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadBMP((dir + "/missing.bmp").c_str()), 0u); }),
              "Cannot open texture " + dir + "/missing.bmp: No such file or directory\n"
              "Not possible to open image!\n");

    writeFile(dir + "/short.bmp", "BM");
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadBMP((dir + "/short.bmp").c_str()), 0u); }),
              "No correct BMP file! (Header size)\n");

    BmpFields cut;
    cut.rowsWritten = 1;
    std::string path = dir + "/cut.bmp";
    writeFile(path, makeBmp(cut));
    std::string output = captureStdout([&] { EXPECT_EQ(loadBMP(path.c_str()), 0u); });
    EXPECT_NE(output.find(path), std::string::npos) << output;
}
