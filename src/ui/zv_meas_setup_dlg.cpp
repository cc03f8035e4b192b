#include "ui/zv_meas_setup_dlg.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "ui/zv_decimal_spinbox.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair dialogTitle{"Setup - Measuring Parameter", "Setup - Messparameter"};
const TextPair channelGroup{"Measuring Channel", "Messkanal"};
const TextPair parameterGroup{"Parameter", "Parameter"};
const TextPair triggerAutomatic{"Trigger automatic system", "Trigger automatik"};
const TextPair offsetGroup{"Offset-Suppression", "Offset-Unterdrückung"_l1};
const TextPair triggerGroup{"TRIGGER", "TRIGGER"};
const TextPair pullOffGroup{"PULL-OFF", "ABRISS"};
const TextPair sampleRateText{"Sampling rate [Hz]", "Abtastrate [Hz]"};
const TextPair averageText{"Mean average values", "Mittelwerte"};
const TextPair gphText{"Graphikrange [Pts.]", "Graphikzeit [Pkt.]"};
const TextPair spikeNumText{"Spikefilter [Pts.]", "Spikeglättung [Pkt.]"_l1};
const TextPair trigDiffText{"Trigger\nDistance [s]", "Trigger\nAbstand [s]"};
const TextPair spikeLimText{"Limit Spikefilter [V/s]", "Limit Spikeglättung [V/s]"_l1};
const TextPair trackingText{"Tracking [s]", "Nachlauf [s]"};
const TextPair increaseText{"Increase [%] >", "Anstieg [%] >"};
const TextPair decreaseText{"Decrease [%] <", "Abnahme [%] <"};
const TextPair durationText{"Duration [s]", "Dauer [s]"};
const TextPair enableText{"Enable", "Ein"};
const TextPair offsetText{"Offset in % of piston range", "Offset in % des Kolbenbreichs"};

// The value a field holds for OK: what the operator typed, or, for a field left as shown,
// the parameter itself (a spin box shows it rounded to its decimals).
double taken(const QDoubleSpinBox* box, double original) {
  return box->value() == box->property("shown").toDouble() ? original : box->value();
}
} // namespace

QSpinBox* MeasSetupDialog::intField(const char* name, int value, const Limit<int>& limit,
                                    bool editable) {
  auto* box = new QSpinBox(this);
  box->setObjectName(name);
  box->setRange(limit.lo, limit.hi);
  box->setValue(value);
  box->setEnabled(editable);
  return box;
}

QDoubleSpinBox* MeasSetupDialog::doubleField(const char* name, double value, double lo, double hi,
                                             int decimals, bool editable) {
  auto* box = new DecimalSpinBox(this);
  box->setObjectName(name);
  box->setDecimals(decimals);
  box->setRange(lo, hi);
  box->setValue(value);
  box->setProperty("shown", box->value());
  box->setEnabled(editable);
  return box;
}

