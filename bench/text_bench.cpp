// Cost of the heads-up display's text module: start-up (FreeType rasterising the size ladder into the
// atlas and the upload), atlas memory, and the GPU time of one overlay at 1280x720 with about 300
// characters and a few rectangles, against a floor that does everything but the overlay. Run it under
// Xvfb; every measured frame waits for the GPU with glFinish, so the times are llvmpipe's work. The
// process's CPU time is printed beside the wall-clock time: on a machine shared with other work it
// is the steadier measure of what llvmpipe spends.
//
//   text_bench [game folder, "" for the build's own] [frames per variant] [window samples, 2 as the game]

#include "render/gl.h"
#include "text/text.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

const int width = 1280;
const int height = 720;
const char* fontPath = "Font/DejaVuSans-Bold.ttf";

// What the display shows at its busiest: counters, the help panel, the pause notice and an outcome.
const char* counterLines[] = {"3 / 14", "Time 01:23", "Danger 137 m", "60 FPS"};
const char* helpLines[] = {
    "Mouse  look around",        "W / S  fly forwards / backwards",
    "D / A  fly right / left",   "Space  fire the projectile",
    "F1  help on / off",         "F2  frame time on the console",
    "F3  wire frame on / off",   "F4  texture sampling",
    "F5  mip-mapping",           "F8  view-frustum culling on / off",
    "F9  transparency on / off", "Escape  quit",
};

// CPU time of every thread of this process, llvmpipe's rasteriser threads included.
double processCpuMilliseconds()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * (values.size() - 1) + 0.5));
    return values[index];
}

int printable(const char* text)
{
    int count = 0;
    for (const char* c = text; *c != '\0'; ++c)
    {
        count += (*c > ' ' && *c < 127) ? 1 : 0;
    }
    return count;
}

// What a variant puts on the screen besides the text.
enum Shapes
{
    noShapes,
    smallShapes, // the aim bracket's eight one-pixel lines and a panel behind the counters
    allShapes,   // and a panel behind the help
};

struct Variant
{
    const char* name;
    bool overlay;
    Shapes shapes;
    std::vector<double> frameMs;
    std::vector<double> cpuMs;
    std::vector<double> queueMs;
};

// Queues one frame's display, laid out by the window height as the game would; returns the
// characters with ink and counts the rectangles.
int queueDisplay(Shapes shapes, int& rectangles)
{
    const float body = height / 40.0f;
    const glm::vec4 white(1.0f, 1.0f, 1.0f, 1.0f);
    const glm::vec4 panel(0.0f, 0.0f, 0.05f, 0.6f);
    int characters = 0;
    rectangles = 0;

    if (shapes != noShapes)
    {
        addRect(body * 0.25f, body * 0.25f, body * 7.0f, body * 5.0f, panel);
        ++rectangles;
    }
    float y = body * 0.5f;
    for (const char* line : counterLines)
    {
        addText(line, body * 0.5f, y, body, white);
        characters += printable(line);
        y += measureText(line, body).y;
    }

    float helpX = width * 0.62f;
    float helpY = body;
    if (shapes == allShapes)
    {
        addRect(helpX - body * 0.5f, helpY - body * 0.5f, width * 0.36f, body * 14.5f, panel);
        ++rectangles;
    }
    for (const char* line : helpLines)
    {
        addText(line, helpX, helpY, body, white);
        characters += printable(line);
        helpY += measureText(line, body).y;
    }

    // The aim bracket: four corners of two one-pixel lines each around a target.
    if (shapes != noShapes)
    {
        const float cx = 640.0f, cy = 360.0f, half = 40.0f, arm = 12.0f;
        for (int corner = 0; corner < 4; ++corner)
        {
            float x = corner % 2 == 0 ? cx - half : cx + half - arm;
            float yEdge = corner < 2 ? cy - half : cy + half - 1.0f;
            addRect(x, yEdge, arm, 1.0f, white);
            float xEdge = corner % 2 == 0 ? cx - half : cx + half - 1.0f;
            float yArm = corner < 2 ? cy - half : cy + half - arm;
            addRect(xEdge, yArm, 1.0f, arm, white);
            rectangles += 2;
        }
    }

    const char* paused = "PAUSED";
    glm::vec2 size = measureText(paused, height / 12.0f);
    addText(paused, (width - size.x) * 0.5f, (height - size.y) * 0.5f, height / 12.0f, white);
    characters += printable(paused);
    const char* outcome = "GAME OVER: EARTH IS NO MORE!!!";
    size = measureText(outcome, height / 24.0f);
    addText(outcome, (width - size.x) * 0.5f, height * 0.7f, height / 24.0f,
            glm::vec4(1.0f, 0.3f, 0.3f, 1.0f));
    characters += printable(outcome);
    return characters;
}

