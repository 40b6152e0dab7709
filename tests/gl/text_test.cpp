#include "render/gl.h"
#include "render/wire_frame.h"
#include "support/test_support.h"
#include "text/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

// Every draw call of this test program passes through these two, which count it and hand it to
// the driver: glDrawArrays and glDrawElements are OpenGL 1.1 entry points that GLEW does not
// route through pointers, so the program's own definitions take the place of the library's.
static int drawCalls = 0;

extern "C" void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    static auto real =
        reinterpret_cast<void(GLAPIENTRY*)(GLenum, GLint, GLsizei)>(dlsym(RTLD_NEXT, "glDrawArrays"));
    ++drawCalls;
    real(mode, first, count);
}

extern "C" void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    static auto real = reinterpret_cast<void(GLAPIENTRY*)(GLenum, GLsizei, GLenum, const void*)>(
        dlsym(RTLD_NEXT, "glDrawElements"));
    ++drawCalls;
    real(mode, count, type, indices);
}

namespace
{

const char* fontPath = "Font/DejaVuSans-Bold.ttf";
const glm::vec4 white(1.0f, 1.0f, 1.0f, 1.0f);

// Pixels read back from a target, addressed like the overlay: (x, y) from the top-left.
struct Pixels
{
    int left, top, width, height;
    std::vector<uint8_t> rgba; // rows bottom-up, as GL reads them

    glm::ivec3 at(int x, int y) const
    {
        const uint8_t* p = &rgba[(static_cast<size_t>(height - 1 - (y - top)) * width + (x - left)) * 4];
        return glm::ivec3(p[0], p[1], p[2]);
    }
    // The smallest box around every pixel with any colour (x0, y0, x1, y1 inclusive); -1s when none.
    glm::ivec4 inkBox() const
    {
        glm::ivec4 box(-1);
        for (int y = top; y < top + height; ++y)
        {
            for (int x = left; x < left + width; ++x)
            {
                if (at(x, y) != glm::ivec3(0))
                {
                    box = box.x < 0 ? glm::ivec4(x, y, x, y)
                                    : glm::ivec4(std::min(box.x, x), box.y, std::max(box.z, x), y);
                }
            }
        }
        return box;
    }
    bool operator==(const Pixels& other) const { return rgba == other.rgba; }
};

// An RGBA8 colour target with a depth buffer, bound for drawing and cleared to black, depth 1.
struct Target
{
    Target(int width, int height) : width(width), height(height)
    {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        const GLenum formats[2] = {GL_RGBA8, GL_DEPTH_COMPONENT24};
        const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
        for (int i = 0; i < 2; ++i)
        {
            glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[i]);
            glRenderbufferStorage(GL_RENDERBUFFER, formats[i], width, height);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER, renderbuffers[i]);
        }
        glViewport(0, 0, width, height);
        clear();
    }
    ~Target()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, renderbuffers);
    }
    void clear()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    Pixels read(int x, int y, int w, int h) const
    {
        Pixels pixels{x, y, w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, height - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
        return pixels;
    }
    Pixels read() const { return read(0, 0, width, height); }

    int width;
    int height;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
};

// FreeType's own rendering of one glyph: what a draw texel for pixel must reproduce.
struct ReferenceGlyph
{
    int left = 0, top = 0, width = 0, rows = 0;
    std::vector<uint8_t> coverage;
};

ReferenceGlyph renderWithFreeType(char code, int pixelSize)
{
    ReferenceGlyph glyph;
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0)
    {
        return glyph;
    }
    if (FT_New_Face(library, fontPath, 0, &face) == 0)
    {
        FT_Set_Pixel_Sizes(face, 0, pixelSize);
        FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        glyph = {face->glyph->bitmap_left, face->glyph->bitmap_top, int(bitmap.width), int(bitmap.rows), {}};
        for (int row = 0; row < glyph.rows; ++row)
        {
            const uint8_t* start = bitmap.buffer + row * bitmap.pitch;
            glyph.coverage.insert(glyph.coverage.end(), start, start + glyph.width);
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return glyph;
}

int countLines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// The game's font, loaded from the game folder the build fills, in the suite's shared context.
class TextOverlay : public GlSuite
{
  protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (IsSkipped())
        {
            return;
        }
        ASSERT_EQ(chdir(VELMORA_GAME_DIR), 0);
        bool created = false;
        std::string log = captureStdout([&] { created = createText(fontPath); });
        ASSERT_TRUE(created) << log;
        EXPECT_EQ(log, "") << "a good font keeps the console as it is";
    }
    void TearDown() override
    {
        if (window != nullptr)
        {
            destroyText();
        }
    }

    // One string in white at (x, y) on a cleared target, read back whole.
    static Pixels drawString(Target& target, const char* text, float x, float y, float size)
    {
        target.clear();
        beginOverlay(target.width, target.height);
        addText(text, x, y, size, white);
        drawOverlay();
        return target.read();
    }
};

