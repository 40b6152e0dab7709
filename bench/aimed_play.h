#pragma once

// A scripted marksman for the benchmarks: it plays the real game in its real window with real X
// input, picks an asteroid from the game's memory, turns the view with pointer moves until the aim
// marker shows that asteroid, fires with a real Space press, and waits to see whether it goes.
// It only fires at what the marker marks, so its hit rate measures whether the marker tells the
// truth and whether shots land at low frame rates.

#include "app/frame_loop.h"
#include "app/startup.h"
#include "game/aim.h"
#include "game/level.h"
#include "game/player.h"
#include "game/scene_object.h"
#include "physics/box_geometry.h"
#include "game/events.h"

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstdio>

class AimedPlay
{
  public:
    struct Tally
    {
        int shots = 0;
        int hits = 0;
        int framesTurning = 0;
        int framesWaiting = 0;
        // Misses whose shot a trigger report elsewhere in the field parked on its way: the rules park
        // the projectile on every report.
        int parkedOnTheWay = 0;
        // Misses whose flight the end of the game cut short.
        int endedInFlight = 0;
    };

    AimedPlay()
        : display(glfwGetX11Display()), target(glfwGetX11Window(window)),
          space(XKeysymToKeycode(display, XK_space))
    {
        XSetInputFocus(display, target, RevertToParent, CurrentTime);
        XSync(display, False);
    }

    // Fires one aimed shot: picks the nearest live asteroid 15 to 90 units away,
    // turns until the marker shows it, fires, and follows the shot for up to 1.5 s of play. Returns
    // false when the game ended (the outcome is in end) or no target could be marked.
    bool shoot(GameLoop& loop, Tally& tally, FrameEnd& end)
    {
        SceneObject* chosen = pickTarget(minTargetDistance);
        if (chosen == nullptr)
        {
            return false;
        }
        // Turn until the marker shows the chosen one; the view moves once per frame. Two objects that
        // met are usually reported again when they part a moment later, and every report parks a shot
        // in flight: fire only once the field has been quiet for a while.
        bool marked = false;
        bool ready = false;
        for (int frame = 0; frame < 80 && !ready; frame++)
        {
            if (actorObjects.count(chosen->getDynamicActor()) == 0)
            {
                return true; // something else took it first; pick another next time
            }
            glm::vec2 turn = turnTowards(chosen);
            XWarpPointer(display, None, target, 0, 0, 0, 0, player->width / 2 + static_cast<int>(turn.x),
                         player->height / 2 + static_cast<int>(turn.y));
            XFlush(display);
            if ((end = runFrame(loop)) != FrameEnd::keepRunning)
            {
                return false;
            }
            noteRemovals(loop);
            tally.framesTurning++;
            AimTarget aimed;
            marked = findAimTarget(*loop.physicsWorld, *player, aimed) && aimed.object == chosen;
            float flight = glm::length(aimed.position - player->getLaunchPoint()) / player->getShotSpeed();
            ready = marked && loop.window->getTime() - lastReport >= quietBeforeShot &&
                    !isFieldAboutToReport(flight + flightMargin);
        }
        if (!ready)
        {
            return true;
        }
        XTestFakeKeyEvent(display, space, True, 0);
        XTestFakeKeyEvent(display, space, False, 0);
        XFlush(display);
        tally.shots++;
        double firedAt = loop.window->getTime();
        double reportsBefore = lastReport;
        while (loop.window->getTime() - firedAt < 1.5)
        {
            if ((end = runFrame(loop)) != FrameEnd::keepRunning)
            {
                // A win ends the game in the frame of the hit.
                bool hit = actorObjects.count(chosen->getDynamicActor()) == 0;
                tally.hits += hit ? 1 : 0;
                tally.endedInFlight += hit ? 0 : 1;
                return false;
            }
            tally.framesWaiting++;
            noteRemovals(loop);
            if (actorObjects.count(chosen->getDynamicActor()) == 0)
            {
                tally.hits++;
                return true;
            }
            if (lastReport > reportsBefore && lastReport > firedAt)
            {
                tally.parkedOnTheWay++;
                return true;
            }
        }
        return true;
    }

  private:
    // Seconds of play without a removal anywhere before a shot is fired, and how much longer than its
    // flight the field must stay quiet.
    static constexpr double quietBeforeShot = 0.6;
    static constexpr float flightMargin = 0.3f;

    // A box of an object as the trigger pass sees it: the dynamic ones are 0.8 boxes, the Earth and
    // the Sun meet the others with their 10-unit boxes.
    static BoxPlacement boxOf(SceneObject* object)
    {
        Transform pose = object->isDynamic ? object->getDynamicActor()->getGlobalPose()
                                           : object->getStaticActor()->getGlobalPose();
        Shape* shapes[2] = {nullptr, nullptr};
        if (object->isDynamic)
        {
            object->getDynamicActor()->getShapes(shapes, 2, 0);
        }
        else
        {
            object->getStaticActor()->getShapes(shapes, 2, 0);
        }
        return BoxPlacement{pose.p, pose.q, shapes[1]->getHalfExtents()};
    }

    static glm::vec3 velocityOf(SceneObject* object)
    {
        return object->isDynamic ? object->getDynamicActor()->getLinearVelocity() : glm::vec3(0.0f);
    }

    // A box where the body's flight and spin take it in the coming seconds.
    static BoxPlacement boxAfter(SceneObject* object, const BoxPlacement& now, float seconds)
    {
        if (!object->isDynamic)
        {
            return now;
        }
        BoxPlacement later = now;
        later.center += velocityOf(object) * seconds;
        glm::vec3 spin = object->getDynamicActor()->getAngularVelocity();
        float angle = glm::length(spin) * seconds;
        if (angle > 0.0f)
        {
            later.rotation = glm::normalize(glm::angleAxis(angle, spin / glm::length(spin)) * now.rotation);
        }
        return later;
    }

