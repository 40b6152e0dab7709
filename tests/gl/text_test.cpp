#include "render/gl.h"
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

namespace
{

const char* fontPath = "Font/DejaVuSans-Bold.ttf";
const glm::vec4 white(1.0f, 1.0f, 1.0f, 1.0f);

// An RGBA8 colour target with a depth buffer, bound for drawing, cleared to black with depth 1.
class Target
{
  public:
    Target(int width, int height) : width(width), height(height)
    {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
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

    // RGBA of the w x h pixels whose top-left is (x, y), rows top to bottom like the overlay's.
    std::vector<uint8_t> read(int x, int y, int w, int h) const
    {
        std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, height - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        std::vector<uint8_t> topDown(bottomUp.size());
        for (int row = 0; row < h; ++row)
        {
            std::copy_n(&bottomUp[static_cast<size_t>(h - 1 - row) * w * 4], w * 4,
                        &topDown[static_cast<size_t>(row) * w * 4]);
        }
        return topDown;
    }
    std::vector<uint8_t> read() const { return read(0, 0, width, height); }

    int width;
    int height;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
};

// The red channel of pixel (x, y) of a whole-target read.
uint8_t red(const std::vector<uint8_t>& pixels, int width, int x, int y)
{
    return pixels[(static_cast<size_t>(y) * width + x) * 4];
}

// The smallest box around every pixel with any colour: x0, y0, x1, y1 inclusive; x0 = -1 when none.
glm::ivec4 inkBox(const std::vector<uint8_t>& pixels, int width, int height)
{
    glm::ivec4 box(-1, -1, -1, -1);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            if (p[0] != 0 || p[1] != 0 || p[2] != 0)
            {
                box = box.x < 0 ? glm::ivec4(x, y, x, y)
                                : glm::ivec4(std::min(box.x, x), std::min(box.y, y), std::max(box.z, x), y);
            }
        }
    }
    return box;
}

// FreeType's own rendering of one glyph: the reference a 1:1 draw must reproduce.
struct ReferenceGlyph
{
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
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
        glyph.left = face->glyph->bitmap_left;
        glyph.top = face->glyph->bitmap_top;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.rows = static_cast<int>(bitmap.rows);
        for (int row = 0; row < glyph.rows; ++row)
        {
            glyph.coverage.insert(glyph.coverage.end(), bitmap.buffer + row * bitmap.pitch,
                                  bitmap.buffer + row * bitmap.pitch + glyph.width);
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

} // namespace

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

    // Draws one string white at (x, y) on a cleared target and reads the whole target back.
    static std::vector<uint8_t> drawString(Target& target, const char* text, float x, float y, float size)
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
    // From the smallest window to the largest, requests between, below and past the ladder's
    // sizes. Positions are given off the pixel grid and must be rounded to it.
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
        const char text[2] = {c.glyph, '\0'};
        addText(text, c.x + 0.3f, c.y - 0.4f, c.request, white);
        drawOverlay();

        ReferenceGlyph reference = renderWithFreeType(c.glyph, c.drawnSize);
        ASSERT_GT(reference.width, 0);
        // The glyph's box with a margin of 4 pixels, which must stay black.
        int left = c.x + reference.left - 4;
        int top = c.y + c.ascender - reference.top - 4;
        int width = reference.width + 8;
        int height = reference.rows + 8;
        std::vector<uint8_t> pixels = target.read(left, top, width, height);
        int mismatches = 0;
        std::string first;
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                int gx = x - 4;
                int gy = y - 4;
                bool inside = gx >= 0 && gy >= 0 && gx < reference.width && gy < reference.rows;
                int expected =
                    inside ? reference.coverage[static_cast<size_t>(gy) * reference.width + gx] : 0;
                int seen = red(pixels, width, x, y);
                if (seen != expected && mismatches++ == 0)
                {
                    first = "at (" + std::to_string(left + x) + ", " + std::to_string(top + y) + ") saw " +
                            std::to_string(seen) + ", FreeType has " + std::to_string(expected);
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "first difference " << first;
    }
}

