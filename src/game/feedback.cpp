#include "game/feedback.h"

#include "game/player.h"
#include "game/scene_object.h"
#include "input/actions.h"
#include "render/bursts.h"

#include <algorithm>
#include <cmath>

namespace
{
// An object removed bursts at this size; the Earth's hit is larger.
const float removalBurstSize = 1.0f;
const float earthBurstSize = 3.0f;
} // namespace

int chooseFrameSounds(const PlayFrame& frame, glm::vec3 listener, FrameSound* sounds, int capacity)
{
    int count = 0;
    auto add = [&](SoundEffect effect, bool positional, glm::vec3 position)
    {
        if (count < capacity)
        {
            sounds[count++] = FrameSound{effect, positional, position};
        }
    };
    const GameEvent* nearestCollision = nullptr;
    float nearest = 0.0f;
    for (size_t i = 0; i < frame.eventCount; i++)
    {
        const GameEvent& event = frame.events[i];
        switch (event.type)
        {
        case GameEventType::shotFired:
            add(SoundEffect::shot, false, glm::vec3(0.0f));
            break;
        case GameEventType::objectShot:
            add(SoundEffect::shotHit, true, event.position);
            break;
        case GameEventType::earthHit:
            add(SoundEffect::earthImpact, true, event.position);
            break;
        case GameEventType::objectRemoved:
        {
            float distance = glm::distance(event.position, listener);
            if (nearestCollision == nullptr || distance < nearest)
            {
                nearestCollision = &event;
                nearest = distance;
            }
            break;
        }
        }
    }
    if (nearestCollision != nullptr)
    {
        add(SoundEffect::hit, true, nearestCollision->position);
    }
    return count;
}

void soundTheFrame(const PlayFrame& frame, const Player& player)
{
    setSoundMuted(player.soundMuted);
    setListener(player.getPosition(), player.getDirection(), player.getUp());
    setEngineHum(player.flying);
    FrameSound sounds[16];
    int count = chooseFrameSounds(frame, player.getPosition(), sounds, 16);
    for (int i = 0; i < count; i++)
    {
        if (sounds[i].positional)
        {
            playSoundAt(sounds[i].effect, sounds[i].position);
        }
        else
        {
            playSound(sounds[i].effect);
        }
    }
}

void soundTheOutcome(Outcome outcome)
{
    setEngineHum(false);
    playSound(outcome == Outcome::won ? SoundEffect::win : SoundEffect::lose);
}

void burstWhatWasHit(const PlayFrame& frame, float dt, bool showBursts)
{
    // Bursts age with the simulation, so a pause holds them.
    updateBursts(dt);
    if (!showBursts)
    {
        clearBursts();
        return;
    }
    for (size_t i = 0; i < frame.eventCount; i++)
    {
        const GameEvent& event = frame.events[i];
        if (event.type == GameEventType::objectRemoved || event.type == GameEventType::objectShot)
        {
            addBurst(event.position, removalBurstSize);
        }
        else if (event.type == GameEventType::earthHit)
        {
            addBurst(event.position, earthBurstSize);
        }
    }
}

bool placeAimMarker(const AimTarget& target, const DisplayView& display, HudFrame& hud)
{
    glm::vec4 clip = display.projection * display.view * glm::vec4(target.position, 1.0f);
    if (clip.w < 0.1f)
    {
        return false;
    }
    glm::vec2 ndc = glm::vec2(clip) / clip.w;
    if (std::abs(ndc.x) > 1.2f || std::abs(ndc.y) > 1.2f)
    {
        return false;
    }
    float width = static_cast<float>(display.width);
    float height = static_cast<float>(display.height);
    float unit = height / 720.0f;
    hud.targetCentre = glm::vec2((ndc.x * 0.5f + 0.5f) * width, (0.5f - ndc.y * 0.5f) * height);
    // The model's size on screen, from the projection's vertical focal scale.
    float radius = target.radius * display.projection[1][1] * height * 0.5f / clip.w;
    hud.targetHalfSize = std::max(radius, 6.0f * unit) + 4.0f * unit;
    hud.targetMark = target.kind == AimKind::earth    ? TargetMark::warning
                     : target.kind == AimKind::unseen ? TargetMark::unseen
                                                      : TargetMark::removable;
    return true;
}

HudFrame describeDisplay(const PlayFrame& frame, const DisplayView& display)
{
    HudFrame hud;
    hud.removals = frame.removals;
    hud.removalsToWin = frame.removalsToWin;
    hud.playSeconds = frame.playSeconds;
    hud.earthDanger = frame.earthDanger;
    hud.shotHitSeconds = static_cast<float>(frame.shotHitSeconds);
    hud.hasBestWin = frame.hasBestWin;
    hud.bestWinSeconds = frame.bestWinSeconds;
    hud.outcome = getOutcomeMessage(frame.outcome);
    hud.newRecord = frame.newRecord;
    hud.playAgain = frame.outcome != Outcome::none;
    // A shot into the Sun changes nothing, so it is not marked.
    hud.hasTarget = frame.hasAim && frame.aim.kind != AimKind::sun && placeAimMarker(frame.aim, display, hud);
    return hud;
}

const HelpLine* getHelpLines(int& count)
{
    static HelpLine lines[static_cast<int>(Action::count)];
    static bool made = false;
    count = static_cast<int>(Action::count);
    if (!made)
    {
        const Binding* bindings = getBindings();
        for (int i = 0; i < count; i++)
        {
            lines[i] = HelpLine{bindings[i].keyName, bindings[i].padName, bindings[i].whatItDoes};
        }
        made = true;
    }
    return lines;
}
