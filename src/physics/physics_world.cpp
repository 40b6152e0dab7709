#include "physics/physics_scene.h"

#include <BulletCollision/CollisionDispatch/btManifoldResult.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// The only box dynamic actors are made of, and the density their mass comes from.
const float dynamicHalfExtent = 0.8f;
const float dynamicDensity = 1.0f;
const float staticTriggerHalfExtent = 0.7f;
// New dynamic actors start with this angular damping; the game sets its own.
const float defaultAngularDamping = 0.05f;
// Spin is clamped to this after every step (radians per second).
const float maxAngularSpeed = 7.0f;
// Bounces slower than this (units per second) come to rest instead.
const float restitutionThreshold = 2.0f;
// How far a moving broadphase leaf is stretched ahead, in multiples of its half size.
const float broadphasePrediction = 1.0f;

const uint8_t collisionShapeFlags = eSIMULATION_SHAPE | eSCENE_QUERY_SHAPE | eVISUALIZATION;

// Pairs combine friction and restitution by averaging the two values, not by Bullet's product.
btScalar averageFriction(const btCollisionObject* body0, const btCollisionObject* body1)
{
    return 0.5f * (body0->getFriction() + body1->getFriction());
}

btScalar averageRestitution(const btCollisionObject* body0, const btCollisionObject* body1)
{
    return 0.5f * (body0->getRestitution() + body1->getRestitution());
}

Transform compose(const Transform& outer, const Transform& inner)
{
    return Transform(outer.p + outer.q * inner.p, outer.q * inner.q);
}
} // namespace

PhysicsScene::PhysicsScene()
{
    collisionConfiguration = std::make_unique<btDefaultCollisionConfiguration>();
    dispatcher = std::make_unique<btCollisionDispatcher>(collisionConfiguration.get());
    broadphase = std::make_unique<btDbvtBroadphase>();
    // Every asteroid drifts, so every leaf moves every few steps: pair the moved leaves once per step
    // rather than on each move, and stretch leaves along the motion so they move less often.
    broadphase->m_deferedcollide = true;
    broadphase->m_prediction = broadphasePrediction;
    solver = std::make_unique<btSequentialImpulseConstraintSolver>();
    world = std::make_unique<btDiscreteDynamicsWorld>(dispatcher.get(), broadphase.get(), solver.get(),
                                                      collisionConfiguration.get());
    world->setGravity(btVector3(0.1f, 0.2f, 0.3f));
    world->getSolverInfo().m_restitutionVelocityThreshold = restitutionThreshold;
    // The combine hooks are process-wide; every world wants the same averaging.
    gCalculateCombinedFrictionCallback = averageFriction;
    gCalculateCombinedRestitutionCallback = averageRestitution;
    sharedCollisionBox =
        std::make_unique<btBoxShape>(btVector3(dynamicHalfExtent, dynamicHalfExtent, dynamicHalfExtent));
}

PhysicsScene::~PhysicsScene()
{
    // Bodies leave the world before the world, and shapes outlive the bodies using them.
    for (auto& actor : actors)
        world->removeRigidBody(actor->body.get());
    actors.clear();
}

Shape* PhysicsScene::makeShape(glm::vec3 halfExtents, bool exclusive, uint8_t flags)
{
    shapes.push_back(std::make_unique<Shape>(this, halfExtents, &material, exclusive, flags));
    return shapes.back().get();
}

ActorRecord& PhysicsScene::addActor(bool isStatic)
{
    auto record = std::make_unique<ActorRecord>();
    uint32_t index = (uint32_t)actors.size();
    record->isStatic = isStatic;
    if (isStatic)
        record->handle = std::make_unique<RigidStatic>(this, index);
    else
        record->handle = std::make_unique<RigidDynamic>(this, index);
    actors.push_back(std::move(record));
    // A trigger box's candidates name each actor at most twice (broadphase and swept path): room made
    // here keeps the trigger pass and sweepTrigger from allocating.
    triggerCandidates.reserve(2 * actors.size());
    return *actors.back();
}

// Bullet settings every body of the game shares: the default material, and no deactivation for moving
// bodies, because gravity keeps them drifting and a sleeping asteroid would freeze in mid-air. The
// controller's proxy moves too: Bullet marks a massless body static even when it is kinematic, and puts
// it to sleep on insertion, and a sleeping kinematic body gets no velocity from its moves, so what it
// runs into would be shoved apart rather than pushed along.
void configureBody(btRigidBody& body, uint32_t index, const Material& material)
{
    body.setFriction(material.dynamicFriction);
    body.setRestitution(material.restitution);
    body.setUserIndex((int)index);
    if (!body.isStaticObject() || body.isKinematicObject())
        body.forceActivationState(DISABLE_DEACTIVATION);
}

PhysicsWorld::PhysicsWorld(SimulationEventCallback* callback) : scene(std::make_unique<PhysicsScene>())
{
    scene->callback = callback;
    defaultMaterial = &scene->material;
    sharedBoxShape = scene->makeShape(glm::vec3(dynamicHalfExtent), false, collisionShapeFlags);
    scene->createController();
    controller = scene->controller.get();
    controllerActor = static_cast<RigidDynamic*>(scene->controllerRecord->handle.get());
    controllerActor->getShapes(controllerShapeBuffer, 1, 0);
    controllerShape = controllerShapeBuffer[0];
}