MeasSetupDialog::MeasSetupDialog(Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  setObjectName("SETUP_MEAS");
  const MeasParams& mp = program_.meas.params;
  shown_ = measSetupValues(mp);
  const MeasSetupEditable edit =
      measSetupEditable(program_.programMode == 1, program_.isMeasuring());
  setWindowTitle(programTitled(program_, dialogTitle));
  auto* layout = new QVBoxLayout(this);

  auto* channelBox = new QGroupBox(pick(program_.lang, channelGroup), this);
  auto* channelGrid = new QGridLayout(channelBox);
  const TesterLookup& testers = program_.meas.processor.testers();
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(QString::number(i + 1), channelBox);
    radio->setObjectName(i == 0 ? "CHANNEL_1" : "CHANNEL_2");
    radio->setChecked(shown_.channel == i);
    radio->setEnabled(edit.channel);
    channel_[static_cast<std::size_t>(i)] = radio;
    const std::string* name = testers.testerName(i);
    auto* label = new QLabel(name ? fromLatin1(*name) : QString(), channelBox);
    label->setObjectName(i == 0 ? "DEVICE_1" : "DEVICE_2");
    channelGrid->addWidget(radio, i, 0);
    channelGrid->addWidget(label, i, 1);
  }
  layout->addWidget(channelBox);

  auto* paramBox = new QGroupBox(pick(program_.lang, parameterGroup), this);
  auto* paramGrid = new QGridLayout(paramBox);
  sampleRate_ = intField("SAMPLE_RATE", mp.sampleRate, mp.sampleRateLimit, edit.acquisition);
  average_ = intField("AVERAGE", mp.average, mp.averageLimit, edit.acquisition);
  gphPoints_ = intField("GPH_POINTS", mp.gphPoints, mp.gphPointsLimit, edit.acquisition);
  spikeNum_ = intField("SPIKE_NUM", mp.nSpikeNum, mp.nSpikeNumLimit, edit.acquisition);
  trigDiff_ = doubleField("TRIG_DIFF", mp.dTrigDiffTime, mp.dTrigDiffTimeLimit.lo,
                          mp.dTrigDiffTimeLimit.hi, 3, edit.acquisition);
  spikeLim_ = doubleField("SPIKE_LIM", mp.dSpikeLim, mp.dSpikeLimLimit.lo, mp.dSpikeLimLimit.hi, 3,
                          edit.spikeLimit);
  postTrig_ = doubleField("POST_TRIG", mp.dPostTrigTime, mp.dPostTrigTimeLimit.lo,
                          mp.dPostTrigTimeLimit.hi, 3, edit.tracking);
  const std::pair<const TextPair*, QWidget*> params[] = {
      {&sampleRateText, sampleRate_}, {&averageText, average_},   {&gphText, gphPoints_},
      {&spikeNumText, spikeNum_},     {&trigDiffText, trigDiff_}, {&spikeLimText, spikeLim_},
      {&trackingText, postTrig_}};
  int row = 0;
  for (const auto& [caption, field] : params) {
    paramGrid->addWidget(new QLabel(pick(program_.lang, *caption), paramBox), row, 0);
    paramGrid->addWidget(field, row, 1);
    ++row;
  }
  layout->addWidget(paramBox);

  auto* autoBox = new QGroupBox(pick(program_.lang, triggerAutomatic), this);
  auto* autoRow = new QHBoxLayout(autoBox);
  auto* trigBox = new QGroupBox(pick(program_.lang, triggerGroup), autoBox);
  auto* trigGrid = new QGridLayout(trigBox);
  startProzent_ = doubleField("START_PROZENT", mp.startProzent, mp.startProzentLimit.lo,
                              mp.startProzentLimit.hi, 2, edit.detection);
  startTime_ = doubleField("START_TIME", mp.startTime, mp.startTimeLimit.lo, mp.startTimeLimit.hi,
                           3, edit.detection);
  trigGrid->addWidget(new QLabel(pick(program_.lang, increaseText), trigBox), 0, 0);
  trigGrid->addWidget(startProzent_, 0, 1);
  trigGrid->addWidget(new QLabel(pick(program_.lang, durationText), trigBox), 1, 0);
  trigGrid->addWidget(startTime_, 1, 1);
  auto* pullBox = new QGroupBox(pick(program_.lang, pullOffGroup), autoBox);
  auto* pullGrid = new QGridLayout(pullBox);
  stopProzent_ = doubleField("STOP_PROZENT", mp.stopProzent, mp.stopProzentLimit.lo,
                             mp.stopProzentLimit.hi, 2, edit.detection);
  stopTime_ = doubleField("STOP_TIME", mp.stopTime, mp.stopTimeLimit.lo, mp.stopTimeLimit.hi, 3,
                          edit.detection);
  pullGrid->addWidget(new QLabel(pick(program_.lang, decreaseText), pullBox), 0, 0);
  pullGrid->addWidget(stopProzent_, 0, 1);
  pullGrid->addWidget(new QLabel(pick(program_.lang, durationText), pullBox), 1, 0);
  pullGrid->addWidget(stopTime_, 1, 1);
  autoRow->addWidget(trigBox);
  autoRow->addWidget(pullBox);
  layout->addWidget(autoBox);

  auto* offsetBox = new QGroupBox(pick(program_.lang, offsetGroup), this);
  auto* offsetGrid = new QGridLayout(offsetBox);
  limitEnable_ = new QCheckBox(pick(program_.lang, enableText), offsetBox);
  limitEnable_->setObjectName("LIMIT_ENABLE");
  limitEnable_->setChecked(shown_.forcLimitEnable);
  // The level has no limits of its own; the field only has to hold any stored value.
  limitRel_ = doubleField("LIMIT_REL", mp.forcLimitRelVal, -1e6, 1e6, 2, shown_.forcLimitEnable);
  offsetGrid->addWidget(limitEnable_, 0, 0);
  offsetGrid->addWidget(new QLabel(pick(program_.lang, offsetText), offsetBox), 1, 0);
  offsetGrid->addWidget(limitRel_, 1, 1);
  // cbCtlSetupMeasRelEnb: the level follows the box at once.
  connect(limitEnable_, &QCheckBox::toggled, limitRel_, &QWidget::setEnabled);
  layout->addWidget(offsetBox);

  auto* buttons = okAbortButtons(*this, program_.texts);
  connect(buttons, &QDialogButtonBox::accepted, this, &MeasSetupDialog::acceptValues);
  layout->addWidget(buttons);
}

void MeasSetupDialog::acceptValues() {
  MeasSetupValues v = shown_;
  v.channel = channel_[1]->isChecked() ? 1 : 0;
  v.sampleRate = sampleRate_->value();
  v.average = average_->value();
  v.gphPoints = gphPoints_->value();
  v.nSpikeNum = spikeNum_->value();
  v.dTrigDiffTime = taken(trigDiff_, shown_.dTrigDiffTime);
  v.dSpikeLim = taken(spikeLim_, shown_.dSpikeLim);
  v.dPostTrigTime = taken(postTrig_, shown_.dPostTrigTime);
  v.startProzent = taken(startProzent_, shown_.startProzent);
  v.startTime = taken(startTime_, shown_.startTime);
  v.stopProzent = taken(stopProzent_, shown_.stopProzent);
  v.stopTime = taken(stopTime_, shown_.stopTime);
  v.forcLimitEnable = limitEnable_->isChecked();
  v.forcLimitRelVal = taken(limitRel_, shown_.forcLimitRelVal);
  applyMeasSetup(program_, v);
  accept();
}

} // namespace zv
