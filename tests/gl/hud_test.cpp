#include "hud/hud.h"
#include "render/gl.h"
#include "support/test_support.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace
{

// A window-sized colour target, cleared to black, that the display is drawn into and read back from.
class HudPicture
{
  public:
    HudPicture(int width, int height) : width(width), height(height)
    {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~HudPicture()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &texture);
    }

    void draw(const HudFrame& frame) { drawHud(frame, width, height); }
    void drawText(const char* text, float x, float y, float size)
    {
        beginOverlay(width, height);
        // The display's own text colour.
        addText(text, x, y, size, glm::vec4(0.92f, 0.96f, 1.0f, 0.95f));
        drawOverlay();
    }

    // Pixels counted in a box (top-left origin, inclusive-exclusive) that pass a test.
    template <typename Test> int count(int x0, int y0, int x1, int y1, Test test)
    {
        std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int found = 0;
        for (int y = y0; y < y1; y++)
        {
            for (int x = x0; x < x1; x++)
            {
                const unsigned char* p = &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
                found += test(p[0], p[1], p[2]);
            }
        }
        return found;
    }

    // The bright ink in a box, as a mask.
    std::vector<bool> ink(int x0, int y0, int x1, int y1)
    {
        std::vector<bool> mask;
        count(x0, y0, x1, y1,
              [&](int r, int g, int b)
              {
                  mask.push_back(r + g + b > 3 * 128);
                  return 0;
              });
        return mask;
    }

    int width, height;

  private:
    GLuint texture = 0;
    GLuint framebuffer = 0;
};

bool isLight(int r, int g, int b)
{
    return r > 180 && g > 180 && b > 180;
}

// Masks that differ in at most a few edge pixels.
int differences(const std::vector<bool>& a, const std::vector<bool>& b)
{
    int different = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
    {
        different += a[i] != b[i];
    }
    return different;
}

class HeadsUpDisplay : public GlSuite
{
  protected:
    static void SetUpTestSuite()
    {
        GlSuite::SetUpTestSuite();
        if (window != nullptr && chdir(VELMORA_GAME_DIR) == 0)
        {
            captureStdout([] { createHud("Font/DejaVuSans-Bold.ttf"); });
        }
    }
};

} // namespace

TEST_F(HeadsUpDisplay, TheCountReadsRemovalsOfNeededInTheTopLeftCorner)
{
    // At 720 lines the count is 30 pixels high, 16 from the corner: the same ink as the text itself.
    HudFrame frame;
    frame.removals = 0;
    frame.removalsToWin = 14;
    HudPicture hud(1280, 720);
    hud.draw(frame);
    HudPicture reference(1280, 720);
    reference.drawText("0 / 14", 16.0f, 16.0f, 30.0f);
    std::vector<bool> shown = hud.ink(0, 0, 200, 50);
    EXPECT_LE(differences(shown, reference.ink(0, 0, 200, 50)), 4) << "\"0 / 14\"";
    EXPECT_GT(hud.count(0, 0, 200, 50, isLight), 100);

    frame.removals = 3;
    HudPicture after(1280, 720);
    after.draw(frame);
    HudPicture three(1280, 720);
    three.drawText("3 / 14", 16.0f, 16.0f, 30.0f);
    EXPECT_LE(differences(after.ink(0, 0, 200, 50), three.ink(0, 0, 200, 50)), 4) << "\"3 / 14\"";
    EXPECT_GT(differences(after.ink(0, 0, 200, 50), shown), 50) << "a 3 is not a 0";
}

TEST_F(HeadsUpDisplay, TextGrowsWithTheWindowAndStaysInItsCorner)
{
    // The count's ink, slash included, is 25 pixels tall at 720 lines, about half at 360
    // and between 2.5 and 3 times at 2160 (large text is rasterised at sizes about a fifth apart).
    struct Size
    {
        int width, height, minInk, maxInk;
    };
    for (Size size : {Size{640, 360, 11, 14}, Size{1280, 720, 23, 27}, Size{3840, 2160, 60, 80}})
    {
        HudPicture hud(size.width, size.height);
        hud.draw(HudFrame());
        // The first band of rows with ink is the count; the time played follows below a gap.
        int top = -1, bottom = -1;
        for (int y = 0; y < size.height / 4; y++)
        {
            bool inked = hud.count(0, y, size.width / 6, y + 1, isLight) > 0;
            if (inked && top < 0)
            {
                top = y;
            }
            if (inked)
            {
                bottom = y;
            }
            else if (top >= 0)
            {
                break;
            }
        }
        int inkHeight = bottom - top + 1;
        EXPECT_GE(inkHeight, size.minInk) << size.width << "x" << size.height;
        EXPECT_LE(inkHeight, size.maxInk) << size.width << "x" << size.height;
    }
}

