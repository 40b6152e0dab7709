// The player's settings.txt: what a good file sets, the one line each unusable line gets, and the
// defaults that stand whatever the file holds.
#include "app/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(SettingsFile, AGoodFileSetsEveryNameAndComments)
{
    PlayerSettings settings;
    std::string said = captureStdout(
        [&]
        {
            settings = parseSettings("# my settings\n"
                                     "mouse-sensitivity = 2.5\n"
                                     "\n"
                                     "   invert-mouse-y=true   \n"
                                     "volume = 40\n"
                                     "hud = off\n"
                                     "sound = off\n"
                                     "gamepad-dead-zone = 0.3\n");
        });
    EXPECT_EQ(said, "");
    EXPECT_FLOAT_EQ(settings.mouseSensitivity, 2.5f);
    EXPECT_TRUE(settings.invertMouseY);
    EXPECT_EQ(settings.volume, 40);
    EXPECT_FALSE(settings.hud);
    EXPECT_FALSE(settings.sound);
    EXPECT_FLOAT_EQ(settings.gamepadDeadZone, 0.3f);

    // A Windows editor's file: a byte-order mark and CRLF line ends.
    said = captureStdout([&] { settings = parseSettings("\xEF\xBB\xBFvolume = 7\r\ninvert-mouse-y = true\r\n"); });
    EXPECT_EQ(said, "");
    EXPECT_EQ(settings.volume, 7);
    EXPECT_TRUE(settings.invertMouseY);
}

TEST(SettingsFile, EachLineItCannotUseIsNamedAndItsSettingKeepsItsDefault)
{
    PlayerSettings settings;
    std::string said = captureStdout(
        [&]
        {
            settings = parseSettings("mouse-sensitivity = 2\n"
                                     "brightness = 3\n"
                                     "volume = loud\n"
                                     "mouse-sensitivity 4\n"
                                     "gamepad-dead-zone = 0.95\n"
                                     "volume = 50.5\n"
                                     "invert-mouse-y = yes\n"
                                     "hud = true\n"
                                     "mouse-sensitivity = 0.05\n"
                                     "sound =\n");
        });
    EXPECT_EQ(said, "settings.txt:2: unknown setting \"brightness\"\n"
                    "settings.txt:3: volume must be a whole number from 0 to 100, not \"loud\"\n"
                    "settings.txt:4: no \"=\" in \"mouse-sensitivity 4\"\n"
                    "settings.txt:5: gamepad-dead-zone must be a number from 0 to 0.9, not \"0.95\"\n"
                    "settings.txt:6: volume must be a whole number from 0 to 100, not \"50.5\"\n"
                    "settings.txt:7: invert-mouse-y must be true or false, not \"yes\"\n"
                    "settings.txt:8: hud must be on or off, not \"true\"\n"
                    "settings.txt:9: mouse-sensitivity must be a number from 0.1 to 10, not \"0.05\"\n"
                    "settings.txt:10: sound must be on or off, not \"\"\n");
    EXPECT_FLOAT_EQ(settings.mouseSensitivity, 2.0f) << "the good line before the bad one stands";
    EXPECT_EQ(settings.volume, 100);
    EXPECT_FLOAT_EQ(settings.gamepadDeadZone, 0.15f);
    EXPECT_FALSE(settings.invertMouseY);
    EXPECT_TRUE(settings.hud);
    EXPECT_TRUE(settings.sound);
}

TEST(SettingsFile, AMissingFileIsSilentAndAnUnreadableOneIsNamed)
{
    std::string folder = makeScratchDir("settings");
    PlayerSettings settings;
    EXPECT_EQ(captureStdout([&] { settings = readSettingsFile(folder + "/settings.txt"); }), "");
    EXPECT_EQ(settings.volume, 100);

    ASSERT_EQ(mkdir((folder + "/settings.txt").c_str(), 0755), 0);
    EXPECT_EQ(captureStdout([&] { settings = readSettingsFile(folder + "/settings.txt"); }),
              "Settings: cannot read " + folder + "/settings.txt (Is a directory): the defaults stand\n");

    writeFile(folder + "/big.txt", std::string(100 * 1024, '#'));
    EXPECT_EQ(captureStdout([&] { settings = readSettingsFile(folder + "/big.txt"); }),
              "Settings: cannot read " + folder + "/big.txt (larger than a settings file can be): the defaults stand\n");

    writeFile(folder + "/volume.txt", "volume = 25\n");
    EXPECT_EQ(readSettingsFile(folder + "/volume.txt").volume, 25);
}
