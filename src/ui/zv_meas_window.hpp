#pragma once
// The measurement window (MEAS): the live force curve with its cursor, the result and point
// count of the displayed measurement, the selection rings, the Start/Stop toggle and the
// measurement timer.
#include <QChartView>
#include <QTimer>

#include "daq/zv_live_graph.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "program/zv_meas_control.hpp"
#include "ui/zv_main_window.hpp"

class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QValueAxis;

namespace zv {

class Program;
class SelectionRings;

// The graph control: reports where the operator puts the cursor (press or drag).
class MeasChartView final : public QChartView {
  Q_OBJECT
public:
  using QChartView::QChartView;

signals:
  void cursorMoved(double time);
  // The arrow keys move the cursor by points: -1 / +1, with Shift -10 / +10.
  void cursorStepped(int points);

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void moveCursorTo(const QPointF& viewPos);
};

class MeasWindow final : public MainWindowBase, public MeasPanelPort {
  Q_OBJECT
public:
  explicit MeasWindow(Program& program, QWidget* parent = nullptr);
  ~MeasWindow() override;

  void retranslate() override;

  // MeasPanelPort
  void setMeasTimer(bool enabled, double intervalSeconds) override;
  void setGraphSpans(double timeSpan, double forceSpan) override;
  void showMeasCurve(const Measurement& measurement, double timeOffset) override;
  void placeTriggerCursor(int pointIndex) override;

  // The operator moved the cursor to a time (cbGraph): it snaps to the nearest point.
  void cursorTo(double time);
  // Moves the cursor by a number of points along the displayed curve.
  void stepCursor(int points);
  // Redraws the displayed measurement completely (showDisplayedMeas); 0 or the failure.
  int showDisplayedMeas();

  // Controls, for the shell and tests.
  QPushButton* startStop() const { return cmd_; }
  QPushButton* home() const { return home_; }
  QTimer& timer() { return timer_; }
  MeasChartView* graph() const { return graph_; }
  QLineSeries* curve() const { return curve_; }
  QScatterSeries* cursor() const { return cursor_; }
  QScatterSeries* tearOffMarker() const { return tearOff_; }
  QValueAxis* timeAxis() const { return timeAxis_; }
  QValueAxis* forceAxis() const { return forceAxis_; }
  SelectionRings* rings() const { return rings_; }
  QLineEdit* result() const { return result_; }
  QLineEdit* points() const { return points_; }
  QLineEdit* number() const { return number_; }
  QLabel* statusText() const { return status_; }
  QLineEdit* cursorTime() const { return cursorTime_; }
  QLineEdit* cursorForce() const { return cursorForce_; }
  // Index of the curve point under the cursor; -1 while none is shown.
  int cursorIndex() const { return cursorIndex_; }

protected:
  void applyRefresh(std::uint32_t bits) override;

private:
  void buildLayout();
  void retitle();
  void showStatus();
  void showNumber();
  void clearPlot();
  void showCursorAt(const Measurement& m, int index);
  void markTearOff(const Measurement& m, double timeOffset);
  void setTimeAxis(double x0, double span, int pointCount, int curveRate);
  double displayedOffset(const Measurement& m) const;
  const Measurement* displayed() const;

  Program& program_;
  QTimer timer_;
  MeasChartView* graph_;
  QLineSeries* curve_;
  QScatterSeries* cursor_;
  QScatterSeries* tearOff_;
  QValueAxis* timeAxis_;
  QValueAxis* forceAxis_;
  SelectionRings* rings_;
  QLabel* heading_;
  QLineEdit* result_;
  QLabel* resultUnit_;
  QLabel* pointsLabel_;
  QLineEdit* points_;
  QLabel* numberLabel_;
  QLineEdit* number_;
  QLabel* status_;
  QLabel* cursorTimeLabel_;
  QLineEdit* cursorTime_;
  QLabel* cursorForceLabel_;
  QLineEdit* cursorForce_;
  QPushButton* home_;
  QPushButton* cmd_;
  CurveEnvelope envelope_;
  QList<QPointF> drawn_; // kept between redraws so a tick does not allocate for the plot
  // The curve the cursor reads: the points last drawn and where they lie.
  const Measurement* shown_ = nullptr;
  double shownX0_ = 0.0;
  double shownDx_ = 1.0;
  int cursorIndex_ = -1;
  double timeSpan_ = 1.0;
  double timeLimit_ = 1.0; // the longest span the running curve can need
};

} // namespace zv
