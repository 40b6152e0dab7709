#include "render/post.h"
#include "render/shader.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace
{

const int size = 64;

struct UniformCall
{
    GLint location;
    bool depthTest;
    GLint drawFramebuffer;
};

// Every glUniform1i call made through GLEW, with the depth-test state and target at that moment.
std::vector<UniformCall> uniformCalls;
PFNGLUNIFORM1IPROC realUniform1i = nullptr;

void GLAPIENTRY recordingUniform1i(GLint location, GLint value)
{
    GLint framebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    uniformCalls.push_back({location, glIsEnabled(GL_DEPTH_TEST) == GL_TRUE, framebuffer});
    realUniform1i(location, value);
}

// A window-sized context with the game's global GL state, the post-processing resources and the
// scene and blur programs, loaded from the source tree's data folder.
class PostProcessing : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window = createTestContext(size, size);
        if (window == nullptr)
        {
            FAIL() << "no display for an OpenGL context (run under Xvfb)";
        }
        ASSERT_EQ(chdir(VELMORA_SOURCE_DIR "/data"), 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        creationLog = captureStdout(
            [&]
            {
                createPostProcessing(size, size);
                mainProgram = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
                blurProgram =
                    loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
            });
    }

    void TearDown() override
    {
        if (realUniform1i != nullptr)
        {
            __glewUniform1i = realUniform1i;
            realUniform1i = nullptr;
        }
        destroyTestContext(window);
    }

    static void upload(GLuint texture, GLenum format, const std::vector<float>& texels)
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size, size, format, GL_FLOAT, texels.data());
    }

    static std::vector<float> readTexture(GLuint texture)
    {
        std::vector<float> texels(size * size * 3);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        return texels;
    }

    // The window's back buffer after the composite, as RGB floats in 0..1.
    static std::vector<float> readWindow()
    {
        std::vector<float> pixels(size * size * 3);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, size, size, GL_RGB, GL_FLOAT, pixels.data());
        return pixels;
    }

    static float at(const std::vector<float>& rgb, int x, int y, int channel = 0)
    {
        return rgb[(y * size + x) * 3 + channel];
    }

    // A scene of one colour everywhere with a bright square of bloom source around (cx, cy).
    void fillScene(const glm::vec4& sceneColor, float depth, float spot, int cx, int cy)
    {
        std::vector<float> color(size * size * 4);
        std::vector<float> depths(size * size, depth);
        std::vector<float> bright(size * size * 3, 0.0f);
        for (int i = 0; i < size * size; ++i)
        {
            for (int c = 0; c < 4; ++c)
            {
                color[i * 4 + c] = sceneColor[c];
            }
        }
        for (int y = cy - 1; y <= cy; ++y)
        {
            for (int x = cx - 1; x <= cx; ++x)
            {
                for (int c = 0; c < 3; ++c)
                {
                    bright[(y * size + x) * 3 + c] = spot;
                }
            }
        }
        upload(sceneColorTexture, GL_RGBA, color);
        upload(sceneDepthTexture, GL_DEPTH_COMPONENT, depths);
        upload(brightTexture, GL_RGB, bright);
    }

    // The frame loop's steps 13 to 17 with the given cameras.
    void runFrame(const glm::mat4& view, glm::mat4& previousViewProjection)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, size, size);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        GLuint bloom = runBlurPasses(blurProgram);
        setUpComposite(size, size, bloom);
        drawComposite(projection, view, previousViewProjection);
    }

    GLFWwindow* window = nullptr;
    std::string creationLog;
    GLuint mainProgram = 0;
    GLuint blurProgram = 0;
    glm::mat4 projection = glm::perspective(45.0f, 1.0f, 0.1f, 500.0f);
    glm::mat4 view = glm::lookAt(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f, 1.0f, 0.0f));
};

GLint linkStatus(GLuint program)
{
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status;
}

TEST_F(PostProcessing, CreationBuildsCompleteWindowSizedTargetsAndTheThreePrograms)
{
    EXPECT_EQ(creationLog.find("Error in FBO"), std::string::npos) << creationLog;
    EXPECT_EQ(linkStatus(postProgram), GL_TRUE) << creationLog;
    EXPECT_EQ(linkStatus(mainProgram), GL_TRUE) << creationLog;
    EXPECT_EQ(linkStatus(blurProgram), GL_TRUE) << creationLog;

    // Each kept location the composite reads must exist, or it would silently read the wrong unit.
    // (The albedo in "fboTexture2" is bound for it but not read.)
    for (GLint location : {fboTextureLocation, fboDepthTextureLocation, inverseVPLocation, previousVPLocation,
                           bloomBlurLocation})
    {
        EXPECT_NE(location, -1);
    }

    for (GLuint texture : {pingpongTextures[0], pingpongTextures[1], sceneColorTexture, sceneDepthTexture,
                           sceneColorTexture2, brightTexture})
    {
        GLint width = 0;
        GLint height = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(width, size) << "texture " << texture;
        EXPECT_EQ(height, size) << "texture " << texture;
    }
}

