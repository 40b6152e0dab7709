#include "physics/physics_scene.h"

#include <algorithm>
#include <cmath>

// The player's box controller. A move is split into an up pass, a side pass and a down pass; each pass
// sweeps the box through the world and slides along what it hits, stopping contactOffset short of it.
// The controller also owns a kinematic proxy box in the world, so asteroids bump into the player and
// their triggers report it.

namespace
{
// The proxy is the controller box scaled down by this much.
const float proxyScale = 0.8f;
// Side motion below this per component counts as none (no auto-step then).
const double almostZero = 1e-6;
// Penetration depths below this are contact, not overlap.
const float penetrationTolerance = 1e-5f;
const int maxRecoveryRounds = 4;
const uint32_t maxSlideIterations = 10;

const uint8_t proxyShapeFlags = eSIMULATION_SHAPE | eSCENE_QUERY_SHAPE | eVISUALIZATION;

btVector3 toBullet(const glm::dvec3& v)
{
    return btVector3((btScalar)v.x, (btScalar)v.y, (btScalar)v.z);
}

// Nearest sweep hit, ignoring the controller's own proxy and bodies the box already overlaps.
struct SweepCallback : btCollisionWorld::ConvexResultCallback
{
    const btCollisionObject* proxy;
    btScalar nearestFraction = 2.0f;
    btVector3 normal = btVector3(0.0f, 0.0f, 0.0f);

    explicit SweepCallback(const btCollisionObject* proxy) : proxy(proxy) {}

    bool needsCollision(btBroadphaseProxy* candidate) const override
    {
        return candidate->m_clientObject != proxy;
    }

    btScalar addSingleResult(btCollisionWorld::LocalConvexResult& result, bool normalInWorldSpace) override
    {
        // Fraction 0 means the box started inside a body and moves further in; such bodies are ignored.
        // m_closestHitFraction stays at 1 so that Bullet keeps offering every hit.
        if (result.m_hitFraction <= 0.0f || result.m_hitFraction >= nearestFraction)
            return 1.0f;
        nearestFraction = result.m_hitFraction;
        normal = normalInWorldSpace
                     ? result.m_hitNormalLocal
                     : result.m_hitCollisionObject->getWorldTransform().getBasis() * result.m_hitNormalLocal;
        return 1.0f;
    }
};

// The deepest penetration of a probe box into static bodies, as the push that would undo it.
struct PenetrationCallback : btCollisionWorld::ContactResultCallback
{
    const btCollisionObject* probe;
    btScalar deepest = 0.0f;
    btVector3 push = btVector3(0.0f, 0.0f, 0.0f);

    explicit PenetrationCallback(const btCollisionObject* probe) : probe(probe) {}

    bool needsCollision(btBroadphaseProxy* candidate) const override
    {
        // Bullet marks the massless kinematic proxy static too; only true statics count here.
        auto* object = static_cast<const btCollisionObject*>(candidate->m_clientObject);
        return object->isStaticObject() && !object->isKinematicObject();
    }

    btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* wrapper0, int, int,
                             const btCollisionObjectWrapper*, int, int) override
    {
        btScalar depth = -point.getDistance();
        if (depth <= deepest)
            return 0.0f;
        deepest = depth;
        // The normal points from object 1 towards object 0: push along it when the probe is object 0.
        btScalar sign = wrapper0->getCollisionObject() == probe ? 1.0f : -1.0f;
        push = point.m_normalWorldOnB * (sign * depth);
        return 0.0f;
    }
};

// One move of the controller, pass by pass.
class ControllerMove
{
  public:
    ControllerMove(PhysicsScene& scene, float minDistance)
        : scene(scene), state(scene.controllerState), minDistance(minDistance),
          proxy(scene.controllerRecord->body.get()),
          inflatedBox(state.sweepBox->getHalfExtentsWithMargin() +
                      btVector3(state.contactOffset, state.contactOffset, state.contactOffset))
    {
    }

