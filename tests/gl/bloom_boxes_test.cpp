#include "render/post.h"
#include "render/shader.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <vector>

namespace
{

const int width = 320;
const int height = 180;

// A small bright flash for the bloom source, as a burst would draw it: a square of light in output 2.
const char* burstVertex = R"(#version 440 core
layout(location = 0) in vec3 position;
uniform mat4 MVP;
void main() { gl_Position = MVP * vec4(position, 1.0); })";
const char* burstFragment = R"(#version 440 core
layout(location = 0) out vec4 color;
layout(location = 1) out vec4 albedo;
layout(location = 2) out vec4 bright;
void main()
{
    color = vec4(4.0, 3.0, 2.0, 1.0);
    albedo = vec4(1.0);
    bright = vec4(4.0, 3.0, 2.0, 1.0);
})";

// One vertex array: positions, texture coordinates and normals as the scene shader reads them.
struct Mesh
{
    GLuint vertexArray = 0;
    GLsizei count = 0;
};

Mesh upload(const std::vector<float>& positions, const std::vector<float>& uvs,
            const std::vector<float>& normals)
{
    Mesh mesh;
    glGenVertexArrays(1, &mesh.vertexArray);
    glBindVertexArray(mesh.vertexArray);
    const std::vector<float>* data[3] = {&positions, &uvs, &normals};
    const GLint components[3] = {3, 2, 3};
    for (GLuint i = 0; i < 3; ++i)
    {
        GLuint buffer = 0;
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data[i]->size() * sizeof(float)),
                     data[i]->data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(i);
        glVertexAttribPointer(i, components[i], GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    glBindVertexArray(0);
    mesh.count = static_cast<GLsizei>(positions.size() / 3);
    return mesh;
}

// A UV sphere of the given radius about the model's origin, as separate triangles.
Mesh sphereMesh(float radius)
{
    std::vector<float> positions, uvs, normals;
    const int rings = 24;
    const int segments = 36;
    auto corner = [&](int r, int s)
    {
        float theta = glm::pi<float>() * r / rings;
        float phi = glm::two_pi<float>() * s / segments;
        glm::vec3 n(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
        positions.insert(positions.end(), {n.x * radius, n.y * radius, n.z * radius});
        uvs.insert(uvs.end(), {float(s) / segments, float(r) / rings});
        normals.insert(normals.end(), {n.x, n.y, n.z});
    };
    for (int r = 0; r < rings; ++r)
    {
        for (int s = 0; s < segments; ++s)
        {
            for (int k : {0, 1, 2, 1, 3, 2})
            {
                corner(r + k / 2, s + k % 2);
            }
        }
    }
    return upload(positions, uvs, normals);
}

// The real scene shader drawing the Sun (a sphere of radius 8 at the world origin), a dark rock and a
// burst stand-in into the scene framebuffer, then the blur passes; the bloom is read back as floats.
class BloomBoxes : public ::testing::Test
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
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        glDepthFunc(GL_LESS);
        std::string scratch = makeScratchDir("bloom-boxes");
        captureStdout(
            [&]
            {
                createPostProcessing(width, height);
                mainProgram = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
                blurProgram =
                    loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
                burstProgram = loadShaderText(scratch, burstVertex, burstFragment);
            });
        sun = sphereMesh(8.0f);
        rock = sphereMesh(3.0f);
        const std::vector<float> square = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
        burstQuad = upload(square, std::vector<float>(12, 0.0f), std::vector<float>(18, 0.0f));

        // A mottled texture, so the Sun's glow varies from texel to texel.
        std::vector<unsigned char> texels(16 * 16 * 3);
        for (size_t i = 0; i < texels.size(); ++i)
        {
            texels[i] = static_cast<unsigned char>((i * 37) % 256);
        }
        glActiveTexture(GL_TEXTURE0);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 16, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }

    void TearDown() override { destroyTestContext(window); }

    static GLuint loadShaderText(const std::string& dir, const char* vertex, const char* fragment)
    {
        writeFile(dir + "/vertex.glsl", vertex);
        writeFile(dir + "/fragment.glsl", fragment);
        return loadShaders((dir + "/vertex.glsl").c_str(), (dir + "/fragment.glsl").c_str());
    }

    void drawMesh(const Mesh& mesh, const glm::mat4& model)
    {
        glUseProgram(mainProgram);
        glm::mat4 mvp = camera() * model;
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "MVP"), 1, GL_FALSE, glm::value_ptr(mvp));
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "M"), 1, GL_FALSE, glm::value_ptr(model));
        glUniformMatrix4fv(glGetUniformLocation(mainProgram, "V"), 1, GL_FALSE, glm::value_ptr(view));
        glUniform1i(glGetUniformLocation(mainProgram, "textureSampler"), 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBindVertexArray(mesh.vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, mesh.count);
    }

    glm::mat4 camera() const { return projection * view; }

    // The scene pass: the Sun, and the rock and the burst where asked for.
    void drawScene()
    {
        beginScenePass(width, height);
        drawMesh(sun, glm::mat4(1.0f));
        if (withRock)
        {
            drawMesh(rock, glm::translate(glm::mat4(1.0f), rockCentre));
        }
        if (withBurst)
        {
            glUseProgram(burstProgram);
            glm::mat4 mvp = camera() * glm::translate(glm::mat4(1.0f), burstCentre);
            glUniformMatrix4fv(glGetUniformLocation(burstProgram, "MVP"), 1, GL_FALSE, glm::value_ptr(mvp));
            glBindVertexArray(burstQuad.vertexArray);
            glDrawArrays(GL_TRIANGLES, 0, burstQuad.count);
        }
        glBindVertexArray(0);
    }

    static std::vector<float> readTexture(GLuint texture)
    {
        std::vector<float> texels(width * height * 3);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        return texels;
    }

    // The bloom of the whole window blurred, as every frame had it.
    std::vector<float> wholeWindowBloom()
    {
        drawScene();
        return readTexture(runBlurPasses(blurProgram));
    }

    // The boxes the frame hands over: the Sun's glow sphere, and the burst's square where there is one.
    std::vector<ScreenBox> boxes()
    {
        std::vector<ScreenBox> list;
        ScreenBox box{};
        if (sphereScreenBox(camera(), glm::vec3(0.0f), sunGlowRadius, width, height, box))
        {
            list.push_back(box);
        }
        if (withBurst && sphereScreenBox(camera(), burstCentre, std::sqrt(2.0f), width, height, box))
        {
            list.push_back(box);
        }
        return list;
    }

    std::vector<float> boxedBloom()
    {
        drawScene();
        std::vector<ScreenBox> list = boxes();
        return readTexture(runBlurPasses(blurProgram, list.data(), static_cast<int>(list.size())));
    }

    // The bloom blurred over the smallest box that holds every bright texel of the source, so the
    // blur's reach alone has to make up the rest.
    std::vector<float> tightlyBoxedBloom()
    {
        drawScene();
        std::vector<float> source = readTexture(brightTexture);
        ScreenBox box{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                if (source[(y * width + x) * 3] > 0.0f)
                {
                    box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x + 1),
                           std::max(box.y1, y + 1)};
                }
            }
        }
        return readTexture(runBlurPasses(blurProgram, &box, 1));
    }

    // Texels whose colours differ at all.
    static int differingTexels(const std::vector<float>& a, const std::vector<float>& b)
    {
        int count = 0;
        for (size_t i = 0; i < a.size(); i += 3)
        {
            count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
        }
        return count;
    }

    // Looks at target from 60 units away along z.
    void lookAt(glm::vec3 target)
    {
        view = glm::lookAt(target + glm::vec3(0.0f, 0.0f, 60.0f), target, glm::vec3(0.0f, 1.0f, 0.0f));
    }

    GLFWwindow* window = nullptr;
    GLuint mainProgram = 0;
    GLuint blurProgram = 0;
    GLuint burstProgram = 0;
    GLuint texture = 0;
    Mesh sun, rock, burstQuad;
    bool withRock = false;
    bool withBurst = false;
    glm::vec3 rockCentre = glm::vec3(-24.0f, 6.0f, 0.0f);
    glm::vec3 burstCentre = glm::vec3(20.0f, -8.0f, 0.0f);
    glm::mat4 projection = glm::perspective(45.0f, float(width) / float(height), 0.1f, 500.0f);
    glm::mat4 view = glm::mat4(1.0f);
};

