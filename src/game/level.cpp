#include "game/level.h"

#include "game/random.h"
#include "game/rules.h"

#include <algorithm>

std::map<int, SceneObject*> sceneObjects;
SceneObject* projectile = nullptr;
SceneObject* earth = nullptr;
SceneObject* sun = nullptr;

// The file names are shared strings: the model cache is keyed by their addresses, so all the
// asteroids hit one cache entry.
static const char* const projectileModel = "Models/newStation.obj";
static const char* const projectileTexture = "Texture/industrial_texture.bmp";
static const char* const earthModel = "Models/massiveEarth.obj";
static const char* const earthTexture = "Texture/earth_texture.bmp";
static const char* const sunModel = "Models/sun.obj";
static const char* const asteroidModel = "Models/newAsteroid.obj";
static const char* const asteroidTexture = "Texture/asteroid_texture.bmp";
static const char* const massiveStationModel = "Models/newMassiveStation.obj";
static const char* const metalTexture = "Texture/metal_texture.bmp";
static const char* const rockModel = "Models/rock.obj";
static const char* const rockTexture = "Texture/uvtemplate.bmp";

static const int asteroidCount = 101;

SceneObject* createProjectileEarthSun(const char* modelFile, glm::vec3 position, PhysicsWorld* physicsWorld,
                                      const char* textureFile, GLuint program)
{
    projectile = new SceneObject(modelFile, position, physicsWorld, textureFile, program, true);
    projectile->getDynamicActor()->setSweptTriggers(true);
    earth = new SceneObject(earthModel, glm::vec3(70.0f, 100.0f, 120.0f), physicsWorld, earthTexture, program,
                            false);
    // The Sun wears the asteroid texture; its shader makes it glow.
    sun = new SceneObject(sunModel, glm::vec3(0.0f), physicsWorld, asteroidTexture, program, false);
    return sun;
}

float randomCoordinate()
{
    const int min = 0;
    const int max = 70;
    return static_cast<float>(min + levelRandom() % (max - min + 1));
}

void buildLevel(PhysicsWorld* physicsWorld, GLuint program)
{
    createProjectileEarthSun(projectileModel, glm::vec3(1000.0f), physicsWorld, projectileTexture, program);

    // The field is drawn from the generator once per program: every game starts from the first one's.
    static glm::vec3 asteroidPositions[asteroidCount];
    static bool drawn = false;
    if (!drawn)
    {
        // From the sequence's first number, whoever drew from it before.
        resetLevelRandom();
    }
    for (int i = 0; i < asteroidCount && !drawn; i++)
    {
        // Drawn z first, then y, then x.
        float z = randomCoordinate();
        float y = randomCoordinate();
        float x = randomCoordinate();
        asteroidPositions[i] = glm::vec3(x, y, z);
    }
    drawn = true;
    for (int i = 0; i < asteroidCount; i++)
    {
        SceneObject* asteroid =
            new SceneObject(asteroidModel, asteroidPositions[i], physicsWorld, asteroidTexture, program, true);
        sceneObjects.emplace(i, asteroid);
    }

    SceneObject* massiveStation = new SceneObject(massiveStationModel, glm::vec3(-20.0f), physicsWorld,
                                                  metalTexture, program, true);
    SceneObject* rock = new SceneObject(rockModel, glm::vec3(-22.0f), physicsWorld, rockTexture, program, true);
    sceneObjects.emplace(massiveStationId, massiveStation);
    sceneObjects.emplace(rockId, rock);
    startRemovalCount();
}

float getEarthDanger()
{
    // The Earth's collision box is its second shape, axis-aligned about its centre.
    Shape* shapes[2] = {nullptr, nullptr};
    RigidStatic* earthActor = earth->getStaticActor();
    earthActor->getShapes(shapes, 2, 0);
    glm::vec3 centre = earthActor->getGlobalPose().p;
    glm::vec3 reach = shapes[1]->getHalfExtents();
    float nearest = 1e30f;
    for (const auto& entry : sceneObjects)
    {
        SceneObject* object = entry.second;
        glm::vec3 offset = glm::abs(object->getDynamicActor()->getGlobalPose().p - centre);
        float gap = glm::length(glm::max(offset - reach, glm::vec3(0.0f)));
        nearest = std::min(nearest, gap - object->triggerShape->getHalfExtents().x);
    }
    return std::max(nearest, 0.0f);
}
