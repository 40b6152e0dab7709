#include "game/session.h"

#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "render/bursts.h"
#include "sound/sound.h"

#include <cstdio>

namespace
{
// How long the restart key must be held during play, seconds.
const double restartHoldSeconds = 0.5;
} // namespace

const char* getOutcomeMessage(Outcome outcome)
{
    switch (outcome)
    {
    case Outcome::died:
        return "GAME OVER: YOU DIED!";
    case Outcome::won:
        return "CONGRATULATIONS, YOU WON!";
    case Outcome::earthLost:
        return "GAME OVER: EARTH IS NO MORE!!!";
    default:
        return nullptr;
    }
}

GameSession::GameSession(PhysicsWorld* world, Player* player, GLuint program)
    : world(world), player(player), program(program)
{
}

GameSession::~GameSession()
{
    end();
}

void GameSession::start()
{
    end();
    // The models were drawn by the last game: nothing of its matrices carries over.
    for (auto& entry : modelCache)
    {
        entry.second->resetMatrices();
    }
    gameWon = false;
    earthDestroyed = false;
    clearFrameEvents();
    buildLevel(world, program);
    player->startGame();
    clearBursts();
    silenceSounds();
    frame = PlayFrame();
    frame.removalsToWin = getRemovalsToWin();
    frame.hasBestWin = records.get().hasBestWin;
    frame.bestWinSeconds = records.get().bestWinSeconds;
    lastShotHit = -1.0;
    restartHeldSince = -1.0;
    restartKeyMustRise = true;
    recorded = false;
    running = true;
}

void GameSession::end()
{
    if (!running)
    {
        return;
    }
    // Every object takes its actor out of the world as it goes: its pairs end without a report.
    actorObjects.clear();
    for (auto& entry : sceneObjects)
    {
        delete entry.second;
    }
    sceneObjects.clear();
    for (SceneObject** object : {&projectile, &earth, &sun})
    {
        delete *object;
        *object = nullptr;
    }
    gameWon = false;
    earthDestroyed = false;
    clearFrameEvents();
    running = false;
}

void GameSession::restart()
{
    start();
    printf("New game\n");
    fflush(stdout);
}

void GameSession::useRecords(const std::string& folder)
{
    if (folder.empty())
    {
        printf("Records: off (no home folder to keep them in)\n");
        return;
    }
    records.open(folder);
    frame.hasBestWin = records.get().hasBestWin;
    frame.bestWinSeconds = records.get().bestWinSeconds;
}

void GameSession::beginStep()
{
    clearFrameEvents();
}

void GameSession::afterStep(float dt)
{
    frame.playSeconds += dt;
    frame.events = getFrameEvents();
    frame.eventCount = getFrameEventCount();
    for (size_t i = 0; i < frame.eventCount; i++)
    {
        if (frame.events[i].type == GameEventType::objectShot)
        {
            lastShotHit = frame.playSeconds;
        }
    }
    frame.shotHitSeconds = lastShotHit < 0.0 ? -1.0 : frame.playSeconds - lastShotHit;
    frame.removals = countRemovals();
    frame.earthDanger = getEarthDanger();
}

// The game's end, tested once a frame after drawing: the ship touching anything (in any move of the
// frame) before the win, and the win before the Earth.
void GameSession::afterInput()
{
    // The input steps of the frame added its shots.
    frame.events = getFrameEvents();
    frame.eventCount = getFrameEventCount();
    ControllerCollisionFlags flags = player->getCollisionFlags();
    if (flags.isSet(eCOLLISION_DOWN) || flags.isSet(eCOLLISION_UP) || flags.isSet(eCOLLISION_SIDES))
    {
        frame.outcome = Outcome::died;
    }
    else if (isGameWon())
    {
        frame.outcome = Outcome::won;
    }
    else if (isEarthDestroyed())
    {
        frame.outcome = Outcome::earthLost;
    }
    else
    {
        frame.outcome = Outcome::none;
    }
    frame.hasAim = findAimTarget(*world, *player, frame.aim);
    if (frame.outcome != Outcome::none)
    {
        recordOutcome();
    }
}

void GameSession::recordOutcome()
{
    if (recorded)
    {
        return;
    }
    recorded = true;
    GameResult result;
    result.won = frame.outcome == Outcome::won;
    result.playSeconds = frame.playSeconds;
    result.removals = frame.removals;
    frame.newRecord = records.add(result);
    frame.hasBestWin = records.get().hasBestWin;
    frame.bestWinSeconds = records.get().bestWinSeconds;
}

bool GameSession::holdsToRestart(bool keyDown, double seconds)
{
    if (!keyDown)
    {
        restartHeldSince = -1.0;
        restartKeyMustRise = false;
        return false;
    }
    if (restartKeyMustRise)
    {
        return false;
    }
    if (restartHeldSince < 0.0)
    {
        restartHeldSince = seconds;
    }
    return seconds - restartHeldSince >= restartHoldSeconds;
}