TEST_F(TextOverlay, GlyphsAreFreeTypeBitmapsTexelForPixelAtALadderSize)
{
    struct Case
    {
        int targetWidth, targetHeight;
        float request;
        int drawnSize;
        int ascender; // the drawn size's, from the top of the line to the baseline
        char glyph;
        int x, y;
    };
    const Case cases[] = {
        {640, 360, 9.0f, 9, 9, 'S', 600, 330},           // the smallest window's body text
        {640, 360, 7.0f, 9, 9, 'S', 3, 2},               // below the ladder: its smallest size
        {1280, 720, 27.5f, 26, 25, 'S', 40, 30},         // between two sizes: the one below
        {1920, 1080, 54.0f, 54, 51, 'g', 1800, 960},     // a size of its own, with a descender
        {3840, 2160, 250.0f, 180, 168, '@', 3600, 1900}, // past the ladder: its largest size
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.request << " px in " << c.targetWidth << "x" << c.targetHeight);
        Target target(c.targetWidth, c.targetHeight);
        beginOverlay(c.targetWidth, c.targetHeight);
        // Off the pixel grid: the text must be moved onto it, not resampled.
        const char text[2] = {c.glyph, '\0'};
        addText(text, c.x + 0.3f, c.y - 0.4f, c.request, white);
        drawOverlay();

        // The glyph's box and a margin of 4 pixels that must stay black.
        ReferenceGlyph reference = renderWithFreeType(c.glyph, c.drawnSize);
        ASSERT_GT(reference.width, 0);
        int left = c.x + reference.left;
        int top = c.y + c.ascender - reference.top;
        Pixels pixels = target.read(left - 4, top - 4, reference.width + 8, reference.rows + 8);
        for (int y = top - 4; y < top + reference.rows + 4; ++y)
        {
            for (int x = left - 4; x < left + reference.width + 4; ++x)
            {
                bool inside = x >= left && y >= top && x < left + reference.width && y < top + reference.rows;
                int expected =
                    inside ? reference.coverage[static_cast<size_t>(y - top) * reference.width + x - left]
                           : 0;
                if (pixels.at(x, y).r != expected)
                {
                    FAIL() << "(" << x << ", " << y << ") is " << pixels.at(x, y).r << ", FreeType has "
                           << expected;
                }
            }
        }
    }
}