TEST_F(PostProcessing, CreationLeavesTheSceneFramebufferBoundAndNoQuadBound)
{
    // Only the GL state creation itself leaves behind; the programs loaded after it do not bind any.
    GLint framebuffer = 0;
    GLint vertexArray = -1;
    GLint arrayBuffer = -1;
    GLint activeUnit = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    EXPECT_EQ(static_cast<GLuint>(framebuffer), sceneFramebuffer);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(arrayBuffer, 0);
    EXPECT_EQ(activeUnit, GL_TEXTURE4);

    GLint quadBytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, quadVBO);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &quadBytes);
    EXPECT_EQ(quadBytes, 72);
}

TEST_F(PostProcessing, AnIncompleteSceneFramebufferIsReportedAndStartUpGoesOn)
{
    // Zero-sized attachments cannot be complete.
    std::string log = captureStdout([] { createPostProcessing(0, 0); });
    EXPECT_NE(log.find("Error in FBO\n"), std::string::npos) << log;
    EXPECT_NE(quadVAO, 0u) << "the quad and program are still made after the report";
}

TEST_F(PostProcessing, BlurPassesSpreadTheBrightSpotFirstAlongXThenAlongY)
{
    fillScene(glm::vec4(0.0f, 0.0f, 0.04f, 1.0f), 1.0f, 8.0f, 32, 32);
    glm::mat4 previous = projection * view;
    runFrame(view, previous);
    EXPECT_EQ(getBloomTexture(), pingpongTextures[0]);

    // The spot covers texels 31 and 32 in both directions.
    std::vector<float> horizontal = readTexture(pingpongTextures[1]);
    EXPECT_GT(at(horizontal, 34, 32), 0.1f) << "horizontal pass reaches two texels right of the spot";
    EXPECT_GT(at(horizontal, 29, 31), 0.1f) << "and two texels left of it";
    EXPECT_EQ(at(horizontal, 32, 34), 0.0f) << "but nothing above it";
    EXPECT_EQ(at(horizontal, 40, 32), 0.0f) << "a 9-tap kernel reaches four texels at most";

    std::vector<float> both = readTexture(pingpongTextures[0]);
    EXPECT_GT(at(both, 32, 34), 0.1f) << "vertical pass spreads it upwards";
    EXPECT_GT(at(both, 34, 34), 0.01f) << "and diagonally";
    float total = 0.0f;
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            total += at(both, x, y);
        }
    }
    EXPECT_NEAR(total, 4 * 8.0f, 0.3f) << "the kernel's weights add up to one";

    // In the window the glow shows beyond the spot's edge while the far corner stays dark.
    std::vector<float> image = readWindow();
    EXPECT_GT(at(image, 35, 33), at(image, 10, 10) + 0.1f);
    EXPECT_LT(at(image, 10, 10), 0.02f);
}

TEST_F(PostProcessing, ADarkSceneStaysDark)
{
    fillScene(glm::vec4(0.0f, 0.0f, 0.04f, 1.0f), 1.0f, 0.0f, 32, 32);
    glm::mat4 previous = projection * view;
    runFrame(view, previous);

    std::vector<float> image = readWindow();
    for (int y = 0; y < size; y += 3)
    {
        for (int x = 0; x < size; x += 3)
        {
            // Away from the crosshair every pixel is the dark blue of empty space.
            if (std::abs(x - 32) > 8 || std::abs(y - 32) > 8)
            {
                ASSERT_LT(at(image, x, y, 0), 0.01f) << x << "," << y;
                ASSERT_LT(at(image, x, y, 2), 0.06f) << x << "," << y;
            }
        }
    }
}

TEST_F(PostProcessing, CrosshairMarksTheCentreOverEmptySpace)
{
    fillScene(glm::vec4(0.0f, 0.0f, 0.04f, 1.0f), 1.0f, 0.0f, 32, 32);
    glm::mat4 previous = projection * view;
    runFrame(view, previous);

    std::vector<float> image = readWindow();
    EXPECT_GT(at(image, 32, 36, 1), 0.8f) << "upper arm";
    EXPECT_GT(at(image, 27, 32, 1), 0.8f) << "left arm";
    EXPECT_LT(at(image, 32, 32, 1), 0.1f) << "the centre is left open";
    EXPECT_LT(at(image, 32, 45, 1), 0.1f) << "the arms are short";
}

