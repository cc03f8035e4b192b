#include "ui/zv_meas_window.hpp"

#include <QChart>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "core/zv_format.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_rings.hpp"

namespace zv {

namespace {
const TextPair panelCaption{"Single Measuring", "Einzelmessung"};
const TextPair forceCaption{"Pull-Off Force", "Abzugskraft"};
const TextPair startCaption{"Start (F7)", "Start (F7)"};
const TextPair stopCaption{"Stop (F9)", "Stop (F9)"};
const TextPair pointsCaption{"Points.", "Messpkt."};
const TextPair timeCaption{"Time", "Zeit"};
const TextPair homeCaption{"Home", "Anfang"};
const TextPair timeAxisTitle{"Time [s]", "Zeit [s]"};
const TextPair forceAxisTitle{"Pull-off force [kN]", "Abzugskraft [kN]"};
// The time a run's axis starts with; it grows with the curve.
constexpr double RunStartSpan = 10.0;

enum MeasWindowCode : int {
  ErrNoDataSet = -2140,
  ErrNoMeasurement = -2141,
};

QString fixed3(double v, int decimals = 3) {
  return QString::fromStdString(formatFixed(v, decimals));
}

// Ticks on round values (1, 2 or 5 times a power of ten) with as many decimals as they need.
void useRoundTicks(QValueAxis* axis) {
  const double step = niceTickStep(axis->max() - axis->min(), 8);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0.0);
  axis->setTickInterval(step);
  const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  axis->setLabelFormat(QString("%.%1f").arg(decimals));
}

QLineEdit* display(QWidget* parent, const char* name, int width) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  e->setAlignment(Qt::AlignRight);
  e->setMaximumWidth(width);
  return e;
}
} // namespace

void MeasChartView::moveCursorTo(const QPointF& viewPos) {
  const QPointF inChart = chart()->mapFromScene(mapToScene(viewPos.toPoint()));
  emit cursorMoved(chart()->mapToValue(inChart).x());
}

void MeasChartView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    moveCursorTo(event->position());
  else
    QChartView::mousePressEvent(event);
}

void MeasChartView::keyPressEvent(QKeyEvent* event) {
  const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
  if (event->key() == Qt::Key_Left)
    emit cursorStepped(-step);
  else if (event->key() == Qt::Key_Right)
    emit cursorStepped(step);
  else
    QChartView::keyPressEvent(event);
}

void MeasChartView::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton)
    moveCursorTo(event->position());
  else
    QChartView::mouseMoveEvent(event);
}

MeasWindow::MeasWindow(Program& program, QWidget* parent)
    : MainWindowBase(WindowId::Measurement, parent), program_(program) {
  setObjectName("MEAS");
  timer_.setObjectName("TIMER");
  connect(&timer_, &QTimer::timeout, this, [this] { measTimerTick(program_); });
  buildLayout();
  program_.meas.panel = this;
  // Everything is pending until the window is first shown.
  requestRefresh(0xFFF);
}

MeasWindow::~MeasWindow() {
  timer_.stop();
  if (program_.meas.panel == this)
    program_.meas.panel = nullptr;
}