TEST_F(HeadsUpDisplay, TheEarthsDangerTurnsToTheWarningColourUnderTenUnits)
{
    auto reddish = [](int r, int g, int b) { return r > 200 && g < 140 && b < 100; };
    HudFrame frame;
    frame.earthDanger = 10.5f;
    HudPicture safe(1280, 720);
    safe.draw(frame);
    EXPECT_EQ(safe.count(900, 0, 1280, 60, reddish), 0);
    EXPECT_GT(safe.count(900, 0, 1280, 60, isLight), 100);

    frame.earthDanger = 9.5f;
    HudPicture close(1280, 720);
    close.draw(frame);
    EXPECT_GT(close.count(900, 0, 1280, 60, reddish), 100);
}

TEST_F(HeadsUpDisplay, FrameRateHelpPauseAndOutcomeShowOnlyWhenAsked)
{
    HudFrame frame;
    HudPicture plain(1280, 720);
    plain.draw(frame);
    int plainCentre = plain.count(300, 200, 980, 520, isLight);
    int plainCorner = plain.count(1100, 660, 1280, 720, isLight);
    EXPECT_EQ(plainCentre, 0) << "nothing in the middle while playing";
    EXPECT_EQ(plainCorner, 0);

    frame.showFrameRate = true;
    frame.framesPerSecond = 12.5f;
    HudPicture rate(1280, 720);
    rate.draw(frame);
    EXPECT_GT(rate.count(1100, 660, 1280, 720, isLight), 50) << "the frame rate in the bottom right corner";

    // Every line it is given on a line of its own: nineteen lines of about 23 pixels and a title.
    HelpLine lines[19];
    for (HelpLine& line : lines)
    {
        line = HelpLine{"F1", "", "this help"};
    }
    lines[0] = HelpLine{"Mouse", "right stick", "look around"};
    lines[18] = HelpLine{"Escape", "B (while paused)", "quit"};
    frame = HudFrame();
    frame.showHelp = true;
    frame.helpLines = lines;
    frame.helpLineCount = 19;
    HudPicture help(1280, 720);
    help.draw(frame);
    int firstRow = -1, lastRow = -1;
    for (int y = 100; y < 720; y++)
    {
        if (help.count(400, y, 880, y + 1, isLight) > 0)
        {
            firstRow = firstRow < 0 ? y : firstRow;
            lastRow = y;
        }
    }
    EXPECT_GE(lastRow - firstRow, 19 * 22) << "the panel lists every line";

    frame = HudFrame();
    frame.paused = true;
    HudPicture paused(1280, 720);
    paused.draw(frame);
    EXPECT_GT(paused.count(440, 230, 840, 360, isLight), 1000) << "PAUSED, large, above the middle";

    frame.outcome = "GAME OVER: EARTH IS NO MORE!!!";
    HudPicture over(1280, 720);
    over.draw(frame);
    EXPECT_GT(over.count(0, 320, 1280, 400, isLight), 3000) << "the outcome across the middle";
    EXPECT_EQ(over.count(440, 230, 840, 300, isLight), 0) << "an outcome takes PAUSED's place";
}

