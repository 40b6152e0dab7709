#include "render/shader.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Reads a GLSL file as the driver gets it: a line feed before every line, none at the end, so a file
// with or without a final line feed gives the same text. Returns false when the file cannot be opened.
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
            source += "\n" + line;
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
        source += "\n" + line;
    }
    fclose(file);
    return true;
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
        printf("%s\n", log.data());
    }
}

static void compileShader(GLuint shader, const char* path, const std::string& source)
{
    printf("Compiling shader: %s\n", path);
    const char* text = source.c_str();
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
    printf("Not possible to open %s. Right directory?", path);
    fflush(stdout);
    getchar();
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
        printf("%s\n", log.data());
    }

    // The linked program keeps its own copy of the code; the shader objects are no longer needed.
    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return program;
}

static GLuint compileStage(const char* name, GLenum type, const char* source)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE)
    {
        char log[256] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        log[strcspn(log, "\n")] = '\0';
        printf("%s shader did not compile: %s\n", name, log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint buildProgram(const char* name, const char* vertexSource, const char* fragmentSource)
{
    GLuint vertexShader = compileStage(name, GL_VERTEX_SHADER, vertexSource);
    GLuint fragmentShader = compileStage(name, GL_FRAGMENT_SHADER, fragmentSource);
    if (vertexShader == 0 || fragmentShader == 0)
    {
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE)
    {
        printf("%s program did not link\n", name);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