PhysicsWorld::~PhysicsWorld() = default;

void PhysicsWorld::step(float dt)
{
    // Overlaps are judged on the poses the game sees now, teleports and controller moves included.
    scene->runTriggerPass(dt);
    // One step of exactly dt: maxSubSteps 0 turns off Bullet's fixed-step accumulator.
    scene->world->stepSimulation(dt, 0);
    // Bullet refreshes bounds only at the next step; the controller's sweeps and the next trigger
    // pass need them now.
    scene->world->updateAabbs();
    for (auto& actor : scene->actors)
    {
        btRigidBody& body = *actor->body;
        if (actor->isStatic || body.isKinematicObject())
            continue;
        btScalar speed = body.getAngularVelocity().length();
        if (speed > maxAngularSpeed)
            body.setAngularVelocity(body.getAngularVelocity() * (maxAngularSpeed / speed));
    }
    scene->deliverTriggerReports();
}

RigidDynamic* PhysicsWorld::createDynamicActor(const glm::vec3& position)
{
    ActorRecord& record = scene->addActor(false);
    Shape* ownBox = scene->makeShape(glm::vec3(dynamicHalfExtent), true, collisionShapeFlags);
    ownBox->owner = record.handle.get();
    record.shapes = {ownBox, sharedBoxShape};

    // Mass and inertia come from the own box alone: a solid cube of side 1.6.
    float side = 2.0f * dynamicHalfExtent;
    float mass = dynamicDensity * side * side * side;
    float inertia = mass * (side * side + side * side) / 12.0f;
    btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, scene->sharedCollisionBox.get(),
                                                  btVector3(inertia, inertia, inertia));
    info.m_startWorldTransform.setIdentity();
    info.m_startWorldTransform.setOrigin(toBullet(position));
    info.m_angularDamping = defaultAngularDamping;
    record.body = std::make_unique<btRigidBody>(info);
    // Bodies keep their spin exactly; Bullet's implicit gyroscopic term would bend it.
    record.body->setFlags(record.body->getFlags() & ~BT_ENABLE_GYROSCOPIC_FORCE_IMPLICIT_BODY);
    configureBody(*record.body, record.handle->index, scene->material);
    scene->world->addRigidBody(record.body.get());
    return static_cast<RigidDynamic*>(record.handle.get());
}

RigidStatic* PhysicsWorld::createStaticActor(const glm::vec3& position, float halfExtent)
{
    ActorRecord& record = scene->addActor(true);
    Shape* triggerBox = scene->makeShape(glm::vec3(staticTriggerHalfExtent), true, collisionShapeFlags);
    Shape* collisionBox = scene->makeShape(glm::vec3(halfExtent), false, collisionShapeFlags);
    triggerBox->owner = record.handle.get();
    collisionBox->owner = record.handle.get();
    record.shapes = {triggerBox, collisionBox};

    // The small first box lies inside the big one, so only the big one needs to collide.
    record.ownCollisionShape = std::make_unique<btBoxShape>(btVector3(halfExtent, halfExtent, halfExtent));
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, record.ownCollisionShape.get());
    info.m_startWorldTransform.setIdentity();
    info.m_startWorldTransform.setOrigin(toBullet(position));
    record.body = std::make_unique<btRigidBody>(info);
    configureBody(*record.body, record.handle->index, scene->material);
    scene->world->addRigidBody(record.body.get());
    return static_cast<RigidStatic*>(record.handle.get());
}

void PhysicsWorld::removeActor(RigidActor* actor)
{
    if (actor == nullptr || actor->index >= scene->actors.size() ||
        scene->actors[actor->index]->handle.get() != actor || actor == controllerActor)
    {
        printf("removeActor: not an actor this world can remove (physics_world.cpp)\n");
        return;
    }
    scene->removeActor(actor->index);
}

bool PhysicsWorld::sweepTrigger(const RigidDynamic* actor, const glm::vec3& start, const glm::vec3& velocity,
                                float maxDistance, SweepHit& hit, const RigidActor* ignore) const
{
    hit = SweepHit();
    if (actor == nullptr || actor->index >= scene->actors.size() ||
        scene->actors[actor->index]->handle.get() != actor)
    {
        printf("sweepTrigger: the actor is not one of this world's (physics_world.cpp)\n");
        return false;
    }
    float speed = glm::length(velocity);
    if (!std::isfinite(speed) || speed < 1e-6f || !std::isfinite(maxDistance) || maxDistance <= 0.0f ||
        !std::isfinite(start.x + start.y + start.z))
    {
        printf("sweepTrigger: unusable start, velocity or distance (physics_world.cpp)\n");
        return false;
    }
    // Another world's actor, or none, is simply never met.
    uint32_t ignoreIndex = UINT32_MAX;
    if (ignore != nullptr && ignore->index < scene->actors.size() &&
        scene->actors[ignore->index]->handle.get() == ignore)
        ignoreIndex = ignore->index;
    uint32_t hitIndex = 0;
    float fraction = 0.0f;
    if (!scene->sweepTrigger(actor->index, toBullet(start), toBullet(velocity), maxDistance / speed, ignoreIndex,
                             hitIndex, fraction))
        return false;
    hit.actor = scene->actors[hitIndex]->handle.get();
    hit.distance = fraction * maxDistance;
    return true;
}

