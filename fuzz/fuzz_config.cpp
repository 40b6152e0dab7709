// Feeds arbitrary bytes to the config.txt reader as the game reads the file: three lines, then the
// width, height and full-screen flag. Besides the sanitizers, the width and height are checked
// against the C library's own reading of a number (strtoll, clamped to int), which is what atoi
// gives for in-range values.
#include "app/config.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

static int referenceNumber(const std::string& line)
{
    long long value = strtoll(line.c_str(), nullptr, 10);
    if (value > INT_MAX)
    {
        return INT_MAX;
    }
    if (value < INT_MIN)
    {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string lines[3];
    readConfigLines(in, lines);
    WindowConfig config = parseConfig(lines);

    for (const std::string& line : lines)
    {
        if (line.find('\n') != std::string::npos)
        {
            abort();
        }
    }
    if (config.width != referenceNumber(lines[0]) || config.height != referenceNumber(lines[1]))
    {
        abort();
    }
    if (config.fullScreen != (lines[2] == "true"))
    {
        abort();
    }
    return 0;
}
