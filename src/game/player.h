#pragma once

#include "input/controls.h"
#include "input/game_window.h"
#include "physics/physics_world.h"

#include <glm/glm.hpp>

// The display toggles behind the function keys.
struct RenderSettings
{
    bool showHelp = false;        // F1
    bool showFrameTime = false;   // F2
    bool wireFrame = false;       // F3
    bool nearestSampling = false; // F4: nearest neighbour instead of bilinear
    int mipMapMode = 0;           // F5: 0 off, 1 nearest neighbour, 2 linear
    bool frustumCulling = false;  // F8
    bool transparency = false;    // F9
    bool showHud = true;          // F6: the display in front of the picture, the aim marker, hit bursts
};

// The first-person camera riding the box controller, and everything the user controls.
class Player
{
  public:
    // width and height: the window size in window coordinates, whose centre the cursor returns to.
    Player(GameWindow* window, PhysicsWorld* physicsWorld, int width, int height);

    // One complete input step: mouse look, movement, shooting, the function keys, then the
    // projection and view matrices. Runs many times per frame; moves are sized per call.
    void update(float dt);
    // The right stick's look, once a frame: dt seconds of turning at up to about 3 radians a second.
    void lookWithStick(float dt);
    void shoot();
    // Where a shot fired now leaves from: below the camera; and its speed, units per second.
    glm::vec3 getLaunchPoint() const;
    float getShotSpeed() const;
    // The display settings and the mute alone: each press since the last call changes its setting
    // once.
    void handleSettingKeys();

    // The next input step only puts the cursor at the centre and does not turn the view: wherever
    // the pointer was at start, or went while the game was paused, is not a turn.
    void recentreCursor() { cursorCentred = false; }
    // A new game: the ship back where it started, looking where it looked then, nothing touched, the
    // cursor recentred at the next step and no flying or firing key acting until pressed anew. The
    // display settings and the mute stay as the player set them.
    void startGame();
    // A pause has ended: the cursor is recentred, and firing and flying pressed during the pause do
    // nothing, neither the presses counted nor a key still down; each acts again once it is up.
    void resumeAfterPause();
    // The window changed size: the cursor's centre and the projection's aspect follow at once.
    void setWindowSize(int newWidth, int newHeight);

    glm::vec3 getPosition() const { return position; }
    glm::vec3 getDirection() const;
    glm::vec3 getUp() const;
    glm::mat4 getProjectionMatrix() const { return projection; }
    glm::mat4 getViewMatrix() const { return view; }
    ControllerCollisionFlags getCollisionFlags() const;

    // The culling frustum: its shape once, its orientation once per frame, then point tests.
    void setFrustumShape(float fovDegrees, float aspect, float nearDistance, float farDistance);
    void updateFrustum(glm::vec3 eye, glm::vec3 target, glm::vec3 up);
    int testPointInFrustum(glm::vec3 point) const; // 2 inside, 0 outside

    float frustumNear = 1.0f;
    float frustumFar = 100.0f;
    float frustumAspect = 1.0f;
    float frustumTangent = 1.0f;
    RenderSettings settings;
    bool soundMuted = false; // M
    bool flying = false;     // a movement key was down in the last input step: the engine hums
    int width;
    int height;
    GameWindow* window;
    Controls controls; // the keys and the gamepad, by action
    glm::mat4 projection = glm::mat4(1.0f);
    glm::mat4 view = glm::mat4(1.0f);
    glm::vec3 position = glm::vec3(0.0f);
    float horizontalAngle = 7.14f; // yaw, radians
    float verticalAngle = 0.0f;    // pitch, radians
    float fieldOfView = 45.0f;     // handed to glm::perspective, which reads it as radians
    float mouseSpeed = 0.0006f;    // radians per pixel of cursor offset, before the player's sensitivity
    PhysicsWorld* physicsWorld;
    Controller* controller;
    Shape* controllerShape;


  private:
    void look();
    void move(float dt);
    void updateProjection();
    // Whether flying or firing reads as down (or how far pushed), unless a pause left it to be let go
    // first.
    bool isPlayDown(Action action);
    float getPlayPush(Action action);

    bool cursorCentred = false;
    glm::ivec2 windowPosition = glm::ivec2(0); // where the window was at the last input step
    glm::dvec3 startPosition;                  // where the controller stood when the player was made
    bool waitForRelease[static_cast<int>(Action::count)] = {};
};

// Camera vectors, rewritten by every Player::update.
extern glm::vec3 viewDirection;
extern glm::vec3 viewRight;
extern glm::vec3 viewUp;
extern double cursorX;
extern double cursorY;
// What the controller touched during the player's most recent move.
extern ControllerCollisionFlags lastMoveFlags;
// Culling frustum axes for the current frame; Z points backwards, from the target to the eye.
extern glm::vec3 frustumAxisX;
extern glm::vec3 frustumAxisY;
extern glm::vec3 frustumAxisZ;
extern bool frustumCullingEnabled;

void setFrustumCullingEnabled(bool enabled);