    // Sweeps along motion for up to maxIterations slides; true when something was touched.
    bool pass(const glm::dvec3& motion, uint32_t maxIterations)
    {
        if (motion == glm::dvec3(0.0))
            return false;
        glm::dvec3 current = state.position;
        glm::dvec3 target = current + motion;
        glm::dvec3 requested = glm::normalize(motion);
        bool collided = false;
        for (uint32_t iteration = 0; iteration < maxIterations; iteration++)
        {
            glm::dvec3 remaining = target - current;
            double length = glm::length(remaining);
            if (length <= minDistance)
                break;
            glm::dvec3 direction = remaining / length;
            // Sliding has turned the motion back against the request: stop rather than jitter in corners.
            if (glm::dot(direction, requested) <= 0.0)
                break;
            if (recoverFromStatics(current))
            {
                collided = true;
                break;
            }
            double hitDistance = 0.0;
            glm::dvec3 normal(0.0);
            if (!sweep(current, direction, length + state.contactOffset, hitDistance, normal))
            {
                current = target;
                break;
            }
            collided = true;
            double advance = hitDistance - state.contactOffset;
            if (advance > 0.0)
                current += direction * advance;
            // Slide: keep what is left of the motion, minus its part into the surface.
            double left = glm::length(target - current);
            glm::dvec3 tangent = direction - normal * glm::dot(direction, normal);
            target = current + tangent * left;
        }
        state.position = current;
        return collided;
    }

  private:
    bool sweep(const glm::dvec3& from, const glm::dvec3& direction, double length, double& hitDistance,
               glm::dvec3& normal)
    {
        btTransform start(state.boxRotation, toBullet(from));
        btTransform end(state.boxRotation, toBullet(from + direction * length));
        SweepCallback callback(proxy);
        scene.world->convexSweepTest(state.sweepBox.get(), start, end, callback);
        if (callback.nearestFraction > 1.0f)
            return false;
        hitDistance = callback.nearestFraction * length;
        btVector3 n = callback.normal.normalized();
        normal = glm::dvec3(n.x(), n.y(), n.z());
        return true;
    }

    // A box that starts inside a static body is pushed out until it sits contactOffset clear of it.
    bool recoverFromStatics(glm::dvec3& position)
    {
        btCollisionObject probe;
        probe.setCollisionShape(state.sweepBox.get());
        probe.setWorldTransform(btTransform(state.boxRotation, toBullet(position)));
        PenetrationCallback overlap(&probe);
        scene.world->contactTest(&probe, overlap);
        if (overlap.deepest <= penetrationTolerance)
            return false;

        probe.setCollisionShape(&inflatedBox);
        for (int round = 0; round < maxRecoveryRounds; round++)
        {
            probe.setWorldTransform(btTransform(state.boxRotation, toBullet(position)));
            PenetrationCallback inflated(&probe);
            scene.world->contactTest(&probe, inflated);
            if (inflated.deepest <= penetrationTolerance)
                break;
            position += glm::dvec3(inflated.push.x(), inflated.push.y(), inflated.push.z());
        }
        return true;
    }

    PhysicsScene& scene;
    BoxControllerState& state;
    double minDistance;
    const btCollisionObject* proxy;
    btBoxShape inflatedBox;
};
} // namespace

void PhysicsScene::createController()
{
    BoxControllerState& state = controllerState;
    state.boxRotation = shortestArcQuat(btVector3(1.0f, 0.0f, 0.0f), ::toBullet(state.upDirection));
    state.sweepBox = std::make_unique<btBoxShape>(
        btVector3(state.halfHeight, state.halfSideExtent, state.halfForwardExtent));

    ActorRecord& record = addActor(false);
    controllerRecord = &record;
    glm::vec3 proxyHalfExtents =
        proxyScale * glm::vec3(state.halfHeight, state.halfSideExtent, state.halfForwardExtent);
    controllerShape = makeShape(proxyHalfExtents, true, proxyShapeFlags);
    controllerShape->owner = record.handle.get();
    record.shapes = {controllerShape};

    // The proxy box sits in a compound so the game can turn it through the shape's local pose.
    record.proxyChildBox = std::make_unique<btBoxShape>(::toBullet(proxyHalfExtents));
    auto compound = std::make_unique<btCompoundShape>(false, 1);
    compound->addChildShape(btTransform::getIdentity(), record.proxyChildBox.get());
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, compound.get());
    info.m_startWorldTransform = btTransform(state.boxRotation, toBullet(state.position));
    record.ownCollisionShape = std::move(compound);
    record.body = std::make_unique<btRigidBody>(info);
    // Kinematic before insertion: Bullet picks the collision groups when the body is added.
    record.body->setCollisionFlags(record.body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    configureBody(*record.body, record.handle->index, material);
    world->addRigidBody(record.body.get());

    controller = std::make_unique<Controller>(this);
}

