// The drawn curve: axis spans, the per-column envelope and the cursor on the exact points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "daq/zv_live_graph.hpp"

using namespace zv;

TEST(GraphSpans, TimeSpanIsWholeSecondsAtLeastOne) {
  // A rate below one point per second never divides by zero.
  EXPECT_EQ(
      (std::vector<double>{1, 2, 1, 10, 30}),
      (std::vector<double>{graphTimeSpan(150, 100), graphTimeSpan(250, 100), graphTimeSpan(0, 100),
                           graphTimeSpan(10000, 1000), graphTimeSpan(30, 0)}));
}

TEST(GraphSpans, ForceSpanIsTheRangeAtLeastATenth) {
  EXPECT_EQ((std::tuple{0.1, 20.0, 0.1}),
            (std::tuple{graphForceSpan(0.05), graphForceSpan(20.0),
                        graphForceSpan(std::numeric_limits<double>::quiet_NaN())}));
}

TEST(GraphSpans, TicksFallOnRoundValuesAndTheRunningAxisGrowsInRoundSteps) {
  const std::pair<double, double> ticks[] = {{71.0, 10.0}, {28.0, 5.0}, {10.0, 2.0},
                                             {0.7, 0.1},   {2.5, 0.5},  {0.0, 1.0}};
  for (auto [span, step] : ticks)
    EXPECT_DOUBLE_EQ(niceTickStep(span, 8), step) << span;
  // A span that fits stays; 13.75 is rounded up; a 28 s pull gets 50 s, not 100 s; never
  // beyond the curve buffer.
  EXPECT_EQ((std::vector<double>{10, 20, 50, 100}),
            (std::vector<double>{
                growingTimeSpan(10.0, 8.0, 100.0), growingTimeSpan(10.0, 11.0, 100.0),
                growingTimeSpan(20.0, 28.0, 100.0), growingTimeSpan(50.0, 90.0, 100.0)}));
  const double curve[] = {0.1, 1.5, 3.2, 3.1, 3.1};
  EXPECT_EQ((std::tuple{2, -1}), (std::tuple{tearOffIndex(curve, 5), tearOffIndex(curve, 0)}));
}

TEST(CurveEnvelope, ShortCurveIsDrawnPointByPoint) {
  std::vector<double> pts = {1.0, 3.0, 2.0, 5.0};
  CurveEnvelope env;
  env.build(pts.data(), 4, 2.0, 0.5, 2);
  ASSERT_EQ(env.points().size(), 4u);
  EXPECT_EQ((std::tuple{false, 3.5, 5.0}),
            (std::tuple{env.reduced(), env.points()[3].x, env.points()[3].y}));
}

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
  env.build(nullptr, 10, 0.0, 1.0, 300);
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
