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

// Compiles one stage without a word on the console; false when the driver refuses it.
static bool compileQuietly(GLuint shader, const std::string& source)
{
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE;
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
    GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    GLuint program = glCreateProgram();
    bool built = compileQuietly(vertexShader, withDefine(vertexSource, defineName)) &&
                 compileQuietly(fragmentShader, withDefine(fragmentSource, defineName));
    if (built)
    {
        glAttachShader(program, vertexShader);
        glAttachShader(program, fragmentShader);
        glLinkProgram(program);
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        built = status == GL_TRUE;
        glDetachShader(program, vertexShader);
        glDetachShader(program, fragmentShader);
    }
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    if (!built)
    {
        printf("The %s variant of %s and %s does not build\n", defineName, vertexFilePath, fragmentFilePath);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
