#pragma once

#include <string>

// Where the game reads its data (Shader/, Texture/, Models/, Sound/) and its config.txt from.
//
// Started in a folder that holds the data, as the build's game folder does, the game reads
// everything there, config.txt included. Started anywhere else (a desktop menu starts it in the
// home folder), it finds the data beside its executable or where it was installed, relative to the
// executable, so a moved install still works; the player's own config.txt then comes from
// $XDG_CONFIG_HOME/velmora/ when there is one, else the data folder's default.
struct GameFolders
{
    std::string dataDir;    // absolute, without a trailing slash
    std::string configPath; // absolute path of the config.txt to read
    bool inWorkingDir = false;
};

// The file whose presence marks a folder as the game's data folder.
extern const char* const dataMarker;

// The player's folders of the XDG base directories: $XDG_CONFIG_HOME or $XDG_DATA_HOME when it
// holds an absolute path, else ~/.config or ~/.local/share from $HOME; "" when neither gives one.
// The game's own files live in a "velmora" folder inside them.
std::string getConfigHome();
std::string getDataHome();

// The player's own config.txt ($XDG_CONFIG_HOME/velmora/config.txt), "" without a config home.
std::string getPlayerConfigPath();
// The player's own settings.txt ($XDG_CONFIG_HOME/velmora/settings.txt), "" without a config home.
std::string getPlayerSettingsPath();

// Where the player's screenshots go: "Velmora" in their pictures folder, which is XDG_PICTURES_DIR
// as $XDG_CONFIG_HOME/user-dirs.dirs names it, else as the environment names it, else ~/Pictures;
// "" when none of them gives a folder.
std::string getScreenshotFolder();

// The running program's own file, links resolved (/proc/self/exe); "" when it cannot be read.
std::string getExecutablePath();
// The working directory, "" when it cannot be read (it was removed, say).
std::string getWorkingDir();

// Where an executable installed as <prefix>/games/velmora finds its data:
// <prefix>/share/games/velmora. The install rules lay the package out the same way.
std::string getInstalledDataDir(const std::string& executablePath);

// Looks for the data in the working directory, then beside the executable (the build's game
// folder), then in the installed data folder. Returns false after printing one line to standard
// error naming every folder searched.
bool findGameFolders(const std::string& workingDir, const std::string& executablePath, GameFolders& found);
