#include "ui/zv_calib_dlg.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "program/zv_program.hpp"
#include "ui/zv_decimal_spinbox.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {

constexpr const char* Kilonewton = "[kN]";
constexpr const char* Volt = "[V]";

CalibrationContext contextOf(Program& p) {
  return {p.meas.devices,
          p.meas.daq,
          p.meas.params,
          p.reporter,
          p.lang,
          p.clock,
          p.meas.processor.measuringFlag()};
}

QLabel* valueLabel(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFrameShape(QFrame::StyledPanel);
  l->setFrameShadow(QFrame::Sunken);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  l->setMinimumWidth(90);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

QLabel* lamp(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFixedSize(16, 16);
  return l;
}

void light(QLabel* lamp, bool on, const char* color) {
  lamp->setProperty("lit", on);
  lamp->setStyleSheet(QString("border: 1px solid #555; border-radius: 8px; background: %1;")
                          .arg(on ? color : "#3a3a3a"));
}

} // namespace

CalibrationDialog::CalibrationDialog(Program& program, int channel, QWidget* parent)
    : QDialog(parent), program_(program), session_(contextOf(program)) {
  setObjectName("CALIBRATION");
  setModal(true);
  auto* layout = new QVBoxLayout(this);

  selectionBox_ = new QGroupBox(this);
  auto* sel = new QGridLayout(selectionBox_);
  channelLabel_ = new QLabel(selectionBox_);
  channel_ = valueLabel("CHANNEL", selectionBox_);
  deviceLabel_ = new QLabel(selectionBox_);
  device_ = valueLabel("DEVICE", selectionBox_);
  device_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  pistonLabel_ = new QLabel(selectionBox_);
  piston_ = new QComboBox(selectionBox_);
  piston_->setObjectName("PISTON");
  piston_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  rangeLabel_ = new QLabel(selectionBox_);
  range_ = new QComboBox(selectionBox_);
  range_->setObjectName("RANGE");
  dateLabel_ = new QLabel(selectionBox_);
  date_ = valueLabel("DATE", selectionBox_);
  pistonLabel_->setBuddy(piston_);
  rangeLabel_->setBuddy(range_);
  sel->addWidget(channelLabel_, 0, 0);
  sel->addWidget(channel_, 0, 1);
  sel->addWidget(deviceLabel_, 0, 2);
  sel->addWidget(device_, 0, 3, 1, 3);
  sel->addWidget(pistonLabel_, 1, 0);
  sel->addWidget(piston_, 1, 1);
  sel->addWidget(rangeLabel_, 1, 2);
  sel->addWidget(range_, 1, 3);
  sel->addWidget(dateLabel_, 1, 4);
  sel->addWidget(date_, 1, 5);
  sel->setColumnStretch(3, 1);
  layout->addWidget(selectionBox_);

  pointsBox_ = new QGroupBox(this);
  auto* pts = new QGridLayout(pointsBox_);
  for (int i = 0; i < 2; ++i) {
    PointControls& c = points_[static_cast<std::size_t>(i)];
    c = makePoint(i + 1, pointsBox_);
    int col = 0;
    pts->addWidget(c.forceLabel, i, col++);
    pts->addWidget(c.force, i, col++);
    pts->addWidget(new QLabel(Kilonewton, pointsBox_), i, col++);
    pts->addWidget(c.voltsLabel, i, col++);
    pts->addWidget(c.volts, i, col++);
    pts->addWidget(new QLabel(Volt, pointsBox_), i, col++);
    pts->addWidget(c.lock, i, col++);
    pts->addWidget(c.calibrate, i, col++);
  }
  layout->addWidget(pointsBox_);

  resultBox_ = new QGroupBox(this);
  auto* res = new QGridLayout(resultBox_);
  offsetLabel_ = new QLabel(resultBox_);
  offset_ = valueLabel("OFFSET", resultBox_);
  gainLabel_ = new QLabel(resultBox_);
  gain_ = valueLabel("GAIN", resultBox_);
  liveForceLabel_ = new QLabel(resultBox_);
  liveForce_ = valueLabel("LIVE_FORCE", resultBox_);
  liveVoltsLabel_ = new QLabel(resultBox_);
  liveVolts_ = valueLabel("LIVE_VOLTS", resultBox_);
  overflowLabel_ = new QLabel(resultBox_);
  overflowLed_ = lamp("OVERFLOW_LED", resultBox_);
  measLabel_ = new QLabel(resultBox_);
  measLed_ = lamp("MEAS_LED", resultBox_);
  daqLabel_ = new QLabel(resultBox_);
  status_ = valueLabel("STATUS", resultBox_);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  res->addWidget(offsetLabel_, 0, 0);
  res->addWidget(offset_, 0, 1);
  res->addWidget(new QLabel(Kilonewton, resultBox_), 0, 2);
  res->addWidget(gainLabel_, 0, 3);
  res->addWidget(gain_, 0, 4);
  res->addWidget(new QLabel("[kN/V]", resultBox_), 0, 5);
  res->addWidget(liveForceLabel_, 1, 0);
  res->addWidget(liveForce_, 1, 1);
  res->addWidget(new QLabel(Kilonewton, resultBox_), 1, 2);
  res->addWidget(liveVoltsLabel_, 1, 3);
  res->addWidget(liveVolts_, 1, 4);
  auto* lamps = new QHBoxLayout;
  lamps->addWidget(overflowLed_);
  lamps->addWidget(overflowLabel_);
  lamps->addSpacing(12);
  lamps->addWidget(measLed_);
  lamps->addWidget(measLabel_);
  lamps->addStretch(1);
  res->addLayout(lamps, 2, 0, 1, 3);
  res->addWidget(daqLabel_, 2, 3);
  res->addWidget(status_, 2, 4, 1, 2);
  layout->addWidget(resultBox_);

  const OkAbortRow buttons = okAbortRow(this);
  ok_ = buttons.ok;
  abort_ = buttons.abort;
  layout->addLayout(buttons.row);

  const CalibrationSession::Captions c = session_.captions();
  setWindowTitle(fromLatin1(c.title));
  selectionBox_->setTitle(fromLatin1(c.selection));
  pointsBox_->setTitle(fromLatin1(c.points));
  resultBox_->setTitle(fromLatin1(c.result));
  channelLabel_->setText(fromLatin1(c.channel));
  deviceLabel_->setText(fromLatin1(c.device));
  pistonLabel_->setText(fromLatin1(c.piston));
  rangeLabel_->setText(fromLatin1(c.range));
  dateLabel_->setText(fromLatin1(c.date));
  points_[0].forceLabel->setText(fromLatin1(c.force1));
  points_[0].voltsLabel->setText(fromLatin1(c.volts1));
  points_[0].calibrate->setText(fromLatin1(c.calibrate1));
  points_[1].forceLabel->setText(fromLatin1(c.force2));
  points_[1].voltsLabel->setText(fromLatin1(c.volts2));
  points_[1].calibrate->setText(fromLatin1(c.calibrate2));
  for (PointControls& p : points_)
    p.lock->setText(fromLatin1(c.blocking));
  offsetLabel_->setText(fromLatin1(c.offset));
  gainLabel_->setText(fromLatin1(c.gain));
  liveForceLabel_->setText(fromLatin1(c.liveForce));
  liveVoltsLabel_->setText(fromLatin1(c.liveVolts));
  overflowLabel_->setText(fromLatin1(c.overflow));
  measLabel_->setText(fromLatin1(c.measLed));
  daqLabel_->setText(fromLatin1(c.daq));
  abort_->setText(fromLatin1(c.abort));

  connect(piston_, &QComboBox::activated, this, [this](int index) {
    session_.selectPiston(index);
    redraw();
  });
  connect(range_, &QComboBox::activated, this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(CalibInputRanges.size()))
      session_.changeInputRange(CalibInputRanges[static_cast<std::size_t>(index)]);
    redraw();
  });
  connect(ok_, &QPushButton::clicked, this, &CalibrationDialog::accept);
  connect(abort_, &QPushButton::clicked, this, &CalibrationDialog::reject);
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &CalibrationDialog::liveTick);

  session_.open(channel);
  redraw();
}

