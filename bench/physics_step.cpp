// Times PhysicsWorld::step on the full level: 104 dynamic boxes, the Earth and the Sun, the player's
// controller and every trigger box, stepped at 60 Hz. Prints the median and 90th percentile in µs.

#include "physics/physics_world.h"

#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace
{
const int warmUpSteps = 120;
const int timedSteps = 5000;

// Parks the shot after every report, as the game's trigger rule does; counts the reports.
struct ParkingCallback : SimulationEventCallback
{
    RigidDynamic* projectile = nullptr;
    long pairs = 0;
    void onTrigger(TriggerPair*, uint32_t count) override
    {
        pairs += count;
        projectile->setGlobalPose(Transform(glm::vec3(1000.0f)));
    }
};

void makeTrigger(RigidActor* actor)
{
    Shape* first = nullptr;
    actor->getShapes(&first, 1, 0);
    first->setFlag(eSIMULATION_SHAPE, false);
    first->setFlag(eTRIGGER_SHAPE, true);
}

RigidDynamic* addDynamic(PhysicsWorld& world, const glm::vec3& position)
{
    RigidDynamic* actor = world.createDynamicActor(position);
    actor->setAngularVelocity(glm::vec3(0.0f, 0.1f, 0.0f));
    actor->setAngularDamping(0.0f);
    makeTrigger(actor);
    return actor;
}

void addStatic(PhysicsWorld& world, const glm::vec3& position)
{
    makeTrigger(world.createStaticActor(position, 10.0f));
}

// The level in its creation order: the shot, the Earth, the Sun, the asteroids, the station, the rock.
RigidDynamic* buildLevel(PhysicsWorld& world)
{
    RigidDynamic* projectile = addDynamic(world, glm::vec3(1000.0f));
    addStatic(world, glm::vec3(70.0f, 100.0f, 120.0f));
    addStatic(world, glm::vec3(0.0f));
    for (int i = 0; i < 101; i++)
    {
        float z = float(rand() % 71);
        float y = float(rand() % 71);
        float x = float(rand() % 71);
        addDynamic(world, glm::vec3(x, y, z));
    }
    addDynamic(world, glm::vec3(-20.0f));
    addDynamic(world, glm::vec3(-22.0f));
    return projectile;
}

double threadCpuMicros()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) * 1e-3;
}

double percentile(std::vector<double> values, double fraction)
{
    size_t index = size_t(fraction * double(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + index, values.end());
    return values[index];
}
} // namespace

int main()
{
    ParkingCallback callback;
    PhysicsWorld world(&callback);
    callback.projectile = buildLevel(world);
    printf("physics_step: %u actors\n", world.getNbActors());

    Shape* controllerShape = world.getControllerShape();
    std::vector<double> micros;
    std::vector<double> cpuMicros;
    micros.reserve(timedSteps);
    cpuMicros.reserve(timedSteps);
    for (int i = 0; i < warmUpSteps + timedSteps; i++)
    {
        // The player turns the controller's proxy every frame.
        float yaw = 0.01f * float(i);
        controllerShape->setLocalPose(Transform(glm::vec3(0.0f), glm::angleAxis(yaw, glm::vec3(1, 0, 0))));
        auto start = std::chrono::steady_clock::now();
        double cpuStart = threadCpuMicros();
        world.step(1.0f / 60.0f);
        double cpuEnd = threadCpuMicros();
        auto end = std::chrono::steady_clock::now();
        if (i >= warmUpSteps)
        {
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            cpuMicros.push_back(cpuEnd - cpuStart);
        }
    }
    printf("physics_step: %d steps at 1/60 s, %ld trigger pairs reported\n", timedSteps, callback.pairs);
    printf("physics_step: median %.1f us, p90 %.1f us (goal: median <= 100 us)\n", percentile(micros, 0.5),
           percentile(micros, 0.9));
    // On a busy machine the wall clock includes time the thread was not running; this does not.
    printf("physics_step: thread CPU time median %.1f us, p90 %.1f us\n", percentile(cpuMicros, 0.5),
           percentile(cpuMicros, 0.9));
    return 0;
}
