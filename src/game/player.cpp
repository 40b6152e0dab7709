#include "game/player.h"

#include "game/console.h"
#include "game/events.h"
#include "game/rules.h"
#include "render/wire_frame.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstdio>

glm::vec3 viewDirection;
glm::vec3 viewRight;
glm::vec3 viewUp;
double cursorX;
double cursorY;
ControllerCollisionFlags lastMoveFlags;
glm::vec3 frustumAxisX;
glm::vec3 frustumAxisY;
glm::vec3 frustumAxisZ;
bool frustumCullingEnabled;

// Each move through the controller covers this fraction of a view vector, whatever the frame time.
static const float moveStep = 1.0f / 500.0f;
// The shot leaves this far below the camera, at this speed (units per second) along the view.
static const float shotDrop = 3.0f;
static const float shotSpeed = 130.0f;

// What flies and fires, which a pause must not leave acting after it.
static const Action playActions[] = {Action::fire, Action::flyForwards, Action::flyBackwards, Action::flyRight,
                                     Action::flyLeft};
// The right stick turns the view at most this fast, radians per second.
static const float stickTurnSpeed = 3.0f;

void setFrustumCullingEnabled(bool enabled)
{
    frustumCullingEnabled = enabled;
}

Player::Player(GameWindow* window, PhysicsWorld* physicsWorld, int width, int height)
    : width(width), height(height), window(window), controls(window), physicsWorld(physicsWorld)
{
    controller = physicsWorld->getController();
    controllerShape = physicsWorld->getControllerShape();
    settings = RenderSettings();
    startPosition = controller->getPosition();
    position = glm::vec3(startPosition);
}

void Player::startGame()
{
    controller->setPosition(startPosition);
    position = glm::vec3(startPosition);
    horizontalAngle = 7.14f;
    verticalAngle = 0.0f;
    flying = false;
    lastMoveFlags = ControllerCollisionFlags();
    projection = glm::mat4(1.0f);
    view = glm::mat4(1.0f);
    viewDirection = viewRight = viewUp = glm::vec3(0.0f);
    resumeAfterPause();
}

glm::vec3 Player::getDirection() const
{
    return viewDirection;
}

glm::vec3 Player::getUp() const
{
    return viewUp;
}

ControllerCollisionFlags Player::getCollisionFlags() const
{
    return lastMoveFlags;
}

void Player::update(float dt)
{
    look();

    float h = horizontalAngle;
    float v = verticalAngle;
    viewDirection = glm::vec3(std::cos(v) * std::sin(h), std::sin(v), std::cos(v) * std::cos(h));
    viewRight = glm::vec3(std::sin(h - 1.57f), 0.0f, std::cos(h - 1.57f));
    viewUp = glm::cross(viewRight, viewDirection);

    // The controller's proxy box turns with the yaw, about its own x axis.
    controllerShape->setLocalPose(
        Transform(glm::vec3(0.0f), glm::quat(std::cos(h / 2.0f), std::sin(h / 2.0f), 0.0f, 0.0f)));

    move(dt);
    // Holding fire keeps re-launching the projectile from the ship, on every input step; each press
    // is one shot for whoever shows or sounds it.
    if (isPlayDown(Action::fire))
    {
        shoot();
    }
    for (int n = controls.takePresses(Action::fire); n > 0; n--)
    {
        recordEvent(GameEventType::shotFired, getLaunchPoint());
    }
    handleSettingKeys();

    updateProjection();
    view = glm::lookAt(position, position + viewDirection, viewUp);
}

void Player::setWindowSize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
    // At once, so a paused game's picture is drawn again at the new shape before play goes on.
    updateProjection();
}

void Player::updateProjection()
{
    projection = glm::perspective(fieldOfView, static_cast<float>(width) / static_cast<float>(height), 0.1f,
                                  500.0f);
}

void Player::resumeAfterPause()
{
    recentreCursor();
    controls.takePresses(Action::fire);
    for (Action action : playActions)
    {
        waitForRelease[static_cast<int>(action)] = true;
    }
}

bool Player::isPlayDown(Action action)
{
    bool& waiting = waitForRelease[static_cast<int>(action)];
    if (waiting)
    {
        // Reading it also clears a press the window remembered from the pause.
        waiting = controls.isDown(action);
        return false;
    }
    return controls.isDown(action);
}

float Player::getPlayPush(Action action)
{
    return isPlayDown(action) ? controls.getPush(action) : 0.0f;
}

void Player::lookWithStick(float dt)
{
    glm::vec2 stick = controls.getLookStick();
    float turn = stickTurnSpeed * controls.settings.mouseSensitivity * dt;
    horizontalAngle -= stick.x * turn;
    verticalAngle += (controls.settings.invertMouseY ? -stick.y : stick.y) * turn;
}

// The offset of the cursor from the window's centre turns the view, then the cursor goes back to
// the centre: moving the mouse right turns right, moving it up looks up. Only the mouse turns: when
// the window itself moved since the last step, the offset is where the window went, not a turn.
void Player::look()
{
    glm::dvec2 centre(static_cast<double>(width / 2), static_cast<double>(height / 2));
    glm::ivec2 place = window->getWindowPosition();
    glm::dvec2 cursor = window->getCursorPosition();
    cursorX = cursor.x;
    cursorY = cursor.y;
    if (cursor != centre)
    {
        window->setCursorPosition(centre);
    }
    bool windowMoved = place != windowPosition;
    windowPosition = place;
    if (!cursorCentred || windowMoved)
    {
        cursorCentred = true;
        return;
    }
    float speed = mouseSpeed * controls.settings.mouseSensitivity;
    float vertical = speed * static_cast<float>(centre.y - cursorY);
    horizontalAngle += speed * static_cast<float>(centre.x - cursorX);
    verticalAngle += controls.settings.invertMouseY ? -vertical : vertical;
}

