#include "text/font_atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

// Wide enough for the largest size's widest glyph (about 240 texels at 180 px) many times over;
// the height follows from what the ladder needs (texels).
static const int atlasWidth = 2048;
// No ASCII glyph of a sane font comes near this at 180 px; a bigger bitmap means a broken font.
static const int maxGlyphSide = 1024;

// A rasterised glyph waiting to be packed: its bitmap lies in the staging buffer at offset.
struct PendingGlyph
{
    int sizeIndex;
    int glyph;
    size_t offset;
    int width;
    int height;
};

void makeShapeOnlyAtlas(FontAtlas& atlas)
{
    atlas.loaded = false;
    atlas.width = 1;
    atlas.height = 1;
    atlas.image.assign(1, 255);
    atlas.unitsPerEm = 1;
    for (FontSize& size : atlas.sizes)
    {
        size = FontSize();
    }
    std::fill(&atlas.kerning[0][0], &atlas.kerning[0][0] + glyphCount * glyphCount, int16_t(0));
}

// Copies the glyph FreeType just rendered into staging. False for a bitmap the atlas cannot hold.
static bool stageBitmap(const FT_Bitmap& bitmap, std::vector<uint8_t>& staging)
{
    int width = static_cast<int>(bitmap.width);
    int height = static_cast<int>(bitmap.rows);
    if (width == 0 || height == 0)
    {
        return true;
    }
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.num_grays != 256 || width > maxGlyphSide ||
        height > maxGlyphSide)
    {
        return false;
    }
    for (int row = 0; row < height; ++row)
    {
        // A negative pitch means FreeType stored the rows bottom-up.
        const uint8_t* source = bitmap.pitch >= 0 ? bitmap.buffer + row * bitmap.pitch
                                                  : bitmap.buffer + (height - 1 - row) * -bitmap.pitch;
        staging.insert(staging.end(), source, source + width);
    }
    return true;
}

// Renders every glyph of one size into staging and fills in its metrics. False when FreeType refuses.
static bool rasteriseSize(FT_Face face, int sizeIndex, FontSize& size, std::vector<uint8_t>& staging,
                          std::vector<PendingGlyph>& pending)
{
    size.pixelSize = ladderSizes[sizeIndex];
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size.pixelSize)) != 0)
    {
        return false;
    }
    // 26.6 fixed point; hinting rounds these, ceil and floor keep the line box around the ink anyway.
    size.ascender = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    int descender = static_cast<int>(face->size->metrics.descender >> 6);
    size.lineHeight = size.ascender - descender;
    for (int glyph = 0; glyph < glyphCount; ++glyph)
    {
        if (FT_Load_Char(face, static_cast<FT_ULong>(firstGlyphCode + glyph), FT_LOAD_RENDER) != 0)
        {
            return false;
        }
        FT_GlyphSlot slot = face->glyph;
        size_t offset = staging.size();
        if (!stageBitmap(slot->bitmap, staging))
        {
            return false;
        }
        Glyph& placed = size.glyphs[glyph];
        placed.width = static_cast<int16_t>(slot->bitmap.width);
        placed.height = static_cast<int16_t>(slot->bitmap.rows);
        placed.left = static_cast<int16_t>(std::clamp(slot->bitmap_left, -maxGlyphSide, maxGlyphSide));
        placed.top = static_cast<int16_t>(std::clamp(slot->bitmap_top, -maxGlyphSide, maxGlyphSide));
        placed.advance =
            static_cast<int16_t>(std::clamp<FT_Pos>((slot->advance.x + 32) >> 6, 0, maxGlyphSide));
        if (placed.width > 0 && placed.height > 0)
        {
            pending.push_back({sizeIndex, glyph, offset, placed.width, placed.height});
        }
    }
    return true;
}

static void readKerning(FT_Face face, FontAtlas& atlas)
{
    atlas.unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1;
    if (!FT_HAS_KERNING(face))
    {
        return;
    }
    FT_UInt indices[glyphCount];
    for (int glyph = 0; glyph < glyphCount; ++glyph)
    {
        indices[glyph] = FT_Get_Char_Index(face, static_cast<FT_ULong>(firstGlyphCode + glyph));
    }
    for (int left = 0; left < glyphCount; ++left)
    {
        for (int right = 0; right < glyphCount; ++right)
        {
            FT_Vector delta = {0, 0};
            if (FT_Get_Kerning(face, indices[left], indices[right], FT_KERNING_UNSCALED, &delta) == 0)
            {
                // Real pairs are a fraction of the em; anything beyond a whole em is a broken table.
                long limit = atlas.unitsPerEm;
                atlas.kerning[left][right] = static_cast<int16_t>(std::clamp<long>(delta.x, -limit, limit));
            }
        }
    }
}