TEST_F(BloomBoxes, EqualTheWholeWindowBlurWhereverTheSunIs)
{
    // Straight ahead; at the right edge; centred on the left edge, half off screen; up in a corner.
    struct Case
    {
        const char* where;
        glm::vec3 target;
    };
    // With the 45 "degree" (radian) field of view of the game, the screen reaches about 29.5 units
    // left and right at 60 units, and 16.8 up and down.
    const Case cases[] = {{"centre", glm::vec3(0.0f)},
                          {"right edge", glm::vec3(-24.0f, 0.0f, 0.0f)},
                          {"half off the left edge", glm::vec3(29.5f, 0.0f, 0.0f)},
                          {"upper right corner", glm::vec3(-25.0f, -13.0f, 0.0f)}};
    for (const Case& c : cases)
    {
        lookAt(c.target);
        std::vector<float> reference = wholeWindowBloom();
        std::vector<float> boxed = boxedBloom();
        ASSERT_EQ(boxes().size(), 1u) << c.where;
        EXPECT_EQ(differingTexels(reference, boxed), 0) << c.where;
        EXPECT_EQ(differingTexels(reference, tightlyBoxedBloom()), 0) << c.where << ", tight box";
    }
}

TEST_F(BloomBoxes, TheSunBehindTheCameraGivesNoBoxNoBlurWorkAndTheBackgroundStaysExact)
{
    // Looking away from the Sun nothing is bright: the bloom is the plain background, 0.04 blue as
    // the clear writes it into a 16-bit float (rounded down), which is also what blurring it gives.
    view =
        glm::lookAt(glm::vec3(0.0f, 0.0f, 60.0f), glm::vec3(0.0f, 0.0f, 120.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    ASSERT_TRUE(boxes().empty());
    std::vector<float> reference = wholeWindowBloom();
    // Something stale in the ping-pong target must not show: the boxed frame writes nothing at all.
    const float stale[3] = {7.0f, 7.0f, 7.0f};
    glClearTexImage(pingpongTextures[1], 0, GL_RGB, GL_FLOAT, stale);
    std::vector<float> boxed = boxedBloom();
    EXPECT_EQ(differingTexels(reference, boxed), 0);
    EXPECT_EQ(boxed[2], 0.0399780273f);
    EXPECT_EQ(readTexture(pingpongTextures[1])[0], 7.0f) << "no horizontal pass ran";
}

TEST_F(BloomBoxes, ABurstsBoxIsBlurredAsWellAndOverlapsMerge)
{
    withBurst = true;
    lookAt(glm::vec3(0.0f));
    std::vector<float> reference = wholeWindowBloom();
    EXPECT_EQ(differingTexels(reference, boxedBloom()), 0) << "apart from the Sun";
    EXPECT_EQ(differingTexels(reference, tightlyBoxedBloom()), 0) << "one tight box around both";

    // Given without its box, the burst's glow is missing: the comparison can tell.
    ScreenBox sunOnly = boxes()[0];
    drawScene();
    EXPECT_GT(differingTexels(reference, readTexture(runBlurPasses(blurProgram, &sunOnly, 1))), 50);

    // The burst beside the Sun: the two boxes overlap once grown.
    burstCentre = glm::vec3(11.0f, 0.0f, 0.0f);
    EXPECT_EQ(differingTexels(wholeWindowBloom(), boxedBloom()), 0) << "next to the Sun";
}

TEST_F(BloomBoxes, ADarkRockAwayFromTheBoxesLosesOnlyTheFringeAlongItsOutline)
{
    // Where a dark object meets empty space the bright source steps from 0 to the background's
    // 0.04; the whole-window blur softens that step over the blur's reach, the boxed one keeps it
    // sharp outside the boxes. Nowhere else may they differ.
    withRock = true;
    lookAt(glm::vec3(-10.0f, 0.0f, 0.0f));
    drawScene();
    std::vector<float> source = readTexture(brightTexture);
    std::vector<float> reference = wholeWindowBloom();
    std::vector<float> boxed = boxedBloom();

    // Texels within 5 of one whose source differs from theirs lie on the fringe.
    auto onFringe = [&](int x, int y)
    {
        float own = source[(y * width + x) * 3 + 2];
        for (int dy = -5; dy <= 5; ++dy)
        {
            for (int dx = -5; dx <= 5; ++dx)
            {
                int nx = std::clamp(x + dx, 0, width - 1);
                int ny = std::clamp(y + dy, 0, height - 1);
                if (source[(ny * width + nx) * 3 + 2] != own)
                {
                    return true;
                }
            }
        }
        return false;
    };
    int fringe = 0;
    float largest = 0.0f;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            size_t i = (y * width + x) * 3;
            float difference = std::fabs(reference[i + 2] - boxed[i + 2]);
            if (difference > 0.0f || reference[i] != boxed[i] || reference[i + 1] != boxed[i + 1])
            {
                ASSERT_TRUE(onFringe(x, y)) << x << "," << y;
                fringe++;
                largest = std::max(largest, difference);
            }
        }
    }
    EXPECT_GT(fringe, 0) << "the rock is on screen, outside the Sun's box";
    EXPECT_LE(largest, 0.04f) << "never more than the background itself";
}

TEST_F(BloomBoxes, BadListsSayOneLineAndBlurNothing)
{
    lookAt(glm::vec3(0.0f));
    drawScene();
    std::vector<float> source = readTexture(brightTexture);
    std::string said = captureStdout([&] { runBlurPasses(blurProgram, nullptr, 2); });
    EXPECT_EQ(said, "No blur: 2 boxes given without a list of them (post.cpp)\n");
    ScreenBox outside[2] = {{400, 10, 420, 20}, {30, 30, 20, 40}};
    said = captureStdout([&] { runBlurPasses(blurProgram, outside, 2); });
    EXPECT_EQ(said, "") << "boxes off the window or empty are simply nothing to blur";
    EXPECT_EQ(differingTexels(source, readTexture(getBloomTexture())), 0);
}

} // namespace