void PhysicsScene::placeControllerProxy()
{
    // Only the current transform moves: Bullet derives the proxy's velocity for the next step from the
    // distance since the last one, so asteroids it hits are pushed as by a moving body.
    btRigidBody& proxy = *controllerRecord->body;
    proxy.setWorldTransform(btTransform(controllerState.boxRotation, toBullet(controllerState.position)));
    world->updateSingleAabb(&proxy);
}

void PhysicsScene::setControllerShapePose(const Transform& pose)
{
    auto* compound = static_cast<btCompoundShape*>(controllerRecord->ownCollisionShape.get());
    compound->updateChildTransform(0, ::toBullet(pose), true);
    world->updateSingleAabb(controllerRecord->body.get());
}

ControllerCollisionFlags Controller::move(const glm::vec3& displacement, float minDistance, float)
{
    BoxControllerState& state = scene->controllerState;
    glm::dvec3 up(state.upDirection);
    glm::dvec3 motion(displacement);
    glm::dvec3 start = state.position;

    // Split into the part along up and the part across it.
    double alongUp = glm::dot(motion, up);
    glm::dvec3 normalPart = up * alongUp;
    glm::dvec3 sidePart = motion - normalPart;
    bool rising = alongUp > 0.0;
    // No auto-step while rising.
    double stepOffset = rising ? 0.0 : state.stepOffset;
    glm::dvec3 upMotion = rising ? normalPart : glm::dvec3(0.0);
    glm::dvec3 downMotion = rising ? glm::dvec3(0.0) : normalPart;
    bool sideIsZero = std::fabs(sidePart.x) < almostZero && std::fabs(sidePart.y) < almostZero &&
                      std::fabs(sidePart.z) < almostZero;
    // Walking lifts the box by the step offset first, so it steps over tiny ledges, and lowers it after.
    if (!sideIsZero)
        upMotion += up * stepOffset;
    else
        stepOffset = 0.0;

    ControllerMove move(*scene, minDistance);
    ControllerCollisionFlags flags;
    if (move.pass(upMotion, sideIsZero ? maxSlideIterations : 1))
    {
        flags.bits |= eCOLLISION_UP;
        // Never lower the box by more than the up pass actually gained.
        double gained = glm::dot(state.position - start, up);
        if (gained < stepOffset)
            stepOffset = std::max(gained, 0.0);
    }
    if (move.pass(sidePart, maxSlideIterations))
        flags.bits |= eCOLLISION_SIDES;
    // A slope steeper than slopeLimit would be refused here; every static box in the game is flat-topped.
    if (move.pass(downMotion - up * stepOffset, 1) && !rising)
        flags.bits |= eCOLLISION_DOWN;

    if (state.position != start)
        scene->placeControllerProxy();
    return flags;
}

glm::dvec3 Controller::getPosition() const
{
    return scene->controllerState.position;
}

void Controller::setPosition(const glm::dvec3& position)
{
    // A teleport: no collision, and the proxy jumps without gaining velocity.
    scene->controllerState.position = position;
    scene->placeControllerProxy();
    btRigidBody& proxy = *scene->controllerRecord->body;
    proxy.setInterpolationWorldTransform(proxy.getWorldTransform());
}

RigidDynamic* Controller::getActor() const
{
    return static_cast<RigidDynamic*>(scene->controllerRecord->handle.get());
}

glm::vec3 Controller::getHalfExtents() const
{
    const BoxControllerState& state = scene->controllerState;
    return glm::vec3(state.halfSideExtent, state.halfHeight, state.halfForwardExtent);
}

float Controller::getContactOffset() const
{
    return scene->controllerState.contactOffset;
}
float Controller::getStepOffset() const
{
    return scene->controllerState.stepOffset;
}
float Controller::getSlopeLimit() const
{
    return scene->controllerState.slopeLimit;
}
glm::vec3 Controller::getUpDirection() const
{
    return scene->controllerState.upDirection;
}
