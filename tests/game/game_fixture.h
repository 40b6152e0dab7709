#pragma once

#include "game/level.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/scene_object.h"
#include "render/shader.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <unistd.h>

// The real level in a hidden 1280x720 window: the generated models, the real shaders, the real
// physics world with the game's trigger rule. Every test runs in its own process, so the global
// maps start empty and the unseeded generator starts where the game's does.
class GameFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        glWindow = createTestContext(1280, 720);
        if (glWindow == nullptr)
        {
            FAIL() << "no display for an OpenGL context (run under Xvfb)";
        }
        ASSERT_EQ(chdir(VELMORA_GAME_DIR), 0);
        captureStdout([&] {
            program = loadShaders("Shader/VertexShader.glsl", "Shader/FragmentShader.glsl");
            callback = new ContactReportCallback();
            world = new PhysicsWorld(callback);
            player = new Player(&input, world, 1280, 720);
            player->setFrustumShape(60.0f, 1280.0f / 720.0f, 1.0f, 100.0f);
            buildLevel(world, program);
        });
    }

    void TearDown() override { destroyTestContext(glWindow); }

    // The asteroids that are still live, in id order.
    std::vector<SceneObject*> liveAsteroids() const
    {
        std::vector<SceneObject*> live;
        for (int id = 0; id <= 100; id++)
        {
            SceneObject* asteroid = sceneObjects.at(id);
            if (actorObjects.count(asteroid->getDynamicActor()) != 0)
            {
                live.push_back(asteroid);
            }
        }
        return live;
    }

    GLFWwindow* glWindow = nullptr;
    ScriptedWindow input;
    GLuint program = 0;
    ContactReportCallback* callback = nullptr;
    PhysicsWorld* world = nullptr;
    Player* player = nullptr;
};