TEST_F(TextOverlay, TextStaysInItsMeasuredBoxAndShowsWhatItSays)
{
    // The removal count at the 720-line body size: 13 + 6 + 7 + 6 + 13 + 13 pixels of advance, and
    // a line from 17 above the baseline to 5 below.
    EXPECT_EQ(measureText("3 / 14", 18.0f), glm::vec2(58.0f, 22.0f));
    // "PA" and "AU" are kerned by two pixels and one.
    EXPECT_EQ(measureText("PAUSED", 18.0f), glm::vec2(79.0f, 22.0f));
    EXPECT_EQ(measureText("PAUSED\n3 / 14", 18.0f), glm::vec2(79.0f, 44.0f));

    Target target(128, 64);
    std::vector<uint8_t> three = drawString(target, "3 / 14", 10.0f, 20.0f, 18.0f);
    glm::ivec4 box = inkBox(three, 128, 64);
    // The '3' starts a pixel into its advance and the '4' fills its own to the last pixel.
    EXPECT_EQ(box.x, 11);
    EXPECT_EQ(box.z, 66);
    EXPECT_GE(box.y, 20);
    EXPECT_LT(box.w, 20 + 22);

    std::vector<uint8_t> four = drawString(target, "4 / 14", 10.0f, 20.0f, 18.0f);
    EXPECT_NE(three, four) << "a different count must look different";

    // The second line starts a line height lower, at the same left edge.
    std::vector<uint8_t> twoLines = drawString(target, "PAUSED\n3 / 14", 10.0f, -2.0f, 18.0f);
    EXPECT_EQ(std::vector<uint8_t>(twoLines.begin() + 20 * 128 * 4, twoLines.end()),
              std::vector<uint8_t>(three.begin() + 20 * 128 * 4, three.end()))
        << "the second line is the first string drawn 22 pixels lower";
}

TEST_F(TextOverlay, UnknownBytesDrawAsQuestionMarks)
{
    Target target(64, 32);
    // A control byte and the two bytes of UTF-8 "é".
    std::vector<uint8_t> unknown = drawString(target, "\x01\xc3\xa9", 4.0f, 4.0f, 18.0f);
    std::vector<uint8_t> questions = drawString(target, "???", 4.0f, 4.0f, 18.0f);
    EXPECT_EQ(unknown, questions);
    EXPECT_GE(inkBox(questions, 64, 32).x, 0) << "the question marks are drawn";
    EXPECT_EQ(measureText("\x01\xc3\xa9", 18.0f), measureText("???", 18.0f));
}

TEST_F(TextOverlay, RectanglesCoverExactlyTheirPixelsInTheOrderQueued)
{
    Target target(64, 64);
    beginOverlay(64, 64);
    addRect(5.0f, 7.0f, 3.0f, 2.0f, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
    // Off the grid: rounds to the one pixel (20, 4).
    addRect(20.4f, 3.6f, 1.0f, 1.0f, glm::vec4(0.0f, 1.0f, 0.0f, 1.0f));
    // A panel, then half-transparent red over its middle.
    addRect(30.0f, 30.0f, 4.0f, 4.0f, white);
    addRect(31.0f, 31.0f, 2.0f, 2.0f, glm::vec4(1.0f, 0.0f, 0.0f, 0.5f));
    drawOverlay();

    std::vector<uint8_t> pixels = target.read();
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            glm::ivec3 expected(0, 0, 0);
            if (x >= 5 && x < 8 && y >= 7 && y < 9)
            {
                expected = glm::ivec3(255, 0, 0);
            }
            else if (x == 20 && y == 4)
            {
                expected = glm::ivec3(0, 255, 0);
            }
            else if (x >= 31 && x < 33 && y >= 31 && y < 33)
            {
                // Alpha 128/255 of red over white.
                expected = glm::ivec3(255, 127, 127);
            }
            else if (x >= 30 && x < 34 && y >= 30 && y < 34)
            {
                expected = glm::ivec3(255, 255, 255);
            }
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * 64 + x) * 4];
            ASSERT_EQ(glm::ivec3(p[0], p[1], p[2]), expected) << "pixel (" << x << ", " << y << ")";
        }
    }
}

TEST_F(TextOverlay, EverythingQueuedGoesInOneDrawCallAndTheBatchEmpties)
{
    Target target(64, 64);
    drawCalls = 0;

    beginOverlay(64, 64);
    addRect(0.0f, 0.0f, 64.0f, 20.0f, glm::vec4(0.0f, 0.0f, 0.0f, 0.5f));
    addText("3 / 14", 2.0f, 2.0f, 12.0f, white);
    addRect(40.0f, 40.0f, 1.0f, 10.0f, white);
    addRect(40.0f, 40.0f, 10.0f, 1.0f, white);
    drawOverlay();
    EXPECT_EQ(drawCalls, 1);

    // Drawn and gone: a second draw has nothing to put on a fresh picture.
    target.clear();
    drawOverlay();
    EXPECT_EQ(drawCalls, 1);
    EXPECT_EQ(inkBox(target.read(), 64, 64).x, -1);
}

