// The level as it starts, drawn by the desktop build as the page draws its still picture
// (index.html?still): the game's own frames in a hidden window on Mesa's software renderer, with the
// clock standing at 0, so nothing moves. The view is turned by the mouse, TURN pixels to the left,
// between the first frame and the second; the frames after that show the same still picture. Writes
// the window's picture, display included, as a binary PPM.
//
//   web_still_frame WIDTH HEIGHT TURN OUT.ppm
#include "app/frame_loop.h"
#include "app/startup.h"
#include "render/gl.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5)
    {
        fprintf(stderr, "usage: web_still_frame WIDTH HEIGHT TURN OUT.ppm\n");
        return 2;
    }
    int width = atoi(argv[1]);
    int height = atoi(argv[2]);
    int turn = atoi(argv[3]);
    const char* out = argv[4];
    GLFWwindow* context = createTestContext(width, height);
    if (context == nullptr || width <= 0 || height <= 0 || chdir(VELMORA_GAME_DIR) != 0)
    {
        fprintf(stderr, "web_still_frame: no %dx%d window (a display?) or no game folder %s\n", width, height,
                VELMORA_GAME_DIR);
        return 1;
    }
    windowWidth = width;
    windowHeight = height;
    ScriptedWindow still;
    still.windowSize = still.framebufferSize = glm::ivec2(width, height);
    still.cursor = glm::dvec2(width / 2, height / 2);
    GameLoop loop;
    loop.window = &still;
    createRendering(width, height);
    createGame(loop);
    // The first frame only centres the cursor; the second turns; the third and fourth stand still.
    glm::dvec2 centre = still.cursor;
    for (int frame = 0; frame < 4; frame++)
    {
        still.cursor = frame == 1 ? centre - glm::dvec2(turn, 0.0) : still.cursor;
        runFrame(loop);
    }

    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE* file = fopen(out, "wb");
    if (file == nullptr)
    {
        fprintf(stderr, "web_still_frame: cannot write %s\n", out);
        return 1;
    }
    fprintf(file, "P6\n%d %d\n255\n", width, height);
    // GL's rows run bottom up, a picture's top down.
    for (int row = height - 1; row >= 0; row--)
    {
        fwrite(rgb.data() + static_cast<size_t>(row) * width * 3, 1, static_cast<size_t>(width) * 3, file);
    }
    fclose(file);
    destroyTestContext(context);
    return 0;
}
