#include "physics/box_geometry.h"
#include "physics/physics_scene.h"

#include <algorithm>
#include <cmath>

// Trigger boxes are not Bullet objects. At the start of every step each trigger box is built from its
// actor's current pose, the broadphase names the collision shapes near it, and an exact oriented-box
// test decides the overlap. Comparing the sorted pair list with the previous step's gives each pair one
// TOUCH_FOUND when it begins and one TOUCH_LOST when it ends.
//
// A swept body (the projectile) can cross a box between two steps without either start pose touching
// it. Its boxes are therefore also tested along the step's coming path, and a pair that meets and parts
// again inside the step counts as touching after it: found now, lost at the next step's start test. A
// pair still overlapping at the end of the path is left to the next step's start test, so a step short
// enough to see the crossing reports exactly what it always did.

namespace
{
// Pair key: trigger actor, trigger shape slot, other actor, other shape slot, from high bits to low, so
// sorted keys are in creation order.
uint64_t makeKey(uint32_t triggerActor, uint32_t triggerSlot, uint32_t otherActor, uint32_t otherSlot)
{
    return ((uint64_t)triggerActor << 40) | ((uint64_t)(triggerSlot & 0xff) << 32) |
           ((uint64_t)(otherActor & 0xffffff) << 8) | (uint64_t)(otherSlot & 0xff);
}

uint32_t keyTriggerActor(uint64_t key)
{
    return (uint32_t)(key >> 40);
}
uint32_t keyTriggerSlot(uint64_t key)
{
    return (uint32_t)(key >> 32) & 0xff;
}
uint32_t keyOtherActor(uint64_t key)
{
    return (uint32_t)(key >> 8) & 0xffffff;
}
uint32_t keyOtherSlot(uint64_t key)
{
    return (uint32_t)key & 0xff;
}

// Parallel edges give near-zero cross products; this keeps their axes from deciding anything.
const float parallelEpsilon = 1e-6f;

OrientedBox worldBox(const btTransform& actorPose, const Shape& shape)
{
    Transform local = shape.getLocalPose();
    // Nearly every box sits at its actor's origin; skip the product for those.
    if (local.p == glm::vec3(0.0f) && local.q == glm::quat(1.0f, 0.0f, 0.0f, 0.0f))
        return OrientedBox{actorPose.getOrigin(), actorPose.getBasis(), toBullet(shape.getHalfExtents())};
    btTransform pose = actorPose * toBullet(local);
    return OrientedBox{pose.getOrigin(), pose.getBasis(), toBullet(shape.getHalfExtents())};
}

// The world-space bounds of an oriented box.
void boxBounds(const OrientedBox& box, btVector3& low, btVector3& high)
{
    btMatrix3x3 absAxes = box.axes.absolute();
    btVector3 reach(absAxes[0].dot(box.halfExtents), absAxes[1].dot(box.halfExtents),
                    absAxes[2].dot(box.halfExtents));
    low = box.center - reach;
    high = box.center + reach;
}

// Stretches bounds to also cover themselves moved by motion.
void stretchBounds(btVector3& low, btVector3& high, const btVector3& motion)
{
    low.setMin(low + motion);
    high.setMax(high + motion);
}

bool boundsMeet(const btVector3& lowA, const btVector3& highA, const btVector3& lowB, const btVector3& highB)
{
    return lowA.x() <= highB.x() && lowB.x() <= highA.x() && lowA.y() <= highB.y() && lowB.y() <= highA.y() &&
           lowA.z() <= highB.z() && lowB.z() <= highA.z();
}

bool isCollisionBox(const Shape& shape)
{
    return !shape.hasFlag(eTRIGGER_SHAPE) && shape.hasFlag(eSIMULATION_SHAPE);
}

// Narrows [first, last] to the times at which two projections onto one axis overlap. distance is the
// projected gap between the centres at t = 0, rate its change over the whole motion, reach the sum of
// the two projected half sizes. False once no time is left.
bool narrowOverlapTimes(float distance, float rate, float reach, float& first, float& last)
{
    if (rate == 0.0f)
        return std::fabs(distance) <= reach;
    float enter = (-reach - distance) / rate;
    float leave = (reach - distance) / rate;
    if (enter > leave)
        std::swap(enter, leave);
    first = std::max(first, enter);
    last = std::min(last, leave);
    return first <= last;
}

// How a trigger box and a collision box meet during this step's pass. relativeMotion is how far the
// collision box moves relative to the trigger box during the step.
struct StepContact
{
    bool met = false;      // they touch at some moment of the step
    bool touching = false; // they count as touching after this pass
    float time = 0.0f;     // the share of the step at which they first touch
};

StepContact contactInStep(const OrientedBox& trigger, const OrientedBox& other, const btVector3& relativeMotion)
{
    StepContact contact;
    // Every pair is judged at the step's start poses, swept or not.
    if (overlapOrientedBoxes(trigger, other))
    {
        contact.met = true;
        contact.touching = true;
        return contact;
    }
    if (relativeMotion.isZero())
        return contact;
    float first = 0.0f;
    float last = 0.0f;
    contact.met = sweepOrientedBoxes(trigger, other, relativeMotion, first, last);
    contact.time = first;
    // Met and parted again inside the step: no start pose would ever see this crossing. A pair still
    // touching at the end of the path is left to the next step's start test.
    contact.touching = contact.met && last < 1.0f;
    return contact;
}

// Collects the actor index of every broadphase leaf whose box meets the query box.
struct CandidateCollector : btDbvt::ICollide
{
    std::vector<uint32_t>* indices;
    explicit CandidateCollector(std::vector<uint32_t>* indices) : indices(indices) {}
    void Process(const btDbvtNode* leaf) override
    {
        auto* proxy = static_cast<const btBroadphaseProxy*>(leaf->data);
        indices->push_back((uint32_t) static_cast<btCollisionObject*>(proxy->m_clientObject)->getUserIndex());
    }
};
} // namespace

