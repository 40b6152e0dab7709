#pragma once

#include "game/aim.h"
#include "game/events.h"
#include "game/records.h"
#include "render/gl.h"

#include <string>

class PhysicsWorld;
class Player;

// How a game ended.
enum class Outcome
{
    none,
    died,      // the ship touched something
    won,       // the fourteenth removal
    earthLost, // something reached the Earth
};

// The outcome's message, as the console and the display say it; null for none.
const char* getOutcomeMessage(Outcome outcome);

// What one frame of play means, for those who show and sound it: the display, the sound and the
// bursts all read this one value. The session fills it in two moments of the frame: after the
// physics step (the events and the numbers) and after the composite's input step (the outcome, which
// the ship's moves decide, and the aim of the camera the composite shows).
struct PlayFrame
{
    const GameEvent* events = nullptr;
    size_t eventCount = 0;
    int removals = 0;
    int removalsToWin = 14;
    float earthDanger = 1000.0f; // units from the nearest object to the Earth's box
    double playSeconds = 0.0;    // the play clock: pauses left out
    double shotHitSeconds = -1.0; // play seconds since the player's shot last removed something; -1: none
    Outcome outcome = Outcome::none;
    bool hasAim = false; // what a shot fired now would hit first, when anything
    AimTarget aim;
    bool hasBestWin = false; // the player's quickest win so far
    double bestWinSeconds = 0.0;
    bool newRecord = false; // this game's outcome set a record
};

// One game from its start to its outcome, and the next. It owns the level the game plays in: it
// builds the scene objects into the physics world, which outlives it, and takes them out again; it
// resets the rules' flags and count, the frame's events and the ship. Models, textures and programs
// are loaded once and reused by every game. The asteroids stand where they stood in the first game.
class GameSession
{
  public:
    // The world, the player and the program live as long as the session.
    GameSession(PhysicsWorld* world, Player* player, GLuint program);
    ~GameSession();
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // Builds a game: the level, the flags, the count, the events, the ship, no bursts and no sounds
    // playing. The display settings and the mute stay as the player set them.
    void start();
    // Takes the game's objects out of the world and clears every global of a game.
    void end();
    // end, then start, and "New game" on the console.
    void restart();

    // Records go to records.txt in folder ($XDG_DATA_HOME/velmora); "" keeps them off.
    void useRecords(const std::string& folder);

    // Each running frame: before the physics step, then after it with the step's dt, then after the
    // composite's input step.
    void beginStep();
    void afterStep(float dt);
    void afterInput();
    const PlayFrame& getFrame() const { return frame; }

    // Holding the restart key half a second during play starts a new game; a tap (a slip of the
    // finger from D) does nothing, and a key still down from the last restart must be let go first.
    // Call once a frame with whether the key is down and the clock; true when the hold is long enough.
    bool holdsToRestart(bool keyDown, double seconds);

    PhysicsWorld* getWorld() const { return world; }
    Player* getPlayer() const { return player; }

  private:
    void recordOutcome();

    PhysicsWorld* world;
    Player* player;
    GLuint program;
    RecordsFile records;
    bool running = false;
    bool recorded = false;
    PlayFrame frame;
    double lastShotHit = -1.0; // play clock, or negative
    double restartHeldSince = -1.0;
    bool restartKeyMustRise = true; // a key still held from the last restart counts only once let go
};
