#include "game/scene_object.h"

#include "game/level.h"
#include "game/player.h"

std::map<RigidDynamic*, SceneObject*> actorObjects;
std::map<const char*, Model*> modelCache;

// Every object spins slowly about the world y axis, forever.
static const glm::vec3 objectSpin(0.0f, 0.1f, 0.0f); // radians per second
static const float staticHalfExtent = 10.0f;

SceneObject::SceneObject(const char* modelFile, glm::vec3 position, PhysicsWorld* physicsWorld,
                         const char* textureFile, GLuint program, bool dynamic)
    : physicsWorld(physicsWorld)
{
    if (dynamic)
    {
        dynamicActor = physicsWorld->createDynamicActor(position);
        dynamicActor->setAngularVelocity(objectSpin, true);
        dynamicActor->setAngularDamping(0.0f);
        dynamicActor->getShapes(&triggerShape, 1, 0);
        isDynamic = true;
    }
    else
    {
        staticActor = physicsWorld->createStaticActor(position, staticHalfExtent);
        staticActor->getShapes(&triggerShape, 1, 0);
        isDynamic = false;
    }
    // The actor's own first box becomes its trigger: it reports overlaps and no longer collides.
    triggerShape->setFlag(eSIMULATION_SHAPE, false);
    triggerShape->setFlag(eTRIGGER_SHAPE, true);

    auto cached = modelCache.find(modelFile);
    if (cached != modelCache.end())
    {
        model = cached->second;
    }
    else
    {
        model = new Model(modelFile, modelMatrix, textureFile, program);
        modelCache.emplace(modelFile, model);
    }

    // Never replaces: a second static object finds the null key taken and stays out of the map.
    actorObjects.emplace(dynamicActor, this);
}

SceneObject::~SceneObject()
{
    physicsWorld->removeActor(isDynamic ? static_cast<RigidActor*>(dynamicActor) : staticActor);
}

void SceneObject::update(float, Player*)
{
    pose = isDynamic ? physicsWorld->getGlobalPose(dynamicActor) : physicsWorld->getGlobalPose(staticActor);
    physicsPoseMatrix = pose.toMatrix();
    poseMatrix = physicsPoseMatrix;
    modelMatrix = poseMatrix;
}

// The player's whole input step runs before every object's draw, so the camera it leaves behind is
// the one this draw uses.
void SceneObject::draw(float dt, Player* player, bool inputStep)
{
    if (inputStep)
    {
        player->update(dt);
    }
    model->draw(modelMatrix, player->getProjectionMatrix(), player->getViewMatrix());
}

void SceneObject::setVelocity(glm::vec3 direction, float speed)
{
    dynamicActor->setLinearVelocity(direction * speed, true);
}

void updateWorld(float dt, Player* player)
{
    for (auto& entry : actorObjects)
    {
        SceneObject* object = entry.second;
        Transform pose = object->isDynamic ? object->dynamicActor->getGlobalPose()
                                           : object->staticActor->getGlobalPose();
        object->cullPosition = pose.p;
        object->update(dt, player);
    }
}

void drawScene(float dt, Player* player, bool inputSteps)
{
    for (auto& entry : actorObjects)
    {
        SceneObject* object = entry.second;
        if (!frustumCullingEnabled || player->testPointInFrustum(object->cullPosition) == 2)
        {
            object->draw(dt, player, inputSteps);
        }
    }
    earth->draw(dt, player, inputSteps);
    sun->draw(dt, player, inputSteps);
    projectile->draw(dt, player, inputSteps);
}