TEST_F(TextOverlay, TextStaysInItsMeasuredBoxAndShowsWhatItSays)
{
    // The removal count at the 720-line body size: 13 + 6 + 7 + 6 + 13 + 13 pixels of advance, and
    // a line from 17 above the baseline to 5 below. "PA" and "AU" are kerned by two pixels and one.
    EXPECT_EQ(measureText("3 / 14", 18.0f), glm::vec2(58.0f, 22.0f));
    EXPECT_EQ(measureText("PAUSED", 18.0f), glm::vec2(79.0f, 22.0f));
    EXPECT_EQ(measureText("PAUSED\n3 / 14", 18.0f), glm::vec2(79.0f, 44.0f));

    // The '3' starts a pixel into its advance and the '4' fills its own to the last pixel.
    Target target(128, 64);
    Pixels three = drawString(target, "3 / 14", 10.0f, 20.0f, 18.0f);
    Pixels threeBelow20 = target.read(0, 20, 128, 44);
    glm::ivec4 box = three.inkBox();
    EXPECT_EQ(box.x, 11);
    EXPECT_EQ(box.z, 66);
    EXPECT_GE(box.y, 20);
    EXPECT_LT(box.w, 20 + 22);
    EXPECT_FALSE(drawString(target, "4 / 14", 10.0f, 20.0f, 18.0f) == three)
        << "another count looks different";

    // A second line is the same string a line height lower, at the same left edge.
    drawString(target, "PAUSED\n3 / 14", 10.0f, -2.0f, 18.0f);
    EXPECT_TRUE(target.read(0, 20, 128, 44) == threeBelow20);

    // A control byte and the two bytes of UTF-8 "é" draw and measure as question marks.
    Pixels unknown = drawString(target, "\x01\xc3\xa9", 4.0f, 4.0f, 18.0f);
    Pixels questions = drawString(target, "???", 4.0f, 4.0f, 18.0f);
    EXPECT_TRUE(unknown == questions);
    EXPECT_GE(questions.inkBox().x, 0);
    EXPECT_EQ(measureText("\x01\xc3\xa9", 18.0f), measureText("???", 18.0f));
}

TEST_F(TextOverlay, RectanglesCoverExactlyTheirPixelsInOneDrawInTheOrderQueued)
{
    Target target(64, 64);
    drawCalls = 0;
    beginOverlay(64, 64);
    addRect(5.0f, 7.0f, 3.0f, 2.0f, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
    // Off the grid: rounds to the one pixel (20, 4).
    addRect(20.4f, 3.6f, 1.0f, 1.0f, glm::vec4(0.0f, 1.0f, 0.0f, 1.0f));
    // A panel, then half-transparent red over its middle, and text over that.
    addRect(30.0f, 30.0f, 4.0f, 4.0f, white);
    addRect(31.0f, 31.0f, 2.0f, 2.0f, glm::vec4(1.0f, 0.0f, 0.0f, 0.5f));
    addText("3 / 14", 40.0f, 40.0f, 9.0f, glm::vec4(0.0f, 0.0f, 1.0f, 1.0f));
    drawOverlay();
    EXPECT_EQ(drawCalls, 1);

    Pixels pixels = target.read();
    for (int y = 0; y < 40; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            auto in = [&](int x0, int y0, int x1, int y1) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
            glm::ivec3 expected = in(5, 7, 8, 9)       ? glm::ivec3(255, 0, 0)
                                  : x == 20 && y == 4  ? glm::ivec3(0, 255, 0)
                                  : in(31, 31, 33, 33) ? glm::ivec3(255, 127, 127) // alpha 128/255 over white
                                  : in(30, 30, 34, 34) ? glm::ivec3(255, 255, 255)
                                                       : glm::ivec3(0, 0, 0);
            ASSERT_EQ(pixels.at(x, y), expected) << "pixel (" << x << ", " << y << ")";
        }
    }
    EXPECT_GE(target.read(40, 40, 24, 24).inkBox().x, 0) << "the text below the rectangles";

    // Drawn and gone: a second draw has nothing to put on a fresh picture.
    target.clear();
    drawOverlay();
    EXPECT_EQ(drawCalls, 1);
    EXPECT_EQ(target.read().inkBox().x, -1);
}

