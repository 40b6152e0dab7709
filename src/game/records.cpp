#include "game/records.h"

#include "files/player_files.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const fileName = "records.txt";
const char* const lockName = "records.lock";
// A records file is a few lines; anything larger is not one.
const size_t largestFile = 64 * 1024;
const int largestCount = 1000000000;
const double slowestWin = 1e7; // seconds

bool parseCount(const std::string& text, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10)
    {
        return false;
    }
    long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (number > largestCount)
    {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool parseSeconds(const std::string& text, double& value)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
    {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value) && value > 0.0 && value < slowestWin;
}

// The lock every game of this player takes around reading and replacing the file.
class FolderLock
{
  public:
    explicit FolderLock(const std::string& folder)
    {
        std::string lockPath = folder + "/" + lockName;
        descriptor = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor < 0)
        {
            error = errno;
            return;
        }
        while (flock(descriptor, LOCK_EX) != 0)
        {
            if (errno != EINTR)
            {
                error = errno;
                break;
            }
        }
    }
    ~FolderLock()
    {
        if (descriptor >= 0)
        {
            close(descriptor); // closing lets the lock go
        }
    }
    bool isHeld() const { return descriptor >= 0 && error == 0; }
    int getError() const { return error; }

  private:
    int descriptor = -1;
    int error = 0;
};

} // namespace

std::string formatRecords(const Records& records)
{
    char text[256];
    int length = snprintf(text, sizeof(text), "# Velmora records\ngames = %d\nwins = %d\n", records.games,
                          records.wins);
    std::string out(text, static_cast<size_t>(length));
    if (records.hasBestWin)
    {
        length = snprintf(text, sizeof(text), "best-win-seconds = %.2f\n", records.bestWinSeconds);
        out.append(text, static_cast<size_t>(length));
    }
    length = snprintf(text, sizeof(text), "most-removals-lost = %d\n", records.mostRemovalsLost);
    out.append(text, static_cast<size_t>(length));
    return out;
}

bool parseRecords(const std::string& text, Records& records, std::string& why)
{
    Records read;
    bool seenGames = false, seenWins = false, seenRemovals = false;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        lineNumber++;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        line = trimBlanks(line);
        if (line.empty() || line[0] == '#')
        {
            continue;
        }
        size_t equals = line.find('=');
        std::string where = "line " + std::to_string(lineNumber);
        if (equals == std::string::npos)
        {
            why = where + " has no \"=\"";
            return false;
        }
        std::string name = trimBlanks(line.substr(0, equals));
        std::string value = trimBlanks(line.substr(equals + 1));
        bool good = false;
        bool* seen = nullptr;
        if (name == "games")
        {
            good = parseCount(value, read.games);
            seen = &seenGames;
        }
        else if (name == "wins")
        {
            good = parseCount(value, read.wins);
            seen = &seenWins;
        }
        else if (name == "most-removals-lost")
        {
            good = parseCount(value, read.mostRemovalsLost);
            seen = &seenRemovals;
        }
        else if (name == "best-win-seconds")
        {
            good = parseSeconds(value, read.bestWinSeconds);
            seen = &read.hasBestWin;
        }
        else
        {
            why = where + ": unknown name \"" + name + "\"";
            return false;
        }
        if (*seen)
        {
            why = where + ": " + name + " given twice";
            return false;
        }
        if (!good)
        {
            why = where + ": " + name + " is not a number it can be";
            return false;
        }
        *seen = true;
    }
    bool empty = !seenGames && !seenWins && !seenRemovals && !read.hasBestWin;
    if (empty)
    {
        records = Records();
        return true;
    }
    // A file cut short loses its last lines: every count must be there, and agree with the others.
    if (!seenGames || !seenWins || !seenRemovals)
    {
        why = "a count is missing";
        return false;
    }
    if (read.wins > read.games || read.hasBestWin != (read.wins > 0))
    {
        why = "the counts disagree";
        return false;
    }
    records = read;
    return true;
}

