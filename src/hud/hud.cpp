#include "hud/hud.h"

#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

const glm::vec4 textColour(0.92f, 0.96f, 1.0f, 0.95f);
const glm::vec4 shadowColour(0.0f, 0.0f, 0.0f, 0.6f);
const glm::vec4 warningColour(1.0f, 0.36f, 0.2f, 1.0f);
const glm::vec4 panelColour(0.02f, 0.03f, 0.08f, 0.78f);
// The help panel is opaque: it is filled without blending, which costs next to nothing.
const glm::vec4 helpPanelColour(0.02f, 0.03f, 0.08f, 1.0f);
const glm::vec4 liveTargetColour(1.0f, 0.62f, 0.18f, 0.95f);
const glm::vec4 unseenTargetColour(0.62f, 0.64f, 0.7f, 0.7f);
// Red, and unlike the orange of a target or the Sun: a shot there loses the game.
const glm::vec4 earthTargetColour(1.0f, 0.12f, 0.12f, 1.0f);
const glm::vec4 hitColour(1.0f, 0.86f, 0.3f, 1.0f);
const glm::vec4 recordColour(1.0f, 0.86f, 0.3f, 1.0f);
const glm::vec4 dimTextColour(0.92f, 0.96f, 1.0f, 0.7f);

// Sizes follow the window's height, so the display looks the same from 640x360 to 3840x2160: one
// unit is a pixel at 720 lines.
struct Layout
{
    float unit;
    float margin;
    float body;
    float large;
    float huge;
};

Layout layoutFor(int height)
{
    float unit = static_cast<float>(height) / 720.0f;
    return Layout{unit, std::round(16.0f * unit), 20.0f * unit, 30.0f * unit, 64.0f * unit};
}

// Text with a soft shadow a little below and right of it, so it reads over the Sun as over space.
float addShadowedText(const char* text, float x, float y, float size, glm::vec4 colour, const Layout& layout)
{
    float offset = std::max(1.0f, std::round(1.5f * layout.unit));
    addText(text, x + offset, y + offset, size, shadowColour);
    return addText(text, x, y, size, colour);
}

// Text centred on (x, y).
void addCentredText(const char* text, float x, float y, float size, glm::vec4 colour, const Layout& layout)
{
    glm::vec2 extent = measureText(text, size);
    addShadowedText(text, std::round(x - extent.x / 2.0f), std::round(y - extent.y / 2.0f), size, colour, layout);
}

glm::vec4 targetColour(TargetMark mark)
{
    switch (mark)
    {
    case TargetMark::unseen:
        return unseenTargetColour;
    case TargetMark::warning:
        return earthTargetColour;
    default:
        return liveTargetColour;
    }
}

// The aim marker: four corner brackets around the target, open towards its middle; the Earth's has
// its name beside it.
void addTargetBracket(const HudFrame& frame, const Layout& layout)
{
    glm::vec4 colour = targetColour(frame.targetMark);
    float half = frame.targetHalfSize;
    float arm = std::max(4.0f, std::round(half * 0.45f));
    float thickness = std::max(1.0f, std::round(2.0f * layout.unit));
    float left = std::round(frame.targetCentre.x - half);
    float right = std::round(frame.targetCentre.x + half);
    float top = std::round(frame.targetCentre.y - half);
    float bottom = std::round(frame.targetCentre.y + half);
    // Each corner: a horizontal and a vertical arm meeting at the corner.
    addRect(left, top, arm, thickness, colour);
    addRect(left, top, thickness, arm, colour);
    addRect(right - arm, top, arm, thickness, colour);
    addRect(right - thickness, top, thickness, arm, colour);
    addRect(left, bottom - thickness, arm, thickness, colour);
    addRect(left, bottom - arm, thickness, arm, colour);
    addRect(right - arm, bottom - thickness, arm, thickness, colour);
    addRect(right - thickness, bottom - arm, thickness, arm, colour);
    if (frame.targetMark == TargetMark::warning)
    {
        float gap = std::round(6.0f * layout.unit);
        addShadowedText("EARTH", right + gap, std::round(frame.targetCentre.y - layout.body / 2.0f), layout.body,
                        colour, layout);
    }
}

// "HIT" below and right of the crosshair, fading out.
void addShotHit(const HudFrame& frame, const Layout& layout, int width, int height)
{
    float fade = 1.0f - frame.shotHitSeconds / shotHitShowSeconds;
    glm::vec4 colour = hitColour;
    colour.a *= fade;
    float offset = std::round(22.0f * layout.unit);
    addShadowedText("HIT", static_cast<float>(width) / 2.0f + offset, static_cast<float>(height) / 2.0f + offset,
                    layout.large, colour, layout);
}

