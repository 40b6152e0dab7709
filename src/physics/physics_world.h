#pragma once

// The game's physics vocabulary: actors with trigger and collision boxes, trigger reports and a box
// character controller. The engine underneath stays inside src/physics; only GLM crosses this line.

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <memory>
#include <vector>

class PhysicsWorld;
struct PhysicsScene; // the engine's side of the world, defined in the .cpp files only

// A rigid transform: rotation, then position (the rotation is applied first).
struct Transform
{
    glm::quat q = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    glm::vec3 p = glm::vec3(0.0f);

    Transform() = default;
    explicit Transform(const glm::vec3& position) : p(position) {}
    Transform(const glm::vec3& position, const glm::quat& rotation) : q(rotation), p(position) {}

    // Column-major 4x4: the three rotation columns with w 0, then the position with w 1.
    glm::mat4 toMatrix() const;
};

// Friction and restitution; pairs combine by averaging the two values.
struct Material
{
    float staticFriction;
    float dynamicFriction;
    float restitution;
};

enum ShapeFlag : uint8_t
{
    eSIMULATION_SHAPE = 1 << 0,  // collides with other simulation shapes
    eSCENE_QUERY_SHAPE = 1 << 1, // seen by the controller's sweeps
    eTRIGGER_SHAPE = 1 << 2,     // reports overlaps, never collides
    eVISUALIZATION = 1 << 3,
};

class RigidActor;

// A box attached to one actor (or, for the shared box, to many).
class Shape
{
  public:
    glm::vec3 getHalfExtents() const { return halfExtents; }
    const Material* getMaterial() const { return material; }
    bool isExclusive() const { return exclusive; }
    uint8_t getFlags() const { return flags; }
    bool hasFlag(ShapeFlag flag) const { return (flags & flag) != 0; }
    void setFlag(ShapeFlag flag, bool value);
    Transform getLocalPose() const { return localPose; }
    void setLocalPose(const Transform& pose);

    // Internal: built by PhysicsWorld only.
    Shape(PhysicsScene* scene, glm::vec3 halfExtents, const Material* material, bool exclusive, uint8_t flags);

  private:
    PhysicsScene* scene;
    glm::vec3 halfExtents;
    const Material* material;
    bool exclusive;
    uint8_t flags;
    Transform localPose;
    RigidActor* owner = nullptr; // the one actor of an exclusive shape
    friend class PhysicsWorld;
    friend struct PhysicsScene;
};

class RigidActor
{
  public:
    Transform getGlobalPose() const;
    // Teleports the actor; its velocities are kept and its trigger follows it.
    void setGlobalPose(const Transform& pose, bool wake = true);
    uint32_t getNbShapes() const;
    // Copies up to bufferSize shapes from startIndex on, in attachment order; returns how many.
    uint32_t getShapes(Shape** buffer, uint32_t bufferSize, uint32_t startIndex = 0) const;
    bool isStatic() const { return isStaticActor; }

  protected:
    RigidActor(PhysicsScene* scene, uint32_t index, bool isStatic)
        : scene(scene), index(index), isStaticActor(isStatic)
    {
    }
    PhysicsScene* scene;
    uint32_t index; // creation order within the world
    bool isStaticActor;
    friend class PhysicsWorld;
    friend struct PhysicsScene;
};

class RigidDynamic : public RigidActor
{
  public:
    glm::vec3 getLinearVelocity() const;
    void setLinearVelocity(const glm::vec3& velocity, bool wake = true);
    glm::vec3 getAngularVelocity() const;
    void setAngularVelocity(const glm::vec3& velocity, bool wake = true);
    float getAngularDamping() const;
    void setAngularDamping(float damping);
    float getMass() const;
    glm::vec3 getMassSpaceInertiaTensor() const;
    bool isSleeping() const;
    // For fast bodies that would pass a box between two steps: triggers test the step's whole path.
    void setSweptTriggers(bool swept);
    bool hasSweptTriggers() const;

    RigidDynamic(PhysicsScene* scene, uint32_t index) : RigidActor(scene, index, false) {}
};

class RigidStatic : public RigidActor
{
  public:
    RigidStatic(PhysicsScene* scene, uint32_t index) : RigidActor(scene, index, true) {}
};

// What the controller touched during one move.
enum ControllerCollisionFlag : uint8_t
{
    eCOLLISION_SIDES = 1 << 0, // something beside the box
    eCOLLISION_UP = 1 << 1,    // something above
    eCOLLISION_DOWN = 1 << 2,  // something below
};

struct ControllerCollisionFlags
{
    uint8_t bits = 0;
    bool isSet(ControllerCollisionFlag flag) const { return (bits & flag) != 0; }
    explicit operator bool() const { return bits != 0; }
};