// Left half of the screen lit, right half black, everything at mid depth.
class MotionBlur : public PostProcessing
{
  protected:
    void fillHalfScene()
    {
        fillScene(glm::vec4(0.0f), 0.98f, 0.0f, 1, 1);
        std::vector<float> color(size * size * 4, 0.0f);
        for (int y = 0; y < size; ++y)
        {
            for (int x = 0; x < size / 2; ++x)
            {
                color[(y * size + x) * 4 + 0] = 0.8f;
                color[(y * size + x) * 4 + 3] = 1.0f;
            }
        }
        upload(sceneColorTexture, GL_RGBA, color);
    }
};

TEST_F(MotionBlur, AStillCameraLeavesTheEdgeSharp)
{
    fillHalfScene();
    glm::mat4 previous = projection * view;
    runFrame(view, previous);

    std::vector<float> image = readWindow();
    EXPECT_GT(at(image, 31, 10), 0.5f);
    EXPECT_EQ(at(image, 32, 10), 0.0f);
    EXPECT_NEAR(at(image, 20, 10), at(image, 31, 10), 1e-3f);
}

TEST_F(MotionBlur, TurningTheCameraSmearsAlongTheTurnOnly)
{
    fillHalfScene();
    // Last frame the camera looked a little further to the left.
    glm::mat4 turned = glm::rotate(view, 0.1f, glm::vec3(0.0f, 1.0f, 0.0f));
    glm::mat4 previous = projection * turned;
    runFrame(view, previous);

    std::vector<float> image = readWindow();
    float sharpLeft = at(image, 20, 10);
    EXPECT_GT(at(image, 34, 10), 0.05f) << "the lit half smears over the edge";
    EXPECT_LT(at(image, 30, 10), sharpLeft - 0.05f) << "and the black half into it";
    EXPECT_NEAR(at(image, 34, 10), at(image, 34, 50), 0.02f) << "a pure turn about y smears rows alike";
    EXPECT_EQ(at(image, 60, 10), 0.0f) << "the smear is clamped to a short distance";
}

TEST_F(MotionBlur, TheFirstFrameReprojectsWithTheIdentityAndTheNextWithTheLastCamera)
{
    fillHalfScene();
    glm::mat4 previous(1.0f);
    runFrame(view, previous);

    glm::mat4 sentPrevious(0.0f);
    glm::mat4 sentInverse(0.0f);
    glGetUniformfv(postProgram, previousVPLocation, glm::value_ptr(sentPrevious));
    glGetUniformfv(postProgram, inverseVPLocation, glm::value_ptr(sentInverse));
    EXPECT_EQ(sentPrevious, glm::mat4(1.0f));
    glm::mat4 firstViewProjection = projection * view;
    EXPECT_EQ(previous, firstViewProjection) << "drawComposite remembers this frame's camera";

    // A turn about the eye: the composite that skips the depth takes the same matrices.
    glm::mat4 nextView = glm::rotate(view, 0.1f, glm::vec3(0.0f, 1.0f, 0.0f));
    runFrame(nextView, previous);
    GLint used = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &used);
    ASSERT_EQ(static_cast<GLuint>(used), turningPostProgram);
    glGetUniformfv(turningPostProgram, glGetUniformLocation(turningPostProgram, "previousVP"),
                   glm::value_ptr(sentPrevious));
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < 4; ++row)
        {
            EXPECT_FLOAT_EQ(sentPrevious[column][row], firstViewProjection[column][row]);
            EXPECT_NEAR((sentInverse * firstViewProjection)[column][row], column == row ? 1.0f : 0.0f, 1e-4f);
        }
    }
}

