#pragma once

#include <functional>
#include <string>

struct GLFWwindow;

// A hidden window with an OpenGL 4.4 core context, made current; nullptr when no display is
// available, which fails the test: every test that needs a context must run on a display.
GLFWwindow* createTestContext(int width = 64, int height = 64);
void destroyTestContext(GLFWwindow* window);

// Runs body with standard output (and, when asked, standard error) captured; returns what was written.
std::string captureStdout(const std::function<void()>& body);
std::string captureStderr(const std::function<void()>& body);

// Writes text (or bytes) to path, creating or truncating the file.
void writeFile(const std::string& path, const std::string& bytes);
// A fresh, empty scratch directory for one test.
std::string makeScratchDir(const std::string& name);

#include <gtest/gtest.h>

// A suite whose tests share one hidden OpenGL 4.4 core context. Without a display they fail;
// standard input is /dev/null, so a loader's wait returns at once.
class GlSuite : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { window = createTestContext(); }
    static void TearDownTestSuite()
    {
        destroyTestContext(window);
        window = nullptr;
    }
    void SetUp() override
    {
        if (window == nullptr)
        {
            FAIL() << "no display for an OpenGL context (run under Xvfb)";
        }
    }

    inline static GLFWwindow* window = nullptr;
};