bool addResult(Records& records, const GameResult& result)
{
    records.games++;
    if (result.won)
    {
        records.wins++;
        bool quicker = !records.hasBestWin || result.playSeconds < records.bestWinSeconds;
        if (quicker)
        {
            records.hasBestWin = true;
            // As the file keeps it, so the game read back agrees with the game that wrote it.
            records.bestWinSeconds = std::round(result.playSeconds * 100.0) / 100.0;
        }
        return quicker;
    }
    bool more = result.removals > records.mostRemovalsLost;
    if (more)
    {
        records.mostRemovalsLost = result.removals;
    }
    return more;
}

bool RecordsFile::open(const std::string& recordsFolder)
{
    on = false;
    records = Records();
    folder = recordsFolder;
    path = folder.empty() ? "" : folder + "/" + fileName;
    if (folder.empty())
    {
        printf("Records: off (no home folder to keep them in)\n");
        return false;
    }
    if (!makeFolders(folder))
    {
        printf("Records: off (cannot make %s: %s)\n", folder.c_str(), strerror(errno));
        return false;
    }
    FolderLock lock(folder);
    if (!lock.isHeld())
    {
        printf("Records: off (cannot write in %s: %s)\n", folder.c_str(), strerror(lock.getError()));
        return false;
    }
    on = true;
    Records latest;
    if (readLatest(latest))
    {
        records = latest;
    }
    return on;
}

bool RecordsFile::readLatest(Records& latest)
{
    latest = Records();
    std::string text;
    std::string why;
    SmallFile read = readSmallFile(path, largestFile, "a records file", text, why);
    if (read == SmallFile::missing || (read == SmallFile::read && parseRecords(text, latest, why)))
    {
        return true;
    }

    // Kept, never overwritten: renamed beside it under the first free name.
    std::string aside;
    for (int n = 1; n <= 100 && aside.empty(); n++)
    {
        std::string candidate = path + ".bad" + (n > 1 ? "." + std::to_string(n) : "");
        struct stat info;
        if (lstat(candidate.c_str(), &info) != 0 && errno == ENOENT)
        {
            aside = candidate;
        }
    }
    if (aside.empty() || rename(path.c_str(), aside.c_str()) != 0)
    {
        printf("Records: off (%s cannot be read, %s, and cannot be set aside)\n", path.c_str(), why.c_str());
        on = false;
        return false;
    }
    printf("Records: %s cannot be read (%s): kept as %s, new records begin\n", path.c_str(), why.c_str(),
           aside.c_str());
    latest = Records();
    return true;
}

bool RecordsFile::write(const Records& latest)
{
    std::string temporary = folder + "/." + fileName + "." + std::to_string(getpid()) + ".new";
    std::string text = formatRecords(latest);
    int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = descriptor >= 0 && writeAll(descriptor, text.data(), text.size()) && fsync(descriptor) == 0;
    int error = errno;
    if (descriptor >= 0 && close(descriptor) != 0 && written)
    {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0)
    {
        written = false;
        error = errno;
    }
    if (!written)
    {
        unlink(temporary.c_str());
        printf("Records: cannot write %s (%s): they stay as they were\n", path.c_str(), strerror(error));
        return false;
    }
    // The rename itself reaches the disk with the folder.
    int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor >= 0)
    {
        fsync(folderDescriptor);
        close(folderDescriptor);
    }
    return true;
}

bool RecordsFile::add(const GameResult& result)
{
    if (!on)
    {
        return false;
    }
    FolderLock lock(folder);
    if (!lock.isHeld())
    {
        printf("Records: cannot lock %s (%s): this game is not recorded\n", folder.c_str(),
               strerror(lock.getError()));
        return false;
    }
    Records latest;
    if (!readLatest(latest))
    {
        return false;
    }
    // Whether it is a record is judged against every game so far, the other windows' too.
    bool record = addResult(latest, result);
    if (!write(latest))
    {
        return false;
    }
    records = latest;
    return record;
}
