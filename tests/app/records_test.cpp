// The player's records file: read, merged and replaced so that nothing a player has won is ever lost,
// whatever the disk, a crash or a second game does meanwhile.
#include "game/records.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

GameResult won(double seconds)
{
    return GameResult{true, seconds, 14};
}

GameResult lost(int removals)
{
    return GameResult{false, 20.0, removals};
}
} // namespace

TEST(RecordsFile, KeepsTheBestOfEveryGameInPlainText)
{
    std::string folder = makeScratchDir("records-round-trip") + "/data/velmora";
    RecordsFile records;
    EXPECT_EQ(captureStdout([&] { EXPECT_TRUE(records.open(folder)); }), "") << "a first game says nothing";
    EXPECT_EQ(records.getPath(), folder + "/records.txt");

    EXPECT_TRUE(records.add(lost(9))) << "the first lost game sets the most removals";
    EXPECT_FALSE(records.add(lost(5)));
    EXPECT_TRUE(records.add(won(41.257))) << "the first win";
    EXPECT_FALSE(records.add(won(50.0)));
    EXPECT_TRUE(records.add(won(38.5))) << "a quicker win";
    EXPECT_EQ(readBytes(folder + "/records.txt"), "# Velmora records\n"
                                                  "games = 5\n"
                                                  "wins = 3\n"
                                                  "best-win-seconds = 38.50\n"
                                                  "most-removals-lost = 9\n");

    // Another game reads what this one wrote, a person's CRLF edits included.
    writeFile(folder + "/records.txt", "# Velmora records\r\ngames = 5\r\nwins = 3\r\n\r\n  best-win-seconds = 38.50\r\n"
                                       "most-removals-lost=9\r\n");
    RecordsFile again;
    EXPECT_EQ(captureStdout([&] { again.open(folder); }), "");
    EXPECT_EQ(again.get().games, 5);
    EXPECT_EQ(again.get().wins, 3);
    EXPECT_TRUE(again.get().hasBestWin);
    EXPECT_DOUBLE_EQ(again.get().bestWinSeconds, 38.5);
    EXPECT_EQ(again.get().mostRemovalsLost, 9);
}

// A file the game cannot read is named, kept beside it under a new name, and the records start
// afresh; an empty file holds nothing to keep.
TEST(RecordsFile, AFileItCannotReadIsKeptAsideAndNamed)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* why;
    };
    std::string huge(100 * 1024, '#');
    const Case cases[] = {
        {"torn", "# Velmora records\ngames = 3\nwins = 1\nbest-win", "line 4 has no \"=\""},
        {"cut at a line end", "# Velmora records\ngames = 3\n", "a count is missing"},
        {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), "line 1 has no \"=\""},
        {"huge", huge, "larger than a records file can be"},
        {"counts that disagree", "games = 1\nwins = 2\nbest-win-seconds = 30\nmost-removals-lost = 0\n",
         "the counts disagree"},
        {"a bad number", "games = -1\nwins = 0\nmost-removals-lost = 0\n", "line 1: games is not a number it can be"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::string folder = makeScratchDir("records-bad");
        std::string path = folder + "/records.txt";
        writeFile(path, c.bytes);
        RecordsFile records;
        std::string said = captureStdout([&] { EXPECT_TRUE(records.open(folder)); });
        EXPECT_EQ(said, "Records: " + path + " cannot be read (" + c.why + "): kept as " + path +
                            ".bad, new records begin\n");
        EXPECT_EQ(readBytes(path + ".bad"), c.bytes) << "kept as it was";
        EXPECT_EQ(records.get().games, 0);
        EXPECT_TRUE(records.add(lost(3)));
        EXPECT_EQ(readBytes(path), "# Velmora records\ngames = 1\nwins = 0\nmost-removals-lost = 3\n");

        // A second bad file never takes the first one's place.
        writeFile(path, c.bytes);
        RecordsFile second;
        captureStdout([&] { second.open(folder); });
        EXPECT_EQ(readBytes(path + ".bad.2"), c.bytes);
        EXPECT_EQ(readBytes(path + ".bad"), c.bytes);
    }

    std::string folder = makeScratchDir("records-empty");
    writeFile(folder + "/records.txt", "");
    RecordsFile records;
    EXPECT_EQ(captureStdout([&] { records.open(folder); }), "");
    EXPECT_FALSE(exists(folder + "/records.txt.bad"));
}

