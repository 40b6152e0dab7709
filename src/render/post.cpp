#include "render/post.h"

#include "render/shader.h"

#include <glm/gtc/type_ptr.hpp>

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
GLint fboTextureLocation = -1;
GLint fboTexture2Location = -1;
GLint fboDepthTextureLocation = -1;
GLint inverseVPLocation = -1;
GLint previousVPLocation = -1;
GLint bloomBlurLocation = -1;

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

// The storage of every off-screen texture: formats as the passes read them, all window-sized.
struct TargetFormat
{
    GLint internalFormat;
    GLenum format;
    GLenum type;
};
static const TargetFormat pingpongFormat = {GL_RGB16F, GL_RGB, GL_FLOAT};
static const TargetFormat sceneColorFormat = {GL_RGBA16F, GL_RGBA, GL_UNSIGNED_BYTE};
static const TargetFormat sceneDepthFormat = {GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_FLOAT};
static const TargetFormat sceneColor2Format = {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};
static const TargetFormat brightFormat = {GL_RGB16F, GL_RGB, GL_FLOAT};

static void allocate(const TargetFormat& target, int width, int height)
{
    glTexImage2D(GL_TEXTURE_2D, 0, target.internalFormat, width, height, 0, target.format, target.type, nullptr);
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
}

// One scene-framebuffer attachment read texel for texel by the composite: nearest filtering, and
// its own texture unit so the composite finds it there.
static GLuint createNearestTexture(GLenum unit, const TargetFormat& target, int width, int height)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
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

    // The bloom source is sampled between texels by the blur, so it filters linearly and stays bound
    // on unit 4, the unit the blur passes read from.
    glGenTextures(1, &brightTexture);
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, brightTexture);
    allocate(brightFormat, width, height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
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
    createPingpongBuffers(width, height);
    createSceneFramebuffer(width, height);
    createFullScreenQuad();

    postProgram = loadShaders("Shader/fboVertexShader.glsl", "Shader/fboFragmentShader.glsl");
    fboTextureLocation = glGetUniformLocation(postProgram, "fboTexture");
    fboTexture2Location = glGetUniformLocation(postProgram, "fboTexture2");
    fboDepthTextureLocation = glGetUniformLocation(postProgram, "fboDepthTexture");
    inverseVPLocation = glGetUniformLocation(postProgram, "inverseVP");
    previousVPLocation = glGetUniformLocation(postProgram, "previousVP");
    bloomBlurLocation = glGetUniformLocation(postProgram, "bloomBlur");

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
    const Target targets[] = {
        {pingpongTextures[0], pingpongFormat},  {pingpongTextures[1], pingpongFormat},
        {sceneColorTexture, sceneColorFormat},  {sceneDepthTexture, sceneDepthFormat},
        {sceneColorTexture2, sceneColor2Format}, {brightTexture, brightFormat},
    };
    glActiveTexture(GL_TEXTURE0);
    for (const Target& target : targets)
    {
        glBindTexture(GL_TEXTURE_2D, target.texture);
        allocate(target.format, width, height);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void beginScenePass(int width, int height)
{
    glBindFramebuffer(GL_FRAMEBUFFER, sceneFramebuffer);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

GLuint runBlurPasses(GLuint blurProgram)
{
    glUseProgram(blurProgram);
    glBindVertexArray(quadVAO);
    // The ping-pong framebuffers have no depth buffer; the quad must cover every texel regardless.
    glDisable(GL_DEPTH_TEST);

    blurHorizontal = true;
    bool firstPass = true;
    glActiveTexture(GL_TEXTURE4);
    for (int pass = 0; pass < blurPassCount; ++pass)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, pingpongFramebuffers[blurHorizontal ? 1 : 0]);
        glUniform1i(glGetUniformLocation(blurProgram, "horizontal"), blurHorizontal ? 1 : 0);
        // Each later pass reads what the other framebuffer has just written.
        GLuint source = firstPass ? brightTexture : pingpongTextures[blurHorizontal ? 0 : 1];
        glBindTexture(GL_TEXTURE_2D, source);
        glUniform1i(glGetUniformLocation(blurProgram, "image"), 4);
        glDrawArrays(GL_TRIANGLES, 0, 6);

        blurHorizontal = !blurHorizontal;
        firstPass = false;
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    glEnable(GL_DEPTH_TEST);
    return getBloomTexture();
}

GLuint getBloomTexture()
{
    return pingpongTextures[blurHorizontal ? 0 : 1];
}

void setUpComposite(int width, int height, GLuint bloomTexture)
{
    glUseProgram(postProgram);
    glUniform1f(glGetUniformLocation(postProgram, "width"), static_cast<float>(width));
    glUniform1f(glGetUniformLocation(postProgram, "height"), static_cast<float>(height));

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
    glUniform1i(fboTextureLocation, 1);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, sceneDepthTexture);
    glUniform1i(fboDepthTextureLocation, 2);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture2);
    glUniform1i(fboTexture2Location, 3);
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, bloomTexture);
    glUniform1i(bloomBlurLocation, 4);
}

void drawComposite(const glm::mat4& projection, const glm::mat4& view, glm::mat4& previousViewProjection)
{
    glm::mat4 viewProjection = projection * view;
    glUniformMatrix4fv(inverseVPLocation, 1, GL_FALSE, glm::value_ptr(glm::inverse(viewProjection)));
    glUniformMatrix4fv(previousVPLocation, 1, GL_FALSE, glm::value_ptr(previousViewProjection));

    glBindVertexArray(quadVAO);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // The next frame's motion blur reprojects its pixels into this frame's camera.
    previousViewProjection = viewProjection;
}