void MeasWindow::buildLayout() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  auto* top = new QHBoxLayout;
  heading_ = new QLabel(central);
  QFont big = heading_->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  heading_->setFont(big);
  result_ = display(central, "RESULT", 140);
  result_->setFont(big);
  resultUnit_ = new QLabel("[kN]", central);
  pointsLabel_ = new QLabel(central);
  points_ = display(central, "ACTPOINTS", 90);
  numberLabel_ = new QLabel(central);
  number_ = display(central, "MEAS_NR", 60);
  status_ = new QLabel(central);
  status_->setObjectName("STATUS");
  status_->setMinimumWidth(140);
  top->addWidget(heading_);
  top->addWidget(result_);
  top->addWidget(resultUnit_);
  top->addSpacing(16);
  top->addWidget(pointsLabel_);
  top->addWidget(points_);
  top->addSpacing(16);
  top->addWidget(numberLabel_);
  top->addWidget(number_);
  top->addSpacing(16);
  top->addWidget(status_, 1);
  layout->addLayout(top);

  rings_ = new SelectionRings(program_, central);
  rings_->setCaptionTexts(GeneralText::SampleRing, GeneralText::StorageRing,
                          GeneralText::MeasuringRing);
  layout->addWidget(rings_);

  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setMargins(QMargins(4, 4, 4, 4));
  curve_ = new QLineSeries(chart);
  curve_->setObjectName("CURVE");
  QPen pen(QColor(255, 0, 0));
  pen.setWidth(1);
  curve_->setPen(pen);
  cursor_ = new QScatterSeries(chart);
  cursor_->setObjectName("CURSOR");
  cursor_->setMarkerSize(9);
  cursor_->setColor(QColor(0, 0, 160));
  tearOff_ = new QScatterSeries(chart);
  tearOff_->setObjectName("TEAR_OFF");
  tearOff_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  tearOff_->setMarkerSize(10);
  tearOff_->setColor(QColor(0, 140, 0));
  chart->addSeries(curve_);
  chart->addSeries(tearOff_);
  chart->addSeries(cursor_);
  timeAxis_ = new QValueAxis(chart);
  forceAxis_ = new QValueAxis(chart);
  for (QValueAxis* axis : {timeAxis_, forceAxis_})
    connect(axis, &QValueAxis::rangeChanged, this, [axis] { useRoundTicks(axis); });
  chart->addAxis(timeAxis_, Qt::AlignBottom);
  chart->addAxis(forceAxis_, Qt::AlignLeft);
  for (auto* s : {static_cast<QXYSeries*>(curve_), static_cast<QXYSeries*>(tearOff_),
                  static_cast<QXYSeries*>(cursor_)}) {
    s->attachAxis(timeAxis_);
    s->attachAxis(forceAxis_);
  }
  timeAxis_->setRange(0.0, 1.0);
  forceAxis_->setRange(0.0, 1.0);
  graph_ = new MeasChartView(chart, central);
  graph_->setObjectName("GRAPH");
  graph_->setMinimumSize(400, 240);
  graph_->setFocusPolicy(Qt::StrongFocus);
  connect(graph_, &MeasChartView::cursorMoved, this, &MeasWindow::cursorTo);
  connect(graph_, &MeasChartView::cursorStepped, this, &MeasWindow::stepCursor);
  layout->addWidget(graph_, 1);

  auto* bottom = new QHBoxLayout;
  cursorTimeLabel_ = new QLabel(central);
  cursorTime_ = display(central, "CURSOR_TIME", 110);
  cursorForceLabel_ = new QLabel(central);
  cursorForce_ = display(central, "CURSOR_FORCE", 110);
  home_ = new QPushButton(central);
  home_->setObjectName("CMD_HOME");
  cmd_ = new QPushButton(central);
  cmd_->setObjectName("CMD");
  cmd_->setCheckable(true);
  cmd_->setMinimumWidth(120);
  bottom->addWidget(cursorTimeLabel_);
  bottom->addWidget(cursorTime_);
  bottom->addSpacing(12);
  bottom->addWidget(cursorForceLabel_);
  bottom->addWidget(cursorForce_);
  bottom->addStretch(1);
  bottom->addWidget(home_);
  bottom->addWidget(cmd_);
  layout->addLayout(bottom);

  connect(cmd_, &QPushButton::clicked, this,
          [this](bool on) { measStartStopToggle(program_, on); });
  connect(home_, &QPushButton::clicked, this, [this] { requestRefresh(measbits::Status); });

  setCentralWidget(central);
  setMinimumSize(640, 420);
  resize(860, 560);
  retranslate();
}

void MeasWindow::retranslate() {
  const Language& lang = program_.lang;
  heading_->setText(pick(lang, forceCaption));
  pointsLabel_->setText(pick(lang, pointsCaption));
  numberLabel_->setText(QString::fromLatin1(program_.texts[GeneralText::Measuring]));
  cursorTimeLabel_->setText(pick(lang, timeCaption) + " [s]");
  cursorForceLabel_->setText(pick(lang, forceCaption) + " [kN]");
  home_->setText(pick(lang, homeCaption));
  timeAxis_->setTitleText(pick(lang, timeAxisTitle));
  forceAxis_->setTitleText(pick(lang, forceAxisTitle));
  cmd_->setText(pick(lang, cmd_->isChecked() ? stopCaption : startCaption));
  rings_->retranslate();
  retitle();
}

void MeasWindow::retitle() {
  std::string title = std::string(program_.texts[GeneralText::ProgramTitle]) + " - " +
                      program_.lang.pick(panelCaption);
  // The path is appended directly, unlike the tables.
  setWindowTitle(fromLatin1(title) + fromPath(program_.data.filePath()));
}

