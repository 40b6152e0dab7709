#include "text/text.h"

#include "render/gl.h"
#include "render/shader.h"
#include "render/wire_frame.h"
#include "text/font_atlas.h"

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

// One corner of a quad: target pixels, atlas texels and a colour in bytes.
struct OverlayVertex
{
    float x, y; // pixels, origin top-left, y down
    float u, v; // atlas texels, origin top-left
    uint8_t colour[4];
};

// Enough for the help panel, the counters and an outcome message several times over; past it,
// quads are dropped for the rest of the frame.
const int maxQuads = 4096;
const int verticesPerQuad = 6;
// Units 0 to 4 belong to the models and the post-processing; the atlas keeps unit 5 to itself.
const GLenum atlasUnit = GL_TEXTURE5;
const GLint atlasUnitIndex = 5;
// Positions and sizes beyond this many pixels are refused, which also keeps them clear of int range.
const float maxCoordinate = 1.0e6f;
// Larger targets than any window the game opens.
const int maxTargetSize = 16384;

// The vertex shader takes pixels with y down to clip space and texels to texture coordinates. A
// quad at whole pixels puts every pixel centre on a texel centre, so nearest sampling reads each
// texel once and a glyph is its bitmap unchanged; the software renderer samples this way faster
// than it fetches texels by index. Rectangles point every corner at the covered texel (0, 0). A quad
// has one colour, so it is not interpolated: the software renderer pays for every interpolated
// value at every pixel.
const char* overlayVertexSource = R"(#version 440 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texel;
layout(location = 2) in vec4 colour;
uniform vec2 targetSize;
uniform vec2 atlasSize;
out vec2 atlasCoordinate;
flat out vec4 tint;
void main()
{
    atlasCoordinate = texel / atlasSize;
    tint = colour;
    vec2 clip = position / targetSize * 2.0 - 1.0;
    gl_Position = vec4(clip.x, -clip.y, 0.0, 1.0);
})";

const char* overlayFragmentSource = R"(#version 440 core
in vec2 atlasCoordinate;
flat in vec4 tint;
uniform sampler2D atlas;
out vec4 colour;
void main()
{
    colour = vec4(tint.rgb, tint.a * texture(atlas, atlasCoordinate).r);
})";

FontAtlas atlas;
// The batch lives here rather than on the heap: queuing a frame never allocates.
OverlayVertex vertices[maxQuads * verticesPerQuad];
int quadCount = 0;
// Opaque rectangles are not drawn as quads: each is a scissored clear, which the software renderer
// fills a tile at a time without running a shader or blending, and which therefore comes first.
struct SolidRect
{
    int x0, y0, x1, y1; // pixels, origin top-left, y down; x1 and y1 exclusive
    float colour[4];
};
const int maxSolidRects = 64;
SolidRect solidRects[maxSolidRects];
int solidRectCount = 0;
int targetWidth = 0;
int targetHeight = 0;
int atlasWidth = 0;
int atlasHeight = 0;

GLuint overlayProgram = 0;
GLuint overlayVertexArray = 0;
GLuint overlayVertexBuffer = 0;
GLuint atlasTexture = 0;
GLint targetSizeLocation = -1;

// Mistakes in what the display queues repeat every frame: each kind is said once after createText.
bool saidBadTarget = false;
bool saidBadText = false;
bool saidBadRect = false;
bool saidFull = false;

