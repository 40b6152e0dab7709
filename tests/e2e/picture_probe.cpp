// Reads window grabs (binary PPM) for the end-to-end tests:
//   picture_probe crosshair GRAB.ppm     prints the centre "x y" of the crosshair (pixels from the
//                                         top-left), or fails when there is none
//   picture_probe sun GRAB.ppm            prints the centre "x y" of the Sun's glowing disc, the one
//                                         thing in the game that stands still in the world
//   picture_probe size GRAB.ppm          prints "width height"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
};

// One number of the header, after white space and comments (a grab carries the window's name as one).
bool readHeaderNumber(FILE* file, int& value)
{
    int c = fgetc(file);
    while (c == '#' || c == ' ' || c == '\t' || c == '\n' || c == '\r')
    {
        if (c == '#')
        {
            while (c != '\n' && c != EOF)
            {
                c = fgetc(file);
            }
        }
        c = fgetc(file);
    }
    value = 0;
    int digits = 0;
    for (; c >= '0' && c <= '9' && digits < 6; digits++, c = fgetc(file))
    {
        value = value * 10 + (c - '0');
    }
    // The one white-space character after the last number ends the header.
    return digits > 0 && (c == ' ' || c == '\t' || c == '\n' || c == '\r');
}

bool readPpm(const char* path, Picture& picture)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
    {
        fprintf(stderr, "picture_probe: cannot open %s\n", path);
        return false;
    }
    int maxValue = 0;
    bool ok = fgetc(file) == 'P' && fgetc(file) == '6' && readHeaderNumber(file, picture.width) &&
              readHeaderNumber(file, picture.height) && readHeaderNumber(file, maxValue) && maxValue == 255 &&
              picture.width > 0 && picture.height > 0 && picture.width <= 16384 && picture.height <= 16384;
    if (ok)
    {
        picture.rgb.resize(3 * static_cast<size_t>(picture.width) * picture.height);
        ok = fread(picture.rgb.data(), 1, picture.rgb.size(), file) == picture.rgb.size();
    }
    fclose(file);
    if (!ok)
    {
        fprintf(stderr, "picture_probe: %s is not a binary 8-bit PPM\n", path);
    }
    return ok;
}

// The crosshair's arms are light green over dark space: (230, 255, 230) as the composite writes it.
bool isCrosshairLight(const unsigned char* p)
{
    return std::abs(p[0] - 230) <= 3 && p[1] >= 252 && std::abs(p[2] - 230) <= 3;
}

int findCrosshair(const Picture& picture)
{
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < picture.height; y++)
    {
        for (int x = 0; x < picture.width; x++)
        {
            if (isCrosshairLight(picture.at(x, y)))
            {
                sumX += x;
                sumY += y;
                count++;
            }
        }
    }
    if (count < 8)
    {
        fprintf(stderr, "picture_probe: no crosshair (%ld light pixels)\n", count);
        return 1;
    }
    printf("%.1f %.1f\n", static_cast<double>(sumX) / count, static_cast<double>(sumY) / count);
    return 0;
}

// The Sun's disc is the only yellow this bright: red and green high, blue well below them.
bool isSunDisc(const unsigned char* p)
{
    return p[0] >= 200 && p[1] >= 150 && p[2] + 60 <= p[1];
}

int findSun(const Picture& picture)
{
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < picture.height; y++)
    {
        for (int x = 0; x < picture.width; x++)
        {
            if (isSunDisc(picture.at(x, y)))
            {
                sumX += x;
                sumY += y;
                count++;
            }
        }
    }
    if (count < 20)
    {
        fprintf(stderr, "picture_probe: no Sun (%ld sunlit pixels)\n", count);
        return 1;
    }
    printf("%.1f %.1f\n", static_cast<double>(sumX) / count, static_cast<double>(sumY) / count);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "crosshair") == 0)
    {
        Picture picture;
        return readPpm(argv[2], picture) ? findCrosshair(picture) : 2;
    }
    if (argc == 3 && strcmp(argv[1], "sun") == 0)
    {
        Picture picture;
        return readPpm(argv[2], picture) ? findSun(picture) : 2;
    }
    if (argc == 3 && strcmp(argv[1], "size") == 0)
    {
        Picture picture;
        if (!readPpm(argv[2], picture))
        {
            return 2;
        }
        printf("%d %d\n", picture.width, picture.height);
        return 0;
    }
    fprintf(stderr, "usage: picture_probe crosshair|sun|size GRAB.ppm\n");
    return 2;
}
