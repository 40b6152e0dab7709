#include "files/player_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SmallFile readSmallFile(const std::string& path, size_t largest, const char* kind, std::string& text,
                        std::string& why)
{
    text.clear();
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
    {
        if (errno == ENOENT)
        {
            return SmallFile::missing;
        }
        why = strerror(errno);
        return SmallFile::failed;
    }
    char chunk[4096];
    ssize_t count;
    why.clear();
    while ((count = read(descriptor, chunk, sizeof(chunk))) != 0)
    {
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count < 0)
        {
            why = strerror(errno);
            break;
        }
        text.append(chunk, static_cast<size_t>(count));
        if (text.size() > largest)
        {
            why = std::string("larger than ") + kind + " can be";
            break;
        }
    }
    close(descriptor);
    return why.empty() ? SmallFile::read : SmallFile::failed;
}

bool makeFolders(const std::string& folder)
{
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1))
    {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
        {
            return false;
        }
        if (slash == std::string::npos)
        {
            break;
        }
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0)
    {
        return false;
    }
    if (!S_ISDIR(info.st_mode))
    {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool writeAll(int descriptor, const char* bytes, size_t size)
{
    while (size > 0)
    {
        ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string trimBlanks(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
    {
        return "";
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}