void MeasWindow::applyRefresh(std::uint32_t bits) {
  if (bits & measbits::Captions)
    retranslate();
  if (bits & measbits::Selectors) {
    rings_->refill();
    showNumber();
  }
  if (bits & measbits::Status) {
    showStatus();
    showDisplayedMeas();
  }
  if (bits & measbits::Title)
    retitle();
}

const Measurement* MeasWindow::displayed() const {
  return program_.data.model.dataSet() ? program_.data.model.currentMeasurement() : nullptr;
}

void MeasWindow::showNumber() {
  const DataSet* d = program_.data.model.dataSet();
  number_->setText(d && displayed() ? QString::number(d->currentMeasurement + 1) : QString());
}

void MeasWindow::showStatus() {
  const Measurement* m = displayed();
  status_->setText(m ? QString::fromLatin1(measStatusText(program_, m->status)) : QString());
  cmd_->setChecked(program_.isMeasuring());
  cmd_->setText(pick(program_.lang, program_.isMeasuring() ? stopCaption : startCaption));
  cmd_->setEnabled(program_.meas.params.daqErrorState == 0);
  cursorTime_->setText(fixed3(0.0));
  cursorForce_->setText(fixed3(0.0));
}

double MeasWindow::displayedOffset(const Measurement&) const {
  // Only the run the processor holds knows how far its curve has scrolled.
  const DataSet* d = program_.data.model.dataSet();
  const PullOffProcessor& proc = program_.meas.processor;
  if (!d || !proc.hasRunning())
    return 0.0;
  const Selection& r = proc.runningSelection();
  const bool same = r.sample == d->currentSample && r.storage == d->currentStorage &&
                    r.measurement == d->currentMeasurement;
  return same ? proc.timeOffset() : 0.0;
}

void MeasWindow::clearPlot() {
  curve_->clear();
  cursor_->clear();
  tearOff_->clear();
}

void MeasWindow::setTimeAxis(double x0, double span, int pointCount, int curveRate) {
  const double dx = 1.0 / std::max(1, curveRate);
  const double extent = pointCount > 1 ? (pointCount - 1) * dx : 0.0;
  // The axis never hides part of the curve: a scrolled curve starts at its offset, and a
  // curve longer than its whole-second span shows to its end.
  timeAxis_->setRange(x0, x0 + std::max(span, extent));
}

int MeasWindow::showDisplayedMeas() {
  clearPlot();
  if (!program_.data.model.dataSet()) {
    result_->clear();
    points_->clear();
    return program_.reporter.reportError(ErrNoDataSet, 0);
  }
  Measurement* m = program_.data.model.currentMeasurement();
  if (!m) {
    result_->clear();
    points_->clear();
    return program_.reporter.reportError(ErrNoMeasurement, 0);
  }
  if (!m->hasPoints() && m->pointCount > 0)
    program_.data.readCurve(*m);
  const bool running = program_.isMeasuring() && program_.meas.processor.runningMeasurement() == m;
  if (running) {
    // The axes of a run: a time span that grows with the curve, and the piston.
    timeLimit_ = program_.meas.processor.startTimeSpan();
    timeSpan_ = std::min(RunStartSpan, timeLimit_);
    forceAxis_->setRange(0.0, graphForceSpan(program_.meas.processor.startForceSpan()));
  } else {
    timeSpan_ = graphTimeSpan(m->pointCount, m->curveRate);
    forceAxis_->setRange(0.0, graphForceSpan(m->range));
  }
  const double x0 = displayedOffset(*m);
  setTimeAxis(x0, timeSpan_, m->pointCount, m->curveRate);
  showMeasCurve(*m, x0);
  return 0;
}

void MeasWindow::setGraphSpans(double timeSpan, double forceSpan) {
  timeLimit_ = timeSpan;
  timeSpan_ = std::min(RunStartSpan, timeSpan);
  forceAxis_->setRange(0.0, graphForceSpan(forceSpan));
  timeAxis_->setRange(0.0, timeSpan_);
  // A new run: nothing of the last one's cursor or tear-off stays.
  cursorIndex_ = -1;
  cursor_->clear();
  tearOff_->clear();
  cursorTime_->setText(fixed3(0.0));
  cursorForce_->setText(fixed3(0.0));
}