TEST_F(PostProcessing, DepthTestIsOffInTheBlurPassesAndInTheComposite)
{
    fillScene(glm::vec4(0.5f, 0.5f, 0.5f, 1.0f), 1.0f, 0.0f, 32, 32);
    realUniform1i = __glewUniform1i;
    __glewUniform1i = recordingUniform1i;
    uniformCalls.clear();

    // The window's depth says everything is in front of the quad: the composite covers it regardless.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, size, size);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    GLuint bloom = runBlurPasses(blurProgram);
    setUpComposite(size, size, bloom);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glm::mat4 previous = projection * view;
    drawComposite(projection, view, previous);

    int blurCalls = 0;
    for (const UniformCall& call : uniformCalls)
    {
        if (call.drawFramebuffer == static_cast<GLint>(pingpongFramebuffers[0]) ||
            call.drawFramebuffer == static_cast<GLint>(pingpongFramebuffers[1]))
        {
            ++blurCalls;
            EXPECT_FALSE(call.depthTest);
        }
    }
    EXPECT_EQ(blurCalls, 4) << "\"horizontal\" and \"image\" in each of the two passes";

    std::vector<float> image = readWindow();
    EXPECT_NEAR(at(image, 10, 10, 0), 0.5f, 0.01f);
    EXPECT_NEAR(at(image, 10, 10, 1), 0.5f, 0.01f);

    // The next scene pass turns it on again.
    beginScenePass(size, size);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

// The scene shader drawing one square facing the camera, into the scene framebuffer.
class SceneShader : public PostProcessing
{
  protected:
    struct Outputs
    {
        glm::vec4 lit;
        glm::vec4 albedo;
        glm::vec3 bright;
    };

    // Draws a 2x2 square in the model's xy plane, normal +z, grey textured, with model matrix M seen
    // from eye, and reads the centre texel of the three outputs.
    Outputs draw(const glm::mat4& model, const glm::vec3& eye, const glm::vec3& target)
    {
        const float square[] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
        const float uvs[] = {0, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1};
        const float normals[] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
        GLuint vertexArray = 0;
        GLuint buffers[3];
        glGenVertexArrays(1, &vertexArray);
        glBindVertexArray(vertexArray);
        glGenBuffers(3, buffers);
        const float* data[3] = {square, uvs, normals};
        const GLsizeiptr bytes[3] = {sizeof(square), sizeof(uvs), sizeof(normals)};
        const GLint components[3] = {3, 2, 3};
        for (GLuint i = 0; i < 3; ++i)
        {
            glBindBuffer(GL_ARRAY_BUFFER, buffers[i]);
            glBufferData(GL_ARRAY_BUFFER, bytes[i], data[i], GL_STATIC_DRAW);
            glEnableVertexAttribArray(i);
            glVertexAttribPointer(i, components[i], GL_FLOAT, GL_FALSE, 0, nullptr);
        }
        GLuint texture = 0;
        const unsigned char grey[3] = {128, 128, 128};
        glActiveTexture(GL_TEXTURE0);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, grey);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

        glm::mat4 camera = glm::lookAt(eye, target, glm::vec3(0.0f, 1.0f, 0.0f));
        glUseProgram(mainProgram);
        glm::mat4 mvp = projection * camera * model;
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "MVP"), 1, GL_FALSE, glm::value_ptr(mvp));
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "M"), 1, GL_FALSE, glm::value_ptr(model));
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "V"), 1, GL_FALSE, glm::value_ptr(camera));
        glUniform1i(glGetUniformLocation(mainProgram, "textureSampler"), 0);
        beginScenePass(size, size);
        glDrawArrays(GL_TRIANGLES, 0, 6);

        Outputs outputs;
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(size / 2, size / 2, 1, 1, GL_RGBA, GL_FLOAT, glm::value_ptr(outputs.lit));
        glReadBuffer(GL_COLOR_ATTACHMENT1);
        glReadPixels(size / 2, size / 2, 1, 1, GL_RGBA, GL_FLOAT, glm::value_ptr(outputs.albedo));
        glReadBuffer(GL_COLOR_ATTACHMENT2);
        glReadPixels(size / 2, size / 2, 1, 1, GL_RGB, GL_FLOAT, glm::value_ptr(outputs.bright));
        return outputs;
    }
};

TEST_F(SceneShader, TheSunGlowsAndFeedsTheBloom)
{
    Outputs sun = draw(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, 5.0f), glm::vec3(0.0f));
    EXPECT_GT(sun.lit.r, 1.5f) << "far brighter than any lit surface";
    EXPECT_GT(sun.bright.r, 1.5f);
    EXPECT_NEAR(sun.albedo.r, 0.5f, 0.01f) << "output 1 holds the unlit texture colour";
    EXPECT_EQ(sun.lit.a, 1.0f);
}

TEST_F(SceneShader, RocksAreLitFromTheSunAndDoNotBloom)
{
    // A square 30 units out on x, facing the Sun, seen from between.
    glm::mat4 facingSun = glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(30.0f, 0.0f, 0.0f)),
                                      -glm::half_pi<float>(), glm::vec3(0.0f, 1.0f, 0.0f));
    Outputs day = draw(facingSun, glm::vec3(20.0f, 0.0f, 0.0f), glm::vec3(30.0f, 0.0f, 0.0f));
    // The same square turned away, seen from behind.
    glm::mat4 awayFromSun = glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(30.0f, 0.0f, 0.0f)),
                                        glm::half_pi<float>(), glm::vec3(0.0f, 1.0f, 0.0f));
    Outputs night = draw(awayFromSun, glm::vec3(40.0f, 0.0f, 0.0f), glm::vec3(30.0f, 0.0f, 0.0f));

    EXPECT_GT(day.lit.r, 0.4f);
    EXPECT_LT(day.lit.r, 1.0f);
    EXPECT_GT(night.lit.b, 0.0f) << "the night side is dim, not black";
    EXPECT_LT(night.lit.r, day.lit.r / 4.0f);
    EXPECT_EQ(day.bright, glm::vec3(0.0f));
    EXPECT_EQ(night.bright, glm::vec3(0.0f));
}

} // namespace