// Where nothing can be written the records are off, in one line, and the game plays on.
TEST(RecordsFile, AFolderThatCannotBeWrittenTurnsTheRecordsOff)
{
    std::string scratch = makeScratchDir("records-unwritable");
    writeFile(scratch + "/plain-file", "not a folder");
    RecordsFile records;
    std::string said = captureStdout([&] { EXPECT_FALSE(records.open(scratch + "/plain-file/velmora")); });
    EXPECT_EQ(said, "Records: off (cannot make " + scratch + "/plain-file/velmora: Not a directory)\n");
    EXPECT_EQ(captureStdout([&] { EXPECT_FALSE(records.add(won(30.0))); }), "");

    said = captureStdout([&] { EXPECT_FALSE(records.open("")); });
    EXPECT_EQ(said, "Records: off (no home folder to keep them in)\n");
}

// A crash at any moment leaves the old records or the new, never a torn file; a full disk leaves the
// old ones; and two games ending at once both count.
TEST(RecordsFile, CrashesFullDisksAndTwoGamesAtOnceLoseNothing)
{
    std::string folder = makeScratchDir("records-crash");
    std::string path = folder + "/records.txt";
    {
        RecordsFile records;
        records.open(folder);
        records.add(won(40.0));
    }
    std::mt19937 random(7u);
    int lastGames = 1;
    for (int attempt = 0; attempt < 20; attempt++)
    {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            // A game adding results as fast as it can, until it is killed in the middle of one.
            if (freopen("/dev/null", "w", stdout) == nullptr)
            {
                _exit(1);
            }
            RecordsFile records;
            records.open(folder);
            for (;;)
            {
                records.add(lost(2));
            }
        }
        usleep(std::uniform_int_distribution<int>(1000, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        Records read;
        std::string why;
        ASSERT_TRUE(parseRecords(readBytes(path), read, why)) << why << ": " << readBytes(path);
        EXPECT_GE(read.games, lastGames);
        EXPECT_DOUBLE_EQ(read.bestWinSeconds, 40.0);
        lastGames = read.games;
    }

    // A disk that takes no more bytes: the write fails and the old file stands.
    // (Its console goes through a pipe, which no file size limit stops.)
    std::string before = readBytes(path);
    int console[2];
    ASSERT_EQ(pipe(console), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        dup2(console[1], STDOUT_FILENO);
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {10, 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        RecordsFile records;
        records.open(folder);
        records.add(won(10.0));
        fflush(stdout);
        _exit(0);
    }
    close(console[1]);
    std::string said;
    char chunk[256];
    for (ssize_t count; (count = read(console[0], chunk, sizeof(chunk))) > 0;)
    {
        said.append(chunk, static_cast<size_t>(count));
    }
    close(console[0]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(said, "Records: cannot write " + path + " (File too large): they stay as they were\n");
    EXPECT_EQ(readBytes(path), before);

    // Two games adding 25 results each at the same time.
    for (int game = 0; game < 2; game++)
    {
        if (fork() == 0)
        {
            RecordsFile records;
            records.open(folder);
            for (int i = 0; i < 25; i++)
            {
                records.add(lost(1));
            }
            _exit(0);
        }
    }
    while (wait(nullptr) > 0)
    {
    }
    Records read;
    std::string why;
    ASSERT_TRUE(parseRecords(readBytes(path), read, why)) << why;
    EXPECT_EQ(read.games, lastGames + 50);
}
