#include "render/console_wait.h"
#include "render/shader.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>

namespace
{

const char* vertexSource = "#version 440 core\n"
                           "// a comment line: if line feeds were lost it would swallow the code below\n"
                           "layout(location = 0) in vec3 position;\n"
                           "void main() { gl_Position = vec4(position, 1.0); }\n";
const char* fragmentSource = "#version 440 core\n"
                             "out vec4 color;\n"
                             "void main() { color = vec4(1.0); }"; // no final line feed

} // namespace

// One hidden 4.4 core context for the suite; standard input is /dev/null, so a loader's wait returns at once.
class ShaderLoading : public GlSuite
{
  protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (HasFatalFailure() || IsSkipped())
        {
            return;
        }
        dir = makeScratchDir("shaders");
    }

    GLuint load(const std::string& vertexText, const std::string& fragmentText)
    {
        vertexPath = dir + "/vertex.glsl";
        fragmentPath = dir + "/fragment.glsl";
        writeFile(vertexPath, vertexText);
        writeFile(fragmentPath, fragmentText);
        return loadPaths(vertexPath, fragmentPath);
    }

    GLuint loadPaths(const std::string& vertex, const std::string& fragment)
    {
        GLuint program = 0;
        output = captureStdout([&] { program = loadShaders(vertex.c_str(), fragment.c_str()); });
        return program;
    }

    static GLint linkStatus(GLuint program)
    {
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        return status;
    }

    // The text printed between the end of the line that starts with head and the next "Compiling"/"Linking".
    std::string textAfter(const std::string& head) const
    {
        size_t start = output.find(head);
        if (start == std::string::npos)
        {
            return "<" + head + " missing>";
        }
        start = output.find('\n', start) + 1;
        size_t end = std::min(output.find("Compiling shader", start), output.find("Linking program!", start));
        return output.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    std::string dir;
    std::string vertexPath;
    std::string fragmentPath;
    std::string output;
};


TEST_F(ShaderLoading, VersionOnTheFirstLineCompilesAndLinksQuietly)
{
    // The version directive stays the source's very first line, as WebGL demands.
    GLuint program = load(vertexSource, fragmentSource);
    ASSERT_NE(program, 0u);
    EXPECT_EQ(linkStatus(program), GL_TRUE) << output;
    EXPECT_EQ(output, "Compiling shader: " + vertexPath + "\nCompiling shader: " + fragmentPath +
                          "\nLinking program!\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderLoading, WindowsLineEndingsCompileToo)
{
    std::string crlf;
    for (const char* c = vertexSource; *c != '\0'; ++c)
    {
        crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    }
    GLuint program = load(crlf, fragmentSource);
    EXPECT_EQ(linkStatus(program), GL_TRUE) << output;
}

TEST_F(ShaderLoading, CompileErrorPrintsTheLogUnderItsFileAndStillReturnsAProgram)
{
    GLuint program =
        load("#version 440 core\nvoid main() { gl_Position = undeclaredThing; }\n", fragmentSource);
    EXPECT_NE(program, 0u) << "a failed compile is reported, not refused";
    EXPECT_EQ(linkStatus(program), GL_FALSE);

    // The driver's log sits between this file's "Compiling" line and the fragment shader's.
    std::string log = textAfter("Compiling shader: " + vertexPath);
    EXPECT_NE(log.find("undeclaredThing"), std::string::npos) << output;
    EXPECT_EQ(log.find("0:2("), 0u) << "the driver counts the lines as the file does: " << log;
    EXPECT_EQ(textAfter("Compiling shader: " + fragmentPath), "") << "the good shader prints no log";
}

TEST_F(ShaderLoading, LinkErrorPrintsTheProgramLogAfterLinking)
{
    // Both compile on their own, but the vertex stage has no main function, so only the link fails.
    GLuint program = load("#version 440 core\nvoid helper() {}\n", fragmentSource);
    EXPECT_NE(program, 0u);
    EXPECT_EQ(linkStatus(program), GL_FALSE);
    size_t linking = output.find("Linking program!\n");
    ASSERT_NE(linking, std::string::npos) << output;
    std::string log = output.substr(linking + 17);
    EXPECT_GT(log.size(), 1u) << output;
    EXPECT_EQ(log.back(), '\n');
}

TEST_F(ShaderLoading, MissingFileGivesOneMessageAndNoProgram)
{
    writeFile(dir + "/fragment.glsl", fragmentSource);
    GLuint program = loadPaths(dir + "/absent.glsl", dir + "/fragment.glsl");
    EXPECT_EQ(program, 0u);
    EXPECT_EQ(output, "Not possible to open " + dir + "/absent.glsl. Right directory?");

    // A missing fragment file is reported by its own path, after the vertex file was read.
    writeFile(dir + "/vertex.glsl", vertexSource);
    program = loadPaths(dir + "/vertex.glsl", dir + "/gone.glsl");
    EXPECT_EQ(program, 0u);
    EXPECT_EQ(output, "Not possible to open " + dir + "/gone.glsl. Right directory?");

    // Where the console cannot wait for a key (a web page), the same words are shown instead.
    static std::string shown;
    setReaderWait([](const char* message) { shown = message; });
    program = loadPaths(dir + "/vertex.glsl", dir + "/gone.glsl");
    setReaderWait(nullptr);
    EXPECT_EQ(program, 0u);
    EXPECT_EQ(shown, "Not possible to open " + dir + "/gone.glsl. Right directory?");
}

TEST_F(ShaderLoading, AVariantIsBuiltQuietlyWithItsDefineAndRefusedInOneLine)
{
    // The define must reach the code right after the version line: only then is "shade" declared.
    const std::string defined = "#version 440 core\n"
                                "out vec4 color;\n"
                                "#ifdef WITH_SHADE\n"
                                "uniform float shade;\n"
                                "void main() { color = vec4(shade); }\n"
                                "#else\n"
                                "void main() { color = vec4(1.0); }\n"
                                "#endif\n";
    GLuint plain = load(vertexSource, defined);
    GLuint variant = 0;
    output = captureStdout(
        [&] { variant = loadShaderVariant(vertexPath.c_str(), fragmentPath.c_str(), "WITH_SHADE"); });
    EXPECT_EQ(output, "");
    ASSERT_EQ(linkStatus(variant), GL_TRUE);
    EXPECT_NE(glGetUniformLocation(variant, "shade"), -1);
    EXPECT_EQ(glGetUniformLocation(plain, "shade"), -1);

    // A variant that does not compile, and one whose file is gone: one line each, no program.
    output =
        captureStdout([&] { variant = loadShaderVariant(vertexPath.c_str(), fragmentPath.c_str(), "1BAD"); });
    EXPECT_EQ(variant, 0u);
    EXPECT_EQ(output, "The 1BAD variant of " + vertexPath + " and " + fragmentPath + " does not build\n");
    std::string gone = dir + "/gone.glsl";
    output =
        captureStdout([&] { variant = loadShaderVariant(vertexPath.c_str(), gone.c_str(), "WITH_SHADE"); });
    EXPECT_EQ(variant, 0u);
    EXPECT_EQ(output, "Cannot read " + vertexPath + " or " + gone + " for their WITH_SHADE variant\n");
}
