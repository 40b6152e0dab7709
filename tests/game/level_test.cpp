#include "game_fixture.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstdlib>
#include <set>

using Level = GameFixture;

TEST_F(Level, HoldsEveryObjectOnceWithSharedAsteroidModel)
{
    EXPECT_EQ(actorObjects.size(), 105u) << "104 dynamic objects and the Earth under the null key";
    EXPECT_EQ(actorObjects.count(nullptr), 1u);
    EXPECT_EQ(actorObjects.at(nullptr), earth) << "the first static object owns the null key";

    ASSERT_EQ(sceneObjects.size(), 103u);
    EXPECT_EQ(sceneObjects.begin()->first, 0);
    EXPECT_EQ(sceneObjects.rbegin()->first, 102);

    Model* asteroidModel = sceneObjects.at(0)->getModel();
    for (int id = 0; id <= 100; id++)
    {
        EXPECT_EQ(sceneObjects.at(id)->getModel(), asteroidModel) << "asteroid " << id;
    }
    EXPECT_EQ(modelCache.size(), 6u) << "one model per distinct file: projectile, Earth, Sun, asteroid, "
                                        "station, rock";
    EXPECT_NE(sun->getModel()->texture, 0u);
    EXPECT_TRUE(asteroidModel->loaded);
    EXPECT_TRUE(projectile->isDynamic);
    EXPECT_FALSE(earth->isDynamic);
    EXPECT_FALSE(sun->isDynamic);
    EXPECT_EQ(world->getNbActors(), 107u) << "106 objects and the controller";
}

TEST_F(Level, AsteroidsComeFromTheUnseededGeneratorInZYXOrder)
{
    // The first asteroid, from the sequence's first three numbers 1804289383, 846930886 and
    // 1681692777 (z, y, x) modulo 71: where the desktop game has always had it, on every platform.
    EXPECT_EQ(sceneObjects.at(0)->getDynamicActor()->getGlobalPose().p, glm::vec3(54.0f, 2.0f, 37.0f));
    // The game never seeds rand, which is the same as seeding it with 1.
    srand(1);
    for (int id = 0; id <= 100; id++)
    {
        float z = static_cast<float>(rand() % 71);
        float y = static_cast<float>(rand() % 71);
        float x = static_cast<float>(rand() % 71);
        glm::vec3 position = sceneObjects.at(id)->getDynamicActor()->getGlobalPose().p;
        EXPECT_EQ(position, glm::vec3(x, y, z)) << "asteroid " << id;
        for (int axis = 0; axis < 3; axis++)
        {
            EXPECT_GE(position[axis], 0.0f);
            EXPECT_LE(position[axis], 70.0f);
            EXPECT_EQ(position[axis], std::floor(position[axis]));
        }
    }
    EXPECT_EQ(sceneObjects.at(massiveStationId)->getDynamicActor()->getGlobalPose().p, glm::vec3(-20.0f));
    EXPECT_EQ(sceneObjects.at(rockId)->getDynamicActor()->getGlobalPose().p, glm::vec3(-22.0f));
    EXPECT_EQ(earth->getStaticActor()->getGlobalPose().p, glm::vec3(70.0f, 100.0f, 120.0f));
    EXPECT_EQ(projectile->getDynamicActor()->getGlobalPose().p, glm::vec3(1000.0f));
}

TEST_F(Level, WorldUpdateCopiesThePoseColumnForColumn)
{
    SceneObject* asteroid = sceneObjects.at(7);
    glm::quat turned = glm::angleAxis(0.7f, glm::normalize(glm::vec3(1.0f, 2.0f, 3.0f)));
    asteroid->getDynamicActor()->setGlobalPose(Transform(glm::vec3(5.0f, 6.0f, 7.0f), turned), true);

    updateWorld(0.0f, player);

    glm::mat4 expected = glm::mat4_cast(turned);
    expected[3] = glm::vec4(5.0f, 6.0f, 7.0f, 1.0f);
    for (int column = 0; column < 4; column++)
    {
        for (int row = 0; row < 4; row++)
        {
            EXPECT_NEAR(asteroid->modelMatrix[column][row], expected[column][row], 1e-6f)
                << "column " << column << " row " << row;
        }
    }
    EXPECT_EQ(asteroid->cullPosition, glm::vec3(5.0f, 6.0f, 7.0f));
    EXPECT_EQ(sun->modelMatrix, glm::mat4(1.0f)) << "the Sun has no entry, so it is never updated";
}

