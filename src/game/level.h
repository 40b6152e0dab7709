#pragma once

#include "game/scene_object.h"

#include <map>

// The level's objects by id: asteroids 0 to 100, the massive station 101, the rock 102.
extern std::map<int, SceneObject*> sceneObjects;
extern SceneObject* projectile;
extern SceneObject* earth;
extern SceneObject* sun;

const int massiveStationId = 101;
const int rockId = 102;

// Creates the projectile (from the given model, position and texture), then the Earth and the Sun.
// Returns the Sun.
SceneObject* createProjectileEarthSun(const char* modelFile, glm::vec3 position, PhysicsWorld* physicsWorld,
                                      const char* textureFile, GLuint program);

// Builds the whole level in its fixed order: projectile, Earth, Sun, the 101 asteroids, the
// massive station and the rock.
void buildLevel(PhysicsWorld* physicsWorld, GLuint program);

// How close the field is to losing the Earth: the distance in units from the nearest object's box to
// the Earth's box, 0 when they touch. Objects already removed count too: they are still there, unseen,
// and still lose the Earth when they reach it.
float getEarthDanger();

// One asteroid coordinate: a whole number from 0 to 70 from the level's generator (game/random.h), which
// gives the desktop C library's unseeded sequence on every platform.
float randomCoordinate();
