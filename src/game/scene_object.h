#pragma once

#include "physics/physics_world.h"
#include "render/gl.h"
#include "render/model.h"

#include <glm/glm.hpp>

#include <map>

class Player;

// One thing in the world that is both simulated and drawn: an actor, a shared model, and the
// transform copied from the actor once per frame.
class SceneObject
{
  public:
    // modelFile is also the model cache key: objects built from the same string share a Model.
    SceneObject(const char* modelFile, glm::vec3 position, PhysicsWorld* physicsWorld, const char* textureFile,
                GLuint program, bool isDynamic);
    // Takes its actor out of the world; the model stays in the cache for the next game.
    ~SceneObject();
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    // Refreshes the pose and the matrices from the actor; dt and player are not used.
    void update(float dt, Player* player);
    void draw(float dt, Player* player, bool inputStep = true);

    Model* getModel() const { return model; }
    RigidDynamic* getDynamicActor() const { return dynamicActor; }
    RigidStatic* getStaticActor() const { return staticActor; }
    // Sets the linear velocity to direction x speed (units per second) and wakes the actor.
    void setVelocity(glm::vec3 direction, float speed);

    bool isDynamic = false;
    glm::mat4 modelMatrix = glm::mat4(1.0f);
    Model* model = nullptr;
    glm::mat4 poseMatrix = glm::mat4(1.0f);
    Transform pose;
    glm::mat4 physicsPoseMatrix = glm::mat4(1.0f);
    PhysicsWorld* physicsWorld = nullptr;
    RigidDynamic* dynamicActor = nullptr;
    RigidStatic* staticActor = nullptr;
    Shape* triggerShape = nullptr;
    glm::vec3 cullPosition = glm::vec3(0.0f);
};

// The live objects, keyed by dynamic actor. The first static object sits under the null key; its
// size is the countdown to winning. Entries are erased by the trigger rule, never added during a
// game; the game session clears it when a game ends.
extern std::map<RigidDynamic*, SceneObject*> actorObjects;

// Models by the address of their file-name string (not its text), so objects built from the same
// string share one Model.
extern std::map<const char*, Model*> modelCache;

// Refreshes the culling position and matrices of every live object from its actor.
void updateWorld(float dt, Player* player);

// Draws every live object (culled by position when culling is on), then the Earth, the Sun and
// the projectile. The player's input step runs before each draw unless inputSteps is false (the
// picture of a paused game is drawn again without one).
void drawScene(float dt, Player* player, bool inputSteps = true);
