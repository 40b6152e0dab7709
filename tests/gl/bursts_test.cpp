#include "render/bursts.h"
#include "render/gl.h"
#include "support/test_support.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

const int size = 128;

// The scene pass's targets in miniature: lit colour (16-bit float), a second colour, the bright
// output the bloom blurs, and depth.
class SceneTargets
{
  public:
    SceneTargets()
    {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        const GLint formats[3] = {GL_RGBA16F, GL_RGBA8, GL_RGB16F};
        for (int i = 0; i < 3; i++)
        {
            glGenTextures(1, &colour[i]);
            glBindTexture(GL_TEXTURE_2D, colour[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, formats[i], size, size, 0, GL_RGBA, GL_FLOAT, nullptr);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, colour[i], 0);
        }
        glGenTextures(1, &depth);
        glBindTexture(GL_TEXTURE_2D, depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
        const GLenum buffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
        glDrawBuffers(3, buffers);
        glViewport(0, 0, size, size);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    ~SceneTargets()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(3, colour);
        glDeleteTextures(1, &depth);
    }

    // Luminance of an output at a pixel (bottom-left origin).
    float light(int output, int x, int y)
    {
        glReadBuffer(GL_COLOR_ATTACHMENT0 + output);
        float rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, rgba);
        return 0.2126f * rgba[0] + 0.7152f * rgba[1] + 0.0722f * rgba[2];
    }

    // Pixels of an output brighter than a luminance.
    int countBrighter(int output, float luminance)
    {
        glReadBuffer(GL_COLOR_ATTACHMENT0 + output);
        std::vector<float> rgba(size * size * 4);
        glReadPixels(0, 0, size, size, GL_RGBA, GL_FLOAT, rgba.data());
        int count = 0;
        for (size_t i = 0; i < rgba.size(); i += 4)
        {
            count += 0.2126f * rgba[i] + 0.7152f * rgba[i + 1] + 0.0722f * rgba[i + 2] > luminance;
        }
        return count;
    }

    // A wall across the whole view at this depth along -z, written into the depth buffer only.
    void wallAt(float distance, const glm::mat4& viewProjection)
    {
        glm::vec4 clip = viewProjection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
        glClearDepth(clip.z / clip.w * 0.5 + 0.5);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }

  private:
    GLuint framebuffer = 0;
    GLuint colour[3] = {};
    GLuint depth = 0;
};

class Bursts : public GlSuite
{
  protected:
    static void SetUpTestSuite()
    {
        GlSuite::SetUpTestSuite();
        if (window != nullptr)
        {
            createBursts();
        }
    }
    void SetUp() override
    {
        GlSuite::SetUp();
        clearBursts();
    }

    // A camera at the origin looking down -z with a 60 degree view.
    glm::mat4 view = glm::mat4(1.0f);
    glm::mat4 viewProjection = glm::perspective(glm::radians(60.0f), 1.0f, 0.1f, 500.0f);
};

} // namespace

TEST_F(Bursts, AFlashBrightEnoughToBloomFadesWithinHalfASecond)
{
    addBurst(glm::vec3(0.0f, 0.0f, -20.0f), 1.0f);
    updateBursts(0.05f);
    {
        SceneTargets scene;
        drawBursts(viewProjection, view);
        EXPECT_GT(scene.light(0, 64, 64), 2.0f) << "the flash lights the scene colour";
        EXPECT_GT(scene.light(2, 64, 64), 1.2f) << "and the bright output, which feeds the bloom";
        EXPECT_LT(scene.light(1, 64, 64), 0.05f) << "the second colour is left as it was";
        EXPECT_LT(scene.light(0, 2, 2), 0.05f) << "far from it the scene stays dark";
    }
    // Later the debris has spread and everything is dimmer.
    updateBursts(0.3f);
    {
        SceneTargets scene;
        drawBursts(viewProjection, view);
        EXPECT_LT(scene.light(0, 64, 64), 2.0f);
    }
    updateBursts(0.2f);
    EXPECT_EQ(getBurstCount(), 0) << "gone half a second after it began";
}

