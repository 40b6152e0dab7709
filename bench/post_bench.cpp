// Frame cost of the post-processing pipeline at 1280x720 against a floor that runs the same passes
// and swap with pass-through shaders (one texture fetch per pass). Run it under Xvfb; every
// frame ends with glFinish, so the times are the GPU's (llvmpipe's) work, not just submission.
//
//   post_bench [game folder, "" for the build's own] [frames per variant] [screenshot prefix]

#include "render/gl.h"
#include "render/model.h"
#include "render/post.h"
#include "render/shader.h"

#include "pass_through.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

const int width = 1280;
const int height = 720;

const char* floorSceneVertex = R"(#version 440 core
layout(location = 0) in vec3 vertexPosition;
layout(location = 1) in vec2 vertexUV;
uniform mat4 MVP;
out vec2 uv;
void main()
{
    uv = vertexUV;
    gl_Position = MVP * vec4(vertexPosition, 1.0);
})";

const char* floorSceneFragment = R"(#version 440 core
in vec2 uv;
uniform sampler2D textureSampler;
layout(location = 0) out vec4 color;
layout(location = 1) out vec4 color2;
layout(location = 2) out vec4 bright;
void main()
{
    color = texture(textureSampler, uv);
    color2 = color;
    bright = color;
})";

// A unit UV sphere as OBJ, for when the game folder holds no generated models yet.
void writeSphereObj(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "w");
    const int rings = 16;
    const int segments = 24;
    for (int r = 0; r <= rings; ++r)
    {
        for (int s = 0; s <= segments; ++s)
        {
            float theta = 3.14159265f * r / rings;
            float phi = 6.2831853f * s / segments;
            glm::vec3 p(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
            fprintf(file, "v %f %f %f\nvt %f %f\nvn %f %f %f\n", p.x, p.y, p.z, float(s) / segments,
                    float(r) / rings, p.x, p.y, p.z);
        }
    }
    for (int r = 0; r < rings; ++r)
    {
        for (int s = 0; s < segments; ++s)
        {
            int a = r * (segments + 1) + s + 1;
            int b = a + segments + 1;
            fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, a + 1, a + 1, a + 1);
            fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a + 1, a + 1, a + 1, b, b, b, b + 1, b + 1,
                    b + 1);
        }
    }
    fclose(file);
}

// A 64x64 grey-brown checker as a 24-bit BMP.
void writeCheckerBmp(const std::string& path)
{
    const int side = 64;
    unsigned char header[54] = {'B', 'M'};
    int pixelBytes = side * side * 3;
    int fileSize = 54 + pixelBytes;
    int info[] = {fileSize, 0, 54, 40, side, side};
    for (int i = 0; i < 6; ++i)
    {
        for (int b = 0; b < 4; ++b)
        {
            header[2 + i * 4 + b] = static_cast<unsigned char>(info[i] >> (8 * b));
        }
    }
    header[26] = 1;
    header[28] = 24;
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(header, 1, sizeof(header), file);
    for (int i = 0; i < side * side; ++i)
    {
        bool dark = ((i % side) / 8 + (i / side) / 8) % 2 == 0;
        unsigned char bgr[3] = {static_cast<unsigned char>(dark ? 70 : 110),
                                static_cast<unsigned char>(dark ? 90 : 130),
                                static_cast<unsigned char>(dark ? 100 : 150)};
        fwrite(bgr, 1, 3, file);
    }
    fclose(file);
}

// The camera Model::draw is given, moved between frames by the bench itself.
struct BenchCamera
{
    glm::mat4 projection = glm::perspective(45.0f, float(width) / float(height), 0.1f, 500.0f);
    glm::mat4 view;
};

// The Sun, the Earth and 101 asteroids placed like the level's, all drawn with one program.
struct SceneSet
{
    Model* sun = nullptr;
    Model* earth = nullptr;
    Model* asteroid = nullptr;
};

struct Content
{
    std::string sunPath, asteroidPath, earthPath, texturePath;
    float sunScale = 1.0f, asteroidScale = 1.0f, earthScale = 1.0f;
    std::vector<glm::vec3> asteroidPositions;
};

SceneSet buildScene(const Content& content, GLuint program)
{
    SceneSet set;
    const char* texture = content.texturePath.c_str();
    set.sun = new Model(content.sunPath.c_str(), glm::mat4(1.0f), texture, program);
    set.earth = new Model(content.earthPath.c_str(), glm::mat4(1.0f), texture, program);
    set.asteroid = new Model(content.asteroidPath.c_str(), glm::mat4(1.0f), texture, program);
    return set;
}

void drawSceneSet(SceneSet& set, const Content& content, BenchCamera& camera)
{
    for (const glm::vec3& position : content.asteroidPositions)
    {
        set.asteroid->draw(
            glm::scale(glm::translate(glm::mat4(1.0f), position), glm::vec3(content.asteroidScale)),
            camera.projection, camera.view);
    }
    set.earth->draw(glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(-20.0f, 60.0f, 75.0f)),
                               glm::vec3(content.earthScale)),
                    camera.projection, camera.view);
    set.sun->draw(glm::scale(glm::mat4(1.0f), glm::vec3(content.sunScale)), camera.projection, camera.view);
}