// The player's box character controller: moves are swept collide-and-slide, made between steps.
class Controller
{
  public:
    // Moves by displacement, sliding along what it hits; stops contactOffset short of surfaces.
    // Trigger boxes are ignored.
    ControllerCollisionFlags move(const glm::vec3& displacement, float minDistance, float elapsedTime);
    glm::dvec3 getPosition() const; // the box centre, kept in double precision
    void setPosition(const glm::dvec3& position);
    RigidDynamic* getActor() const;
    glm::vec3 getHalfExtents() const; // (half side, half height, half forward) in world axes
    float getContactOffset() const;
    float getStepOffset() const;
    float getSlopeLimit() const;
    glm::vec3 getUpDirection() const;

    explicit Controller(PhysicsScene* scene) : scene(scene) {}

  private:
    PhysicsScene* scene;
};

enum class TriggerStatus : uint8_t
{
    eNOTIFY_TOUCH_FOUND,
    eNOTIFY_TOUCH_LOST,
};

struct TriggerPair
{
    Shape* triggerShape;
    RigidActor* triggerActor;
    Shape* otherShape;
    RigidActor* otherActor;
    TriggerStatus status;
    // Where the two actors were when the touch began (a fast body is met on its way, not where the
    // step leaves it); for a lost touch, where they were when the step started.
    glm::vec3 triggerPosition = glm::vec3(0.0f);
    glm::vec3 otherPosition = glm::vec3(0.0f);
};

// Receives a step's trigger reports, synchronously inside PhysicsWorld::step.
class SimulationEventCallback
{
  public:
    virtual ~SimulationEventCallback() = default;
    // All pairs that began or ended touching in one step, in a fixed order.
    virtual void onTrigger(TriggerPair* pairs, uint32_t count) = 0;
};

// What a trigger box flown along a line meets first.
struct SweepHit
{
    RigidActor* actor = nullptr;
    // How far the launch speed alone has carried the box at the first touch (speed x time), in units;
    // gravity's share of the flight is not in it.
    float distance = 0.0f;
};

class PhysicsWorld
{
  public:
    // Builds the scene (gravity (0.1, 0.2, 0.3)), the default material, the shared box and the
    // player's controller at (-40, 4, 93). The callback receives every trigger report.
    explicit PhysicsWorld(SimulationEventCallback* callback);
    ~PhysicsWorld();
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    // One simulation step of exactly dt seconds: no sub-steps, no clamping. Trigger reports are
    // delivered before it returns.
    void step(float dt);

    Controller* getController() const { return controller; }
    RigidDynamic* getControllerActor() const { return controllerActor; }
    Shape* getControllerShape() const { return controllerShape; }

    // A dynamic box: a 0.8 box of its own (first shape) and the shared 0.8 box (second shape);
    // mass 4.096 from the first box.
    RigidDynamic* createDynamicActor(const glm::vec3& position);
    // A static box: a 0.7 box of its own (first shape) and a halfExtent box (second shape).
    RigidStatic* createStaticActor(const glm::vec3& position, float halfExtent);
    // Takes an actor out of the world and destroys it with its own boxes; the actor pointer is gone
    // afterwards. Its trigger pairs end without a report: a touch it still had is never reported lost.
    // The others keep their creation order. Not from inside a trigger report, nor for the controller's.
    void removeActor(RigidActor* actor);

    // The first collision box another actor offers to actor's trigger box flown from start at velocity
    // (units per second) for up to maxDistance, while every other body moves on at its own velocity:
    // what a shot fired now would meet first. The flight bends under gravity as a shot's does: bodies
    // that fall alike meet it on a straight relative path, the statics and the ship on its arc. The
    // actor itself and ignore (may be null) are skipped; the box flies unturned, as a body teleported to
    // Transform(start) sits. The geometry is the swept triggers' own. False when nothing is met or the
    // input is unusable (with one console line).
    bool sweepTrigger(const RigidDynamic* actor, const glm::vec3& start, const glm::vec3& velocity,
                      float maxDistance, SweepHit& hit, const RigidActor* ignore = nullptr) const;

    Transform getGlobalPose(RigidDynamic* actor) const;
    Transform getGlobalPose(RigidStatic* actor) const;

    glm::vec3 getGravity() const;
    uint32_t getNbActors() const; // the controller's actor included

    Material* defaultMaterial = nullptr;
    Shape* sharedBoxShape = nullptr;

  private:
    std::unique_ptr<PhysicsScene> scene;
    Controller* controller = nullptr;
    RigidDynamic* controllerActor = nullptr;
    Shape* controllerShapeBuffer[1] = {nullptr};
    Shape* controllerShape = nullptr;
};