bool overlapOrientedBoxes(const OrientedBox& a, const OrientedBox& b)
{
    // Rotation of b in a's frame, and b's centre in a's frame.
    float r[3][3];
    float absR[3][3];
    btVector3 offset = b.center - a.center;
    float t[3];
    for (int i = 0; i < 3; i++)
    {
        btVector3 axisA = a.axes.getColumn(i);
        for (int j = 0; j < 3; j++)
        {
            r[i][j] = axisA.dot(b.axes.getColumn(j));
            absR[i][j] = std::fabs(r[i][j]) + parallelEpsilon;
        }
        t[i] = offset.dot(axisA);
    }
    const btVector3& ea = a.halfExtents;
    const btVector3& eb = b.halfExtents;

    // a's face normals.
    for (int i = 0; i < 3; i++)
    {
        float rb = eb[0] * absR[i][0] + eb[1] * absR[i][1] + eb[2] * absR[i][2];
        if (std::fabs(t[i]) > ea[i] + rb)
            return false;
    }
    // b's face normals.
    for (int j = 0; j < 3; j++)
    {
        float ra = ea[0] * absR[0][j] + ea[1] * absR[1][j] + ea[2] * absR[2][j];
        float distance = t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j];
        if (std::fabs(distance) > ra + eb[j])
            return false;
    }
    // Cross products of an edge of a (i) with an edge of b (j).
    for (int i = 0; i < 3; i++)
    {
        int i1 = (i + 1) % 3;
        int i2 = (i + 2) % 3;
        for (int j = 0; j < 3; j++)
        {
            int j1 = (j + 1) % 3;
            int j2 = (j + 2) % 3;
            float ra = ea[i1] * absR[i2][j] + ea[i2] * absR[i1][j];
            float rb = eb[j1] * absR[i][j2] + eb[j2] * absR[i][j1];
            float distance = t[i2] * r[i1][j] - t[i1] * r[i2][j];
            if (std::fabs(distance) > ra + rb)
                return false;
        }
    }
    return true;
}

