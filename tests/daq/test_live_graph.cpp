// The drawn curve: the per-column envelope and the cursor on the exact points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "daq/zv_live_graph.hpp"

using namespace zv;

TEST(CurveEnvelope, LongCurveKeepsEveryColumnsExtremesInCurveOrder) {
  // A saw tooth with a single spike: the spike must survive the reduction.
  const int n = 10000;
  std::vector<double> pts(n);
  for (int i = 0; i < n; ++i)
    pts[i] = (i % 7) * 0.1;
  pts[4321] = 9.0;
  CurveEnvelope env;
  env.build(pts.data(), n, 0.0, 0.01, 400);
  EXPECT_TRUE(env.reduced());
  const auto& out = env.points();
  EXPECT_TRUE(out.size() >= 400u && out.size() <= 800u) << out.size();
  auto maxIt = std::max_element(out.begin(), out.end(),
                                [](const CurvePoint& a, const CurvePoint& b) { return a.y < b.y; });
  EXPECT_EQ(maxIt->y, 9.0);
  EXPECT_DOUBLE_EQ(maxIt->x, 43.21);
  // x never goes backwards, so the line does not fold over itself.
  for (std::size_t i = 1; i < out.size(); ++i)
    EXPECT_LT(out[i - 1].x, out[i].x) << i;
  // Every drawn point is a point of the curve.
  for (const auto& p : out) {
    const int i = static_cast<int>(std::lround(p.x / 0.01));
    EXPECT_EQ(pts[i], p.y);
  }
}

TEST(CurveEnvelope, EmptyCurveDrawsNothing) {
  CurveEnvelope env;
  std::vector<double> pts(5000, 1.0);
  env.build(pts.data(), 5000, 0.0, 1.0, 300);
  env.build(pts.data(), 0, 0.0, 1.0, 300);
  EXPECT_TRUE(env.points().empty());
}

TEST(Cursor, ReadsTheNearestExactPointAndClampsToTheCurve) {
  std::vector<double> pts = {0.0, 1.0, 4.0, 9.0};
  const auto r = readCursor(pts.data(), 4, 10.0, 0.5, 11.1);
  EXPECT_EQ((std::tuple{2, 11.0, 4.0}), (std::tuple{r.index, r.time, r.force}));
  EXPECT_EQ((std::vector<int>{0, 3, 0, -1}),
            (std::vector<int>{readCursor(pts.data(), 4, 10.0, 0.5, -100.0).index,
                              readCursor(pts.data(), 4, 10.0, 0.5, 1e300).index,
                              readCursor(pts.data(), 4, 10.0, 0.5, std::nan("")).index,
                              readCursor(pts.data(), 0, 10.0, 0.5, 11.0).index}));
  const auto c = cursorAtIndex(pts.data(), 4, 0.0, 0.01, 7);
  EXPECT_EQ((std::tuple{3, 9.0}), (std::tuple{c.index, c.force}));
}