TEST_F(HeadsUpDisplay, TheAimMarkerBracketsItsTargetInTheColourOfWhatAShotWouldDo)
{
    auto orange = [](int r, int g, int b) { return r > 200 && g > 120 && g < 190 && b < 80; };
    auto grey = [](int r, int g, int b) { return r > 90 && r < 140 && std::abs(r - b) < 30 && g > 90 && g < 140; };
    auto red = [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; };
    HudFrame frame;
    frame.hasTarget = true;
    frame.targetCentre = glm::vec2(700.0f, 300.0f);
    frame.targetHalfSize = 20.0f;
    HudPicture live(1280, 720);
    live.draw(frame);
    EXPECT_GT(live.count(678, 278, 690, 290, orange), 20) << "the top-left corner's arms";
    EXPECT_GT(live.count(710, 310, 722, 322, orange), 20) << "the bottom-right corner's arms";
    EXPECT_EQ(live.count(690, 290, 710, 310, orange), 0) << "open towards the target";
    EXPECT_EQ(live.count(0, 60, 1280, 720, orange) - live.count(678, 278, 722, 322, orange), 0);

    frame.targetMark = TargetMark::unseen;
    HudPicture unseen(1280, 720);
    unseen.draw(frame);
    EXPECT_GT(unseen.count(678, 278, 722, 322, grey), 40) << "a removed object still in the way, dimmer";
    EXPECT_EQ(unseen.count(678, 278, 722, 322, orange), 0);

    // The Earth: red, unlike any target, with its name to the right of the bracket.
    frame.targetMark = TargetMark::warning;
    HudPicture earth(1280, 720);
    earth.draw(frame);
    EXPECT_GT(earth.count(678, 278, 722, 322, red), 40);
    EXPECT_EQ(earth.count(0, 60, 1280, 720, orange), 0);
    EXPECT_GT(earth.count(724, 285, 820, 315, red), 80) << "EARTH beside it";
    EXPECT_EQ(live.count(724, 285, 820, 315, isLight), 0) << "and only beside the Earth";
}

TEST_F(HeadsUpDisplay, TheShotsOwnHitShowsBesideTheCrosshairForAMoment)
{
    auto yellow = [](int r, int g, int b) { return r > 200 && g > 170 && b < 120; };
    HudFrame frame;
    frame.shotHitSeconds = 0.1f;
    HudPicture hit(1280, 720);
    hit.draw(frame);
    // Below and right of the crosshair at (640, 360).
    EXPECT_GT(hit.count(655, 375, 760, 420, yellow), 100) << "HIT";
    EXPECT_EQ(hit.count(0, 60, 640, 720, yellow) + hit.count(640, 60, 1280, 360, yellow), 0);

    for (float seconds : {-1.0f, 0.85f})
    {
        frame.shotHitSeconds = seconds;
        HudPicture gone(1280, 720);
        gone.draw(frame);
        EXPECT_EQ(gone.count(655, 375, 760, 420, isLight), 0) << seconds << " s after the hit";
    }
}

// After an outcome: NEW RECORD over the band when the game set one, "R: play again" under it while the
// game waits; the quickest win beside the clock.
TEST_F(HeadsUpDisplay, TheOutcomeOffersToPlayAgainAndShowsARecord)
{
    auto yellow = [](int r, int g, int b) { return r > 200 && g > 170 && b < 120; };
    HudFrame frame;
    frame.outcome = "CONGRATULATIONS, YOU WON!";
    HudPicture plain(1280, 720);
    plain.draw(frame);
    // The band runs from about 316 to 404.
    EXPECT_EQ(plain.count(400, 250, 880, 312, isLight), 0);
    EXPECT_EQ(plain.count(400, 410, 880, 460, isLight), 0);

    frame.newRecord = true;
    frame.playAgain = true;
    HudPicture record(1280, 720);
    record.draw(frame);
    EXPECT_GT(record.count(400, 250, 880, 312, yellow), 300) << "NEW RECORD above the message";
    EXPECT_GT(record.count(500, 410, 780, 460, isLight), 150) << "R: play again under it";

    HudFrame playing;
    playing.hasBestWin = true;
    playing.bestWinSeconds = 41.3;
    HudPicture best(1280, 720);
    best.draw(playing);
    HudPicture none(1280, 720);
    none.draw(HudFrame());
    auto lit = [](int r, int g, int b) { return r + g + b > 300; };
    EXPECT_GT(best.count(75, 54, 250, 80, lit), 80) << "the best win beside the clock";
    EXPECT_EQ(none.count(75, 54, 250, 80, lit), 0);
}