    // Whether two objects of the field, seen or already removed, start or stop touching within the
    // next seconds if everything flies and spins on as it does now. Every trigger report parks a shot
    // in flight, wherever it happens. The asteroids all start alike and spin alike, so neighbours that
    // do not touch now come to touch together as they turn: the boxes are compared where they will be
    // every twentieth of a second.
    static bool isFieldAboutToReport(float seconds)
    {
        SceneObject* objects[sceneObjectCapacity];
        int count = 0;
        for (const auto& entry : sceneObjects)
        {
            objects[count++] = entry.second;
        }
        objects[count++] = earth;
        objects[count++] = sun;
        const int samples = static_cast<int>(std::ceil(seconds / 0.05f));
        for (int i = 0; i < count; i++)
        {
            BoxPlacement a = boxOf(objects[i]);
            for (int j = i + 1; j < count; j++)
            {
                if (!objects[i]->isDynamic && !objects[j]->isDynamic)
                {
                    continue;
                }
                BoxPlacement b = boxOf(objects[j]);
                glm::vec3 motion = (velocityOf(objects[j]) - velocityOf(objects[i])) * seconds;
                float reach = glm::length(a.halfExtents) + glm::length(b.halfExtents) + glm::length(motion);
                if (glm::length(b.center - a.center) > reach)
                {
                    continue;
                }
                bool touching = boxesOverlap(a, b);
                for (int k = 1; k <= samples; k++)
                {
                    float t = seconds * static_cast<float>(k) / static_cast<float>(samples);
                    if (boxesOverlap(boxAfter(objects[i], a, t), boxAfter(objects[j], b, t)) != touching)
                    {
                        return true;
                    }
                }
            }
        }
        return false;
    }

    static const int sceneObjectCapacity = 128;

    // Notes when the last trigger report came: a removal, or any report at all, which parks the
    // projectile. Parked, it flies on from the parking place with the velocity it had, so a report is
    // seen as the projectile coming nearer that place than it was the frame before. (Two objects
    // resting against each other, an asteroid on the Sun's box, may report again and again.)
    void noteRemovals(const GameLoop& loop)
    {
        const GameEvent* events = getFrameEvents();
        for (size_t i = 0; i < getFrameEventCount(); i++)
        {
            if (events[i].type == GameEventType::objectRemoved || events[i].type == GameEventType::objectShot)
            {
                lastReport = loop.window->getTime();
            }
        }
        float fromParking = glm::length(projectile->getDynamicActor()->getGlobalPose().p - glm::vec3(1000.0f));
        if (fromParking < lastFromParking && fromParking < 300.0f)
        {
            lastReport = loop.window->getTime();
        }
        lastFromParking = fromParking;
    }

    double lastReport = -1.0;
    float lastFromParking = 0.0f;
    // Where the shot must go to meet the object: it leaves 3 below the camera at 130 units/s, and the
    // object moves on meanwhile (both fall alike, so gravity drops out).
    glm::vec3 aimDirection(SceneObject* object) const
    {
        glm::vec3 from = player->getLaunchPoint();
        glm::vec3 place = object->getDynamicActor()->getGlobalPose().p;
        glm::vec3 velocity = object->getDynamicActor()->getLinearVelocity();
        glm::vec3 meet = place;
        for (int i = 0; i < 4; i++)
        {
            meet = place + velocity * (glm::length(meet - from) / player->getShotSpeed());
        }
        return glm::normalize(meet - from);
    }

    // The pointer offset from the window's centre that turns the view onto the object in one frame,
    // at most as far as the window reaches.
    glm::vec2 turnTowards(SceneObject* object) const
    {
        glm::vec3 direction = aimDirection(object);
        float yaw = std::atan2(direction.x, direction.z);
        float pitch = std::asin(glm::clamp(direction.y, -1.0f, 1.0f));
        float yawTurn = std::remainder(yaw - player->horizontalAngle, 2.0f * static_cast<float>(M_PI));
        float pitchTurn = pitch - player->verticalAngle;
        // The view turns by 0.0006 rad per pixel the pointer is from the centre, the other way.
        glm::vec2 offset(-yawTurn / player->mouseSpeed, -pitchTurn / player->mouseSpeed);
        glm::vec2 reach(player->width / 2 - 1, player->height / 2 - 1);
        return glm::clamp(glm::round(offset), -reach, reach);
    }

    // The nearest live asteroid at least minDistance away: the shorter the flight, the less time
    // another trigger report somewhere in the field has to park the shot on its way (every report
    // parks it).
    SceneObject* pickTarget(float minDistance) const
    {
        SceneObject* best = nullptr;
        float bestDistance = maxTargetDistance;
        glm::vec3 from = player->getLaunchPoint();
        for (int id = 0; id < massiveStationId; id++)
        {
            SceneObject* asteroid = sceneObjects.at(id);
            if (actorObjects.count(asteroid->getDynamicActor()) == 0)
            {
                continue;
            }
            float distance = glm::length(asteroid->getDynamicActor()->getGlobalPose().p - from);
            if (distance >= minDistance && distance < bestDistance)
            {
                bestDistance = distance;
                best = asteroid;
            }
        }
        return best;
    }

    static constexpr float minTargetDistance = 15.0f;
    static constexpr float maxTargetDistance = 90.0f;

    Display* display;
    ::Window target;
    unsigned int space;
};
