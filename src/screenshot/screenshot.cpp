#include "screenshot/screenshot.h"

#include "files/player_files.h"
#include "render/gl.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace
{
// One picture on its way to a file: BGRA rows bottom up, as GL reads them.
struct Picture
{
    std::vector<unsigned char> pixels;
    int width = 0;
    int height = 0;
    std::string folder;
    std::string stamp; // the moment it was taken, for its name
};

// The writer thread and what waits for it. Buffers come back from the writer to be read into again,
// so a screenshot allocates only when several are in flight at once.
struct Writer
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Picture> waiting;
    std::vector<std::vector<unsigned char>> spare;
    bool busy = false;
    bool stopping = false;
    std::thread thread;
};

Writer writer;

// stb's writer hands the PNG over in pieces; a failed piece marks the file broken (descriptor -1).
void writeToFile(void* context, void* data, int size)
{
    int& descriptor = *static_cast<int*>(context);
    if (descriptor >= 0 && !writeAll(descriptor, static_cast<const char*>(data), static_cast<size_t>(size)))
    {
        descriptor = -1;
    }
}

// Writes one picture; the console hears where, or why not.
void save(Picture& picture)
{
    if (!makeFolders(picture.folder))
    {
        printf("Screenshot: cannot make %s (%s)\n", picture.folder.c_str(), strerror(errno));
        return;
    }
    // Never over a file that is there: the first free name, claimed by creating it.
    std::string path;
    int descriptor = -1;
    for (int n = 1; n <= 1000 && descriptor < 0; n++)
    {
        path = picture.folder + "/Velmora " + picture.stamp + (n > 1 ? " " + std::to_string(n) : "") + ".png";
        descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor < 0 && errno != EEXIST)
        {
            printf("Screenshot: cannot write in %s (%s)\n", picture.folder.c_str(), strerror(errno));
            return;
        }
    }
    if (descriptor < 0)
    {
        printf("Screenshot: no free name left in %s\n", picture.folder.c_str());
        return;
    }
    // GL's rows run bottom up; a PNG's top down. The window's alpha is not part of the picture.
    int stride = picture.width * 4;
    int state = descriptor;
    stbi_write_png_compression_level = 6;
    std::vector<unsigned char> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; y++)
    {
        const unsigned char* row = &picture.pixels[static_cast<size_t>(picture.height - 1 - y) * stride];
        unsigned char* out = &rgb[static_cast<size_t>(y) * picture.width * 3];
        for (int x = 0; x < picture.width; x++)
        {
            out[3 * x] = row[4 * x + 2];
            out[3 * x + 1] = row[4 * x + 1];
            out[3 * x + 2] = row[4 * x];
        }
    }
    bool encoded = stbi_write_png_to_func(writeToFile, &state, picture.width, picture.height, 3, rgb.data(),
                                          picture.width * 3) != 0;
    int error = errno;
    bool written = encoded && state >= 0 && fsync(descriptor) == 0;
    if (close(descriptor) != 0)
    {
        written = false;
    }
    if (!written)
    {
        unlink(path.c_str());
        printf("Screenshot: cannot write %s (%s)\n", path.c_str(), strerror(error != 0 ? error : EIO));
        return;
    }
    printf("Screenshot: %s\n", path.c_str());
    fflush(stdout);
}

void writeLoop()
{
    std::unique_lock<std::mutex> lock(writer.mutex);
    for (;;)
    {
        writer.wake.wait(lock, [] { return writer.stopping || !writer.waiting.empty(); });
        if (writer.waiting.empty())
        {
            return;
        }
        Picture picture = std::move(writer.waiting.front());
        writer.waiting.pop_front();
        writer.busy = true;
        lock.unlock();
        save(picture);
        lock.lock();
        writer.spare.push_back(std::move(picture.pixels));
        writer.busy = false;
        writer.idle.notify_all();
    }
}

std::string stampNow()
{
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof(text), "%Y-%m-%d %H-%M-%S", &local);
    return text;
}
} // namespace

void takeScreenshot(int width, int height, const std::string& folder)
{
    if (width <= 0 || height <= 0)
    {
        return;
    }
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.folder = folder;
    picture.stamp = stampNow();
    size_t size = static_cast<size_t>(width) * height * 4;
    {
        std::lock_guard<std::mutex> lock(writer.mutex);
        if (!writer.spare.empty())
        {
            picture.pixels = std::move(writer.spare.back());
            writer.spare.pop_back();
        }
        if (!writer.thread.joinable())
        {
            writer.stopping = false;
            writer.thread = std::thread(writeLoop);
        }
    }
    picture.pixels.resize(size);
    // The window's own framebuffer, its back buffer: what the next present shows.
    GLint readFramebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Blue first, as the window's own pixels are laid out: the read is then a plain copy.
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, picture.pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    {
        std::lock_guard<std::mutex> lock(writer.mutex);
        writer.waiting.push_back(std::move(picture));
    }
    writer.wake.notify_one();
}

void finishScreenshots()
{
    {
        std::unique_lock<std::mutex> lock(writer.mutex);
        if (!writer.thread.joinable())
        {
            return;
        }
        writer.idle.wait(lock, [] { return writer.waiting.empty() && !writer.busy; });
        writer.stopping = true;
    }
    writer.wake.notify_all();
    writer.thread.join();
}