void MeasWindow::showMeasCurve(const Measurement& m, double timeOffset) {
  const int n = std::min<int>(m.pointCount, static_cast<int>(m.points.size()));
  const double dx = 1.0 / std::max(1, m.curveRate);
  if (n > 0) {
    const int columns = std::max(200, static_cast<int>(graph_->chart()->plotArea().width()));
    envelope_.build(m.points.data(), n, timeOffset, dx, columns);
    const auto& pts = envelope_.points();
    drawn_.resize(static_cast<qsizetype>(pts.size()));
    for (std::size_t i = 0; i < pts.size(); ++i)
      drawn_[static_cast<qsizetype>(i)] = QPointF(pts[i].x, pts[i].y);
    curve_->replace(drawn_);
    // A growing or scrolling curve keeps its newest point in view, on a round span.
    const double end = timeOffset + (n - 1) * dx;
    if (timeAxis_->min() != timeOffset || end > timeAxis_->max()) {
      timeSpan_ = growingTimeSpan(timeSpan_, end - timeOffset, timeLimit_);
      timeAxis_->setRange(timeOffset, timeOffset + std::max(timeSpan_, end - timeOffset));
    }
  } else {
    curve_->clear();
  }
  cursor_->clear();
  if (cursorIndex_ >= 0 && cursorIndex_ < n) {
    const CursorReading r = cursorAtIndex(m.points.data(), n, timeOffset, dx, cursorIndex_);
    cursor_->append(r.time, r.force);
  }
  markTearOff(m, timeOffset);
  result_->setText(fixed3(m.force, program_.displayDecimals()));
  points_->setText(QString::number(m.pointCount));
}

void MeasWindow::markTearOff(const Measurement& m, double timeOffset) {
  tearOff_->clear();
  const auto status = static_cast<MeasurementStatus>(m.status);
  if (status != MeasurementStatus::PullOff && status != MeasurementStatus::MeasuringValid)
    return;
  const int n = std::min<int>(m.pointCount, static_cast<int>(m.points.size()));
  const int at = tearOffIndex(m.points.data(), n);
  if (at >= 0)
    tearOff_->append(timeOffset + at / static_cast<double>(std::max(1, m.curveRate)),
                     m.points[static_cast<std::size_t>(at)]);
}

void MeasWindow::placeTriggerCursor(int pointIndex) {
  cursorIndex_ = pointIndex;
  const Measurement* m = displayed();
  if (!m)
    return;
  const int n = std::min<int>(m->pointCount, static_cast<int>(m->points.size()));
  cursor_->clear();
  if (pointIndex >= 0 && pointIndex < n) {
    const CursorReading r = cursorAtIndex(m->points.data(), n, displayedOffset(*m),
                                          1.0 / std::max(1, m->curveRate), pointIndex);
    cursor_->append(r.time, r.force);
  }
}

void MeasWindow::cursorTo(double time) {
  const Measurement* m = displayed();
  if (!m)
    return;
  const int n = std::min<int>(m->pointCount, static_cast<int>(m->points.size()));
  const CursorReading r =
      readCursor(m->points.data(), n, displayedOffset(*m), 1.0 / std::max(1, m->curveRate), time);
  if (r.index < 0)
    return;
  showCursorAt(*m, r.index);
}

void MeasWindow::stepCursor(int points) {
  const Measurement* m = displayed();
  if (!m)
    return;
  showCursorAt(*m, std::max(cursorIndex_, 0) + (cursorIndex_ < 0 ? 0 : points));
}

void MeasWindow::showCursorAt(const Measurement& m, int index) {
  const int n = std::min<int>(m.pointCount, static_cast<int>(m.points.size()));
  const CursorReading r =
      cursorAtIndex(m.points.data(), n, displayedOffset(m), 1.0 / std::max(1, m.curveRate), index);
  if (r.index < 0)
    return;
  cursorIndex_ = r.index;
  cursor_->clear();
  cursor_->append(r.time, r.force);
  cursorTime_->setText(fixed3(r.time));
  cursorForce_->setText(fixed3(r.force));
}

void MeasWindow::setMeasTimer(bool enabled, double intervalSeconds) {
  if (!enabled) {
    timer_.stop();
    return;
  }
  timer_.start(std::max(1, static_cast<int>(intervalSeconds * 1000.0 + 0.5)));
}

} // namespace zv