std::string gameFolder(int argc, char** argv)
{
    if (argc > 1 && argv[1][0] != '\0')
    {
        return argv[1];
    }
    // The build puts this program in bench/ beside the game folder.
    char self[4096] = {};
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    std::string path(self, length > 0 ? static_cast<size_t>(length) : 0);
    return path.substr(0, path.find_last_of('/')) + "/../game";
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = gameFolder(argc, argv);
    int frames = argc > 2 ? atoi(argv[2]) : 300;
    int samples = argc > 3 ? atoi(argv[3]) : 2;
    if (chdir(folder.c_str()) != 0)
    {
        fprintf(stderr, "Cannot enter the game folder %s\n", folder.c_str());
        return -1;
    }
    if (!glfwInit())
    {
        fprintf(stderr, "Failed to initialize GLFW\n");
        return -1;
    }
    // The game's own window asks for 2 samples a pixel; the overlay is drawn into it.
    glfwWindowHint(GLFW_SAMPLES, samples);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    GLFWwindow* window = glfwCreateWindow(width, height, "Velmora text bench", nullptr, nullptr);
    if (window == nullptr)
    {
        fprintf(stderr, "Failed to open GLFW window!\n");
        glfwTerminate();
        return -1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
    {
        fprintf(stderr, "Failed to initialize GLEW!\n");
        return -1;
    }
    glGetError();

    // Start-up: the first run reads the font from disk; the later ones show the steady cost.
    std::vector<double> startMs;
    for (int run = 0; run < 6; ++run)
    {
        glFinish();
        auto start = std::chrono::steady_clock::now();
        if (!createText(fontPath))
        {
            return -1;
        }
        glFinish();
        startMs.push_back(millisecondsSince(start));
    }
    glm::ivec2 atlas = getTextAtlasSize();
    printf("start-up (createText, with upload): first %.1f ms, median of the next five %.1f ms\n", startMs[0],
           percentile(std::vector<double>(startMs.begin() + 1, startMs.end()), 0.5));
    printf("atlas: %dx%d texels, one byte each: %.2f MB\n", atlas.x, atlas.y,
           static_cast<double>(atlas.x) * atlas.y / (1024.0 * 1024.0));

    // The variants alternate in short blocks, so drifts in machine load hit all alike. Each frame
    // clears, waits for the GPU, then times the overlay's queuing and drawing to the GPU's end.
    std::vector<Variant> variants = {
        {"floor (clear and wait)", false, noShapes, {}, {}, {}},
        {"text", true, noShapes, {}, {}, {}},
        {"text, bracket, small panel", true, smallShapes, {}, {}, {}},
        {"all, with the help panel", true, allShapes, {}, {}, {}},
    };
    int characters = 0;
    int rectangles = 0;
    glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
    const int block = 10;
    for (int done = -block; done < frames; done += block)
    {
        for (Variant& variant : variants)
        {
            for (int i = 0; i < block; ++i)
            {
                glBindFramebuffer(GL_FRAMEBUFFER, 0);
                glViewport(0, 0, width, height);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glFinish();
                auto start = std::chrono::steady_clock::now();
                double cpuStart = processCpuMilliseconds();
                double queued = 0.0;
                if (variant.overlay)
                {
                    beginOverlay(width, height);
                    characters = queueDisplay(variant.shapes, rectangles);
                    queued = millisecondsSince(start);
                    drawOverlay();
                }
                glFinish();
                double elapsed = millisecondsSince(start);
                double cpu = processCpuMilliseconds() - cpuStart;
                // The first block is a warm-up: the driver compiles shader variants on first use.
                if (done >= 0)
                {
                    variant.frameMs.push_back(elapsed);
                    variant.cpuMs.push_back(cpu);
                    variant.queueMs.push_back(queued);
                }
                glfwSwapBuffers(window);
                glfwPollEvents();
            }
        }
    }

    GLint windowSamples = 0;
    glGetIntegerv(GL_SAMPLES, &windowSamples);
    printf("\n%d frames per variant at %dx%d, %d samples a pixel in the window; %d characters\n", frames,
           width, height, windowSamples, characters);
    printf("%-28s %23s %23s %23s\n", "", "wall median / p10 (ms)", "over the floor", "CPU over the floor");
    const Variant& floor = variants[0];
    for (const Variant& variant : variants)
    {
        printf("%-28s %11.3f / %7.3f %11.3f / %7.3f %11.3f / %7.3f   queuing %5.3f ms\n", variant.name,
               percentile(variant.frameMs, 0.5), percentile(variant.frameMs, 0.1),
               percentile(variant.frameMs, 0.5) - percentile(floor.frameMs, 0.5),
               percentile(variant.frameMs, 0.1) - percentile(floor.frameMs, 0.1),
               percentile(variant.cpuMs, 0.5) - percentile(floor.cpuMs, 0.5),
               percentile(variant.cpuMs, 0.1) - percentile(floor.cpuMs, 0.1),
               percentile(variant.queueMs, 0.5));
    }
    printf("(%d rectangles in the last variant)\n", rectangles);

    destroyText();
    glfwTerminate();
    return 0;
}
