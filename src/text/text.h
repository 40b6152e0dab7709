#pragma once

#include <glm/glm.hpp>

// Text in one font and filled rectangles, queued during a frame and drawn over the finished picture
// in one draw call: what the heads-up display is made of. Coordinates are pixels of the target,
// origin top-left, y down. Positions are rounded to whole pixels, so every glyph lands texel for
// pixel on its bitmap and thin lines stay one pixel wide. Everything is made once by createText;
// queuing and drawing never allocate.

// Rasterises printable ASCII of the font at every size of a ladder from 9 to 180 pixels into one
// atlas texture, and makes the overlay's program, vertex array and buffer. Needs a current context.
// On failure prints one line naming the path and returns false: text then draws nothing, rectangles
// still do.
bool createText(const char* fontPath);

// Deletes what createText made; the context it was made in must be current.
void destroyText();

// Starts a batch for a target of width x height pixels and drops whatever is still queued.
void beginOverlay(int width, int height);

// Queues text with its top-left at (x, y), in colour (straight alpha, components 0 to 1).
// pixelHeight is the em size: the text is drawn at the largest rasterised size not above it (9 px
// for anything smaller). '\n' starts a new line; bytes outside printable ASCII draw as '?'.
// Returns the widest line's advance in pixels, 0 when nothing is drawn.
float addText(const char* text, float x, float y, float pixelHeight, glm::vec4 colour);

// What addText would cover: the widest line's advance and the height of all lines. The ink stays
// inside it, except that a few glyphs (J, j, Y, K) reach a pixel or two past the first or last
// advance. Zero without a font.
glm::vec2 measureText(const char* text, float pixelHeight);

// Queues a filled rectangle; its edges are rounded to whole pixels. An opaque one (alpha 1) is filled
// before everything else queued this frame, whatever the order of the calls: it lies under all text
// and every translucent rectangle.
void addRect(float x, float y, float width, float height, glm::vec4 colour);

// Draws everything queued, in the order queued, in one draw call over whatever framebuffer is bound,
// then empties the batch. Sets its own viewport, filled polygons, alpha blending and no depth test;
// afterwards blending, polygon mode, depth test, viewport, program and active texture unit are as
// they were.
void drawOverlay();

// The atlas texture's size in texels, one byte each; zero before createText.
glm::ivec2 getTextAtlasSize();
