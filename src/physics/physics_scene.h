#pragma once

// The engine side of PhysicsWorld. Only the .cpp files of src/physics include this header, so Bullet
// never reaches the game.

#include "physics/physics_world.h"

#include <BulletCollision/BroadphaseCollision/btDbvtBroadphase.h>
#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

// Everything the layer keeps about one actor, in creation order.
// Members are destroyed bottom up: the body before the shapes it uses.
struct ActorRecord
{
    std::unique_ptr<RigidActor> handle;
    std::unique_ptr<btBoxShape> proxyChildBox;
    // A collision shape only this actor uses (a static's box, the controller's proxy).
    std::unique_ptr<btCollisionShape> ownCollisionShape;
    std::unique_ptr<btRigidBody> body;
    std::vector<Shape*> shapes; // attachment order
    bool isStatic = false;
    // A fast body whose boxes are tested along the step's whole path (RigidDynamic::setSweptTriggers).
    bool sweptTriggers = false;
    // Where this step takes the body if nothing stops it, and, for a swept body, the bounds its
    // collision boxes cover on the way; both refreshed at the start of each trigger pass while any
    // body is swept.
    btVector3 stepMotion = btVector3(0.0f, 0.0f, 0.0f);
    btVector3 sweptMin = btVector3(0.0f, 0.0f, 0.0f);
    btVector3 sweptMax = btVector3(0.0f, 0.0f, 0.0f);
};

// An oriented box in world space, for the trigger overlap test.
struct OrientedBox
{
    btVector3 center;
    btMatrix3x3 axes; // columns are the box's axes
    btVector3 halfExtents;
};

// True when the two boxes overlap or touch (exact separating-axis test on 15 axes).
bool overlapOrientedBoxes(const OrientedBox& a, const OrientedBox& b);
// The same test with b sliding by motion * t, t from 0 to 1: true when they overlap or touch at some t,
// with the first and last such t.
bool sweepOrientedBoxes(const OrientedBox& a, const OrientedBox& b, const btVector3& motion, float& firstTime,
                        float& lastTime);

// The player's box controller: collide-and-slide moves with sweeps against the Bullet world.
struct BoxControllerState
{
    glm::dvec3 position = glm::dvec3(-40.0, 4.0, 93.0); // box centre
    glm::vec3 upDirection = glm::vec3(0.0f, 1.0f, 0.0f);
    float halfHeight = 1.0f;
    float halfSideExtent = 0.5f;
    float halfForwardExtent = 0.5f;
    float contactOffset = 0.05f;
    float stepOffset = 0.01f;
    // Cosine of the steepest walkable slope; only matters on sloped statics, which this game has none of.
    float slopeLimit = 0.5f;
    // Box axis X is the height axis; this turns it onto the up direction.
    btQuaternion boxRotation;
    std::unique_ptr<btBoxShape> sweepBox;
};

struct PhysicsScene
{
    PhysicsScene();
    ~PhysicsScene();

    std::unique_ptr<btDefaultCollisionConfiguration> collisionConfiguration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btDbvtBroadphase> broadphase;
    std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
    std::unique_ptr<btDiscreteDynamicsWorld> world;

    SimulationEventCallback* callback = nullptr;
    Material material{0.5f, 0.5f, 0.5f};
    // The one 0.8 box every dynamic body collides with.
    std::unique_ptr<btBoxShape> sharedCollisionBox;

    std::vector<std::unique_ptr<ActorRecord>> actors;
    std::vector<std::unique_ptr<Shape>> shapes;

    BoxControllerState controllerState;
    std::unique_ptr<Controller> controller;
    ActorRecord* controllerRecord = nullptr;
    Shape* controllerShape = nullptr;

    // Trigger pairs touching after the last trigger pass, sorted (see triggers.cpp for the key).
    std::vector<uint64_t> touchingKeys;
    std::vector<uint64_t> currentKeys;
    std::vector<TriggerPair> pendingReports;
    // Every touch of a swept body this pass, before only the earliest of each body's new ones is kept.
    struct SweptContact
    {
        uint64_t key;
        uint32_t sweptActor;
        float time;    // share of the step at which the touch begins
        bool touching; // counts as touching after the pass
    };
    std::vector<SweptContact> sweptContacts;
    // Scratch space of the trigger pass, kept to avoid allocating every step.
    std::vector<uint32_t> triggerCandidates;
    btNodeStack queryStack;
    // The actors with swept triggers, in creation order.
    std::vector<uint32_t> sweptActors;
    // The farthest any body that is not swept goes in the coming step: what a swept path must allow for
    // when it looks for what it may meet.
    btScalar longestStepTravel = 0.0f;

    ActorRecord& record(const RigidActor* actor) const { return *actors[actor->index]; }
    btRigidBody& body(const RigidActor* actor) const { return *actors[actor->index]->body; }
    Shape* makeShape(glm::vec3 halfExtents, bool exclusive, uint8_t flags);
    ActorRecord& addActor(bool isStatic);
    // Removes the actor at index, its own shapes and every trigger pair it is in; later actors move
    // down one index.
    void removeActor(uint32_t index);

    // Collects this step's trigger pairs on the current poses (along the coming dt for swept bodies) and
    // queues found/lost reports.
    void runTriggerPass(float dt);
    // Moves the swept bodies' touches that stand into currentKeys (see triggers.cpp).
    void keepEarliestSweptContacts();
    // Works out each swept body's path over the coming dt and the bounds its collision boxes cover.
    void prepareSweptPaths(float dt);
    // Fills triggerCandidates with the actor of every collision box whose broadphase leaf meets the bounds.
    void collectCandidates(const btVector3& low, const btVector3& high);
    // The nearest collision box actor's trigger boxes meet when flown unturned from start at velocity
    // for seconds, while every other body moves on at its own velocity (gravity moves all alike, so it
    // drops out); the actor itself and ignore (an actor index, or none) are skipped. Sets the hit's
    // actor index and the fraction of the time at first touch.
    bool sweepTrigger(uint32_t actor, const btVector3& start, const btVector3& velocity, float seconds,
                      uint32_t ignore, uint32_t& hitActor, float& hitFraction);
    void deliverTriggerReports();

    void createController();
    // Puts the controller's kinematic proxy at the controller's position.
    void placeControllerProxy();
    void setControllerShapePose(const Transform& pose);
};

// The default material, the actor's index and no deactivation for anything that moves.
void configureBody(btRigidBody& body, uint32_t index, const Material& material);

// Conversions at the layer's edge.
inline btVector3 toBullet(const glm::vec3& v)
{
    return btVector3(v.x, v.y, v.z);
}
inline glm::vec3 toGlm(const btVector3& v)
{
    return glm::vec3(v.x(), v.y(), v.z());
}
inline btQuaternion toBullet(const glm::quat& q)
{
    return btQuaternion(q.x, q.y, q.z, q.w);
}
inline glm::quat toGlm(const btQuaternion& q)
{
    return glm::quat(q.w(), q.x(), q.y(), q.z());
}
inline btTransform toBullet(const Transform& t)
{
    return btTransform(toBullet(t.q), toBullet(t.p));
}
inline Transform toTransform(const btTransform& t)
{
    return Transform(toGlm(t.getOrigin()), toGlm(t.getRotation()));
}
