// Window placements: fractions of the screen to pixels and back.
#include <gtest/gtest.h>

#include <limits>

#include "storage/zv_display_settings.hpp"

namespace zv {
namespace {

TEST(WindowPlacement, PixelsFromFractionsWithFrameOffsetsAndClamps) {
  // Left 0.2 of 1000 pixels is 205; a width of 0.9 is 800, not 900.
  EXPECT_EQ(applyWindowPlacement({0.2, 0.2, 0.9, 0.5}, 1000, 800), (PixelRect{205, 196, 800, 400}));
  // The built-in placement on a small screen.
  EXPECT_EQ(applyWindowPlacement({}, 640, 480), (PixelRect{133, 132, 320, 240}));
  // Bounds: left 0..500, top 10..500, width 10..800, height 10..600.
  EXPECT_EQ(applyWindowPlacement({0.9, 0.9, 0.001, 0.9}, 2000, 2000),
            (PixelRect{500, 500, 10, 600}));
  EXPECT_EQ(applyWindowPlacement({-0.5, -0.5, -1, 0}, 1000, 1000), (PixelRect{0, 10, 10, 10}));
  // Fractions are truncated, not rounded.
  EXPECT_EQ(applyWindowPlacement({0.2999, 0.2999, 0.2999, 0.2999}, 1000, 1000),
            (PixelRect{304, 335, 299, 299}));
}

TEST(WindowPlacement, NumbersThatAreNotFiniteStayOnTheScreen) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(applyWindowPlacement({inf, -inf, nan, 1e300}, 1000, 1000),
            (PixelRect{500, 10, 10, 600}));
  EXPECT_EQ(applyWindowPlacement({nan, nan, inf, -1e300}, 1000, 1000), (PixelRect{0, 10, 800, 10}));
}

// Storing is the inverse with a title bar of 21 pixels (another title bar shifts the top);
// near the edge the fractions start at 0; without a screen nothing is stored.
TEST(WindowPlacement, StoringIsTheInverseNearTheEdgeToo) {
  const WindowPlacement p{0.2, 0.25, 0.5, 0.375};
  const PixelRect r = applyWindowPlacement(p, 1000, 800);
  const auto stored = [](PixelRect rect, int titleBar, int width, int height) {
    WindowPlacement back{0.1, 0.2, 0.3, 0.4};
    const bool ok = storeWindowPlacement(rect, titleBar, width, height, back);
    return std::tuple{ok, back.left, back.top, back.width, back.height};
  };
  EXPECT_EQ(stored(r, 21, 1000, 800), (std::tuple{true, 0.2, 0.25, 0.5, 0.375}));
  EXPECT_EQ(stored(r, 31, 1000, 800), (std::tuple{true, 0.2, (236.0 - 46.0) / 800.0, 0.5, 0.375}));
  EXPECT_EQ(stored({2, 20, 300, 200}, 21, 1000, 1000), (std::tuple{true, 0.0, 0.0, 0.3, 0.2}));
  EXPECT_EQ(stored({100, 100, 300, 200}, 21, 0, 1000), (std::tuple{false, 0.1, 0.2, 0.3, 0.4}));
  EXPECT_EQ(stored({100, 100, 300, 200}, 21, 1000, -1), (std::tuple{false, 0.1, 0.2, 0.3, 0.4}));
}

} // namespace
} // namespace zv