struct Variant
{
    const char* name;
    GLuint sceneProgram;
    GLuint blurProgram;
    GLuint compositeProgram;
    SceneSet scene;
    float turnPerFrame; // radians of yaw per frame
    std::vector<double> frameMs;
    // Per-stage times of the separate breakdown run: scene, blur, composite, swap.
    std::vector<double> stageMs[4];
    glm::mat4 previousViewProjection = glm::mat4(1.0f);
    float yaw = 0.0f;
    bool lighterComposites = true; // the real composite's still and turning builds; not for the floor
};

// Points postProgram and its kept locations at the given composite program.
void selectComposite(GLuint program)
{
    postProgram = program;
    fboTextureLocation = glGetUniformLocation(program, "fboTexture");
    fboTexture2Location = glGetUniformLocation(program, "fboTexture2");
    fboDepthTextureLocation = glGetUniformLocation(program, "fboDepthTexture");
    inverseVPLocation = glGetUniformLocation(program, "inverseVP");
    previousVPLocation = glGetUniformLocation(program, "previousVP");
    bloomBlurLocation = glGetUniformLocation(program, "bloomBlur");
}

glm::mat4 cameraView(float yaw)
{
    glm::vec3 eye(-22.0f, 4.0f, -22.0f);
    glm::vec3 ahead = glm::normalize(glm::vec3(30.0f, 14.0f, 30.0f) - eye);
    glm::vec3 direction =
        glm::vec3(glm::rotate(glm::mat4(1.0f), yaw, glm::vec3(0.0f, 1.0f, 0.0f)) * glm::vec4(ahead, 0.0f));
    return glm::lookAt(eye, eye + direction, glm::vec3(0.0f, 1.0f, 0.0f));
}

void saveScreenshot(const std::string& path)
{
    std::vector<unsigned char> pixels(width * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = fopen(path.c_str(), "wb");
    fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y)
    {
        fwrite(&pixels[y * width * 3], 1, width * 3, file);
    }
    fclose(file);
}

// One frame as the game runs it: scene pass, blur passes, composite, swap; then wait for the GPU.
// Milliseconds since start; with a breakdown requested it first waits for the GPU and records the stage.
double lap(std::chrono::steady_clock::time_point start, std::vector<double>* stage, double& previous)
{
    if (stage == nullptr)
    {
        return 0.0;
    }
    glFinish();
    double now = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    stage->push_back(now - previous);
    previous = now;
    return now;
}

double runFrame(GLFWwindow* window, Variant& variant, const Content& content, BenchCamera& camera,
                const std::string& screenshotPath = "", bool breakdown = false)
{
    auto start = std::chrono::steady_clock::now();
    double previousLap = 0.0;
    // The turn swings back and forth so the camera keeps the scene in view.
    variant.yaw += variant.turnPerFrame;
    if (std::fabs(variant.yaw) > 0.3f)
    {
        variant.turnPerFrame = -variant.turnPerFrame;
    }
    camera.view = cameraView(variant.yaw);

    beginScenePass(width, height);
    glUseProgram(variant.sceneProgram);
    drawSceneSet(variant.scene, content, camera);
    lap(start, breakdown ? &variant.stageMs[0] : nullptr, previousLap);

    // As the game's frame: the blur over the Sun's box, the lighter composites for the real shaders.
    beginWindowPass(width, height, false);
    ScreenBox sunBox{};
    int boxCount = sphereScreenBox(camera.projection * camera.view, glm::vec3(0.0f), sunGlowRadius, width,
                                   height, sunBox)
                       ? 1
                       : 0;
    GLuint bloom = runBlurPasses(variant.blurProgram, &sunBox, boxCount);
    lap(start, breakdown ? &variant.stageMs[1] : nullptr, previousLap);
    selectComposite(variant.compositeProgram);
    postSavings.lighterComposites = variant.lighterComposites;
    setUpComposite(width, height, bloom);
    drawComposite(camera.projection, camera.view, variant.previousViewProjection);
    if (!screenshotPath.empty())
    {
        saveScreenshot(screenshotPath);
    }
    lap(start, breakdown ? &variant.stageMs[2] : nullptr, previousLap);
    glfwSwapBuffers(window);
    glFinish();
    lap(start, breakdown ? &variant.stageMs[3] : nullptr, previousLap);
    glfwPollEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * (values.size() - 1) + 0.5));
    return values[index];
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

