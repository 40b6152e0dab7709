#include "render/post.h"

#include "render/shader.h"
#include "render/wire_frame.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

GLuint pingpongFramebuffers[2] = {0, 0};
GLuint pingpongTextures[2] = {0, 0};
GLuint sceneFramebuffer = 0;
GLuint sceneColorTexture = 0;
GLuint sceneDepthTexture = 0;
GLuint sceneColorTexture2 = 0;
GLuint brightTexture = 0;
GLuint quadVAO = 0;
GLuint quadVBO = 0;
GLuint postProgram = 0;
GLuint stillPostProgram = 0;
GLuint turningPostProgram = 0;
GLint fboTextureLocation = -1;
GLint fboTexture2Location = -1;
GLint fboDepthTextureLocation = -1;
GLint inverseVPLocation = -1;
GLint previousVPLocation = -1;
GLint bloomBlurLocation = -1;
GLuint windowFramebuffer = 0;
PostSavings postSavings;

// Two triangles covering clip space at depth 0; the full-screen passes derive their texture
// coordinates from these positions.
static const GLfloat quadVertices[18] = {
    -1.0f, -1.0f, 0.0f, 1.0f, -1.0f, 0.0f, -1.0f, 1.0f, 0.0f,
    -1.0f, 1.0f,  0.0f, 1.0f, -1.0f, 0.0f, 1.0f,  1.0f, 0.0f,
};

// The bloom blur runs one horizontal and one vertical pass, alternating between the ping-pong targets.
static const int blurPassCount = 2;
// Which way the next blur pass goes; true again after an even number of passes, and it picks the
// ping-pong texture the composite reads.
static bool blurHorizontal = true;
// How far one blur pass reads along its axis, in texels: its outer taps fall between the third and
// the fourth texel on either side (gaussBlurFragmentShader.glsl).
static const int blurReach = 4;
// Across its axis a tap lands on the texel centre only up to rounding, so the filter may give the
// next texel over a sliver of weight: one texel more on every side.
static const int blurSlop = 1;
// More boxes than this are merged into the last one.
static const int maxBlurBoxes = 16;
// The size of the off-screen targets, pixels.
static int targetWidth = 0;
static int targetHeight = 0;

// The storage of every off-screen texture: formats as the passes read them, all window-sized. Each
// is one that WebGL 2 can render to as well (with EXT_color_buffer_float): the bloom's targets carry
// an alpha channel nobody reads, since three 16-bit float channels are no render target there.
struct TargetFormat
{
    GLint internalFormat;
    GLenum format;
    GLenum type;
};
static const TargetFormat pingpongFormat = {GL_RGBA16F, GL_RGBA, GL_FLOAT};
static const TargetFormat sceneColorFormat = {GL_RGBA16F, GL_RGBA, GL_FLOAT};
static const TargetFormat sceneDepthFormat = {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT};
static const TargetFormat sceneColor2Format = {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};

static void allocate(const TargetFormat& target, int width, int height)
{
    glTexImage2D(GL_TEXTURE_2D, 0, target.internalFormat, width, height, 0, target.format, target.type,
                 nullptr);
}

// The horizontal pass's target is read only where that pass has just written, but the filter's
// sliver of weight on a neighbour multiplies whatever is there: never let it be garbage.
static void clearHorizontalTarget(int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        return;
    }
    // Through its framebuffer, all of it: the scissor and the colour mask would limit the clear.
    GLint framebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    GLboolean scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    GLboolean colourMask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, pingpongFramebuffers[1]);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 0, black);
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    if (scissorTest)
    {
        glEnable(GL_SCISSOR_TEST);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
}

static void createPingpongBuffers(int width, int height)
{
    glGenFramebuffers(2, pingpongFramebuffers);
    glGenTextures(2, pingpongTextures);
    for (int i = 0; i < 2; ++i)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, pingpongFramebuffers[i]);
        glBindTexture(GL_TEXTURE_2D, pingpongTextures[i]);
        allocate(pingpongFormat, width, height);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, pingpongTextures[i], 0);
    }
    clearHorizontalTarget(width, height);
}

// One scene-framebuffer attachment read texel for texel by the composite: nearest filtering, and
// its own texture unit so the composite finds it there. It clamps at its edges, so a motion-blur
// sample beyond the screen takes the edge texel; that is also the cheapest wrap for a software
// sampler (one repeating across a window that is not a power of two wide costs a division).
static GLuint createNearestTexture(GLenum unit, const TargetFormat& target, int width, int height)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    allocate(target, width, height);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

