#include "render/bmp.h"
#include "render/model.h"
#include "render/shader.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

// The scene program's contract in miniature: attributes 0-2 and the four uniforms, all of them live.
const char* modelVertexShader = "#version 440 core\n"
                                "layout(location = 0) in vec3 position;\n"
                                "layout(location = 1) in vec2 uv;\n"
                                "layout(location = 2) in vec3 normal;\n"
                                "uniform mat4 MVP;\n"
                                "uniform mat4 M;\n"
                                "uniform mat4 V;\n"
                                "out vec2 fragmentUv;\n"
                                "out float facing;\n"
                                "void main()\n"
                                "{\n"
                                "    gl_Position = MVP * vec4(position, 1.0);\n"
                                "    fragmentUv = uv;\n"
                                "    facing = clamp((V * M * vec4(normal, 0.0)).z, 0.0, 1.0);\n"
                                "}\n";
const char* modelFragmentShader =
    "#version 440 core\n"
    "in vec2 fragmentUv;\n"
    "in float facing;\n"
    "uniform sampler2D textureSampler;\n"
    "layout(location = 0) out vec4 color;\n"
    "void main() { color = vec4(texture(textureSampler, fragmentUv).rgb * facing, 1.0); }\n";

// A square covering clip space, facing the viewer, texture coordinates from (0, 0) bottom-left to (1, 1).
const char* screenSquare = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                           "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";

// A 2x2 bitmap: bottom row red, green; top row blue, white (stored blue-green-red, rows padded to 8 bytes).
std::string twoByTwoBitmap()
{
    std::string bytes(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[10] = 54;
    bytes[14] = 40;
    bytes[18] = 2;
    bytes[22] = 2;
    bytes[26] = 1;
    bytes[28] = 24;
    bytes[34] = 16;
    bytes += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    bytes += std::string("\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 8);
    return bytes;
}

// A fixed camera for the draws.
struct Camera
{
    glm::mat4 projection = glm::perspective(1.0f, 1.5f, 0.1f, 500.0f);
    glm::mat4 view = glm::lookAt(glm::vec3(1, 2, 3), glm::vec3(0), glm::vec3(0, 1, 0));
};

} // namespace

class ModelBuffers : public GlSuite
{
  protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (HasFatalFailure() || IsSkipped())
        {
            return;
        }
        dir = makeScratchDir("model");
        writeFile(dir + "/vertex.glsl", modelVertexShader);
        writeFile(dir + "/fragment.glsl", modelFragmentShader);
        writeFile(dir + "/square.obj", screenSquare);
        writeFile(dir + "/texture.bmp", twoByTwoBitmap());
        captureStdout(
            [&] { program = loadShaders((dir + "/vertex.glsl").c_str(), (dir + "/fragment.glsl").c_str()); });
    }

    static GLint bufferSize(GLuint buffer)
    {
        GLint size = -1;
        glBindBuffer(GL_COPY_READ_BUFFER, buffer);
        glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
        glBindBuffer(GL_COPY_READ_BUFFER, 0);
        return size;
    }

    static GLint integer(GLenum name)
    {
        GLint value = -1;
        glGetIntegerv(name, &value);
        return value;
    }

    glm::mat4 uniformMatrix(GLint location) const
    {
        glm::mat4 value(0.0f);
        glGetUniformfv(program, location, glm::value_ptr(value));
        return value;
    }

    std::string dir;
    GLuint program = 0;
};