CalibrationDialog::PointControls CalibrationDialog::makePoint(int point, QWidget* parent) {
  PointControls c;
  const QString n = QString::number(point);
  c.forceLabel = new QLabel(parent);
  c.force = new DecimalSpinBox(parent);
  c.force->setObjectName("FORCE" + n);
  c.force->setDecimals(3);
  c.force->setRange(-100000.0, 100000.0);
  c.voltsLabel = new QLabel(parent);
  c.volts = new DecimalSpinBox(parent);
  c.volts->setObjectName("VOLTS" + n);
  c.volts->setDecimals(3); // what the device file keeps
  c.volts->setRange(-100.0, 100.0);
  for (DecimalSpinBox* box : {c.force, c.volts}) {
    box->setKeyboardTracking(false);
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    box->setAlignment(Qt::AlignRight);
    box->setMinimumWidth(100);
  }
  c.forceLabel->setBuddy(c.force);
  c.voltsLabel->setBuddy(c.volts);
  c.lock = new QCheckBox(parent);
  c.lock->setObjectName("LOCK" + n);
  c.calibrate = dialogButton(qPrintable("CALIBRATE" + n), parent);
  const CalField force = point == 1 ? CalField::Force1 : CalField::Force2;
  const CalField volts = point == 1 ? CalField::Volts1 : CalField::Volts2;
  connect(c.force, &QAbstractSpinBox::editingFinished, this,
          [this, force, box = c.force] { commitValue(force, box); });
  connect(c.volts, &QAbstractSpinBox::editingFinished, this,
          [this, volts, box = c.volts] { commitValue(volts, box); });
  connect(c.lock, &QCheckBox::clicked, this, [this, point](bool on) {
    session_.setLock(point, on);
    redraw();
  });
  connect(c.calibrate, &QPushButton::clicked, this, [this, point] {
    session_.calibrate(point);
    redraw();
  });
  return c;
}