// The panel lists the controls in three columns: the key, the gamepad's control, what they do.
void addHelpPanel(const HudFrame& frame, const Layout& layout, int width, int height)
{
    float size = layout.body;
    float lineHeight = measureText("Mg", size).y;
    float keyWidth = 0.0f;
    float padWidth = 0.0f;
    float actionWidth = 0.0f;
    for (int i = 0; i < frame.helpLineCount; i++)
    {
        const HelpLine& line = frame.helpLines[i];
        keyWidth = std::max(keyWidth, measureText(line.key, size).x);
        padWidth = std::max(padWidth, measureText(line.pad, size).x);
        actionWidth = std::max(actionWidth, measureText(line.action, size).x);
    }
    float padding = std::round(14.0f * layout.unit);
    float gap = std::round(18.0f * layout.unit);
    float titleHeight = measureText("Controls", layout.large).y;
    float panelWidth = keyWidth + gap + padWidth + gap + actionWidth + 2.0f * padding;
    float panelHeight = titleHeight + lineHeight * static_cast<float>(frame.helpLineCount) + 3.0f * padding;
    float x = std::round((static_cast<float>(width) - panelWidth) / 2.0f);
    float y = std::round((static_cast<float>(height) - panelHeight) / 2.0f);
    addRect(x, y, panelWidth, panelHeight, helpPanelColour);
    addShadowedText("Controls", x + padding, y + padding, layout.large, textColour, layout);
    float lineY = y + 2.0f * padding + titleHeight;
    for (int i = 0; i < frame.helpLineCount; i++)
    {
        const HelpLine& line = frame.helpLines[i];
        addText(line.key, x + padding, lineY, size, liveTargetColour);
        addText(line.pad, x + padding + keyWidth + gap, lineY, size, liveTargetColour);
        addText(line.action, x + padding + keyWidth + gap + padWidth + gap, lineY, size, textColour);
        lineY += lineHeight;
    }
}

} // namespace

void createHud(const char* fontPath)
{
    createText(fontPath);
}

void drawHud(const HudFrame& frame, int width, int height)
{
    Layout layout = layoutFor(height);
    beginOverlay(width, height);
    if (frame.hasTarget && frame.outcome == nullptr)
    {
        addTargetBracket(frame, layout);
    }
    if (frame.shotHitSeconds >= 0.0f && frame.shotHitSeconds < shotHitShowSeconds && frame.outcome == nullptr)
    {
        addShotHit(frame, layout, width, height);
    }

    char text[64];
    // Top left: removals so far and needed, then the time played.
    snprintf(text, sizeof(text), "%d / %d", frame.removals, frame.removalsToWin);
    float x = layout.margin;
    float y = layout.margin;
    addShadowedText(text, x, y, layout.large, textColour, layout);
    y += measureText(text, layout.large).y;
    long seconds = static_cast<long>(frame.playSeconds);
    snprintf(text, sizeof(text), "%ld:%02ld", seconds / 60, seconds % 60);
    float clockWidth = addShadowedText(text, x, y, layout.body, textColour, layout);
    if (frame.hasBestWin)
    {
        long best = static_cast<long>(frame.bestWinSeconds);
        snprintf(text, sizeof(text), "best %ld:%02ld", best / 60, best % 60);
        addShadowedText(text, x + clockWidth + std::round(12.0f * layout.unit), y, layout.body, dimTextColour,
                        layout);
    }

    // Top right: how close the nearest object is to the Earth.
    snprintf(text, sizeof(text), "EARTH %.1f", static_cast<double>(std::max(frame.earthDanger, 0.0f)));
    bool warning = frame.earthDanger < earthWarningDistance;
    float textWidth = measureText(text, layout.large).x;
    addShadowedText(text, static_cast<float>(width) - layout.margin - textWidth, layout.margin, layout.large,
                    warning ? warningColour : textColour, layout);

    if (frame.showFrameRate)
    {
        if (frame.framesPerSecond < 0.0f)
        {
            snprintf(text, sizeof(text), "- fps");
        }
        else
        {
            snprintf(text, sizeof(text), "%.1f fps", static_cast<double>(frame.framesPerSecond));
        }
        glm::vec2 extent = measureText(text, layout.body);
        addShadowedText(text, static_cast<float>(width) - layout.margin - extent.x,
                        static_cast<float>(height) - layout.margin - extent.y, layout.body, textColour, layout);
    }
    if (frame.showHelp)
    {
        addHelpPanel(frame, layout, width, height);
    }

    float centreX = static_cast<float>(width) / 2.0f;
    float centreY = static_cast<float>(height) / 2.0f;
    if (frame.outcome != nullptr)
    {
        // The outcome across a dark band through the middle.
        glm::vec2 extent = measureText(frame.outcome, layout.huge);
        float band = extent.y + 2.0f * layout.margin;
        addRect(0.0f, std::round(centreY - band / 2.0f), static_cast<float>(width), band, panelColour);
        float size = layout.huge;
        // A long message on a narrow window steps down until it fits.
        while (size > 9.0f && measureText(frame.outcome, size).x > static_cast<float>(width) - 2.0f * layout.margin)
        {
            size *= 0.9f;
        }
        addCentredText(frame.outcome, centreX, centreY, size, textColour, layout);
        float lineGap = std::round(10.0f * layout.unit);
        if (frame.newRecord)
        {
            float above = centreY - band / 2.0f - lineGap - layout.large / 2.0f;
            addCentredText("NEW RECORD", centreX, above, layout.large, recordColour, layout);
        }
        if (frame.playAgain)
        {
            float below = centreY + band / 2.0f + lineGap + layout.body / 2.0f;
            addCentredText("R: play again", centreX, below, layout.body, textColour, layout);
        }
    }
    else if (frame.paused)
    {
        addCentredText("PAUSED", centreX, centreY - std::round(60.0f * layout.unit), layout.huge, textColour, layout);
    }
    drawOverlay();
}
