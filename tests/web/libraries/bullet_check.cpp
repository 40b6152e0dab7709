// Bullet built for WebAssembly: a unit box dropped from 10 units falls as the desktop Bullet makes it
// fall, then comes to rest on a static floor.
#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdio>

int main()
{
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher(&configuration);
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
    world.setGravity(btVector3(0, -10, 0));

    // The floor's top face is at y = 0; the box's centre starts at y = 10.
    btBoxShape floorShape(btVector3(50, 1, 50));
    btDefaultMotionState floorState(btTransform(btQuaternion::getIdentity(), btVector3(0, -1, 0)));
    btRigidBody floor(btRigidBody::btRigidBodyConstructionInfo(0, &floorState, &floorShape));
    world.addRigidBody(&floor);
    btBoxShape boxShape(btVector3(0.5f, 0.5f, 0.5f));
    btVector3 inertia;
    boxShape.calculateLocalInertia(1, inertia);
    btDefaultMotionState boxState(btTransform(btQuaternion::getIdentity(), btVector3(0, 10, 0)));
    btRigidBody box(btRigidBody::btRigidBodyConstructionInfo(1, &boxState, &boxShape, inertia));
    world.addRigidBody(&box);

    // One second of 60 Hz steps: semi-implicit Euler drops it 10 * 61 / 120 = 5.083 units.
    for (int step = 0; step < 60; ++step)
    {
        world.stepSimulation(1.0f / 60.0f, 1, 1.0f / 60.0f);
    }
    float fallen = box.getCenterOfMassPosition().y();
    // Four more seconds: it lands and settles with its centre half a unit above the floor.
    for (int step = 0; step < 240; ++step)
    {
        world.stepSimulation(1.0f / 60.0f, 1, 1.0f / 60.0f);
    }
    float rested = box.getCenterOfMassPosition().y();
    printf("Bullet: after 1 s y = %.4f, after 5 s y = %.4f\n", fallen, rested);
    world.removeRigidBody(&box);
    world.removeRigidBody(&floor);
    if (std::fabs(fallen - 4.9167f) > 0.001f || std::fabs(rested - 0.5f) > 0.02f)
    {
        printf("Bullet check failed: expected 4.9167 and 0.5\n");
        return 1;
    }
    return 0;
}