Content chooseContent(const std::string& scratch)
{
    Content content;
    if (access("Models/sun.obj", R_OK) == 0 && access("Models/newAsteroid.obj", R_OK) == 0 &&
        access("Models/massiveEarth.obj", R_OK) == 0 && access("Texture/asteroid_texture.bmp", R_OK) == 0)
    {
        content.sunPath = "Models/sun.obj";
        content.asteroidPath = "Models/newAsteroid.obj";
        content.earthPath = "Models/massiveEarth.obj";
        content.texturePath = "Texture/asteroid_texture.bmp";
        printf("scene: the game's generated models\n");
    }
    else
    {
        writeSphereObj(scratch + "/sphere.obj");
        writeCheckerBmp(scratch + "/checker.bmp");
        content.sunPath = content.asteroidPath = content.earthPath = scratch + "/sphere.obj";
        content.texturePath = scratch + "/checker.bmp";
        content.sunScale = 8.0f;
        content.asteroidScale = 0.8f;
        content.earthScale = 10.0f;
        printf("scene: generated spheres (no models in the game folder)\n");
    }
    // The level's asteroid cloud: integer coordinates 0 to 70 drawn z, y, x.
    for (int i = 0; i < 101; ++i)
    {
        float z = float(rand() % 71);
        float y = float(rand() % 71);
        float x = float(rand() % 71);
        content.asteroidPositions.push_back(glm::vec3(x, y, z));
    }
    return content;
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = gameFolder(argc, argv);
    int frames = argc > 2 ? atoi(argv[2]) : 200;
    std::string screenshotPrefix = argc > 3 ? argv[3] : "";
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
    // The game's own window: single-sampled without depth or stencil, 4.4 core, no swap interval.
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 4);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    GLFWwindow* window = glfwCreateWindow(width, height, "Velmora post bench", nullptr, nullptr);
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
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearColor(0.0f, 0.0f, 0.04f, 1.0f);

    char scratchTemplate[] = "/tmp/velmora-post-bench-XXXXXX";
    std::string scratch = mkdtemp(scratchTemplate);
    createPostProcessing(width, height);
    GLuint realComposite = postProgram;
    GLuint realScene = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
    GLuint realBlur = loadShaders("Shader/gaussBlurVertexShader.glsl", "Shader/gaussBlurFragmentShader.glsl");
    GLuint floorScene = loadInlineProgram(scratch, "scene", floorSceneVertex, floorSceneFragment);
    GLuint floorBlur = loadInlineProgram(scratch, "blur", passThroughQuadVertex, passThroughBlurFragment);
    GLuint floorComposite = loadInlineProgram(scratch, "composite", passThroughQuadVertex, passThroughCompositeFragment);

    Content content = chooseContent(scratch);
    SceneSet realSet = buildScene(content, realScene);
    SceneSet floorSet = buildScene(content, floorScene);
    BenchCamera camera;

    // About 20 pixels of smear at the screen's edge per frame while turning.
    std::vector<Variant> variants = {
        {"full (still camera)", realScene, realBlur, realComposite, realSet, 0.0f, {}, {}},
        {"floor", floorScene, floorBlur, floorComposite, floorSet, 0.0f, {}, {}},
        {"full (turning camera)", realScene, realBlur, realComposite, realSet, 0.02f, {}, {}},
    };
    variants[1].lighterComposites = false;

    // Warm up every variant (shader variants get compiled by the driver on first use), then
    // alternate in short blocks so drifts in machine load hit every variant alike.
    for (Variant& variant : variants)
    {
        for (int i = 0; i < 10; ++i)
        {
            bool last = i == 9 && !screenshotPrefix.empty();
            std::string shot = screenshotPrefix + "-" + std::to_string(&variant - variants.data()) + ".ppm";
            runFrame(window, variant, content, camera, last ? shot : "");
        }
    }
    const int block = 10;
    for (int done = 0; done < frames; done += block)
    {
        for (Variant& variant : variants)
        {
            for (int i = 0; i < block; ++i)
            {
                variant.frameMs.push_back(runFrame(window, variant, content, camera));
            }
        }
    }

    printf("\n%d frames per variant at %dx%d\n", frames, width, height);
    double floorMedian = percentile(variants[1].frameMs, 0.5);
    double floorP90 = percentile(variants[1].frameMs, 0.9);
    for (const Variant& variant : variants)
    {
        double median = percentile(variant.frameMs, 0.5);
        double p90 = percentile(variant.frameMs, 0.9);
        printf("%-24s median %7.2f ms  p90 %7.2f ms  median/floor %.3f  p90/floor %.3f\n", variant.name,
               median, p90, median / floorMedian, p90 / floorP90);
    }

    // A separate, shorter run that waits after every stage, to show where the time goes.
    for (int i = 0; i < 30; ++i)
    {
        for (Variant& variant : variants)
        {
            runFrame(window, variant, content, camera, "", true);
        }
    }
    printf("\nmedian per stage (GPU waited for after each)\n");
    for (const Variant& variant : variants)
    {
        printf("%-24s scene %6.2f  blur %6.2f  composite %6.2f  swap %6.2f ms\n", variant.name,
               percentile(variant.stageMs[0], 0.5), percentile(variant.stageMs[1], 0.5),
               percentile(variant.stageMs[2], 0.5), percentile(variant.stageMs[3], 0.5));
    }
    glfwTerminate();
    return 0;
}
