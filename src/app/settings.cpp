#include "app/settings.h"

#include "files/player_files.h"
#include "game/player.h"
#include "sound/sound.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
// A settings file is a handful of lines; more than this is not one.
const size_t largestFile = 64 * 1024;

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
        content = trimBlanks(content);
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
        if (!applySetting(trimBlanks(content.substr(0, equals)), trimBlanks(content.substr(equals + 1)), settings, why))
        {
            complain(line, why);
        }
    }
    return settings;
}

PlayerSettings readSettingsFile(const std::string& path)
{
    std::string text;
    std::string why;
    SmallFile read = path.empty() ? SmallFile::missing : readSmallFile(path, largestFile, "a settings file", text, why);
    if (read == SmallFile::failed)
    {
        printf("Settings: cannot read %s (%s): the defaults stand\n", path.c_str(), why.c_str());
    }
    return read == SmallFile::read ? parseSettings(text) : PlayerSettings();
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
