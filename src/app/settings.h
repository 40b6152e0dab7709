#pragma once

#include <string>

class Player;

// The player's own settings, from settings.txt in their config folder
// ($XDG_CONFIG_HOME/velmora/settings.txt): "name = value" lines, "#" comments, blank lines ignored.
// Without the file every setting has its default and the game is exactly as it always was. The game
// never writes the file.
struct PlayerSettings
{
    float mouseSensitivity = 1.0f; // mouse-sensitivity: 0.1 to 10, a factor on 0.0006 rad per pixel
    bool invertMouseY = false;     // invert-mouse-y: true or false
    int volume = 100;              // volume: 0 to 100
    bool hud = true;               // hud: on or off at start
    bool sound = true;             // sound: on or off at start
    float gamepadDeadZone = 0.15f; // gamepad-dead-zone: 0 to 0.9
};

// Reads settings from text. A line it cannot use (an unknown name, a bad or out-of-range value, no
// "=") prints one line "settings.txt:LINE: what is wrong" and leaves that setting at its default.
// A UTF-8 byte-order mark and CRLF line ends are read as a text editor wrote them.
PlayerSettings parseSettings(const std::string& text);

// Reads the file at path: no file is all defaults without a word; a file that cannot be read is
// named in one line and the defaults stand.
PlayerSettings readSettingsFile(const std::string& path);

// Puts the settings to work: the mouse and the gamepad, the display and the sound at start, and the
// volume.
void applyPlayerSettings(const PlayerSettings& settings, Player& player);