TEST_F(Level, RemovedObjectsKeepTheirLastTransform)
{
    updateWorld(0.0f, player);
    SceneObject* asteroid = sceneObjects.at(3);
    glm::mat4 before = asteroid->modelMatrix;
    actorObjects.erase(asteroid->getDynamicActor());
    asteroid->getDynamicActor()->setGlobalPose(Transform(glm::vec3(-500.0f)), true);
    updateWorld(0.0f, player);
    EXPECT_EQ(asteroid->modelMatrix, before);
}

TEST_F(Level, RockOverrideLastsForExactlyOneDraw)
{
    updateWorld(0.0f, player);
    Model* rock = sceneObjects.at(rockId)->getModel();
    rock->setOverride(glm::translate(glm::mat4(1.0f), glm::vec3(1.0f)));
    ASSERT_TRUE(rock->hasOverride);
    drawScene(0.0f, player);
    EXPECT_FALSE(rock->hasOverride) << "the rock's draw used and cleared it";
    EXPECT_EQ(rock->getModelMatrix(), sceneObjects.at(rockId)->modelMatrix)
        << "the model keeps the matrix of its latest draw, not the override";
}

// Culling tests stand the player at its start and look along its first view direction.
class Culling : public GameFixture
{
  protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        if (HasFatalFailure() || IsSkipped())
        {
            return;
        }
        player->update(0.0f);
        eye = player->getPosition();
        ahead = player->getDirection();
        up = player->getUp();
        right = glm::normalize(glm::cross(ahead, up));
        player->updateFrustum(eye, eye + ahead, up);
    }

    int test(float depth, float sideways, float upwards) const
    {
        return player->testPointInFrustum(eye + ahead * depth + right * sideways + up * upwards);
    }

    glm::vec3 eye, ahead, up, right;
};

TEST_F(Culling, DepthRangeIsOneToAHundred)
{
    EXPECT_EQ(test(50.0f, 0.0f, 0.0f), 2);
    EXPECT_EQ(test(0.5f, 0.0f, 0.0f), 0) << "nearer than the near distance";
    EXPECT_EQ(test(150.0f, 0.0f, 0.0f), 0) << "beyond the far distance, though the camera would show it";
    // Just off the bounds on either side; a point exactly on a bound rounds either way in float.
    EXPECT_EQ(test(1.001f, 0.0f, 0.0f), 2) << "just beyond the near distance";
    EXPECT_EQ(test(0.999f, 0.0f, 0.0f), 0) << "just short of the near distance";
    EXPECT_EQ(test(99.999f, 0.0f, 0.0f), 2) << "just short of the far distance";
    EXPECT_EQ(test(100.001f, 0.0f, 0.0f), 0) << "just beyond the far distance";
    EXPECT_EQ(test(-10.0f, 0.0f, 0.0f), 0) << "behind the camera";
}

TEST_F(Culling, SidesFollowTheSixtyDegreeSixteenByNineFrustum)
{
    // At depth 10 the vertical limit is 10 tan 30 = 5.77 and the horizontal one 5.77 x 16/9 = 10.26.
    EXPECT_EQ(test(10.0f, 10.0f, 0.0f), 2);
    EXPECT_EQ(test(10.0f, -10.0f, 0.0f), 2);
    EXPECT_EQ(test(10.0f, 10.3f, 0.0f), 0);
    EXPECT_EQ(test(10.0f, 0.0f, 5.7f), 2);
    EXPECT_EQ(test(10.0f, 0.0f, 6.0f), 0);
    EXPECT_EQ(test(10.0f, 0.0f, -6.0f), 0);
}
