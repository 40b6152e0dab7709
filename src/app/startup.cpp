#include "app/startup.h"

#include "app/config.h"
#include "app/data_paths.h"
#include "app/frame_loop.h"
#include "render/gl.h"

#include <GLFW/glfw3.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int windowWidth = 0;
int windowHeight = 0;
bool fullScreen = false;
GLFWwindow* window = nullptr;

// Every off-screen texture is as large as the window, and no renderer we run on holds a texture
// wider or taller than this (pixels).
static const int maxWindowSize = 16384;

// Finds the game's data and makes its folder the working directory, so every file of the game is
// read by its plain relative name; leaves the path of the config.txt to read. Prints one line and
// returns false when there is no data to be found.
static bool enterGameFolder(std::string& configPath)
{
    GameFolders folders;
    if (!findGameFolders(getWorkingDir(), getExecutablePath(), folders))
    {
        return false;
    }
    if (!folders.inWorkingDir)
    {
        if (chdir(folders.dataDir.c_str()) != 0)
        {
            fprintf(stderr, "Cannot enter the game data folder %s: %s\n", folders.dataDir.c_str(),
                    strerror(errno));
            return false;
        }
        // Every later message names its file relative to this folder.
        printf("Game data: %s; window settings: %s\n", folders.dataDir.c_str(), folders.configPath.c_str());
    }
    configPath = folders.configPath;
    return true;
}

// Says which config.txt gave no usable window size, and why, before the start-up failure itself.
static void explainWindowSize(const std::string& configPath, const WindowConfig& config)
{
    FILE* file = fopen(configPath.c_str(), "rb");
    if (file == nullptr)
    {
        fprintf(stderr, "No window size: cannot read %s (%s)\n", configPath.c_str(), strerror(errno));
        return;
    }
    fclose(file);
    fprintf(stderr,
            "Unusable window size %dx%d in %s: its first two lines must be the width and height, 1 to %d "
            "pixels\n",
            config.width, config.height, configPath.c_str(), maxWindowSize);
}

int init()
{
    std::string configPath;
    if (!enterGameFolder(configPath))
    {
        fprintf(stderr, "Failed to open GLFW window!\n");
        return -1;
    }
    WindowConfig config = readConfigFile(configPath.c_str());
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
        window =
            glfwCreateWindow(windowWidth, windowHeight, "Velmora", fullScreen ? monitor : nullptr, nullptr);
    }
    else
    {
        explainWindowSize(configPath, config);
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

    createRendering(windowWidth, windowHeight);
    return 0;
}
