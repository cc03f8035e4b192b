#pragma once
// The live force curve, seen from the logic: axis spans, the envelope that is actually drawn,
// and the cursor read-out on the exact points.
//
// A curve holds up to 10000 points while the plot is a few hundred pixels wide. Handing every
// point to the chart costs far more than a tick may take, so the curve is reduced to the
// smallest and largest point of every pixel column (in the order they occur). The drawn line
// then covers exactly the pixels the full curve would cover; the cursor still reads the
// points themselves.
#include <cstddef>
#include <vector>

namespace zv {

// Time span of the axis: whole seconds of the curve (integer division), at least 1 s.
double graphTimeSpan(int pointCount, int curveRate);
// Force span of the axis: the piston range, at least 0.1 kN.
double graphForceSpan(double range);

// A tick step of 1, 2 or 5 times a power of ten that divides span into at most maxTicks
// steps. 1 for a span that is not a positive finite number.
double niceTickStep(double span, int maxTicks = 10);
// The time span while a run's curve grows: the shown span while the curve fits in it, else the
// next round span (1, 2 or 5 times a power of ten) that leaves a quarter of room, never more
// than limit.
double growingTimeSpan(double shown, double curveLength, double limit);
// Where the specimen tore off: the point of the highest force. -1 for an empty curve.
int tearOffIndex(const double* points, int count);

struct CurvePoint {
  double x = 0.0;
  double y = 0.0;
};

// What the cursor shows: the point nearest to a time.
struct CursorReading {
  int index = -1; // -1: the curve is empty
  double time = 0.0;
  double force = 0.0;
};

// The curve point nearest to time t, for a curve whose point i lies at x0 + i * dx.
CursorReading readCursor(const double* points, int count, double x0, double dx, double t);
// Point `index` of the curve, clamped into it (the trigger cursor after a measurement).
CursorReading cursorAtIndex(const double* points, int count, double x0, double dx, int index);

class CurveEnvelope {
public:
  // Rebuilds the drawn points for points[0..count) with x = x0 + i * dx over `columns` pixel
  // columns. A curve of at most two points per column is taken as it is. The result's storage
  // is kept between calls, so redrawing on every tick does not allocate.
  void build(const double* points, int count, double x0, double dx, int columns);

  const std::vector<CurvePoint>& points() const { return out_; }
  // True when the last build reduced the curve to column extremes.
  bool reduced() const { return reduced_; }

private:
  std::vector<CurvePoint> out_;
  bool reduced_ = false;
};

} // namespace zv
