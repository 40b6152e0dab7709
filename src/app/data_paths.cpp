#include "app/data_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

const char* const dataMarker = "Shader/VertexShader.glsl";

namespace
{
bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool isFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// An XDG variable counts only when it holds an absolute path; otherwise the folder below $HOME.
std::string getXdgHome(const char* variable, const char* belowHome)
{
    const char* value = getenv(variable);
    if (value != nullptr && value[0] == '/')
    {
        return value;
    }
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] == '/')
    {
        return std::string(home) + belowHome;
    }
    return "";
}

std::string parentOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}
} // namespace

std::string getConfigHome()
{
    return getXdgHome("XDG_CONFIG_HOME", "/.config");
}

std::string getDataHome()
{
    return getXdgHome("XDG_DATA_HOME", "/.local/share");
}

std::string getPlayerConfigPath()
{
    std::string configHome = getConfigHome();
    return configHome.empty() ? "" : configHome + "/velmora/config.txt";
}

std::string getPlayerSettingsPath()
{
    std::string configHome = getConfigHome();
    return configHome.empty() ? "" : configHome + "/velmora/settings.txt";
}

namespace
{
// The pictures folder as xdg-user-dirs writes it in user-dirs.dirs: XDG_PICTURES_DIR="$HOME/Pictures",
// a path that is absolute or starts with $HOME/. "" when the file does not name one.
std::string picturesFromUserDirs(const std::string& path, const std::string& home)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
    {
        const std::string key = "XDG_PICTURES_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"')
        {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME/", 0) == 0 && !home.empty())
        {
            return home + value.substr(5);
        }
        if (!value.empty() && value[0] == '/')
        {
            return value;
        }
    }
    return "";
}
} // namespace

std::string getScreenshotFolder()
{
    const char* homeVariable = getenv("HOME");
    std::string home = homeVariable != nullptr && homeVariable[0] == '/' ? homeVariable : "";
    std::string pictures;
    std::string configHome = getConfigHome();
    if (!configHome.empty())
    {
        pictures = picturesFromUserDirs(configHome + "/user-dirs.dirs", home);
    }
    const char* fromEnvironment = getenv("XDG_PICTURES_DIR");
    if (pictures.empty() && fromEnvironment != nullptr && fromEnvironment[0] == '/')
    {
        pictures = fromEnvironment;
    }
    if (pictures.empty() && !home.empty())
    {
        pictures = home + "/Pictures";
    }
    return pictures.empty() ? "" : pictures + "/Velmora";
}

std::string getExecutablePath()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : path.string();
}

std::string getWorkingDir()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::current_path(error);
    return error ? "" : path.string();
}

std::string getInstalledDataDir(const std::string& executablePath)
{
    std::string prefix = parentOf(parentOf(executablePath));
    if (prefix == "/")
    {
        prefix.clear();
    }
    return prefix + "/share/games/velmora";
}

bool findGameFolders(const std::string& workingDir, const std::string& executablePath, GameFolders& found)
{
    // Today's behaviour first: a folder with the data is the whole game, config.txt included.
    if (!workingDir.empty() && isFile(workingDir + "/" + dataMarker))
    {
        found.dataDir = workingDir;
        found.configPath = workingDir + "/config.txt";
        found.inWorkingDir = true;
        return true;
    }

    std::vector<std::string> searched;
    searched.push_back(workingDir.empty() ? "the working directory" : workingDir);
    if (!executablePath.empty())
    {
        for (const std::string& dataDir : {parentOf(executablePath), getInstalledDataDir(executablePath)})
        {
            if (isFile(dataDir + "/" + dataMarker))
            {
                std::string playerConfig = getPlayerConfigPath();
                found.dataDir = dataDir;
                found.configPath =
                    !playerConfig.empty() && exists(playerConfig) ? playerConfig : dataDir + "/config.txt";
                found.inWorkingDir = false;
                return true;
            }
            searched.push_back(dataDir);
        }
    }

    std::string folders;
    for (size_t i = 0; i < searched.size(); i++)
    {
        folders += (i == 0 ? "" : i + 1 == searched.size() ? " or " : ", ") + searched[i];
    }
    fprintf(stderr, "No game data: no %s in %s\n", dataMarker, folders.c_str());
    return false;
}