void CalibrationDialog::commitValue(CalField field, DecimalSpinBox* box) {
  // A field losing the focus while the dialog closes, or left without a change, edits nothing.
  if (!session_.isOpen())
    return;
  box->interpretText();
  if (box->value() == box->property("shown").toDouble())
    return;
  session_.setValue(field, box->value());
  redraw();
}

void CalibrationDialog::redraw() {
  const CalibrationSession::View v = session_.view();
  channel_->setText(fromLatin1(v.channel));
  device_->setText(fromLatin1(v.deviceName));
  {
    const QSignalBlocker quiet(piston_);
    piston_->clear();
    for (const std::string& label : v.pistons)
      piston_->addItem(fromLatin1(label));
    piston_->setCurrentIndex(v.piston);
  }
  {
    const QSignalBlocker quiet(range_);
    if (range_->count() != static_cast<int>(v.ranges.size())) {
      range_->clear();
      for (const std::string& label : v.ranges)
        range_->addItem(fromLatin1(label));
    }
    range_->setCurrentIndex(v.range);
  }
  date_->setText(fromLatin1(v.date));
  const double values[2][2] = {{v.force1, v.volts1}, {v.force2, v.volts2}};
  const bool locks[2] = {v.lock1, v.lock2};
  const bool calibrate[2] = {v.calibrate1Enabled, v.calibrate2Enabled};
  for (std::size_t i = 0; i < 2; ++i) {
    PointControls& c = points_[i];
    for (std::size_t k = 0; k < 2; ++k) {
      DecimalSpinBox* box = k == 0 ? c.force : c.volts;
      const QSignalBlocker quiet(box);
      box->setValue(values[i][k]);
      box->setProperty("shown", box->value());
      box->setReadOnly(!v.editable);
    }
    c.lock->setChecked(locks[i]);
    c.lock->setEnabled(v.editable);
    c.calibrate->setEnabled(calibrate[i]);
  }
  piston_->setEnabled(session_.isOpen());
  range_->setEnabled(v.editable);
  offset_->setText(fromLatin1(v.offset));
  gain_->setText(fromLatin1(v.gain));
  liveForce_->setText(fromLatin1(v.liveForce));
  liveVolts_->setText(fromLatin1(v.liveVolts));
  light(overflowLed_, v.overflowLed, "#e02020");
  light(measLed_, v.measLed, "#20c020");
  for (QWidget* w : std::initializer_list<QWidget*>{
           offset_, gain_, liveForce_, liveVolts_, overflowLed_, measLed_, offsetLabel_, gainLabel_,
           liveForceLabel_, liveVoltsLabel_, overflowLabel_, measLabel_})
    w->setEnabled(v.resultsEnabled);
  status_->setText(fromLatin1(v.status));
  ok_->setText(fromLatin1(v.okLabel));
  abort_->setVisible(v.abortVisible);
  syncTimer();
}

void CalibrationDialog::liveTick() {
  session_.tick();
  redraw();
}

void CalibrationDialog::syncTimer() {
  if (session_.live() && !timer_.isActive())
    timer_.start();
  else if (!session_.live())
    timer_.stop();
}

void CalibrationDialog::accept() {
  // A value typed and OK pressed at once is taken first.
  for (std::size_t i = 0; i < 2; ++i) {
    commitValue(i == 0 ? CalField::Force1 : CalField::Force2, points_[i].force);
    commitValue(i == 0 ? CalField::Volts1 : CalField::Volts2, points_[i].volts);
  }
  timer_.stop();
  session_.ok();
  QDialog::accept();
}

void CalibrationDialog::reject() {
  timer_.stop();
  session_.abort();
  QDialog::reject();
}

} // namespace zv