// An opaque panel is filled without a draw, before the rest: text queued before it still shows on it.
TEST_F(TextOverlay, OpaqueRectanglesLieUnderTheTextAndLeaveTheClearStateAlone)
{
    Target target(64, 64);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 64, 64);
    glClearColor(0.1f, 0.2f, 0.3f, 0.4f);
    drawCalls = 0;
    beginOverlay(64, 64);
    addText("Mg", 12.0f, 10.0f, 18.0f, white);
    addRect(5.0f, 5.0f, 40.0f, 30.0f, glm::vec4(0.5f, 0.25f, 0.75f, 1.0f));
    drawOverlay();
    EXPECT_EQ(drawCalls, 1) << "the text alone is drawn";

    Pixels pixels = target.read();
    EXPECT_EQ(pixels.at(5, 5), glm::ivec3(128, 64, 191));
    EXPECT_EQ(pixels.at(44, 34), glm::ivec3(128, 64, 191));
    EXPECT_EQ(pixels.at(45, 34), glm::ivec3(0, 0, 0));
    EXPECT_EQ(pixels.at(44, 35), glm::ivec3(0, 0, 0));
    int whitePixels = 0;
    for (int y = 10; y < 35; ++y)
    {
        for (int x = 12; x < 45; ++x)
        {
            whitePixels += pixels.at(x, y) == glm::ivec3(255, 255, 255);
        }
    }
    EXPECT_GT(whitePixels, 20) << "the text shows on the panel";

    GLfloat clearColour[4] = {};
    GLint box[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(glm::vec4(clearColour[0], clearColour[1], clearColour[2], clearColour[3]),
              glm::vec4(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(glm::ivec4(box[0], box[1], box[2], box[3]), glm::ivec4(0, 0, 64, 64));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
}

TEST_F(TextOverlay, FrameStateComesBackAsItWas)
{
    Target target(32, 32);
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);

    // A wire-frame frame without transparency, its depth buffer at the near plane so anything
    // depth-tested fails, and another pass's viewport, vertex array and texture unit.
    setWireFrame(true);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glViewport(1, 2, 3, 4);
    glBindVertexArray(vertexArray);
    glActiveTexture(GL_TEXTURE2);

    beginOverlay(32, 32);
    addRect(8.0f, 8.0f, 16.0f, 16.0f, glm::vec4(1.0f, 1.0f, 1.0f, 0.5f));
    drawOverlay();
    // Filled, blended over black, not depth-tested, over the whole target.
    Pixels pixels = target.read();
    EXPECT_EQ(pixels.at(16, 16).r, 128);
    EXPECT_EQ(pixels.at(8, 23).r, 128);
    EXPECT_EQ(pixels.at(7, 16).r, 0);

    auto get = [](GLenum name)
    {
        GLint values[4] = {0, 0, 0, 0};
        glGetIntegerv(name, values);
        return glm::ivec4(values[0], values[1], values[2], values[3]);
    };
    EXPECT_TRUE(isWireFrame());
    EXPECT_EQ(get(GL_POLYGON_MODE).x, GL_LINE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(get(GL_VIEWPORT), glm::ivec4(1, 2, 3, 4));
    EXPECT_EQ(get(GL_VERTEX_ARRAY_BINDING).x, static_cast<GLint>(vertexArray));
    EXPECT_EQ(get(GL_ACTIVE_TEXTURE).x, GL_TEXTURE2);

    // Transparency on with an additive blend and no depth test: all three come back so.
    setWireFrame(false);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    beginOverlay(32, 32);
    addRect(0.0f, 0.0f, 4.0f, 4.0f, white);
    drawOverlay();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glm::ivec2(get(GL_BLEND_SRC_RGB).x, get(GL_BLEND_DST_RGB).x), glm::ivec2(GL_ONE, GL_ONE));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    glActiveTexture(GL_TEXTURE0);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_BLEND);
}

TEST_F(TextOverlay, BadFontFilesSayOneLineNamingThemAndShapesStillDraw)
{
    std::string dir = makeScratchDir("text");
    std::ifstream real(fontPath, std::ios::binary);
    std::string font((std::istreambuf_iterator<char>(real)), std::istreambuf_iterator<char>());
    ASSERT_GT(font.size(), 500000u);
    writeFile(dir + "/notes.ttf", "not a font at all\n");
    writeFile(dir + "/empty.ttf", "");
    writeFile(dir + "/cut.ttf", font.substr(0, 2000));
    writeFile(dir + "/cut-late.ttf", font.substr(0, font.size() / 2));
    // Whole tables, but the glyph outlines (from byte 49104 of this font) overwritten: FreeType
    // opens it and then refuses the glyphs.
    writeFile(dir + "/outlines.ttf",
              font.substr(0, 60000) + std::string(440000, '\xff') + font.substr(500000));

    Target target(64, 32);
    for (const char* name :
         {"/missing.ttf", "/notes.ttf", "/empty.ttf", "/cut.ttf", "/cut-late.ttf", "/outlines.ttf", ""})
    {
        std::string path = dir + name;
        SCOPED_TRACE(path);
        bool created = true;
        std::string log = captureStdout([&] { created = createText(path.c_str()); });
        EXPECT_FALSE(created);
        EXPECT_EQ(countLines(log), 1) << log;
        EXPECT_NE(log.find(path), std::string::npos) << log;

        EXPECT_EQ(measureText("PAUSED", 18.0f), glm::vec2(0.0f));
        target.clear();
        beginOverlay(64, 32);
        EXPECT_EQ(addText("PAUSED", 2.0f, 2.0f, 18.0f, white), 0.0f);
        addRect(40.0f, 10.0f, 2.0f, 3.0f, white);
        drawOverlay();
        EXPECT_EQ(target.read().inkBox(), glm::ivec4(40, 10, 41, 12)) << "only the rectangle is drawn";
    }
}