static void createSceneFramebuffer(int width, int height)
{
    glGenFramebuffers(1, &sceneFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, sceneFramebuffer);

    sceneColorTexture = createNearestTexture(GL_TEXTURE1, sceneColorFormat, width, height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, sceneColorTexture, 0);

    sceneDepthTexture = createNearestTexture(GL_TEXTURE2, sceneDepthFormat, width, height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, sceneDepthTexture, 0);

    sceneColorTexture2 = createNearestTexture(GL_TEXTURE3, sceneColor2Format, width, height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, sceneColorTexture2, 0);

    // The bloom source is the first ping-pong texture, sampled between texels by the blur (linear
    // filtering, clamped at the edges), and stays bound on unit 4, the unit the blur passes read from.
    // Where the source holds one value all over the blur's reach, its blur is that value: only the
    // boxes around the bright parts are blurred, and elsewhere the source serves as the bloom. (The
    // outline of a dark object against empty space, where the source steps from 0 to the background's
    // faint blue, stays sharp there instead of softening over a few pixels.)
    brightTexture = pingpongTextures[0];
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, brightTexture);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT2, GL_TEXTURE_2D, brightTexture, 0);

    // Scene shader outputs 0, 1 and 2 land in the two colour textures and the bloom source.
    const GLenum drawBuffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    glDrawBuffers(3, drawBuffers);

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    {
        printf("Error in FBO\n");
    }
}

