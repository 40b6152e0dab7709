// FreeType built for WebAssembly: the game's font renders a glyph exactly as the desktop FreeType
// renders it (the numbers below are the desktop's).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

int main()
{
    const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontPath, 0, &face) != 0)
    {
        printf("FreeType check failed: cannot open %s\n", fontPath);
        return 1;
    }
    FT_Set_Pixel_Sizes(face, 0, 48);
    if (FT_Load_Char(face, 'A', FT_LOAD_RENDER) != 0)
    {
        printf("FreeType check failed: cannot render 'A'\n");
        return 1;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    long coverage = 0;
    for (unsigned row = 0; row < bitmap.rows; ++row)
    {
        for (unsigned column = 0; column < bitmap.width; ++column)
        {
            coverage += bitmap.buffer[row * bitmap.pitch + column];
        }
    }
    long advance = face->glyph->advance.x >> 6;
    printf("FreeType: 'A' at 48 px is %ux%u at (%d, %d), advance %ld, coverage %ld\n", bitmap.width, bitmap.rows,
           face->glyph->bitmap_left, face->glyph->bitmap_top, advance, coverage);
    bool same = bitmap.width == 37 && bitmap.rows == 35 && face->glyph->bitmap_left == 0 &&
                face->glyph->bitmap_top == 35 && advance == 37 && coverage == 165624;
    if (!same)
    {
        printf("FreeType check failed: expected 37x35 at (0, 35), advance 37, coverage 165624\n");
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return same ? 0 : 1;
}