void sayOnce(bool& said, const char* format, ...)
{
    if (said)
    {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    printf("\n");
    said = true;
}

// Nearest whole pixel; callers have checked the value against maxCoordinate.
int toPixel(float value)
{
    return static_cast<int>(std::floor(value + 0.5f));
}

bool isUsableCoordinate(float value)
{
    return std::fabs(value) < maxCoordinate; // false for NaN too
}

uint8_t toByte(float component)
{
    if (!(component > 0.0f))
    {
        return 0;
    }
    return component >= 1.0f ? 255 : static_cast<uint8_t>(component * 255.0f + 0.5f);
}

void createAtlasTexture()
{
    GLint previousUnit = GL_TEXTURE0;
    GLint previousAlignment = 4;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &previousUnit);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);

    glGenTextures(1, &atlasTexture);
    glActiveTexture(atlasUnit);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    // Rows are as wide as the atlas, in single bytes; other uploads keep their own alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlas.width, atlas.height, 0, GL_RED, GL_UNSIGNED_BYTE,
                 atlas.image.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glActiveTexture(static_cast<GLenum>(previousUnit));

    atlasWidth = atlas.width;
    atlasHeight = atlas.height;
    // The texture holds the only copy the game needs.
    std::vector<uint8_t>().swap(atlas.image);
}

