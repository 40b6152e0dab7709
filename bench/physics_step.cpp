// Times PhysicsWorld::step on the full level: 104 dynamic boxes, the Earth and the Sun, the player's
// controller and every trigger box, stepped at 60 Hz. Prints the median and 90th percentile in µs.
// Then times the aim marker's query, PhysicsWorld::sweepTrigger over 500 units, and counts the heap
// allocations it makes.

#include "physics/physics_world.h"

#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

// Every heap allocation in the process passes through these (operator new ends in malloc, Bullet's
// allocator in calloc), so the query's allocations can be counted. glibc keeps its own allocator
// reachable under the __libc_ names.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* pointer, size_t size);
static long mallocCalls = 0;
extern "C" void* malloc(size_t size)
{
    mallocCalls++;
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size)
{
    mallocCalls++;
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* pointer, size_t size)
{
    mallocCalls++;
    return __libc_realloc(pointer, size);
}

namespace
{
const int warmUpSteps = 120;
const int timedSteps = 5000;
const int timedQueries = 20000;
const float aimDistance = 500.0f;

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

// Every actor the level makes but the shot, for the aim marker's query to aim at.
std::vector<RigidActor*> levelActors;

RigidDynamic* addTarget(PhysicsWorld& world, const glm::vec3& position)
{
    RigidDynamic* actor = addDynamic(world, position);
    levelActors.push_back(actor);
    return actor;
}

void addStatic(PhysicsWorld& world, const glm::vec3& position)
{
    RigidStatic* actor = world.createStaticActor(position, 10.0f);
    makeTrigger(actor);
    levelActors.push_back(actor);
}

// The level in its creation order: the shot, the Earth, the Sun, the asteroids, the station, the rock.
RigidDynamic* buildLevel(PhysicsWorld& world)
{
    RigidDynamic* projectile = addDynamic(world, glm::vec3(1000.0f));
    // As the game does: the shot's triggers test its whole path each step.
    projectile->setSweptTriggers(true);
    addStatic(world, glm::vec3(70.0f, 100.0f, 120.0f));
    addStatic(world, glm::vec3(0.0f));
    for (int i = 0; i < 101; i++)
    {
        float z = float(rand() % 71);
        float y = float(rand() % 71);
        float x = float(rand() % 71);
        addTarget(world, glm::vec3(x, y, z));
    }
    addTarget(world, glm::vec3(-20.0f));
    addTarget(world, glm::vec3(-22.0f));
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

// The aim marker asks once a frame what a shot fired now would meet first. Timed on the level as it
// starts, when the field is still gathered in front of the player.
void timeAimQuery(PhysicsWorld& world, RigidDynamic* shot)
{
    // From beside the player, in turn at every actor of the level and in as many directions all round.
    const glm::vec3 launch(-40.0f, 1.0f, 93.0f);
    std::vector<glm::vec3> directions;
    for (RigidActor* actor : levelActors)
        directions.push_back(glm::normalize(actor->getGlobalPose().p - launch));
    for (size_t i = 0; i < levelActors.size(); i++)
    {
        float angle = 0.1f * float(i);
        directions.push_back(
            glm::normalize(glm::vec3(std::cos(angle), 0.3f * std::sin(3.0f * angle), std::sin(angle))));
    }
    std::vector<double> queryMicros;
    queryMicros.reserve(timedQueries);
    long hits = 0;
    SweepHit hit;
    RigidActor* player = world.getControllerActor();
    // The very first query, like the very first step, sizes the broadphase walk's stack once.
    world.sweepTrigger(shot, launch, directions[0], aimDistance, hit, player);
    long mallocsBefore = mallocCalls;
    for (int i = 0; i < timedQueries; i++)
    {
        const glm::vec3& direction = directions[size_t(i) % directions.size()];
        auto start = std::chrono::steady_clock::now();
        hits += world.sweepTrigger(shot, launch, direction, aimDistance, hit, player);
        auto end = std::chrono::steady_clock::now();
        queryMicros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    long queryMallocs = mallocCalls - mallocsBefore;
    printf("sweep_query: %d queries over %.0f units, %ld hits, %ld heap allocations\n", timedQueries,
           aimDistance, hits, queryMallocs);
    printf("sweep_query: median %.2f us, p90 %.2f us (goal: well under 100 us)\n",
           percentile(queryMicros, 0.5), percentile(queryMicros, 0.9));
}
} // namespace

int main()
{
    ParkingCallback callback;
    PhysicsWorld world(&callback);
    callback.projectile = buildLevel(world);
    printf("physics_step: %u actors\n", world.getNbActors());
    timeAimQuery(world, callback.projectile);

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
