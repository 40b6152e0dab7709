#pragma once

#include "physics/physics_world.h"

#include <glm/glm.hpp>

struct GLFWwindow;

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
};

// The first-person camera riding the box controller, and everything the user controls.
class Player
{
  public:
    Player(GLFWwindow* window, PhysicsWorld* physicsWorld, int width, int height);

    // One complete input step: mouse look, movement, shooting, the function keys, then the
    // projection and view matrices. Runs many times per frame; moves are sized per call.
    void update(float dt);
    void shoot();

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

    // The frame loop polled events: the cursor may have moved since the last recentre.
    void onEventsPolled() { cursorKnown = false; }

    float frustumNear = 1.0f;
    float frustumFar = 100.0f;
    float frustumAspect = 1.0f;
    float frustumTangent = 1.0f;
    RenderSettings settings;
    int width;
    int height;
    GLFWwindow* window;
    glm::mat4 projection = glm::mat4(1.0f);
    glm::mat4 view = glm::mat4(1.0f);
    glm::vec3 position = glm::vec3(0.0f);
    float horizontalAngle = 7.14f; // yaw, radians
    float verticalAngle = 0.0f;    // pitch, radians
    float fieldOfView = 45.0f;     // handed to glm::perspective, which reads it as radians
    float mouseSpeed = 0.0006f;    // radians per pixel of cursor offset
    PhysicsWorld* physicsWorld;
    Controller* controller;
    Shape* controllerShape;

    // Remember the recentred cursor between polls (off: ask the window system on every update).
    bool cacheCursor = true;
    // Set by the frame benchmark: the time spent in update() is added up in updateSeconds.
    bool timingUpdates = false;
    double updateSeconds = 0.0;

  private:
    void look();
    void move(float dt);
    void handleSettingKeys();
    bool isNewPress(int key);

    // After the first update of a frame has read and recentred the cursor, the window system's
    // answer is known until events are polled again, so later updates skip the round trips.
    bool cursorKnown = false;
    double knownCursorX = 0.0;
    double knownCursorY = 0.0;
    bool keyWasDown[349] = {}; // indexed by GLFW key code
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