static void createFullScreenQuad()
{
    glGenVertexArrays(1, &quadVAO);
    glBindVertexArray(quadVAO);
    glGenBuffers(1, &quadVBO);
    glBindBuffer(GL_ARRAY_BUFFER, quadVBO);
    glBufferData(GL_ARRAY_BUFFER, sizeof(quadVertices), quadVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
}

void createPostProcessing(int width, int height)
{
    targetWidth = width;
    targetHeight = height;
    createPingpongBuffers(width, height);
    createSceneFramebuffer(width, height);
    createFullScreenQuad();

    const char* vertexPath = "Shader/fboVertexShader.glsl";
    const char* fragmentPath = "Shader/fboFragmentShader.glsl";
    postProgram = loadShaders(vertexPath, fragmentPath);
    fboTextureLocation = glGetUniformLocation(postProgram, "fboTexture");
    fboTexture2Location = glGetUniformLocation(postProgram, "fboTexture2");
    fboDepthTextureLocation = glGetUniformLocation(postProgram, "fboDepthTexture");
    inverseVPLocation = glGetUniformLocation(postProgram, "inverseVP");
    previousVPLocation = glGetUniformLocation(postProgram, "previousVP");
    bloomBlurLocation = glGetUniformLocation(postProgram, "bloomBlur");
    // Built quietly from the same files: the console already said which ones.
    if (postProgram != 0)
    {
        stillPostProgram = loadShaderVariant(vertexPath, fragmentPath, "STILL_CAMERA");
        turningPostProgram = loadShaderVariant(vertexPath, fragmentPath, "TURNING_CAMERA");
    }

    // The scene framebuffer stays bound: the first frame binds it again anyway.
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void resizePostProcessing(int width, int height)
{
    struct Target
    {
        GLuint texture;
        const TargetFormat& format;
    };
    // The bloom source is pingpongTextures[0].
    const Target targets[] = {
        {pingpongTextures[0], pingpongFormat},   {pingpongTextures[1], pingpongFormat},
        {sceneColorTexture, sceneColorFormat},   {sceneDepthTexture, sceneDepthFormat},
        {sceneColorTexture2, sceneColor2Format},
    };
    glActiveTexture(GL_TEXTURE0);
    for (const Target& target : targets)
    {
        glBindTexture(GL_TEXTURE_2D, target.texture);
        allocate(target.format, width, height);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    clearHorizontalTarget(width, height);
    targetWidth = width;
    targetHeight = height;
}

void beginScenePass(int width, int height)
{
    glBindFramebuffer(GL_FRAMEBUFFER, sceneFramebuffer);
    glViewport(0, 0, width, height);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The range of one clip-space coordinate divided by w over a sphere, in normalised device
// coordinates: the two values k whose planes "coordinate = k w" touch the sphere. row and wRow are
// the rows of the view-projection that give the coordinate and w. False when part of the sphere lies
// on or behind the camera's plane (w <= 0), where the range has no bound.
static bool sphereRange(const glm::dvec4& row, const glm::dvec4& wRow, const glm::dvec3& centre,
                        double radius, double& low, double& high)
{
    glm::dvec3 u(row);
    glm::dvec3 v(wRow);
    double a = glm::dot(u, centre) + row.w;
    double b = glm::dot(v, centre) + wRow.w;
    double r2 = radius * radius;
    if (b <= radius * glm::length(v))
    {
        return false;
    }
    // The plane (u - k v).p + (row.w - k wRow.w) = 0 touches the sphere where its distance from the
    // centre equals the radius: (a - k b)^2 = r^2 |u - k v|^2, a quadratic in k with a positive
    // leading term while the sphere is wholly in front of the camera.
    double qa = b * b - r2 * glm::dot(v, v);
    double qb = a * b - r2 * glm::dot(u, v);
    double qc = a * a - r2 * glm::dot(u, u);
    double root = std::sqrt(std::max(qb * qb - qa * qc, 0.0));
    low = (qb - root) / qa;
    high = (qb + root) / qa;
    return true;
}

// The pixels [first, last) along one axis of size pixels whose centres lie within the normalised
// device range, one more on either side for rounding, clipped to the window.
static void pixelSpan(double low, double high, int size, int& first, int& last)
{
    double lowPixel = std::max((low * 0.5 + 0.5) * size, -1.0);
    double highPixel = std::min((high * 0.5 + 0.5) * size, size + 1.0);
    first = std::max(static_cast<int>(std::ceil(lowPixel - 0.5)) - 1, 0);
    last = std::min(static_cast<int>(std::floor(highPixel - 0.5)) + 2, size);
}

bool sphereScreenBox(const glm::mat4& viewProjection, glm::vec3 centre, float radius, int width, int height,
                     ScreenBox& box)
{
    if (width <= 0 || height <= 0 || !(radius >= 0.0f))
    {
        return false;
    }
    glm::dmat4 transposed = glm::transpose(glm::dmat4(viewProjection));
    glm::dvec4 xRow = transposed[0];
    glm::dvec4 yRow = transposed[1];
    glm::dvec4 wRow = transposed[3];
    glm::dvec3 c(centre);
    double r = radius;

    double distance = glm::dot(glm::dvec3(wRow), c) + wRow.w;
    if (distance + r * glm::length(glm::dvec3(wRow)) <= 0.0)
    {
        return false; // wholly behind the camera
    }
    // A sphere reaching behind the camera spreads over the whole view on the side it reaches out of;
    // no bound is kept then.
    double xLow = -1.0, xHigh = 1.0, yLow = -1.0, yHigh = 1.0;
    if (sphereRange(xRow, wRow, c, r, xLow, xHigh) && sphereRange(yRow, wRow, c, r, yLow, yHigh))
    {
        if (xHigh < -1.0 || xLow > 1.0 || yHigh < -1.0 || yLow > 1.0)
        {
            return false; // beside the view
        }
    }
    else
    {
        xLow = yLow = -1.0;
        xHigh = yHigh = 1.0;
    }
    pixelSpan(xLow, xHigh, width, box.x0, box.x1);
    pixelSpan(yLow, yHigh, height, box.y0, box.y1);
    return box.x0 < box.x1 && box.y0 < box.y1;
}

// The box grown by dx and dy pixels on every side and clipped to the targets.
static ScreenBox grow(const ScreenBox& box, int dx, int dy)
{
    return {std::max(box.x0 - dx, 0), std::max(box.y0 - dy, 0), std::min(box.x1 + dx, targetWidth),
            std::min(box.y1 + dy, targetHeight)};
}

static bool isEmpty(const ScreenBox& box)
{
    return box.x0 >= box.x1 || box.y0 >= box.y1;
}

static bool overlaps(const ScreenBox& a, const ScreenBox& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

static ScreenBox unite(const ScreenBox& a, const ScreenBox& b)
{
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

// Adds a box to the list, merged with every box it overlaps (also those it overlaps once grown by a
// merge). Returns the new count.
static int addMerged(ScreenBox* list, int count, ScreenBox box)
{
    for (int i = 0; i < count;)
    {
        if (overlaps(list[i], box))
        {
            box = unite(list[i], box);
            list[i] = list[--count];
            i = 0;
        }
        else
        {
            ++i;
        }
    }
    if (count == maxBlurBoxes)
    {
        list[count - 1] = unite(list[count - 1], box);
        return count;
    }
    list[count] = box;
    return count + 1;
}

// One blur pass from source into the framebuffer, over each box of the list (scissored), or over the
// whole target when boxes is null.
static void blurPass(GLuint blurProgram, GLuint framebuffer, GLuint source, bool horizontal,
                     const ScreenBox* boxes, int boxCount)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glUniform1i(glGetUniformLocation(blurProgram, "horizontal"), horizontal ? 1 : 0);
    glBindTexture(GL_TEXTURE_2D, source);
    glUniform1i(glGetUniformLocation(blurProgram, "image"), 4);
    if (boxes == nullptr)
    {
        glDrawArrays(GL_TRIANGLES, 0, 6);
    }
    for (int i = 0; boxes != nullptr && i < boxCount; ++i)
    {
        // The quad stays full-screen so every texel gets exactly the texture coordinate it gets in
        // a whole-window pass; the scissor alone keeps the work inside the box.
        glScissor(boxes[i].x0, boxes[i].y0, boxes[i].x1 - boxes[i].x0, boxes[i].y1 - boxes[i].y0);
        glDrawArrays(GL_TRIANGLES, 0, 6);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

GLuint runBlurPasses(GLuint blurProgram, const ScreenBox* boxes, int boxCount)
{
    // Wire frame draws only the quads' edges, which are drawn in full as they always were.
    if (!postSavings.blurBoxes || isWireFrame())
    {
        return runBlurPasses(blurProgram);
    }
    if (boxCount < 0 || (boxes == nullptr && boxCount > 0))
    {
        printf("No blur: %d boxes given without a list of them (post.cpp)\n", boxCount);
        boxCount = 0;
    }

    // Where the vertical pass writes: every pixel whose blur can see a texel of a box.
    ScreenBox written[maxBlurBoxes];
    int writtenCount = 0;
    for (int i = 0; i < boxCount; ++i)
    {
        ScreenBox reach = grow(boxes[i], blurReach + blurSlop, blurReach + blurSlop);
        if (!isEmpty(boxes[i]) && !isEmpty(reach))
        {
            writtenCount = addMerged(written, writtenCount, reach);
        }
    }
    blurHorizontal = true;
    if (writtenCount == 0)
    {
        return getBloomTexture();
    }
    // Where the horizontal pass writes: every texel the vertical pass reads.
    ScreenBox read[maxBlurBoxes];
    for (int i = 0; i < writtenCount; ++i)
    {
        read[i] = grow(written[i], blurSlop, blurReach);
    }

    glUseProgram(blurProgram);
    glBindVertexArray(quadVAO);
    glViewport(0, 0, targetWidth, targetHeight);
    // The ping-pong framebuffers have no depth buffer.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE4);
    blurPass(blurProgram, pingpongFramebuffers[1], brightTexture, true, read, writtenCount);
    blurPass(blurProgram, pingpongFramebuffers[0], pingpongTextures[1], false, written, writtenCount);
    glDisable(GL_SCISSOR_TEST);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    return getBloomTexture();
}

GLuint runBlurPasses(GLuint blurProgram)
{
    glUseProgram(blurProgram);
    glBindVertexArray(quadVAO);
    glViewport(0, 0, targetWidth, targetHeight);
    // The ping-pong framebuffers have no depth buffer; the quad must cover every texel regardless.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);

    blurHorizontal = true;
    bool firstPass = true;
    glActiveTexture(GL_TEXTURE4);
    for (int pass = 0; pass < blurPassCount; ++pass)
    {
        // Each later pass reads what the other framebuffer has just written.
        GLuint source = firstPass ? brightTexture : pingpongTextures[blurHorizontal ? 0 : 1];
        blurPass(blurProgram, pingpongFramebuffers[blurHorizontal ? 1 : 0], source, blurHorizontal, nullptr,
                 0);
        blurHorizontal = !blurHorizontal;
        firstPass = false;
    }

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    return getBloomTexture();
}

GLuint getBloomTexture()
{
    return pingpongTextures[blurHorizontal ? 0 : 1];
}

void beginWindowPass(int width, int height, bool clear)
{
    glBindFramebuffer(GL_FRAMEBUFFER, windowFramebuffer);
    glViewport(0, 0, width, height);
    if (!postSavings.bareWindow)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    else if (clear)
    {
        glClear(GL_COLOR_BUFFER_BIT);
    }
}

// The composite's size and input units for one program, which it selects; the units never change,
// the size with the window. A program without some of the inputs ignores them.
static void setCompositeInputs(GLuint program, int width, int height)
{
    glUseProgram(program);
    glUniform1f(glGetUniformLocation(program, "width"), static_cast<float>(width));
    glUniform1f(glGetUniformLocation(program, "height"), static_cast<float>(height));
    glUniform1i(glGetUniformLocation(program, "fboTexture"), 1);
    glUniform1i(glGetUniformLocation(program, "fboDepthTexture"), 2);
    glUniform1i(glGetUniformLocation(program, "fboTexture2"), 3);
    glUniform1i(glGetUniformLocation(program, "bloomBlur"), 4);
}

void setUpComposite(int width, int height, GLuint bloomTexture)
{
    glViewport(0, 0, width, height);
    for (GLuint program : {stillPostProgram, turningPostProgram})
    {
        if (program != 0)
        {
            setCompositeInputs(program, width, height);
        }
    }
    glUseProgram(postProgram);
    glUniform1f(glGetUniformLocation(postProgram, "width"), static_cast<float>(width));
    glUniform1f(glGetUniformLocation(postProgram, "height"), static_cast<float>(height));
    glUniform1i(fboTextureLocation, 1);
    glUniform1i(fboDepthTextureLocation, 2);
    glUniform1i(fboTexture2Location, 3);
    glUniform1i(bloomBlurLocation, 4);

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, sceneDepthTexture);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture2);
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, bloomTexture);

    // The quad covers the whole window at depth 0: a depth test could only cost time.
    if (postSavings.bareWindow)
    {
        glDisable(GL_DEPTH_TEST);
    }
    else
    {
        glEnable(GL_DEPTH_TEST);
    }
}

// Whether the eye stands where last frame's camera stood: that camera's view-projection takes it to
// x = y = w = 0. The tolerance (world units) covers the rounding of matrices that place the eye a few
// hundred units from the origin; the ship moves far more than that whenever it moves at all.
static bool eyeStayed(const glm::mat4& view, const glm::mat4& previousViewProjection)
{
    glm::vec3 eye = glm::vec3(glm::inverse(view)[3]);
    glm::vec4 clip = previousViewProjection * glm::vec4(eye, 1.0f);
    float tolerance = 1e-5f * (1.0f + glm::length(eye));
    return std::fabs(clip.x) <= tolerance && std::fabs(clip.y) <= tolerance && std::fabs(clip.w) <= tolerance;
}

static float compositeBrightness = 1.0f;

void setCompositeBrightness(float brightness)
{
    compositeBrightness = brightness;
}

void drawComposite(const glm::mat4& projection, const glm::mat4& view, glm::mat4& previousViewProjection)
{
    glm::mat4 viewProjection = projection * view;
    glm::mat4 inverseViewProjection = glm::inverse(viewProjection);
    // A camera that has not moved at all moved no pixel: the composite without the reprojection shows
    // exactly the same picture for less work. One that only turned needs no depth.
    GLuint program = postProgram;
    if (postSavings.lighterComposites && viewProjection == previousViewProjection && stillPostProgram != 0)
    {
        program = stillPostProgram;
    }
    else if (postSavings.lighterComposites && turningPostProgram != 0 &&
             eyeStayed(view, previousViewProjection))
    {
        program = turningPostProgram;
    }
    glUseProgram(program);
    if (program == postProgram)
    {
        glUniformMatrix4fv(inverseVPLocation, 1, GL_FALSE, glm::value_ptr(inverseViewProjection));
        glUniformMatrix4fv(previousVPLocation, 1, GL_FALSE, glm::value_ptr(previousViewProjection));
    }
    else
    {
        glUniformMatrix4fv(glGetUniformLocation(program, "inverseVP"), 1, GL_FALSE,
                           glm::value_ptr(inverseViewProjection));
        glUniformMatrix4fv(glGetUniformLocation(program, "previousVP"), 1, GL_FALSE,
                           glm::value_ptr(previousViewProjection));
    }

    glUniform1f(glGetUniformLocation(program, "brightness"), compositeBrightness);

    glBindFramebuffer(GL_FRAMEBUFFER, windowFramebuffer);
    glBindVertexArray(quadVAO);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);

    // The next frame's motion blur reprojects its pixels into this frame's camera.
    previousViewProjection = viewProjection;
}