bool sweepOrientedBoxes(const OrientedBox& a, const OrientedBox& b, const btVector3& motion, float& firstTime,
                        float& lastTime)
{
    // The test above, with every projected distance growing linearly in t: each of the 15 axes keeps
    // the boxes apart outside one interval of t, and they overlap where all the intervals meet.
    float r[3][3];
    float absR[3][3];
    btVector3 offset = b.center - a.center;
    float t[3];
    float v[3]; // motion in a's frame
    for (int i = 0; i < 3; i++)
    {
        btVector3 axisA = a.axes.getColumn(i);
        for (int j = 0; j < 3; j++)
        {
            r[i][j] = axisA.dot(b.axes.getColumn(j));
            absR[i][j] = std::fabs(r[i][j]) + parallelEpsilon;
        }
        t[i] = offset.dot(axisA);
        v[i] = motion.dot(axisA);
    }
    const btVector3& ea = a.halfExtents;
    const btVector3& eb = b.halfExtents;
    float first = 0.0f;
    float last = 1.0f;

    // a's face normals.
    for (int i = 0; i < 3; i++)
    {
        float rb = eb[0] * absR[i][0] + eb[1] * absR[i][1] + eb[2] * absR[i][2];
        if (!narrowOverlapTimes(t[i], v[i], ea[i] + rb, first, last))
            return false;
    }
    // b's face normals.
    for (int j = 0; j < 3; j++)
    {
        float ra = ea[0] * absR[0][j] + ea[1] * absR[1][j] + ea[2] * absR[2][j];
        float distance = t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j];
        float rate = v[0] * r[0][j] + v[1] * r[1][j] + v[2] * r[2][j];
        if (!narrowOverlapTimes(distance, rate, ra + eb[j], first, last))
            return false;
    }
    // Cross products of an edge of a (i) with an edge of b (j).
    for (int i = 0; i < 3; i++)
    {
        int i1 = (i + 1) % 3;
        int i2 = (i + 2) % 3;
        for (int j = 0; j < 3; j++)
        {
            int j1 = (j + 1) % 3;
            int j2 = (j + 2) % 3;
            float ra = ea[i1] * absR[i2][j] + ea[i2] * absR[i1][j];
            float rb = eb[j1] * absR[i][j2] + eb[j2] * absR[i][j1];
            float distance = t[i2] * r[i1][j] - t[i1] * r[i2][j];
            float rate = v[i2] * r[i1][j] - v[i1] * r[i2][j];
            if (!narrowOverlapTimes(distance, rate, ra + rb, first, last))
                return false;
        }
    }
    firstTime = first;
    lastTime = last;
    return true;
}

namespace
{
OrientedBox orientedBox(const BoxPlacement& box)
{
    return OrientedBox{toBullet(box.center), btMatrix3x3(toBullet(box.rotation)), toBullet(box.halfExtents)};
}
} // namespace

bool boxesOverlap(const BoxPlacement& a, const BoxPlacement& b)
{
    return overlapOrientedBoxes(orientedBox(a), orientedBox(b));
}

bool boxesOverlapAlong(const BoxPlacement& a, const BoxPlacement& b, const glm::vec3& motion,
                       float& firstTime, float& lastTime)
{
    return sweepOrientedBoxes(orientedBox(a), orientedBox(b), toBullet(motion), firstTime, lastTime);
}