// The one vertex array and buffer; each frame's batch gets storage of its own size (drawOverlay).
void createVertexArray()
{
    GLint previousVertexArray = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
    glGenVertexArrays(1, &overlayVertexArray);
    glBindVertexArray(overlayVertexArray);
    glGenBuffers(1, &overlayVertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, overlayVertexBuffer);
    GLsizei stride = sizeof(OverlayVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(OverlayVertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(OverlayVertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(offsetof(OverlayVertex, colour)));
    glBindVertexArray(static_cast<GLuint>(previousVertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// Two triangles from (x0, y0) to (x1, y1) in pixels, sampling texels (u0, v0) to (u1, v1).
void pushQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
              const uint8_t colour[4])
{
    if (quadCount >= maxQuads)
    {
        sayOnce(saidFull,
                "Overlay is full (%d quads a frame): the rest of this frame's text and shapes are dropped",
                maxQuads);
        return;
    }
    OverlayVertex corners[4] = {
        {x0, y0, u0, v0, {colour[0], colour[1], colour[2], colour[3]}},
        {x1, y0, u1, v0, {colour[0], colour[1], colour[2], colour[3]}},
        {x0, y1, u0, v1, {colour[0], colour[1], colour[2], colour[3]}},
        {x1, y1, u1, v1, {colour[0], colour[1], colour[2], colour[3]}},
    };
    OverlayVertex* out = vertices + quadCount * verticesPerQuad;
    out[0] = corners[0];
    out[1] = corners[1];
    out[2] = corners[2];
    out[3] = corners[2];
    out[4] = corners[1];
    out[5] = corners[3];
    ++quadCount;
}

// Checks what addText and measureText are given; false (said once) for what cannot be drawn.
bool isDrawableText(const char* text, float pixelHeight)
{
    if (text == nullptr)
    {
        sayOnce(saidBadText, "Overlay text refused: no string given");
        return false;
    }
    if (!(pixelHeight > 0.0f && pixelHeight < maxCoordinate))
    {
        sayOnce(saidBadText, "Overlay text refused: its size is not a positive number of pixels");
        return false;
    }
    return atlas.loaded;
}

void setEnabled(GLenum capability, GLboolean enabled)
{
    if (enabled)
    {
        glEnable(capability);
    }
    else
    {
        glDisable(capability);
    }
}

} // namespace

bool createText(const char* fontPath)
{
    // Made again in the same context: the last set goes first.
    if (overlayProgram != 0 || atlasTexture != 0)
    {
        destroyText();
    }
    quadCount = 0;
    saidBadTarget = saidBadText = saidBadRect = saidFull = false;
    bool fontBuilt = buildFontAtlas(fontPath, atlas);
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    if (fontBuilt && (atlas.width > maxTextureSize || atlas.height > maxTextureSize))
    {
        printf("Font atlas of %dx%d texels is too large for this GPU: no text from %s\n", atlas.width,
               atlas.height, fontPath);
        makeShapeOnlyAtlas(atlas);
        fontBuilt = false;
    }
    createAtlasTexture();
    createVertexArray();

    overlayProgram = buildProgram("Overlay", overlayVertexSource, overlayFragmentSource);
    if (overlayProgram == 0)
    {
        return false;
    }
    targetSizeLocation = glGetUniformLocation(overlayProgram, "targetSize");
    // The atlas's unit and size never change; whatever program the caller had selected stays selected.
    GLint previousProgram = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previousProgram);
    glUseProgram(overlayProgram);
    glUniform1i(glGetUniformLocation(overlayProgram, "atlas"), atlasUnitIndex);
    glUniform2f(glGetUniformLocation(overlayProgram, "atlasSize"), static_cast<float>(atlasWidth),
                static_cast<float>(atlasHeight));
    glUseProgram(static_cast<GLuint>(previousProgram));
    return fontBuilt;
}

void destroyText()
{
    glDeleteProgram(overlayProgram);
    glDeleteVertexArrays(1, &overlayVertexArray);
    glDeleteBuffers(1, &overlayVertexBuffer);
    glDeleteTextures(1, &atlasTexture);
    overlayProgram = 0;
    overlayVertexArray = 0;
    overlayVertexBuffer = 0;
    atlasTexture = 0;
    atlasWidth = 0;
    atlasHeight = 0;
    quadCount = 0;
    makeShapeOnlyAtlas(atlas);
}

void beginOverlay(int width, int height)
{
    quadCount = 0;
    solidRectCount = 0;
    if (width <= 0 || height <= 0 || width > maxTargetSize || height > maxTargetSize)
    {
        sayOnce(saidBadTarget, "Overlay target refused: %dx%d is not 1 to %d pixels a side", width, height,
                maxTargetSize);
        targetWidth = 0;
        targetHeight = 0;
        return;
    }
    targetWidth = width;
    targetHeight = height;
}

float addText(const char* text, float x, float y, float pixelHeight, glm::vec4 colour)
{
    if (!isUsableCoordinate(x) || !isUsableCoordinate(y))
    {
        sayOnce(saidBadText, "Overlay text refused: its position is not a number of pixels");
        return 0.0f;
    }
    if (!isDrawableText(text, pixelHeight))
    {
        return 0.0f;
    }
    const FontSize& size = chooseFontSize(atlas, pixelHeight);
    const uint8_t bytes[4] = {toByte(colour.r), toByte(colour.g), toByte(colour.b), toByte(colour.a)};
    int originX = toPixel(x);
    int originY = toPixel(y);
    int lines = 0;
    int width = layOutText(atlas, size, text, lines,
                           [&](const Glyph& glyph, int left, int top)
                           {
                               float x0 = static_cast<float>(originX + left);
                               float y0 = static_cast<float>(originY + top);
                               float u0 = glyph.atlasX;
                               float v0 = glyph.atlasY;
                               pushQuad(x0, y0, x0 + glyph.width, y0 + glyph.height, u0, v0, u0 + glyph.width,
                                        v0 + glyph.height, bytes);
                           });
    return static_cast<float>(width);
}

glm::vec2 measureText(const char* text, float pixelHeight)
{
    if (!isDrawableText(text, pixelHeight))
    {
        return glm::vec2(0.0f);
    }
    const FontSize& size = chooseFontSize(atlas, pixelHeight);
    int lines = 0;
    int width = layOutText(atlas, size, text, lines, [](const Glyph&, int, int) {});
    return glm::vec2(static_cast<float>(width), static_cast<float>(lines * size.lineHeight));
}

void addRect(float x, float y, float width, float height, glm::vec4 colour)
{
    if (!isUsableCoordinate(x) || !isUsableCoordinate(y) || !isUsableCoordinate(width) ||
        !isUsableCoordinate(height) || width < 0.0f || height < 0.0f)
    {
        sayOnce(saidBadRect, "Overlay rectangle refused: its position or size is not a number of pixels");
        return;
    }
    int x0 = toPixel(x);
    int y0 = toPixel(y);
    int x1 = toPixel(x + width);
    int y1 = toPixel(y + height);
    if (x1 <= x0 || y1 <= y0)
    {
        return;
    }
    const uint8_t bytes[4] = {toByte(colour.r), toByte(colour.g), toByte(colour.b), toByte(colour.a)};
    if (bytes[3] == 255 && solidRectCount < maxSolidRects)
    {
        // The colour the quad would have written: its bytes, as the target stores them.
        solidRects[solidRectCount++] = SolidRect{x0, y0, x1, y1,
                                                 {bytes[0] / 255.0f, bytes[1] / 255.0f, bytes[2] / 255.0f, 1.0f}};
        return;
    }
    // The centre of texel (0, 0), the covered one.
    pushQuad(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1), static_cast<float>(y1),
             0.5f, 0.5f, 0.5f, 0.5f, bytes);
}

// Fills the opaque rectangles queued this frame, each with a scissored clear of the bound target;
// the clear colour and the scissor are as they were afterwards.
static void fillSolidRects()
{
    if (solidRectCount == 0)
    {
        return;
    }
    GLfloat clearColour[4];
    GLint scissorBox[4];
    GLboolean scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    GLboolean colourMask[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    for (int i = 0; i < solidRectCount; i++)
    {
        const SolidRect& rect = solidRects[i];
        // GL counts rows from the bottom.
        glScissor(rect.x0, targetHeight - rect.y1, rect.x1 - rect.x0, rect.y1 - rect.y0);
        glClearColor(rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    solidRectCount = 0;
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    if (!scissorTest)
    {
        glDisable(GL_SCISSOR_TEST);
    }
}


void drawOverlay()
{
    if (targetWidth == 0)
    {
        quadCount = 0;
        solidRectCount = 0;
        return;
    }
    fillSolidRects();
    if (quadCount == 0 || overlayProgram == 0)
    {
        quadCount = 0;
        return;
    }

    // What the frame loop set and expects back: blending follows the transparency key, wire frame
    // the F3 key, and the scene pass needs its depth test.
    GLint viewport[4];
    bool wireFrame = isWireFrame();
    GLint blendSource = GL_ONE;
    GLint blendDestination = GL_ZERO;
    GLint blendSourceAlpha = GL_ONE;
    GLint blendDestinationAlpha = GL_ZERO;
    GLint program = 0;
    GLint vertexArray = 0;
    GLint activeUnit = GL_TEXTURE0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSource);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDestination);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendSourceAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blendDestinationAlpha);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    GLboolean blend = glIsEnabled(GL_BLEND);
    GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    GLboolean cullFace = glIsEnabled(GL_CULL_FACE);
    GLboolean scissorTest = glIsEnabled(GL_SCISSOR_TEST);

    // Filled even in wire-frame mode; straight alpha over the picture, keeping the target's alpha
    // as coverage; on top of everything.
    glViewport(0, 0, targetWidth, targetHeight);
    setWireFrame(false);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);

    glUseProgram(overlayProgram);
    glUniform2f(targetSizeLocation, static_cast<float>(targetWidth), static_cast<float>(targetHeight));
    glActiveTexture(atlasUnit);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glBindVertexArray(overlayVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, overlayVertexBuffer);
    // The last frame's vertices may still be read: new storage, just large enough for this frame's,
    // lets the driver go on reading the old.
    GLsizei vertexCount = quadCount * verticesPerQuad;
    glBufferData(GL_ARRAY_BUFFER, vertexCount * static_cast<GLsizeiptr>(sizeof(OverlayVertex)), vertices,
                 GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    quadCount = 0;

    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    setWireFrame(wireFrame);
    glBlendFuncSeparate(static_cast<GLenum>(blendSource), static_cast<GLenum>(blendDestination),
                        static_cast<GLenum>(blendSourceAlpha), static_cast<GLenum>(blendDestinationAlpha));
    setEnabled(GL_BLEND, blend);
    setEnabled(GL_DEPTH_TEST, depthTest);
    setEnabled(GL_CULL_FACE, cullFace);
    setEnabled(GL_SCISSOR_TEST, scissorTest);
    glUseProgram(static_cast<GLuint>(program));
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glActiveTexture(static_cast<GLenum>(activeUnit));
}

glm::ivec2 getTextAtlasSize()
{
    return glm::ivec2(atlasWidth, atlasHeight);
}