TEST_F(ModelBuffers, BuffersHoldTheMeshAndTheStateIsLeftAsTheDrawExpects)
{
    glm::mat4 start = glm::translate(glm::mat4(1.0f), glm::vec3(4, 5, 6));
    Model model((dir + "/square.obj").c_str(), start, (dir + "/texture.bmp").c_str(), program);
    ASSERT_TRUE(model.loaded);

    // Two triangles, one vertex per corner: n = 6, f = 2.
    EXPECT_EQ(bufferSize(model.vertexBuffer), 12 * 6);
    EXPECT_EQ(bufferSize(model.uvBuffer), 8 * 6);
    EXPECT_EQ(bufferSize(model.normalBuffer), 12 * 6);
    EXPECT_EQ(bufferSize(model.elementBuffer), 12 * 2);
    EXPECT_EQ(model.getModelMatrix(), start);

    // Every uniform of the contract was found, and the program and texture stay bound on unit 0.
    EXPECT_GE(model.textureSamplerLocation, 0);
    EXPECT_GE(model.mvpLocation, 0);
    EXPECT_GE(model.modelMatrixLocation, 0);
    EXPECT_GE(model.viewMatrixLocation, 0);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)), program);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), model.texture);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
    EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), 0);

    // The vertex array was unbound before the element buffer, so it still holds it.
    glBindVertexArray(model.vertexArray);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING)), model.elementBuffer);
    glBindVertexArray(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelBuffers, DrawShowsTheTextureWithItsBottomRowAtTheBottom)
{
    // An 8x8 target; the square fills it, so each quarter shows one texel of the 2x2 bitmap.
    GLuint target = 0, framebuffer = 0;
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, 8, 8);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    Model model((dir + "/square.obj").c_str(), glm::mat4(1.0f), (dir + "/texture.bmp").c_str(), program);
    applyTextureSampling(model.texture, true, 0);
    model.draw(glm::mat4(1.0f), glm::mat4(1.0f), glm::mat4(1.0f));

    unsigned char pixels[8 * 8 * 4];
    glReadPixels(0, 0, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    auto at = [&](int x, int y)
    {
        const unsigned char* p = pixels + 4 * (8 * y + x);
        return glm::ivec3(p[0], p[1], p[2]);
    };
    EXPECT_EQ(at(1, 1), glm::ivec3(255, 0, 0)) << "bottom-left is the first texel of the file";
    EXPECT_EQ(at(6, 1), glm::ivec3(0, 255, 0));
    EXPECT_EQ(at(1, 6), glm::ivec3(0, 0, 255));
    EXPECT_EQ(at(6, 6), glm::ivec3(255, 255, 255));

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &target);
}

TEST_F(ModelBuffers, OverrideReplacesTheModelMatrixInMvpForExactlyOneDraw)
{
    Model rock((dir + "/square.obj").c_str(), glm::mat4(1.0f), (dir + "/texture.bmp").c_str(), program);
    Model other((dir + "/square.obj").c_str(), glm::mat4(1.0f), (dir + "/texture.bmp").c_str(), program);
    Camera player;
    glm::mat4 own = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -20));
    glm::mat4 stationFrame =
        glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(30, 0, 0)), 0.5f, glm::vec3(0, 1, 0));
    glm::mat4 pv = player.projection * player.view;

    rock.setOverride(stationFrame);
    // A draw of another model in between neither uses nor clears the rock's override.
    other.draw(own, player.projection, player.view);
    EXPECT_EQ(uniformMatrix(other.mvpLocation), pv * own);

    rock.draw(own, player.projection, player.view);
    EXPECT_EQ(uniformMatrix(rock.mvpLocation), pv * stationFrame);
    EXPECT_EQ(uniformMatrix(rock.modelMatrixLocation), own) << "\"M\" keeps the object's own matrix";
    EXPECT_EQ(uniformMatrix(rock.viewMatrixLocation), player.view);
    EXPECT_EQ(rock.getModelMatrix(), own);

    rock.draw(own, player.projection, player.view);
    EXPECT_EQ(uniformMatrix(rock.mvpLocation), pv * own) << "the override lasts one draw";
}

TEST_F(ModelBuffers, UnreadableModelFileGivesEmptyBuffersAndDrawsNothing)
{
    std::unique_ptr<Model> built;
    std::string errors = captureStderr(
        [&]
        {
            built.reset(new Model((dir + "/absent.obj").c_str(), glm::mat4(1.0f),
                                  (dir + "/absent.bmp").c_str(), program));
        });
    Model& missing = *built;
    EXPECT_FALSE(missing.loaded);
    EXPECT_NE(errors.find("absent.obj"), std::string::npos) << errors;
    EXPECT_EQ(missing.texture, 0u);
    EXPECT_EQ(bufferSize(missing.vertexBuffer), 0);
    EXPECT_EQ(bufferSize(missing.uvBuffer), 0);
    EXPECT_EQ(bufferSize(missing.normalBuffer), 0);
    EXPECT_EQ(bufferSize(missing.elementBuffer), 0);

    missing.draw(glm::mat4(1.0f), glm::mat4(1.0f), glm::mat4(1.0f));
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
