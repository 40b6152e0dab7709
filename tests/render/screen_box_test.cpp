#include "render/post.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

// A 1280x720 window with a 60 degree view, 100 units from the world origin, looking at it. The
// expected boxes come from the projections of 240,000 points on each sphere: the pixels whose centres
// they reach, one more on every side.
class SphereScreenBox : public ::testing::Test
{
  protected:
    bool boxOf(glm::vec3 centre, float radius, ScreenBox& box) const
    {
        return sphereScreenBox(viewProjection, centre, radius, 1280, 720, box);
    }

    static void expectBox(const ScreenBox& box, int x0, int y0, int x1, int y1)
    {
        EXPECT_EQ(box.x0, x0);
        EXPECT_EQ(box.y0, y0);
        EXPECT_EQ(box.x1, x1);
        EXPECT_EQ(box.y1, y1);
    }

    glm::mat4 viewProjection =
        glm::perspective(glm::radians(60.0f), 1280.0f / 720.0f, 0.1f, 500.0f) *
        glm::lookAt(glm::vec3(0.0f, 0.0f, 100.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
};

TEST_F(SphereScreenBox, HoldsEveryPixelTheSphereCoversAndOneMore)
{
    ScreenBox box{};
    // The Sun's glow sphere straight ahead spans pixels 564.63 to 715.37 and 284.63 to 435.37.
    ASSERT_TRUE(boxOf(glm::vec3(0.0f), 12.0f, box));
    expectBox(box, 564, 284, 716, 436);

    // Up and to the right, nearer: a perspective box is not centred on the centre's projection.
    ASSERT_TRUE(boxOf(glm::vec3(40.0f, 25.0f, 10.0f), 12.0f, box));
    expectBox(box, 829, 448, 1015, 624);
}

TEST_F(SphereScreenBox, IsClippedToTheWindowOrMissingWhenNothingShows)
{
    ScreenBox box{};
    // Centred on the left edge: only the right half is kept.
    ASSERT_TRUE(boxOf(glm::vec3(-102.64f, 0.0f, 0.0f), 12.0f, box));
    expectBox(box, 0, 284, 100, 436);

    EXPECT_FALSE(boxOf(glm::vec3(0.0f, 0.0f, 130.0f), 12.0f, box)) << "wholly behind the camera";
    EXPECT_FALSE(boxOf(glm::vec3(-300.0f, 0.0f, 0.0f), 12.0f, box)) << "beside the view";
    EXPECT_FALSE(boxOf(glm::vec3(0.0f, 150.0f, 0.0f), 12.0f, box)) << "above the view";

    // Reaching behind the eye it can spread anywhere on screen: the whole window.
    ASSERT_TRUE(boxOf(glm::vec3(0.0f, 0.0f, 95.0f), 12.0f, box));
    expectBox(box, 0, 0, 1280, 720);
}

TEST_F(SphereScreenBox, RefusesAnEmptyWindowAndAMeaninglessRadius)
{
    ScreenBox box{};
    EXPECT_FALSE(sphereScreenBox(viewProjection, glm::vec3(0.0f), 12.0f, 0, 720, box));
    EXPECT_FALSE(sphereScreenBox(viewProjection, glm::vec3(0.0f), 12.0f, 1280, -1, box));
    EXPECT_FALSE(boxOf(glm::vec3(0.0f), -1.0f, box));
    EXPECT_FALSE(boxOf(glm::vec3(0.0f), std::nanf(""), box));
}

} // namespace
