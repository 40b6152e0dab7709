#include "app/startup.h"

#include "app/config.h"
#include "render/gl.h"
#include "render/post.h"

#include <GLFW/glfw3.h>

#include <cstdio>

int windowWidth = 0;
int windowHeight = 0;
bool fullScreen = false;
GLFWwindow* window = nullptr;

// Every off-screen texture is as large as the window, and no renderer we run on holds a texture
// wider or taller than this (pixels).
static const int maxWindowSize = 16384;

int init()
{
    WindowConfig config = readConfigFile("config.txt");
    windowWidth = config.width;
    windowHeight = config.height;
    fullScreen = config.fullScreen;

    if (!glfwInit())
    {
        fprintf(stderr, "Failed to initialize GLFW\n");
        return -1;
    }

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    // The window's own framebuffer only ever receives the composite's one full-screen quad, which
    // covers every pixel whole: samples, depth and stencil would change no pixel and cost every frame.
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_REFRESH_RATE, mode != nullptr ? mode->refreshRate : GLFW_DONT_CARE);

    // A size that is not positive never reaches GLFW, whose checks abort on negative ones; nor
    // does one beyond what the off-screen textures can hold, which the window system would not
    // survive either.
    if (windowWidth > 0 && windowHeight > 0 && windowWidth <= maxWindowSize && windowHeight <= maxWindowSize)
    {
        window = glfwCreateWindow(windowWidth, windowHeight, "Velmora", fullScreen ? monitor : nullptr, nullptr);
    }
    if (window == nullptr)
    {
        fprintf(stderr, "Failed to open GLFW window!\n");
        glfwTerminate();
        return -1;
    }
    glfwMakeContextCurrent(window);
    // Full screen on a screen of another size gives another framebuffer: draw at what we got.
    glfwGetFramebufferSize(window, &windowWidth, &windowHeight);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
    {
        fprintf(stderr, "Failed to initialize GLEW!\n");
        return -1;
    }
    glGetError(); // GLEW leaves a harmless GL_INVALID_ENUM behind on core contexts

    // A key pressed and released between two polls is still seen once.
    glfwSetInputMode(window, GLFW_STICKY_KEYS, 1);
    // Hidden but not captured: the player recentres the cursor for mouse look.
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    // A very dark blue: also what every scene output holds where nothing is drawn.
    glClearColor(0.0f, 0.0f, 0.04f, 1.0f);

    createPostProcessing(windowWidth, windowHeight);
    return 0;
}