TEST_F(TextOverlay, FrameStateComesBackAsItWas)
{
    Target target(32, 32);
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);

    // A wire-frame frame without transparency, its depth buffer at the near plane so anything
    // depth-tested fails, and another pass's viewport.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glViewport(1, 2, 3, 4);
    glBindVertexArray(vertexArray);
    glActiveTexture(GL_TEXTURE2);

    beginOverlay(32, 32);
    addRect(8.0f, 8.0f, 16.0f, 16.0f, glm::vec4(1.0f, 1.0f, 1.0f, 0.5f));
    drawOverlay();
    // Filled, blended over black, not depth-tested, over the whole target.
    std::vector<uint8_t> pixels = target.read();
    EXPECT_EQ(red(pixels, 32, 16, 16), 128);
    EXPECT_EQ(red(pixels, 32, 8, 23), 128);
    EXPECT_EQ(red(pixels, 32, 7, 16), 0);

    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLint boundArray = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &boundArray);
    GLint activeUnit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    EXPECT_EQ(polygonMode[0], GL_LINE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glm::ivec4(viewport[0], viewport[1], viewport[2], viewport[3]), glm::ivec4(1, 2, 3, 4));
    EXPECT_EQ(boundArray, static_cast<GLint>(vertexArray));
    EXPECT_EQ(activeUnit, GL_TEXTURE2);

    // Transparency on with an additive blend and no depth test: all three come back so.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    beginOverlay(32, 32);
    addRect(0.0f, 0.0f, 4.0f, 4.0f, white);
    drawOverlay();
    GLint source = 0;
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ONE);
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
    ASSERT_GT(font.size(), 2000u);
    writeFile(dir + "/notes.ttf", "not a font at all\n");
    writeFile(dir + "/empty.ttf", "");
    writeFile(dir + "/cut.ttf", font.substr(0, 2000));
    writeFile(dir + "/cut-late.ttf", font.substr(0, font.size() / 2));
    // Whole tables, but the glyph outlines (from byte 49104 of this font) overwritten: FreeType
    // opens it and then refuses the glyphs.
    writeFile(dir + "/outlines.ttf",
              font.substr(0, 60000) + std::string(440000, '\xff') + font.substr(500000));
    const std::string paths[] = {dir + "/missing.ttf",
                                 dir + "/notes.ttf",
                                 dir + "/empty.ttf",
                                 dir + "/cut.ttf",
                                 dir + "/cut-late.ttf",
                                 dir + "/outlines.ttf",
                                 dir};

    Target target(64, 32);
    for (const std::string& path : paths)
    {
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
        EXPECT_EQ(inkBox(target.read(), 64, 32), glm::ivec4(40, 10, 41, 12)) << "only the rectangle is drawn";
    }
}

TEST_F(TextOverlay, AFullBatchDropsTheRestAndSaysSoOnce)
{
    // One white quad per pixel of a 64x64 target fills the batch's 4096 quads exactly; the red
    // cover queued after them must be dropped.
    Target target(64, 64);
    std::string log = captureStdout(
        [&]
        {
            for (int frame = 0; frame < 2; ++frame)
            {
                beginOverlay(64, 64);
                for (int i = 0; i < 64 * 64; ++i)
                {
                    addRect(static_cast<float>(i % 64), static_cast<float>(i / 64), 1.0f, 1.0f, white);
                }
                addRect(0.0f, 0.0f, 64.0f, 64.0f, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
                addText("3 / 14", 0.0f, 0.0f, 18.0f, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
                drawOverlay();
            }
        });
    EXPECT_EQ(countLines(log), 1) << log;
    std::vector<uint8_t> pixels = target.read();
    for (size_t i = 0; i < pixels.size(); i += 4)
    {
        ASSERT_EQ(glm::ivec3(pixels[i], pixels[i + 1], pixels[i + 2]), glm::ivec3(255, 255, 255)) << i / 4;
    }
}

TEST_F(TextOverlay, RequestsThatCannotBeDrawnAreRefusedOnceEach)
{
    Target target(64, 32);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    std::string log = captureStdout(
        [&]
        {
            for (int frame = 0; frame < 2; ++frame)
            {
                beginOverlay(64, 32);
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
    EXPECT_EQ(inkBox(target.read(), 64, 32).x, -1) << "nothing refused is drawn";
    // Text and rectangles, once each over both frames.
    EXPECT_EQ(countLines(log), 2) << log;

    // A target that is no size: nothing is drawn, and it is said once.
    log = captureStdout(
        [&]
        {
            beginOverlay(0, 32);
            addRect(2.0f, 2.0f, 5.0f, 5.0f, white);
            drawOverlay();
            beginOverlay(64, -1);
            drawOverlay();
        });
    EXPECT_EQ(countLines(log), 1) << log;
    EXPECT_EQ(inkBox(target.read(), 64, 32).x, -1);
}

} // namespace