// Each flying action moves the ship by one step along its view vector per input step, a stick by as
// much of it as it is pushed.
void Player::move(float dt)
{
    struct Move
    {
        Action action;
        glm::vec3 displacement;
    };
    const Move moves[] = {
        {Action::flyForwards, viewDirection * moveStep},
        {Action::flyBackwards, -viewDirection * moveStep},
        {Action::flyRight, viewRight * moveStep},
        {Action::flyLeft, -viewRight * moveStep},
    };
    flying = false;
    for (const Move& move : moves)
    {
        float push = getPlayPush(move.action);
        if (push > 0.0f)
        {
            flying = true;
            lastMoveFlags = controller->move(move.displacement * push, 0.0f, dt);
            position = glm::vec3(controller->getPosition());
        }
    }
}

glm::vec3 Player::getLaunchPoint() const
{
    return glm::vec3(position.x, position.y - shotDrop, position.z);
}

float Player::getShotSpeed() const
{
    return shotSpeed;
}

void Player::shoot()
{
    launchProjectile(getLaunchPoint(), viewDirection, shotSpeed);
}

static void toggle(bool& setting, const char* onMessage, const char* offMessage)
{
    setting = !setting;
    announce(setting ? onMessage : offMessage);
}

// Every press counts, also two of the same key within one frame; the settings are taken in the order
// of their keys F1, F2, F3, F4, F5, F6, F8, F9, M.
void Player::handleSettingKeys()
{
    for (int n = controls.takePresses(Action::help); n > 0; n--)
    {
        settings.showHelp = !settings.showHelp;
        if (settings.showHelp)
        {
            // The help text has no line end: whatever the game prints next continues the line.
            printf("Display help: on\nHow to play: Shoot the things! Don't die!");
            fflush(stdout);
        }
        else
        {
            announce("Display help: off");
        }
    }
    for (int n = controls.takePresses(Action::frameTime); n > 0; n--)
    {
        toggle(settings.showFrameTime, "Display frame time: on", "Display frame time: off");
    }
    for (int n = controls.takePresses(Action::wireFrame); n > 0; n--)
    {
        // A browser without WEBGL_polygon_mode draws no outlines.
        if (!isWireFrameAvailable())
        {
            announce("Wire frame: not available here");
            continue;
        }
        toggle(settings.wireFrame, "Wire frame: on", "Wire frame: off");
    }
    for (int n = controls.takePresses(Action::textureSampling); n > 0; n--)
    {
        toggle(settings.nearestSampling, "Texture sampling quality: Nearest neighbour",
               "Texture sampling quality: Bilinear");
    }
    for (int n = controls.takePresses(Action::mipMapping); n > 0; n--)
    {
        int& mode = settings.mipMapMode;
        if (mode == 0)
        {
            mode = 1;
            announce("Mip mapping quality: Nearest neighbour");
        }
        else if (mode == 1)
        {
            mode = 2;
            announce("Mip mapping quality: Linear");
        }
        else if (mode >= 2)
        {
            mode = 0;
            announce("Mip mapping quality: off");
        }
    }
    for (int n = controls.takePresses(Action::display); n > 0; n--)
    {
        toggle(settings.showHud, "HUD: on", "HUD: off");
    }
    for (int n = controls.takePresses(Action::culling); n > 0; n--)
    {
        toggle(settings.frustumCulling, "View frustum culling: on", "View frustum culling: off");
    }
    for (int n = controls.takePresses(Action::transparency); n > 0; n--)
    {
        toggle(settings.transparency, "Transparency: on", "Transparency: off");
    }
    for (int n = controls.takePresses(Action::mute); n > 0; n--)
    {
        soundMuted = !soundMuted;
        announce(soundMuted ? "Sound: off" : "Sound: on");
    }
}

void Player::setFrustumShape(float fovDegrees, float aspect, float nearDistance, float farDistance)
{
    float halfAngle = static_cast<float>(fovDegrees * M_PI / 360.0);
    frustumAspect = aspect;
    frustumNear = nearDistance;
    frustumFar = farDistance;
    frustumTangent = std::tan(halfAngle);
}

void Player::updateFrustum(glm::vec3 eye, glm::vec3 target, glm::vec3 up)
{
    frustumAxisZ = glm::normalize(eye - target);
    frustumAxisX = glm::normalize(glm::cross(up, frustumAxisZ));
    frustumAxisY = glm::cross(frustumAxisZ, frustumAxisX);
}

// Bounds are inclusive; the tests run depth, vertical, horizontal and stop at the first miss.
// The axes are the frame's, the position is the player's at the moment of the test.
int Player::testPointInFrustum(glm::vec3 point) const
{
    glm::vec3 v = point - position;
    float depth = glm::dot(v, -frustumAxisZ);
    if (depth > frustumFar || depth < frustumNear)
    {
        return 0;
    }
    float y = glm::dot(v, -frustumAxisY);
    float limit = depth * frustumTangent;
    if (y > limit || y < -limit)
    {
        return 0;
    }
    float x = glm::dot(v, -frustumAxisX);
    limit = limit * frustumAspect;
    if (x > limit || x < -limit)
    {
        return 0;
    }
    return 2;
}
