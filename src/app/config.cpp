#include "app/config.h"

#include <cctype>
#include <climits>
#include <fstream>

void readConfigLines(std::istream& in, std::string lines[3])
{
    for (int i = 0; i < 3; i++)
    {
        lines[i].clear();
        if (!std::getline(in, lines[i]))
        {
            lines[i].clear();
            continue;
        }
        bool endedWithLineFeed = !in.eof();
        if (endedWithLineFeed && !lines[i].empty() && lines[i].back() == '\r')
        {
            lines[i].pop_back();
        }
    }
}

int parseConfigNumber(const std::string& line)
{
    size_t i = 0;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
    {
        i++;
    }
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
    {
        negative = line[i] == '-';
        i++;
    }
    long long value = 0;
    for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); i++)
    {
        value = value * 10 + (line[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
        {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative)
    {
        value = -value;
    }
    if (value > INT_MAX)
    {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

WindowConfig parseConfig(const std::string lines[3])
{
    WindowConfig config;
    config.width = parseConfigNumber(lines[0]);
    config.height = parseConfigNumber(lines[1]);
    config.fullScreen = lines[2] == "true";
    return config;
}

WindowConfig readConfigFile(const char* path)
{
    std::string lines[3];
    std::ifstream in(path, std::ios::binary);
    if (in)
    {
        readConfigLines(in, lines);
    }
    return parseConfig(lines);
}