TEST_F(TextOverlay, WhatCannotBeDrawnIsDroppedAndSaidOnce)
{
    Target target(64, 64);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    // Two frames of the same mistakes: text and rectangles are each said once.
    std::string log = captureStdout(
        [&]
        {
            for (int frame = 0; frame < 2; ++frame)
            {
                beginOverlay(64, 64);
                EXPECT_EQ(addText("3 / 14", 2.0f, 2.0f, nan, white), 0.0f);
                EXPECT_EQ(addText("3 / 14", 2.0f, 2.0f, -18.0f, white), 0.0f);
                EXPECT_EQ(addText("3 / 14", infinity, 2.0f, 18.0f, white), 0.0f);
                EXPECT_EQ(addText(nullptr, 2.0f, 2.0f, 18.0f, white), 0.0f);
                EXPECT_EQ(measureText("3 / 14", 0.0f), glm::vec2(0.0f));
                addRect(2.0f, 2.0f, -5.0f, 5.0f, white);
                addRect(nan, 2.0f, 5.0f, 5.0f, white);
                addRect(3.0e9f, 2.0f, 5.0f, 5.0f, white);
                drawOverlay();
            }
        });
    EXPECT_EQ(countLines(log), 2) << log;
    EXPECT_EQ(target.read().inkBox().x, -1) << "nothing refused is drawn";

    // A target that is no size draws nothing, said once.
    log = captureStdout(
        [&]
        {
            beginOverlay(0, 64);
            addRect(2.0f, 2.0f, 5.0f, 5.0f, white);
            drawOverlay();
            beginOverlay(64, -1);
            drawOverlay();
        });
    EXPECT_EQ(countLines(log), 1) << log;
    EXPECT_EQ(target.read().inkBox().x, -1);

    // One half-white quad per pixel fills the batch's 4096 quads exactly; the red cover and the text
    // queued after them are dropped, two frames running, said once. (Opaque rectangles are no quads.)
    const glm::vec4 halfWhite(1.0f, 1.0f, 1.0f, 0.5f);
    const glm::vec4 halfRed(1.0f, 0.0f, 0.0f, 0.5f);
    log = captureStdout(
        [&]
        {
            for (int frame = 0; frame < 2; ++frame)
            {
                beginOverlay(64, 64);
                for (int i = 0; i < 64 * 64; ++i)
                {
                    addRect(static_cast<float>(i % 64), static_cast<float>(i / 64), 1.0f, 1.0f, halfWhite);
                }
                addRect(0.0f, 0.0f, 64.0f, 64.0f, halfRed);
                addText("3 / 14", 0.0f, 0.0f, 18.0f, halfRed);
                drawOverlay();
                target.clear();
            }
            beginOverlay(64, 64);
            for (int i = 0; i < 64 * 64; ++i)
            {
                addRect(static_cast<float>(i % 64), static_cast<float>(i / 64), 1.0f, 1.0f, halfWhite);
            }
            addRect(0.0f, 0.0f, 64.0f, 64.0f, halfRed);
            drawOverlay();
        });
    EXPECT_EQ(countLines(log), 1) << log;
    Pixels pixels = target.read();
    for (int i = 0; i < 64 * 64; ++i)
    {
        ASSERT_EQ(pixels.at(i % 64, i / 64), glm::ivec3(128)) << "pixel " << i % 64 << ", " << i / 64;
    }
}

} // namespace
