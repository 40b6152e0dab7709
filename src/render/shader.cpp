#include "render/shader.h"

#include "render/console_wait.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Reads a GLSL file as the driver gets it: every line ended by one line feed, so a file with or
// without a final line feed gives the same text, and the #version line stays the very first (WebGL
// refuses anything before it). Returns false when the file cannot be opened.
static bool readShaderSource(const char* path, std::string& source)
{
    FILE* file = fopen(path, "r");
    if (file == nullptr)
    {
        return false;
    }
    source.clear();
    std::string line;
    bool lineOpen = false;
    char chunk[512];
    while (fgets(chunk, sizeof(chunk), file) != nullptr)
    {
        size_t length = strlen(chunk);
        bool ended = length > 0 && chunk[length - 1] == '\n';
        if (ended)
        {
            --length;
        }
        line.append(chunk, length);
        lineOpen = true;
        if (ended)
        {
            // A carriage return before the line feed belongs to the terminator, not the line.
            if (!line.empty() && line.back() == '\r')
            {
                line.pop_back();
            }
            source += line + "\n";
            line.clear();
            lineOpen = false;
        }
    }
    if (lineOpen)
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        source += line + "\n";
    }
    fclose(file);
    return true;
}

// The source as this platform's GL takes it: a shader that starts with the version line the game's
// shaders are written with gets the platform's header in its place (on the desktop, that same line).
// The shader files a browser gets are derived at build time and start with their own.
static std::string forThisGl(const char* source)
{
    static const std::string written = "#version 440 core";
    if (strncmp(source, written.c_str(), written.size()) != 0)
    {
        return source;
    }
    return shaderVersionHeader + std::string(source + written.size());
}

// Prints the driver's compile log (errors and warnings alike) when it has one.
static void printShaderLog(GLuint shader)
{
    GLint logLength = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0)
    {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetShaderInfoLog(shader, logLength, nullptr, log.data());
        // WebGL counts the end of an empty log as its length.
        if (log[0] != '\0')
        {
            printf("%s\n", log.data());
        }
    }
}

static void compileShader(GLuint shader, const char* path, const std::string& source)
{
    printf("Compiling shader: %s\n", path);
    std::string platformSource = forThisGl(source.c_str());
    const char* text = platformSource.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    // The status is queried for completeness; the log on the console is the only diagnosis.
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    printShaderLog(shader);
}

// Tells the user which file is missing and holds the console open until a key is typed.
static GLuint refuseMissingFile(const char* path, GLuint vertexShader, GLuint fragmentShader)
{
    std::string message = "Not possible to open " + std::string(path) + ". Right directory?";
    printf("%s", message.c_str());
    fflush(stdout);
    waitForReader(message.c_str());
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return 0;
}

GLuint loadShaders(const char* vertexFilePath, const char* fragmentFilePath)
{
    // Both shader objects exist before any file is touched.
    GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);

    std::string vertexSource;
    if (!readShaderSource(vertexFilePath, vertexSource))
    {
        return refuseMissingFile(vertexFilePath, vertexShader, fragmentShader);
    }
    std::string fragmentSource;
    if (!readShaderSource(fragmentFilePath, fragmentSource))
    {
        return refuseMissingFile(fragmentFilePath, vertexShader, fragmentShader);
    }

    compileShader(vertexShader, vertexFilePath, vertexSource);
    compileShader(fragmentShader, fragmentFilePath, fragmentSource);

    printf("Linking program!\n");
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    GLint logLength = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0)
    {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetProgramInfoLog(program, logLength, nullptr, log.data());
        if (log[0] != '\0')
        {
            printf("%s\n", log.data());
        }
    }

    // The linked program keeps its own copy of the code; the shader objects are no longer needed.
    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return program;
}

// Compiles one stage without a word on the console. Returns 0 when the driver refuses it, with the
// first line of its log in firstLogLine.
static GLuint compileQuietly(GLenum type, const char* source, std::string& firstLogLine)
{
    GLuint shader = glCreateShader(type);
    std::string platformSource = forThisGl(source);
    const char* text = platformSource.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE)
    {
        return shader;
    }
    char log[256] = {};
    glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
    log[strcspn(log, "\n")] = '\0';
    firstLogLine = log;
    glDeleteShader(shader);
    return 0;
}

enum class QuietBuild
{
    Built,
    NotCompiled,
    NotLinked,
};

// Compiles and links two stages without a word on the console; program is 0 unless Built.
static QuietBuild buildQuietly(const char* vertexSource, const char* fragmentSource, GLuint& program,
                               std::string& firstLogLine)
{
    program = 0;
    GLuint vertexShader = compileQuietly(GL_VERTEX_SHADER, vertexSource, firstLogLine);
    GLuint fragmentShader = vertexShader == 0 ? 0 : compileQuietly(GL_FRAGMENT_SHADER, fragmentSource, firstLogLine);
    if (vertexShader == 0 || fragmentShader == 0)
    {
        glDeleteShader(vertexShader);
        return QuietBuild::NotCompiled;
    }
    GLuint linked = glCreateProgram();
    glAttachShader(linked, vertexShader);
    glAttachShader(linked, fragmentShader);
    glLinkProgram(linked);
    glDetachShader(linked, vertexShader);
    glDetachShader(linked, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    GLint status = GL_FALSE;
    glGetProgramiv(linked, GL_LINK_STATUS, &status);
    if (status != GL_TRUE)
    {
        glDeleteProgram(linked);
        return QuietBuild::NotLinked;
    }
    program = linked;
    return QuietBuild::Built;
}

GLuint buildProgram(const char* name, const char* vertexSource, const char* fragmentSource)
{
    GLuint program = 0;
    std::string firstLogLine;
    switch (buildQuietly(vertexSource, fragmentSource, program, firstLogLine))
    {
    case QuietBuild::NotCompiled:
        printf("%s shader did not compile: %s\n", name, firstLogLine.c_str());
        break;
    case QuietBuild::NotLinked:
        printf("%s program did not link\n", name);
        break;
    case QuietBuild::Built:
        break;
    }
    return program;
}

// The source with "#define name" on the line after its #version line (GLSL allows nothing before
// #version), or at the top when it has none.
static std::string withDefine(const std::string& source, const char* name)
{
    std::string define = "\n#define " + std::string(name);
    size_t version = source.find("#version");
    if (version == std::string::npos)
    {
        return define + source;
    }
    size_t lineEnd = source.find('\n', version);
    if (lineEnd == std::string::npos)
    {
        return source + define;
    }
    return source.substr(0, lineEnd) + define + source.substr(lineEnd);
}

GLuint loadShaderVariant(const char* vertexFilePath, const char* fragmentFilePath, const char* defineName)
{
    std::string vertexSource;
    std::string fragmentSource;
    if (!readShaderSource(vertexFilePath, vertexSource) ||
        !readShaderSource(fragmentFilePath, fragmentSource))
    {
        printf("Cannot read %s or %s for their %s variant\n", vertexFilePath, fragmentFilePath, defineName);
        return 0;
    }
    GLuint program = 0;
    std::string firstLogLine;
    if (buildQuietly(withDefine(vertexSource, defineName).c_str(), withDefine(fragmentSource, defineName).c_str(),
                     program, firstLogLine) != QuietBuild::Built)
    {
        printf("The %s variant of %s and %s does not build\n", defineName, vertexFilePath, fragmentFilePath);
    }
    return program;
}
