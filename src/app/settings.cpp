#include "app/settings.h"

#include "game/player.h"
#include "sound/sound.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// A settings file is a handful of lines; more than this is not one.
const size_t largestFile = 64 * 1024;

std::string trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
    {
        return "";
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parseNumber(const std::string& text, float low, float high, float& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    float number = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(number) || number < low || number > high)
    {
        return false;
    }
    value = number;
    return true;
}

bool parseSwitch(const std::string& text, const char* onWord, const char* offWord, bool& value)
{
    if (text == onWord || text == offWord)
    {
        value = text == onWord;
        return true;
    }
    return false;
}

void complain(int line, const std::string& what)
{
    printf("settings.txt:%d: %s\n", line, what.c_str());
}

// One "name = value" line; false with what is wrong.
bool applySetting(const std::string& name, const std::string& value, PlayerSettings& settings, std::string& why)
{
    std::string shown = "\"" + value + "\"";
    if (name == "mouse-sensitivity")
    {
        why = "mouse-sensitivity must be a number from 0.1 to 10, not " + shown;
        return parseNumber(value, 0.1f, 10.0f, settings.mouseSensitivity);
    }
    if (name == "invert-mouse-y")
    {
        why = "invert-mouse-y must be true or false, not " + shown;
        return parseSwitch(value, "true", "false", settings.invertMouseY);
    }
    if (name == "volume")
    {
        float volume = 0.0f;
        why = "volume must be a whole number from 0 to 100, not " + shown;
        if (!parseNumber(value, 0.0f, 100.0f, volume) || volume != std::floor(volume))
        {
            return false;
        }
        settings.volume = static_cast<int>(volume);
        return true;
    }
    if (name == "hud")
    {
        why = "hud must be on or off, not " + shown;
        return parseSwitch(value, "on", "off", settings.hud);
    }
    if (name == "sound")
    {
        why = "sound must be on or off, not " + shown;
        return parseSwitch(value, "on", "off", settings.sound);
    }
    if (name == "gamepad-dead-zone")
    {
        why = "gamepad-dead-zone must be a number from 0 to 0.9, not " + shown;
        return parseNumber(value, 0.0f, 0.9f, settings.gamepadDeadZone);
    }
    why = "unknown setting \"" + name + "\"";
    return false;
}
} // namespace

PlayerSettings parseSettings(const std::string& text)
{
    PlayerSettings settings;
    size_t start = 0;
    // A byte-order mark some editors put first is no part of the first line.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    {
        start = 3;
    }
    for (int line = 1; start < text.size(); line++)
    {
        size_t end = text.find('\n', start);
        std::string content = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!content.empty() && content.back() == '\r')
        {
            content.pop_back();
        }
        content = trim(content);
        if (content.empty() || content[0] == '#')
        {
            continue;
        }
        size_t equals = content.find('=');
        if (equals == std::string::npos)
        {
            complain(line, "no \"=\" in \"" + content + "\"");
            continue;
        }
        std::string why;
        if (!applySetting(trim(content.substr(0, equals)), trim(content.substr(equals + 1)), settings, why))
        {
            complain(line, why);
        }
    }
    return settings;
}

PlayerSettings readSettingsFile(const std::string& path)
{
    if (path.empty())
    {
        return PlayerSettings();
    }
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
    {
        if (errno != ENOENT)
        {
            printf("Settings: cannot read %s (%s): the defaults stand\n", path.c_str(), strerror(errno));
        }
        return PlayerSettings();
    }
    std::string text;
    char chunk[4096];
    ssize_t count;
    std::string failure;
    while ((count = read(descriptor, chunk, sizeof(chunk))) != 0)
    {
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count < 0)
        {
            failure = strerror(errno);
            break;
        }
        text.append(chunk, static_cast<size_t>(count));
        if (text.size() > largestFile)
        {
            failure = "larger than a settings file can be";
            break;
        }
    }
    close(descriptor);
    if (!failure.empty())
    {
        printf("Settings: cannot read %s (%s): the defaults stand\n", path.c_str(), failure.c_str());
        return PlayerSettings();
    }
    return parseSettings(text);
}

void applyPlayerSettings(const PlayerSettings& settings, Player& player)
{
    player.controls.settings.mouseSensitivity = settings.mouseSensitivity;
    player.controls.settings.invertMouseY = settings.invertMouseY;
    player.controls.settings.gamepadDeadZone = settings.gamepadDeadZone;
    player.settings.showHud = settings.hud;
    player.soundMuted = !settings.sound;
    setSoundMuted(player.soundMuted);
    setSoundVolume(static_cast<float>(settings.volume) / 100.0f);
}
