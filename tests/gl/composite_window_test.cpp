#include "render/post.h"
#include "render/shader.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>
#include <vector>

namespace
{

const int width = 160;
const int height = 90;
const size_t pixelCount = width * height;

using Picture = std::vector<unsigned char>; // RGBA, bottom row first

// A colour framebuffer of the window's size, with optional depth and samples.
struct Target
{
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;

    Target(int samples, bool withDepth)
    {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        if (withDepth)
        {
            glGenRenderbuffers(1, &depth);
            glBindRenderbuffer(GL_RENDERBUFFER, depth);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        }
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }

    Picture read() const
    {
        Picture pixels(pixelCount * 4);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
};

// The composite over a made-up scene (colour, depth and a bright spot for the bloom), drawn into
// framebuffers that stand for the window.
class CompositeWindow : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window = createTestContext(width, height);
        if (window == nullptr)
        {
            FAIL() << "no display for an OpenGL context (run under Xvfb)";
        }
        ASSERT_EQ(chdir(VELMORA_SOURCE_DIR "/data"), 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        captureStdout(
            [&]
            {
                createPostProcessing(width, height);
                blurProgram =
                    loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
            });
        fillScene();
        GLuint bloom = runBlurPasses(blurProgram);
        ASSERT_EQ(bloom, pingpongTextures[0]);
    }

    void TearDown() override
    {
        postSavings = PostSavings();
        windowFramebuffer = 0;
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        destroyTestContext(window);
    }

    // Stripes of colour from dark to far brighter than 1, a quarter of it empty space (depth 1), the
    // rest at mid depth, alpha from 0.25 to 1; and a bright square for the bloom.
    static void fillScene()
    {
        std::vector<float> colour(pixelCount * 4);
        std::vector<float> depth(pixelCount);
        std::vector<float> bright(pixelCount * 3, 0.0f);
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                size_t i = y * width + x;
                colour[i * 4 + 0] = float((x * 7) % 23) / 10.0f;
                colour[i * 4 + 1] = float((y * 5) % 17) / 10.0f;
                colour[i * 4 + 2] = float((x + y) % 11) / 10.0f;
                colour[i * 4 + 3] = 0.25f + float(x % 4) / 4.0f;
                depth[i] = x < width / 4 ? 1.0f : 0.97f + 0.0001f * float(y);
                if (std::abs(x - 100) < 4 && std::abs(y - 30) < 4)
                {
                    bright[i * 3 + 0] = 3.0f;
                    bright[i * 3 + 1] = 2.0f;
                }
            }
        }
        glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, colour.data());
        glBindTexture(GL_TEXTURE_2D, sceneDepthTexture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindTexture(GL_TEXTURE_2D, brightTexture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_FLOAT, bright.data());
    }

    // The composite as the frame runs it, into the given framebuffer, with blending for transparency.
    void composite(GLuint target, bool clear, const glm::mat4& view, const glm::mat4& previousView)
    {
        windowFramebuffer = target;
        beginWindowPass(width, height, clear);
        if (transparency)
        {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glPolygonMode(GL_FRONT_AND_BACK, wireFrame ? GL_LINE : GL_FILL);
        setUpComposite(width, height, pingpongTextures[0]);
        glm::mat4 previous = projection * previousView;
        drawComposite(projection, view, previous);
        glDisable(GL_BLEND);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }

    // The window with 2 samples and a depth buffer, cleared, the composite depth-tested into it; resolved.
    Picture multisampledWindow(const glm::mat4& view, const glm::mat4& previousView)
    {
        postSavings = PostSavings();
        postSavings.bareWindow = false;
        Target window(2, true);
        Target resolved(0, false);
        composite(window.framebuffer, true, view, previousView);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, window.framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.framebuffer);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        return resolved.read();
    }

    // The single-sampled window without depth, holding garbage from before, cleared only when wire
    // frame or transparency is on.
    Picture bareWindow(const glm::mat4& view, const glm::mat4& previousView)
    {
        postSavings = PostSavings();
        Target window(0, false);
        glBindFramebuffer(GL_FRAMEBUFFER, window.framebuffer);
        glClearColor(1.0f, 0.0f, 1.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        composite(window.framebuffer, wireFrame || transparency, view, previousView);
        return window.read();
    }

    // The view turned about the eye by the given angle (radians, about the camera's up axis).
    glm::mat4 turnedBy(float angle) const
    {
        return glm::rotate(glm::mat4(1.0f), angle, glm::vec3(0.0f, 1.0f, 0.0f)) * view;
    }

    static int differingPixels(const Picture& a, const Picture& b)
    {
        int count = 0;
        for (size_t i = 0; i < a.size(); i += 4)
        {
            count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
        }
        return count;
    }

    GLFWwindow* window = nullptr;
    GLuint blurProgram = 0;
    bool transparency = false;
    bool wireFrame = false;
    glm::mat4 projection = glm::perspective(45.0f, float(width) / float(height), 0.1f, 500.0f);
    glm::mat4 view = glm::lookAt(glm::vec3(0.0f, 0.0f, 10.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    // Last frame the camera looked a little to the left, turning about its eye; or stood a little behind.
    glm::mat4 turnedView = turnedBy(0.02f);
    glm::mat4 movedView = glm::translate(view, glm::vec3(0.0f, 0.0f, -0.5f));
};

TEST_F(CompositeWindow, TheBareWindowShowsTheSamePictureAsTheMultisampledOne)
{
    for (bool blend : {false, true})
    {
        transparency = blend;
        const char* mode = blend ? "transparency" : "normal";
        // A still camera, a turning one and one that flew.
        EXPECT_EQ(differingPixels(multisampledWindow(view, view), bareWindow(view, view)), 0) << mode;
        EXPECT_EQ(differingPixels(multisampledWindow(view, turnedView), bareWindow(view, turnedView)), 0)
            << mode;
        EXPECT_EQ(differingPixels(multisampledWindow(view, movedView), bareWindow(view, movedView)), 0)
            << mode;
    }
    // The garbage (alpha 0) is gone in both modes: the composite covers every pixel with alpha 1.
    Picture picture = bareWindow(view, view);
    for (size_t i = 0; i < picture.size(); i += 4)
    {
        ASSERT_EQ(picture[i + 3], 255) << "pixel " << i / 4;
    }
}

TEST_F(CompositeWindow, InWireFrameTheQuadsEdgesOnlyLoseTheirSmoothing)
{
    Picture filled = bareWindow(view, view);
    wireFrame = true;
    Picture multisampled = multisampledWindow(view, view);
    Picture bare = bareWindow(view, view);

    // Each pixel of the bare window is the filled composite's (an edge passes through its centre) or
    // the clear colour (0, 0, 10); the multisampled one differs only next to the edges, which it smooths.
    const unsigned char clear[3] = {0, 0, 10};
    std::vector<bool> edge(pixelCount, false);
    int edges = 0;
    for (size_t p = 0; p < pixelCount; ++p)
    {
        const unsigned char* b = &bare[p * 4];
        const unsigned char* f = &filled[p * 4];
        bool isComposite = b[0] == f[0] && b[1] == f[1] && b[2] == f[2];
        bool isClear = b[0] == clear[0] && b[1] == clear[1] && b[2] == clear[2];
        ASSERT_TRUE(isComposite || isClear) << "pixel " << p;
        edge[p] = !isClear;
        edges += edge[p];
    }
    // Of the quad's outline only the top and right lines fall on pixel centres; with the diagonal
    // between the two triangles they are what the wire frame shows.
    for (int x = 0; x < width; ++x)
    {
        ASSERT_TRUE(edge[(height - 1) * width + x]) << "top line at " << x;
    }
    EXPECT_GT(edges, 2 * width + height - 10) << "and the right line and the diagonal";
    // The multisampled window also gives the bottom and left lines a share of the border pixels.
    auto nearEdge = [](int x, int y)
    {
        float fromDiagonal = std::fabs((x + 0.5f) / width + (y + 0.5f) / height - 1.0f) /
                             std::sqrt(1.0f / (width * width) + 1.0f / (height * height));
        return x == 0 || y == 0 || x == width - 1 || y == height - 1 || fromDiagonal < 1.5f;
    };
    int differing = 0;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            size_t i = (y * width + x) * 4;
            if (multisampled[i] != bare[i] || multisampled[i + 1] != bare[i + 1] ||
                multisampled[i + 2] != bare[i + 2])
            {
                ASSERT_TRUE(nearEdge(x, y)) << x << "," << y;
                differing++;
            }
        }
    }
    EXPECT_GT(differing, 0) << "the multisampled edges are smoothed";
}

