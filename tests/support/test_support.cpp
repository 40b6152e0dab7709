#include "support/test_support.h"

#include "render/gl.h"

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

static GLFWwindow* tryCreateContext(int width, int height)
{
    if (!glfwInit())
    {
        return nullptr;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "Velmora test", nullptr, nullptr);
    if (window == nullptr)
    {
        glfwTerminate();
        return nullptr;
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
    {
        glfwDestroyWindow(window);
        glfwTerminate();
        return nullptr;
    }
    glGetError(); // GLEW leaves a harmless GL_INVALID_ENUM behind on core contexts
    return window;
}

GLFWwindow* createTestContext(int width, int height)
{
    if (getenv("DISPLAY") == nullptr)
    {
        return nullptr;
    }
    // A busy display server can refuse a connection for a moment; a display that never gives a
    // context is a failure, not a reason to skip.
    for (int attempt = 0; attempt < 5; attempt++)
    {
        if (GLFWwindow* window = tryCreateContext(width, height))
        {
            return window;
        }
        usleep(200 * 1000);
    }
    fprintf(stderr, "No OpenGL 4.4 core context on display %s\n", getenv("DISPLAY"));
    abort();
}

void destroyTestContext(GLFWwindow* window)
{
    if (window != nullptr)
    {
        glfwDestroyWindow(window);
        glfwTerminate();
    }
}

static std::string captureStream(FILE* stream, int fd, const std::function<void()>& body)
{
    fflush(stream);
    char path[] = "/tmp/velmora-capture-XXXXXX";
    int tempFd = mkstemp(path);
    int saved = dup(fd);
    dup2(tempFd, fd);
    body();
    fflush(stream);
    dup2(saved, fd);
    close(saved);
    close(tempFd);
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path);
    return text;
}

std::string captureStdout(const std::function<void()>& body)
{
    return captureStream(stdout, STDOUT_FILENO, [&] {
        body();
        std::fflush(stdout);
    });
}

std::string captureStderr(const std::function<void()>& body)
{
    return captureStream(stderr, STDERR_FILENO, body);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string makeScratchDir(const std::string& name)
{
    std::string dir = "/tmp/velmora-test-" + name + "-" + std::to_string(getpid());
    std::string command = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
    if (system(command.c_str()) != 0)
    {
        return "/tmp";
    }
    return dir;
}