// The bloom blurs only around the spheres a burst reports: every bright pixel it draws, at any age,
// must be inside the screen box of its sphere, and once it reports none it draws nothing bright.
TEST_F(Bursts, EveryBrightPixelIsInsideTheSphereItReports)
{
    const float ages[] = {0.0f, 0.1f, 0.2f, 0.28f, 0.31f, 0.33f, 0.45f};
    // The flash's bright core first, then the fastest debris, with 2% room: nothing once both fade.
    const float expectedRadius[] = {0.641f, 2.014f, 2.611f, 3.59f, 3.957f, 0.0f, 0.0f};
    for (int a = 0; a < 7; a++)
    {
        clearBursts();
        addBurst(glm::vec3(0.0f, 0.0f, -8.0f), 1.0f);
        updateBursts(ages[a]);
        glm::vec4 sphere(0.0f);
        int spheres = getBurstSpheres(&sphere, 1);
        EXPECT_NEAR(sphere.w, expectedRadius[a], 0.01f) << "at " << ages[a] << " s";
        SceneTargets scene;
        drawBursts(viewProjection, view);
        glReadBuffer(GL_COLOR_ATTACHMENT2);
        std::vector<float> rgb(size * size * 3);
        glReadPixels(0, 0, size, size, GL_RGB, GL_FLOAT, rgb.data());
        // The sphere's box on this 128 x 128 screen: its centre is the screen's, and its radius
        // projects to r / 8 / tan 30 deg of the half-width.
        float halfBox = sphere.w / 8.0f / std::tan(glm::radians(30.0f)) * size / 2.0f;
        int bright = 0;
        for (int y = 0; y < size; y++)
        {
            for (int x = 0; x < size; x++)
            {
                const float* p = &rgb[(y * size + x) * 3];
                // Burst light always has red in it; the cleared background has none.
                if (p[0] == 0.0f)
                {
                    continue;
                }
                bright++;
                bool inside = spheres == 1 && std::abs(x + 0.5f - size / 2.0f) <= halfBox + 1.0f &&
                              std::abs(y + 0.5f - size / 2.0f) <= halfBox + 1.0f;
                ASSERT_TRUE(inside) << "bright at " << x << "," << y << " at " << ages[a] << " s";
            }
        }
        EXPECT_EQ(bright > 0, spheres == 1) << "at " << ages[a] << " s";
    }
}

TEST_F(Bursts, TheEarthsBurstIsLargerAndBurstsHideBehindWhatIsInFront)
{
    addBurst(glm::vec3(0.0f, 0.0f, -40.0f), 1.0f);
    updateBursts(0.1f);
    int small = 0;
    {
        SceneTargets scene;
        drawBursts(viewProjection, view);
        small = scene.countBrighter(0, 0.5f);
    }
    clearBursts();
    addBurst(glm::vec3(0.0f, 0.0f, -40.0f), 3.0f);
    updateBursts(0.1f);
    {
        SceneTargets scene;
        drawBursts(viewProjection, view);
        EXPECT_GT(scene.countBrighter(0, 0.5f), 4 * small) << "three times the size, about nine times the area";
    }
    {
        SceneTargets scene;
        scene.wallAt(30.0f, viewProjection);
        drawBursts(viewProjection, view);
        EXPECT_EQ(scene.countBrighter(0, 0.5f), 0) << "behind a wall 30 units away";
    }
}

TEST_F(Bursts, ManyAtOnceKeepTheNewestAndBlendingIsAsItWas)
{
    for (int i = 0; i < maxBursts + 5; i++)
    {
        addBurst(glm::vec3(static_cast<float>(i), 0.0f, -50.0f), 1.0f);
        updateBursts(0.001f);
    }
    EXPECT_EQ(getBurstCount(), maxBursts);
    glm::vec4 spheres[maxBursts];
    ASSERT_EQ(getBurstSpheres(spheres, maxBursts), maxBursts);
    float newest = -1.0f;
    for (const glm::vec4& sphere : spheres)
    {
        newest = std::max(newest, sphere.x);
        EXPECT_GE(sphere.x, 5.0f) << "the five oldest made way";
        EXPECT_GT(sphere.w, 0.6f) << "the flash's bright core";
        EXPECT_LT(sphere.w, 1.0f) << "within 37 ms of its start";
    }
    EXPECT_EQ(newest, 36.0f);

    SceneTargets scene;
    glDisable(GL_BLEND);
    drawBursts(viewProjection, view);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawBursts(viewProjection, view);
    GLint source = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_SRC_ALPHA);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    // The second output was left out of the draw buffers only for the draw.
    GLint drawBuffers[3] = {};
    for (int i = 0; i < 3; i++)
    {
        glGetIntegerv(GL_DRAW_BUFFER0 + i, &drawBuffers[i]);
        EXPECT_EQ(drawBuffers[i], GL_COLOR_ATTACHMENT0 + i) << "draw buffer " << i;
    }
    glDisable(GL_BLEND);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