TEST_F(CompositeWindow, EachCameraMotionTakesItsBuildOfTheCompositeForTheSamePicture)
{
    // Still: no reprojection. Turned about the eye: no depth. Moved: the full composite.
    struct Case
    {
        const char* motion;
        glm::mat4 previousView;
        GLuint program;
    };
    const Case cases[] = {{"still", view, stillPostProgram},
                          {"turned", turnedView, turningPostProgram},
                          {"moved", movedView, postProgram}};
    for (const Case& c : cases)
    {
        Picture lighter = bareWindow(view, c.previousView);
        GLint used = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &used);
        EXPECT_EQ(static_cast<GLuint>(used), c.program) << c.motion;

        postSavings.lighterComposites = false;
        Target target(0, false);
        composite(target.framebuffer, false, view, c.previousView);
        glGetIntegerv(GL_CURRENT_PROGRAM, &used);
        EXPECT_EQ(static_cast<GLuint>(used), postProgram) << c.motion;
        EXPECT_EQ(differingPixels(lighter, target.read()), 0) << c.motion;
    }
}

TEST_F(CompositeWindow, AFastTurnSmearsWithThreeSamplesAtMost)
{
    // One lit column in black at mid depth; last frame the camera looked 0.2 rad to the left, far
    // beyond the 6-pixel limit of the smear.
    std::vector<float> colour(pixelCount * 4, 0.0f);
    for (int y = 0; y < height; ++y)
    {
        colour[(y * width + 60) * 4 + 0] = 0.5f;
    }
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, colour.data());
    std::vector<float> dark(pixelCount * 3, 0.0f);
    glBindTexture(GL_TEXTURE_2D, pingpongTextures[0]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_FLOAT, dark.data());

    Picture picture = bareWindow(view, turnedBy(0.2f));
    // Row 10, away from the crosshair: the column shows up once per sample, each a third as bright.
    int copies = 0;
    for (int x = 0; x < width; ++x)
    {
        unsigned char red = picture[(10 * width + x) * 4];
        if (red > 0)
        {
            copies++;
            EXPECT_NEAR(red, 42.5, 1.0) << "0.5 / 3 of 255, at x " << x;
        }
    }
    EXPECT_EQ(copies, 3);
}

} // namespace