Transform PhysicsWorld::getGlobalPose(RigidDynamic* actor) const
{
    return compose(actor->getGlobalPose(), sharedBoxShape->getLocalPose());
}

Transform PhysicsWorld::getGlobalPose(RigidStatic* actor) const
{
    return compose(actor->getGlobalPose(), sharedBoxShape->getLocalPose());
}

glm::vec3 PhysicsWorld::getGravity() const
{
    return toGlm(scene->world->getGravity());
}

uint32_t PhysicsWorld::getNbActors() const
{
    return (uint32_t)scene->actors.size();
}

Shape::Shape(PhysicsScene* scene, glm::vec3 halfExtents, const Material* material, bool exclusive,
             uint8_t flags)
    : scene(scene), halfExtents(halfExtents), material(material), exclusive(exclusive), flags(flags)
{
}

void Shape::setFlag(ShapeFlag flag, bool value)
{
    // Trigger boxes are not Bullet objects: the trigger pass reads these flags directly.
    flags = value ? (uint8_t)(flags | flag) : (uint8_t)(flags & ~flag);
}

void Shape::setLocalPose(const Transform& pose)
{
    localPose = pose;
    // The controller's proxy is the one collision shape whose local pose the game turns.
    if (this == scene->controllerShape)
        scene->setControllerShapePose(pose);
}

Transform RigidActor::getGlobalPose() const
{
    return toTransform(scene->body(this).getWorldTransform());
}

void RigidActor::setGlobalPose(const Transform& pose, bool wake)
{
    btRigidBody& body = scene->body(this);
    btTransform transform = toBullet(pose);
    // A teleport: no velocity is derived from the jump and the velocities stay as they are.
    body.setWorldTransform(transform);
    body.setInterpolationWorldTransform(transform);
    scene->world->updateSingleAabb(&body);
    if (wake && !isStaticActor)
        body.activate(true);
}

uint32_t RigidActor::getNbShapes() const
{
    return (uint32_t)scene->record(this).shapes.size();
}

uint32_t RigidActor::getShapes(Shape** buffer, uint32_t bufferSize, uint32_t startIndex) const
{
    const std::vector<Shape*>& shapes = scene->record(this).shapes;
    uint32_t count = 0;
    for (uint32_t i = startIndex; i < shapes.size() && count < bufferSize; i++)
        buffer[count++] = shapes[i];
    return count;
}

glm::vec3 RigidDynamic::getLinearVelocity() const
{
    return toGlm(scene->body(this).getLinearVelocity());
}

void RigidDynamic::setLinearVelocity(const glm::vec3& velocity, bool wake)
{
    btRigidBody& body = scene->body(this);
    body.setLinearVelocity(toBullet(velocity));
    if (wake)
        body.activate(true);
}

glm::vec3 RigidDynamic::getAngularVelocity() const
{
    return toGlm(scene->body(this).getAngularVelocity());
}

void RigidDynamic::setAngularVelocity(const glm::vec3& velocity, bool wake)
{
    btRigidBody& body = scene->body(this);
    body.setAngularVelocity(toBullet(velocity));
    if (wake)
        body.activate(true);
}

float RigidDynamic::getAngularDamping() const
{
    return scene->body(this).getAngularDamping();
}

void RigidDynamic::setAngularDamping(float damping)
{
    btRigidBody& body = scene->body(this);
    body.setDamping(body.getLinearDamping(), damping);
}

float RigidDynamic::getMass() const
{
    float inverseMass = scene->body(this).getInvMass();
    return inverseMass > 0.0f ? 1.0f / inverseMass : 0.0f;
}

glm::vec3 RigidDynamic::getMassSpaceInertiaTensor() const
{
    btVector3 inverse = scene->body(this).getInvInertiaDiagLocal();
    glm::vec3 inertia(0.0f);
    for (int i = 0; i < 3; i++)
        inertia[i] = inverse[i] > 0.0f ? 1.0f / inverse[i] : 0.0f;
    return inertia;
}

bool RigidDynamic::isSleeping() const
{
    return scene->body(this).getActivationState() == ISLAND_SLEEPING;
}

void RigidDynamic::setSweptTriggers(bool swept)
{
    ActorRecord& record = scene->record(this);
    if (record.sweptTriggers == swept)
        return;
    record.sweptTriggers = swept;
    record.stepMotion.setZero();
    // Kept in creation order, like everything the trigger pass walks.
    std::vector<uint32_t>& list = scene->sweptActors;
    if (swept)
        list.insert(std::upper_bound(list.begin(), list.end(), index), index);
    else
        list.erase(std::find(list.begin(), list.end(), index));
}

bool RigidDynamic::hasSweptTriggers() const
{
    return scene->record(this).sweptTriggers;
}