void PhysicsScene::prepareSweptPaths(float dt)
{
    longestStepTravel = 0.0f;
    if (sweptActors.empty())
        return;
    // Where the coming step takes every body, as Bullet integrates it: v' = v + g dt, then p' = p + v' dt.
    // The game's bodies have no linear damping. A pair with a swept body is judged on the two bodies'
    // paths together, so a drifting asteroid is met where the shot finds it, not where it was; both
    // fall alike, so gravity drops out of their relative path. Rotations are kept from the start of the
    // step: at the game's 0.1 rad/s spin a 0.8 box's corner moves 0.03 in a quarter-second step. A
    // kinematic body is moved by the layer, not by its velocity.
    for (auto& actor : actors)
    {
        const btRigidBody& body = *actor->body;
        if (actor->isStatic || body.isStaticOrKinematicObject())
            actor->stepMotion.setZero();
        else
            actor->stepMotion = (body.getLinearVelocity() + body.getGravity() * dt) * dt;
        if (!actor->sweptTriggers)
            longestStepTravel = std::max(longestStepTravel, actor->stepMotion.length());
    }
    for (uint32_t index : sweptActors)
    {
        ActorRecord& actor = *actors[index];
        const btRigidBody& body = *actor.body;
        // The bounds its collision boxes sweep, for the triggers of others: the broadphase knows the
        // body only where the step starts.
        actor.sweptMin.setValue(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
        actor.sweptMax.setValue(-BT_LARGE_FLOAT, -BT_LARGE_FLOAT, -BT_LARGE_FLOAT);
        for (const Shape* shape : actor.shapes)
        {
            if (!isCollisionBox(*shape))
                continue;
            btVector3 low;
            btVector3 high;
            boxBounds(worldBox(body.getWorldTransform(), *shape), low, high);
            stretchBounds(low, high, actor.stepMotion);
            actor.sweptMin.setMin(low);
            actor.sweptMax.setMax(high);
        }
    }
}

void PhysicsScene::collectCandidates(const btVector3& low, const btVector3& high)
{
    // The broadphase holds collision shapes only, so triggers never meet other triggers here. Both trees
    // of the broadphase (moving and resting leaves), with a reused stack: the broadphase's own aabbTest
    // allocates one per call.
    std::vector<uint32_t>& candidates = triggerCandidates;
    CandidateCollector collector(&candidates);
    candidates.clear();
    btDbvtVolume volume = btDbvtVolume::FromMM(low, high);
    broadphase->m_sets[0].collideTVNoStackAlloc(broadphase->m_sets[0].m_root, volume, queryStack, collector);
    broadphase->m_sets[1].collideTVNoStackAlloc(broadphase->m_sets[1].m_root, volume, queryStack, collector);
}

// A swept body is stopped by the first thing it meets: the game parks the projectile on every report,
// so a step short enough would have reported that touch alone. Of its touches that would begin this
// step, only the earliest along its path stand (ties, such as two boxes of one object met face on, or
// two objects in one place, all stand); touches that carry on from the last pass are kept as they are.
void PhysicsScene::keepEarliestSweptContacts()
{
    auto isNew = [this](uint64_t key) { return !std::binary_search(touchingKeys.begin(), touchingKeys.end(), key); };
    // Two touches closer together than this share of a step count as one moment.
    const float sameMoment = 1e-6f;
    for (uint32_t swept : sweptActors)
    {
        float earliest = 2.0f;
        for (const SweptContact& contact : sweptContacts)
            if (contact.sweptActor == swept && isNew(contact.key))
                earliest = std::min(earliest, contact.time);
        for (const SweptContact& contact : sweptContacts)
            if (contact.sweptActor == swept && contact.touching &&
                (!isNew(contact.key) || contact.time <= earliest + sameMoment))
                currentKeys.push_back(contact.key);
    }
}

void PhysicsScene::runTriggerPass(float dt)
{
    currentKeys.clear();
    sweptContacts.clear();
    prepareSweptPaths(dt);
    std::vector<uint32_t>& candidates = triggerCandidates;
    for (uint32_t triggerIndex = 0; triggerIndex < actors.size(); triggerIndex++)
    {
        const ActorRecord& trigger = *actors[triggerIndex];
        const btTransform& triggerPose = trigger.body->getWorldTransform();
        for (uint32_t triggerSlot = 0; triggerSlot < trigger.shapes.size(); triggerSlot++)
        {
            const Shape& triggerShape = *trigger.shapes[triggerSlot];
            if (!triggerShape.hasFlag(eTRIGGER_SHAPE))
                continue;
            OrientedBox box = worldBox(triggerPose, triggerShape);
            btVector3 low;
            btVector3 high;
            boxBounds(box, low, high);
            // A swept trigger asks for everything its box passes on the way, and for what comes near
            // the path meanwhile.
            btVector3 drift(longestStepTravel, longestStepTravel, longestStepTravel);
            if (trigger.sweptTriggers)
            {
                stretchBounds(low, high, trigger.stepMotion);
                collectCandidates(low - drift, high + drift);
            }
            else
                collectCandidates(low, high);
            // Swept bodies sit in the broadphase where the step starts; their paths are checked here.
            for (uint32_t sweptIndex : sweptActors)
                if (boundsMeet(low - drift, high + drift, actors[sweptIndex]->sweptMin, actors[sweptIndex]->sweptMax))
                    candidates.push_back(sweptIndex);
            std::sort(candidates.begin(), candidates.end());
            if (!sweptActors.empty())
                candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

            for (uint32_t otherIndex : candidates)
            {
                const ActorRecord& other = *actors[otherIndex];
                if (otherIndex == triggerIndex || (trigger.isStatic && other.isStatic))
                    continue;
                const btTransform& otherPose = other.body->getWorldTransform();
                // Every other pair keeps the plain test on the poses where the step starts.
                btVector3 relativeMotion = trigger.sweptTriggers || other.sweptTriggers
                                               ? other.stepMotion - trigger.stepMotion
                                               : btVector3(0.0f, 0.0f, 0.0f);
                for (uint32_t otherSlot = 0; otherSlot < other.shapes.size(); otherSlot++)
                {
                    const Shape& otherShape = *other.shapes[otherSlot];
                    if (!isCollisionBox(otherShape))
                        continue;
                    StepContact contact = contactInStep(box, worldBox(otherPose, otherShape), relativeMotion);
                    uint64_t key = makeKey(triggerIndex, triggerSlot, otherIndex, otherSlot);
                    if (trigger.sweptTriggers || other.sweptTriggers)
                    {
                        if (contact.met)
                            sweptContacts.push_back(SweptContact{key, trigger.sweptTriggers ? triggerIndex : otherIndex,
                                                                 contact.time, contact.touching});
                    }
                    else if (contact.touching)
                        currentKeys.push_back(key);
                }
            }
        }
    }
    keepEarliestSweptContacts();
    std::sort(currentKeys.begin(), currentKeys.end());

    // Merge against the previous pass: new keys begin touching, vanished keys stop.
    auto report = [this](uint64_t key, TriggerStatus status)
    {
        ActorRecord& trigger = *actors[keyTriggerActor(key)];
        ActorRecord& other = *actors[keyOtherActor(key)];
        // A swept pair began touching part way along the step; every other touch at its start.
        float time = 0.0f;
        if (status == TriggerStatus::eNOTIFY_TOUCH_FOUND)
            for (const SweptContact& contact : sweptContacts)
                if (contact.key == key)
                    time = contact.time;
        TriggerPair pair{trigger.shapes[keyTriggerSlot(key)], trigger.handle.get(), other.shapes[keyOtherSlot(key)],
                         other.handle.get(), status};
        pair.triggerPosition = toGlm(trigger.body->getWorldTransform().getOrigin() + trigger.stepMotion * time);
        pair.otherPosition = toGlm(other.body->getWorldTransform().getOrigin() + other.stepMotion * time);
        pendingReports.push_back(pair);
    };
    size_t previous = 0;
    size_t current = 0;
    while (previous < touchingKeys.size() || current < currentKeys.size())
    {
        if (current == currentKeys.size() ||
            (previous < touchingKeys.size() && touchingKeys[previous] < currentKeys[current]))
            report(touchingKeys[previous++], TriggerStatus::eNOTIFY_TOUCH_LOST);
        else if (previous == touchingKeys.size() || currentKeys[current] < touchingKeys[previous])
            report(currentKeys[current++], TriggerStatus::eNOTIFY_TOUCH_FOUND);
        else
        {
            previous++;
            current++;
        }
    }
    touchingKeys.swap(currentKeys);
}

bool PhysicsScene::sweepTrigger(uint32_t actorIndex, const btVector3& start, const btVector3& velocity,
                                float seconds, uint32_t ignore, uint32_t& hitActor, float& hitFraction)
{
    const ActorRecord& actor = *actors[actorIndex];
    // Unturned at the start, as a teleport to a bare position leaves a body.
    btTransform startPose(btQuaternion::getIdentity(), start);
    btVector3 motion = velocity * seconds;
    // The flight bends under gravity. Against bodies that fall alike it is a straight line; against those
    // that do not fall (the statics, the ship) it is followed along chords of its arc, whose sag over the
    // game's 500-unit reach is a few thousandths of a unit.
    const int chordCount = 16;
    btVector3 arc[chordCount + 1];
    btVector3 gravity = world->getGravity();
    for (int k = 0; k <= chordCount; k++)
    {
        btScalar t = seconds * btScalar(k) / btScalar(chordCount);
        arc[k] = velocity * t + gravity * (0.5f * t * t);
    }
    // A body that meets the flight may come from anywhere within its own travel meanwhile.
    btScalar fastest = 0.0f;
    for (const auto& other : actors)
        if (!other->isStatic)
            fastest = std::max(fastest, other->body->getLinearVelocity().length());
    btVector3 reach(fastest * seconds, fastest * seconds, fastest * seconds);
    std::vector<uint32_t>& candidates = triggerCandidates;
    bool found = false;
    hitFraction = 2.0f;
    auto meet = [&](const OrientedBox& box, const OrientedBox& other, const btVector3& closing, float from, float span,
                    uint32_t otherIndex)
    {
        float first = 0.0f;
        float last = 0.0f;
        if (sweepOrientedBoxes(box, other, closing, first, last) && from + first * span < hitFraction)
        {
            hitFraction = from + first * span;
            hitActor = otherIndex;
            found = true;
        }
    };
    for (const Shape* triggerShape : actor.shapes)
    {
        if (!triggerShape->hasFlag(eTRIGGER_SHAPE))
            continue;
        OrientedBox box = worldBox(startPose, *triggerShape);
        btVector3 low;
        btVector3 high;
        boxBounds(box, low, high);
        btVector3 startLow = low;
        btVector3 startHigh = high;
        for (const btVector3& point : arc)
        {
            low.setMin(startLow + point);
            high.setMax(startHigh + point);
        }
        stretchBounds(low, high, motion);
        collectCandidates(low - reach, high + reach);
        // Creation order, so that of two boxes met at the same moment the older one is named.
        std::sort(candidates.begin(), candidates.end());
        for (uint32_t otherIndex : candidates)
        {
            if (otherIndex == actorIndex || otherIndex == ignore)
                continue;
            const ActorRecord& other = *actors[otherIndex];
            const btTransform& otherPose = other.body->getWorldTransform();
            bool falls = !other.isStatic && !other.body->isStaticOrKinematicObject();
            for (const Shape* otherShape : other.shapes)
            {
                if (!isCollisionBox(*otherShape))
                    continue;
                OrientedBox otherBox = worldBox(otherPose, *otherShape);
                if (falls)
                {
                    // Seen from the flying box, the other box comes towards it.
                    meet(box, otherBox, other.body->getLinearVelocity() * seconds - motion, 0.0f, 1.0f, otherIndex);
                    continue;
                }
                btVector3 otherLow;
                btVector3 otherHigh;
                boxBounds(otherBox, otherLow, otherHigh);
                for (int k = 0; k < chordCount; k++)
                {
                    // Only the chords that pass near the body are tested.
                    btVector3 chordLow = startLow + arc[k];
                    btVector3 chordHigh = startHigh + arc[k];
                    stretchBounds(chordLow, chordHigh, arc[k + 1] - arc[k]);
                    if (!boundsMeet(chordLow, chordHigh, otherLow, otherHigh))
                        continue;
                    OrientedBox moved = box;
                    moved.center += arc[k];
                    meet(moved, otherBox, arc[k] - arc[k + 1], float(k) / chordCount, 1.0f / chordCount, otherIndex);
                }
            }
        }
    }
    return found;
}

void PhysicsScene::removeActor(uint32_t index)
{
    ActorRecord& record = *actors[index];
    world->removeRigidBody(record.body.get());
    // The pairs it is in end silently; everyone after it moves down one place, which keeps the sorted
    // keys in order.
    auto renumber = [index](uint32_t actor) { return actor > index ? actor - 1 : actor; };
    size_t kept = 0;
    for (uint64_t key : touchingKeys)
    {
        if (keyTriggerActor(key) == index || keyOtherActor(key) == index)
            continue;
        touchingKeys[kept++] = makeKey(renumber(keyTriggerActor(key)), keyTriggerSlot(key),
                                       renumber(keyOtherActor(key)), keyOtherSlot(key));
    }
    touchingKeys.resize(kept);
    sweptActors.erase(std::remove(sweptActors.begin(), sweptActors.end(), index), sweptActors.end());
    for (uint32_t& swept : sweptActors)
        swept = renumber(swept);

    const RigidActor* handle = record.handle.get();
    shapes.erase(std::remove_if(shapes.begin(), shapes.end(),
                                [handle](const std::unique_ptr<Shape>& shape)
                                { return shape->exclusive && shape->owner == handle; }),
                 shapes.end());
    actors.erase(actors.begin() + index);
    for (uint32_t i = index; i < actors.size(); i++)
    {
        actors[i]->handle->index = i;
        actors[i]->body->setUserIndex((int)i);
    }
}

void PhysicsScene::deliverTriggerReports()
{
    if (pendingReports.empty())
        return;
    // The callback may teleport actors; the pairs it gets stay valid because they are copied out first.
    std::vector<TriggerPair> reports;
    reports.swap(pendingReports);
    if (callback)
        callback->onTrigger(reports.data(), (uint32_t)reports.size());
}
