#include "app/config.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

namespace
{
WindowConfig parseText(const std::string& text)
{
    std::istringstream in(text);
    std::string lines[3];
    readConfigLines(in, lines);
    return parseConfig(lines);
}
} // namespace

TEST(ConfigLines, NumbersReadAsAtoiWould)
{
    EXPECT_EQ(parseConfigNumber("1920"), 1920);
    EXPECT_EQ(parseConfigNumber("  \t800"), 800) << "leading white space is skipped";
    EXPECT_EQ(parseConfigNumber("1024px"), 1024) << "digits stop at the first other character";
    EXPECT_EQ(parseConfigNumber("+64"), 64);
    EXPECT_EQ(parseConfigNumber("-300"), -300);
    EXPECT_EQ(parseConfigNumber("wide"), 0) << "no digits give 0";
    EXPECT_EQ(parseConfigNumber(""), 0);
    EXPECT_EQ(parseConfigNumber("- 5"), 0) << "a sign must be followed by digits";
}

TEST(ConfigLines, HugeNumbersSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(parseConfigNumber("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(parseConfigNumber("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(parseConfigNumber(std::string(10 * 1024 * 1024, '7')), INT_MAX) << "a 10 MB line";
}

TEST(ConfigFile, ThreeLinesGiveSizeAndMode)
{
    WindowConfig config = parseText("1920\n1080\nfalse\n");
    EXPECT_EQ(config.width, 1920);
    EXPECT_EQ(config.height, 1080);
    EXPECT_FALSE(config.fullScreen);

    EXPECT_TRUE(parseText("1280\n720\ntrue\n").fullScreen);
    EXPECT_TRUE(parseText("1280\n720\ntrue").fullScreen) << "the last line needs no line feed";
}

TEST(ConfigFile, FullScreenOnlyForExactlyTrue)
{
    EXPECT_FALSE(parseText("800\n600\nTRUE\n").fullScreen) << "the flag is case-sensitive";
    EXPECT_FALSE(parseText("800\n600\n true\n").fullScreen);
    EXPECT_FALSE(parseText("800\n600\ntrue \n").fullScreen);
    EXPECT_FALSE(parseText("800\n600\n\n").fullScreen);
    EXPECT_FALSE(parseText("800\n600\n").fullScreen) << "a missing third line means windowed";
}

TEST(ConfigFile, CarriageReturnBeforeLineFeedBelongsToTheLineEnding)
{
    WindowConfig config = parseText("1280\r\n720\r\ntrue\r\n");
    EXPECT_EQ(config.width, 1280);
    EXPECT_EQ(config.height, 720);
    EXPECT_TRUE(config.fullScreen);
}

TEST(ConfigFile, MissingLinesAreEmptyAndExtraLinesIgnored)
{
    WindowConfig shortFile = parseText("640\n");
    EXPECT_EQ(shortFile.width, 640);
    EXPECT_EQ(shortFile.height, 0) << "no second line: the window cannot be created";

    WindowConfig empty = parseText("");
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.height, 0);

    WindowConfig extra = parseText("640\n480\nfalse\ntrue\n99\n");
    EXPECT_EQ(extra.width, 640);
    EXPECT_EQ(extra.height, 480);
    EXPECT_FALSE(extra.fullScreen);
}

TEST(ConfigFile, MissingFileReadsAsEmpty)
{
    WindowConfig config = readConfigFile("/nonexistent/velmora/config.txt");
    EXPECT_EQ(config.width, 0);
    EXPECT_EQ(config.height, 0);
    EXPECT_FALSE(config.fullScreen);
}
