#include "app/data_paths.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace
{
// A scratch world with an empty working directory, an install under prefix/ and a player's home:
//   work/                              where the game is started
//   prefix/games/velmora               the installed executable (its path; no file is needed)
//   prefix/share/games/velmora/        the installed data with its default config.txt
//   home/.config/velmora/config.txt    the player's own, when a test writes it
class GameFolderLookup : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        root = makeScratchDir("data-paths");
        work = root + "/work";
        mkdir(work.c_str(), 0755);
        const char* home = getenv("HOME");
        savedHome = home != nullptr ? home : "";
        setenv("HOME", (root + "/home").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }

    void TearDown() override
    {
        setenv("HOME", savedHome.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }

    // Writes a file, creating the folders on its way.
    void put(const std::string& relative, const std::string& text = "")
    {
        std::string path = root + "/" + relative;
        for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        {
            mkdir(path.substr(0, slash).c_str(), 0755);
        }
        writeFile(path, text);
    }

    void installData()
    {
        put("prefix/share/games/velmora/Shader/VertexShader.glsl", "#version 440 core\n");
        put("prefix/share/games/velmora/config.txt", "1280\n720\nfalse\n");
    }

    GameFolders lookUp(const std::string& executable)
    {
        GameFolders found;
        std::string errors = captureStderr([&] { EXPECT_TRUE(findGameFolders(work, executable, found)); });
        EXPECT_EQ(errors, "") << "a successful lookup says nothing";
        return found;
    }

    std::string root, work, savedHome;
};
} // namespace

TEST_F(GameFolderLookup, WorkingDirectoryWithDataIsTheWholeGame)
{
    put("work/Shader/VertexShader.glsl");
    put("work/config.txt", "800\n600\nfalse\n");
    installData();
    put("home/.config/velmora/config.txt", "640\n480\nfalse\n");

    GameFolders found = lookUp(root + "/prefix/games/velmora");
    EXPECT_TRUE(found.inWorkingDir);
    EXPECT_EQ(found.dataDir, root + "/work");
    EXPECT_EQ(found.configPath, root + "/work/config.txt")
        << "the player's config does not overrule the folder's";

    // Without its config.txt the folder is still the game, as it always was: start-up then says
    // which file it missed rather than quietly reading another one.
    remove((root + "/work/config.txt").c_str());
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath, root + "/work/config.txt");
}

TEST_F(GameFolderLookup, InstalledGameReadsThePlayersConfigElseItsDefault)
{
    installData();
    GameFolders found = lookUp(root + "/prefix/games/velmora");
    EXPECT_FALSE(found.inWorkingDir);
    EXPECT_EQ(found.dataDir, root + "/prefix/share/games/velmora");
    EXPECT_EQ(found.configPath, root + "/prefix/share/games/velmora/config.txt")
        << "no config of the player's yet";

    // ~/.config/velmora/config.txt when XDG_CONFIG_HOME is unset, empty or relative.
    put("home/.config/velmora/config.txt", "640\n480\nfalse\n");
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath, root + "/home/.config/velmora/config.txt");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath, root + "/home/.config/velmora/config.txt");
    setenv("XDG_CONFIG_HOME", "settings", 1);
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath, root + "/home/.config/velmora/config.txt");

    // An absolute XDG_CONFIG_HOME is the only place looked at: no file there means the default.
    setenv("XDG_CONFIG_HOME", (root + "/xdg").c_str(), 1);
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath,
              root + "/prefix/share/games/velmora/config.txt");
    put("xdg/velmora/config.txt", "1024\n768\nfalse\n");
    EXPECT_EQ(lookUp(root + "/prefix/games/velmora").configPath, root + "/xdg/velmora/config.txt");
}

TEST_F(GameFolderLookup, InstallFoundRelativeToTheExecutableWhereverItWasMoved)
{
    put("moved/usr/share/games/velmora/Shader/VertexShader.glsl");
    GameFolders found = lookUp(root + "/moved/usr/games/velmora");
    EXPECT_EQ(found.dataDir, root + "/moved/usr/share/games/velmora");
    EXPECT_EQ(found.configPath, root + "/moved/usr/share/games/velmora/config.txt");

    EXPECT_EQ(getInstalledDataDir("/usr/games/velmora"), "/usr/share/games/velmora");
    EXPECT_EQ(getInstalledDataDir("/opt/velmora/games/velmora"), "/opt/velmora/share/games/velmora");
    EXPECT_EQ(getInstalledDataDir("/games/velmora"), "/share/games/velmora");

    // The build's game folder holds the executable beside its data.
    put("build/game/Shader/VertexShader.glsl");
    EXPECT_EQ(lookUp(root + "/build/game/velmora").dataDir, root + "/build/game");
}

TEST_F(GameFolderLookup, NothingFoundNamesEveryFolderSearched)
{
    // A data folder without its shaders does not count.
    put("prefix/share/games/velmora/config.txt", "1280\n720\nfalse\n");
    GameFolders found;
    std::string errors =
        captureStderr([&] { EXPECT_FALSE(findGameFolders(work, root + "/prefix/games/velmora", found)); });
    EXPECT_EQ(errors, "No game data: no Shader/VertexShader.glsl in " + root + "/work, " + root +
                          "/prefix/games or " + root + "/prefix/share/games/velmora\n");
}

TEST(XdgFolders, AbsoluteVariablesElseBelowHomeElseNothing)
{
    const char* home = getenv("HOME");
    std::string savedHome = home != nullptr ? home : "/root";
    setenv("HOME", "/home/player", 1);
    setenv("XDG_CONFIG_HOME", "/srv/config", 1);
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(getConfigHome(), "/srv/config");
    EXPECT_EQ(getDataHome(), "/srv/data");
    EXPECT_EQ(getPlayerConfigPath(), "/srv/config/velmora/config.txt");

    setenv("XDG_DATA_HOME", "data", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(getConfigHome(), "/home/player/.config");
    EXPECT_EQ(getDataHome(), "/home/player/.local/share") << "a relative XDG folder is ignored";

    unsetenv("HOME");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(getConfigHome(), "");
    EXPECT_EQ(getDataHome(), "");
    EXPECT_EQ(getPlayerConfigPath(), "") << "no home, no player's config";
    setenv("HOME", savedHome.c_str(), 1);
}