// Shelf packing, tallest glyphs first, into rows atlasWidth texels wide. Texel (0, 0) stays the
// covered one that rectangles sample. Returns the height used.
static int packGlyphs(std::vector<PendingGlyph>& pending, FontAtlas& atlas)
{
    std::sort(pending.begin(), pending.end(),
              [](const PendingGlyph& a, const PendingGlyph& b)
              { return a.height != b.height ? a.height > b.height : a.width > b.width; });
    int x = 1;
    int shelfTop = 0;
    int shelfHeight = 0;
    for (const PendingGlyph& entry : pending)
    {
        if (x + entry.width > atlasWidth)
        {
            shelfTop += shelfHeight;
            x = 0;
            shelfHeight = 0;
        }
        Glyph& glyph = atlas.sizes[entry.sizeIndex].glyphs[entry.glyph];
        glyph.atlasX = static_cast<int16_t>(x);
        glyph.atlasY = static_cast<int16_t>(shelfTop);
        x += entry.width;
        shelfHeight = std::max(shelfHeight, entry.height);
    }
    return std::max(1, shelfTop + shelfHeight);
}

static bool rasteriseFont(FT_Library library, const char* fontPath, FontAtlas& atlas)
{
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontPath, 0, &face) != 0)
    {
        printf("Not a font file: %s\n", fontPath);
        return false;
    }
    // Printable ASCII of this kind of font covers about 35 x size x size texels a size; room for a
    // little more keeps the staging buffer from being copied as it grows.
    size_t expectedTexels = 0;
    for (int size : ladderSizes)
    {
        expectedTexels += static_cast<size_t>(40 * size * size);
    }
    std::vector<uint8_t> staging;
    staging.reserve(expectedTexels);
    std::vector<PendingGlyph> pending;
    pending.reserve(static_cast<size_t>(ladderCount) * glyphCount);
    bool rasterised = FT_IS_SCALABLE(face);
    for (int sizeIndex = 0; rasterised && sizeIndex < ladderCount; ++sizeIndex)
    {
        rasterised = rasteriseSize(face, sizeIndex, atlas.sizes[sizeIndex], staging, pending);
    }
    if (!rasterised)
    {
        printf("Font cannot be drawn at the sizes the game uses: %s\n", fontPath);
        FT_Done_Face(face);
        return false;
    }
    readKerning(face, atlas);
    FT_Done_Face(face);

    atlas.width = atlasWidth;
    atlas.height = packGlyphs(pending, atlas);
    atlas.image.assign(static_cast<size_t>(atlas.width) * static_cast<size_t>(atlas.height), 0);
    atlas.image[0] = 255;
    for (const PendingGlyph& entry : pending)
    {
        const Glyph& glyph = atlas.sizes[entry.sizeIndex].glyphs[entry.glyph];
        for (int row = 0; row < entry.height; ++row)
        {
            const uint8_t* source = staging.data() + entry.offset + static_cast<size_t>(row) * entry.width;
            uint8_t* target =
                atlas.image.data() + static_cast<size_t>(glyph.atlasY + row) * atlas.width + glyph.atlasX;
            std::copy(source, source + entry.width, target);
        }
    }
    atlas.loaded = true;
    return true;
}

bool buildFontAtlas(const char* fontPath, FontAtlas& atlas)
{
    makeShapeOnlyAtlas(atlas);
    if (fontPath == nullptr)
    {
        printf("No font file named: text is not drawn\n");
        return false;
    }
    // FreeType's own error for a missing file and for a damaged one read alike; say which it is.
    FILE* file = fopen(fontPath, "rb");
    if (file == nullptr)
    {
        printf("Cannot open font file %s\n", fontPath);
        return false;
    }
    fclose(file);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
    {
        printf("FreeType did not start: no text from %s\n", fontPath);
        return false;
    }
    bool built = rasteriseFont(library, fontPath, atlas);
    FT_Done_FreeType(library);
    if (!built)
    {
        makeShapeOnlyAtlas(atlas);
    }
    return built;
}

const FontSize& chooseFontSize(const FontAtlas& atlas, float pixelHeight)
{
    int chosen = 0;
    while (chosen + 1 < ladderCount && static_cast<float>(ladderSizes[chosen + 1]) <= pixelHeight)
    {
        ++chosen;
    }
    return atlas.sizes[chosen];
}
