#pragma once

#include "app/frame_loop.h"
#include "app/startup.h"
#include "render/post.h"
#include "support/scripted_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

// The real game as main makes it, its frame function on the real level, in a hidden 1280x720
// context, with a scripted window for the keys, the cursor, the clock and presenting. Every test
// runs in its own process.
class LoopFixture : public ::testing::Test
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
        // The global state start-up sets, then the game exactly as main makes it.
        windowWidth = 1280;
        windowHeight = 720;
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glClearColor(0.0f, 0.0f, 0.04f, 1.0f);
        loop.window = &input;
        captureStdout(
            [&]
            {
                createPostProcessing(windowWidth, windowHeight);
                createGame(loop);
            });
    }

    void TearDown() override { destroyTestContext(glWindow); }

    GLFWwindow* glWindow = nullptr;
    ScriptedWindow input;
    GameLoop loop;
};
