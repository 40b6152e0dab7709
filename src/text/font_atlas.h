#pragma once

// The CPU side of the text module: one font rasterised by FreeType at a ladder of pixel sizes into
// one single-channel atlas image, and the layout that turns a string into glyph placements. Nothing
// here talks to GL; overlay.cpp uploads the image and draws the placements.

#include <cstdint>
#include <vector>

// Printable ASCII, space to tilde; every other byte is drawn as the '?' glyph.
constexpr int firstGlyphCode = 32;
constexpr int glyphCount = 95;

// The rasterised em sizes in pixels, ascending. Every pixel from 9 to 20, where one pixel is a large
// step; about 9% apart up to 64, which covers body text (a fortieth of the window height) up to 2160
// lines; about 22% apart above, where only headlines go and each size costs most of the atlas.
constexpr int ladderSizes[] = {9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22,  24,  26, 28,
                               30, 33, 36, 39, 42, 46, 50, 54, 59, 64, 78, 96, 118, 146, 180};
constexpr int ladderCount = static_cast<int>(sizeof(ladderSizes) / sizeof(ladderSizes[0]));

// One glyph's bitmap in the atlas and how it sits on the pen, all in whole pixels.
struct Glyph
{
    int16_t atlasX = 0; // top-left texel of the bitmap
    int16_t atlasY = 0;
    int16_t width = 0; // bitmap size; 0 for the space
    int16_t height = 0;
    int16_t left = 0;    // from the pen to the bitmap's left edge
    int16_t top = 0;     // from the baseline up to the bitmap's top edge
    int16_t advance = 0; // hinted, so always whole pixels
};

struct FontSize
{
    int pixelSize = 0;
    int ascender = 0;   // pixels from the top of a line down to its baseline
    int lineHeight = 0; // ascender plus descender: every glyph's ink stays inside it
    Glyph glyphs[glyphCount];
};

struct FontAtlas
{
    bool loaded = false;
    FontSize sizes[ladderCount];
    // Pair kerning in font units, [left][right]; scaled to each size when laid out.
    int16_t kerning[glyphCount][glyphCount] = {};
    int unitsPerEm = 1;
    // Coverage, one byte per texel, rows top to bottom. Texel (0, 0) is fully covered: rectangles
    // sample it, so shapes and text share one program and one draw.
    std::vector<uint8_t> image;
    int width = 0;
    int height = 0;
};

// The atlas a failed font leaves: only the covered texel that rectangles use.
void makeShapeOnlyAtlas(FontAtlas& atlas);

// Rasterises printable ASCII of the font at every ladder size and packs it into atlas.image. On
// failure prints one line naming fontPath, leaves the shape-only atlas and returns false.
bool buildFontAtlas(const char* fontPath, FontAtlas& atlas);

// The size a request is drawn at: the largest ladder size not above pixelHeight, or the smallest one
// for requests below the ladder. pixelHeight must be positive and finite.
const FontSize& chooseFontSize(const FontAtlas& atlas, float pixelHeight);

inline int glyphIndex(unsigned char code)
{
    if (code < firstGlyphCode || code >= firstGlyphCode + glyphCount)
    {
        code = '?';
    }
    return code - firstGlyphCode;
}

// Walks text as it is drawn: pen at (0, 0) on the top-left of the first line, whole pixels
// throughout. Calls place(glyph, x, y) for every glyph with a bitmap, (x, y) being the bitmap's
// top-left relative to the text's top-left. Returns the widest line's advance; lines counts the
// lines ('\n' starts one).
template <typename Place>
int layOutText(const FontAtlas& atlas, const FontSize& size, const char* text, int& lines, Place place)
{
    int widest = 0;
    int penX = 0;
    int lineTop = 0;
    int previous = -1;
    lines = 1;
    for (const char* c = text; *c != '\0'; ++c)
    {
        if (*c == '\n')
        {
            widest = penX > widest ? penX : widest;
            penX = 0;
            lineTop += size.lineHeight;
            previous = -1;
            ++lines;
            continue;
        }
        int index = glyphIndex(static_cast<unsigned char>(*c));
        if (previous >= 0)
        {
            // Rounded to whole pixels so the bitmap still lands on a pixel.
            long scaled = static_cast<long>(atlas.kerning[previous][index]) * size.pixelSize;
            long half = atlas.unitsPerEm / 2;
            penX += static_cast<int>(scaled >= 0 ? (scaled + half) / atlas.unitsPerEm
                                                 : -((-scaled + half) / atlas.unitsPerEm));
        }
        const Glyph& glyph = size.glyphs[index];
        if (glyph.width > 0 && glyph.height > 0)
        {
            place(glyph, penX + glyph.left, lineTop + size.ascender - glyph.top);
        }
        penX += glyph.advance;
        previous = index;
    }
    return penX > widest ? penX : widest;
}
