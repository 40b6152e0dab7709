#include "screenshot/screenshot.h"

#include "platform/web/web_page.h"
#include "render/gl.h"

#include <cstdio>
#include <ctime>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

// A page has no pictures folder and no threads: the picture is read, made a PNG at once and handed
// to the browser's downloads, under the name the desktop gives it. The folder is not used.

static void appendBytes(void* context, void* data, int size)
{
    auto* png = static_cast<std::vector<uint8_t>*>(context);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    png->insert(png->end(), bytes, bytes + size);
}

void takeScreenshot(int width, int height, const std::string&)
{
    if (width <= 0 || height <= 0)
    {
        return;
    }
    // The canvas's own picture, read before the browser shows it; WebGL reads four bytes a pixel.
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    GLint readFramebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    // Every pixel opaque, as the composite writes them; rows top first in the file.
    for (size_t alpha = 3; alpha < pixels.size(); alpha += 4)
    {
        pixels[alpha] = 255;
    }
    std::vector<uint8_t> png;
    stbi_flip_vertically_on_write(1);
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, 4, pixels.data(), width * 4))
    {
        printf("Screenshot: cannot make a PNG of %dx%d pixels\n", width, height);
        return;
    }
    char stamp[32];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof(stamp), "%Y-%m-%d %H-%M-%S", &local);
    std::string name = "Velmora " + std::string(stamp) + ".png";
    offerDownload(name, png.data(), png.size());
    printf("Screenshot: %s, to the browser's downloads\n", name.c_str());
}

// Nothing is left to write: each screenshot is whole when takeScreenshot returns.
void finishScreenshots() {}
