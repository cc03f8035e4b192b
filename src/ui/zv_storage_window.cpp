#include "ui/zv_storage_window.hpp"

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QVBoxLayout>

#include "core/zv_format.hpp"
#include "core/zv_test_report.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_selection.hpp"
#include "program/zv_tables.hpp"
#include "ui/zv_latin1_field.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_rings.hpp"

namespace zv {

namespace {
const TextPair storageTitle{"Storage Table", "Lagerungstabelle"};
const TextPair parametersTitle{"Defaults for new measuring", "Vorgaben für neue Messung"_l1};
const TextPair statisticsTitle{"Statistics results for Bond Tension",
                               "Statistik Ergebnisse der Haftzugfestigkeit"};
const std::array<TextPair, StorageTableModel::ColumnCount> columnTitles{{
    {"Meas.\nNo.", "Mess\nNr."},
    {"On\n/Off", "Ein\n/Aus"},
    {"Force\n[kN]", "Kraft\n[kN]"},
    {"Tension", "Haftzug"},
    {"Status", "Status"},
    {"Range\n[kN]", "Kolben\n[kN]"},
    {"Area\n[mm2]", "Fläche\n[mm2]"_l1},
    {"Device", "Gerät"_l1},
    {"Time to\nfailure [s]", "Zeit bis\nBruch [s]"},
    {"Loading rate\n[MPa/s]", "Belastungsrate\n[MPa/s]"},
}};

QString number(double v, int decimals) {
  return QString::number(v, 'f', decimals);
}

// The shortest text that reads back as the same double.
QString exactText(double v) {
  return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

Measurement* row(Program& p, int k) {
  const DataSet* ds = p.data.model.dataSet();
  return ds ? p.data.model.measurementAt(ds->currentSample, ds->currentStorage, k) : nullptr;
}

// Time to failure and loading rate from the curve, which is read from the graph file when it
// is not in memory yet.
PullTiming timingOf(Program& p, Measurement& m) {
  if (!m.hasPoints() && m.graphFilePos > 0)
    p.data.readCurve(m);
  return measurementTiming(m);
}

bool isTimingColumn(int column) {
  return column == StorageTableModel::TimeToFailure || column == StorageTableModel::LoadingRate;
}
} // namespace

int StorageTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int StorageTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant StorageTableModel::data(const QModelIndex& index, int role) const {
  Measurement* m = row(program_, index.row());
  if (!m)
    return {};
  const int decimals = program_.statisticsFormat().decimals;
  const int shown = program_.displayDecimals();
  if (role == Qt::CheckStateRole && index.column() == OnOff)
    return m->inStatistics ? Qt::Checked : Qt::Unchecked;
  if (isTimingColumn(index.column()) &&
      (role == Qt::ForegroundRole || role == Qt::ToolTipRole || role == Qt::FontRole)) {
    const unsigned flags = pullFlags(timingOf(program_, *m), program_.config.report.limits);
    if (flags == 0)
      return {};
    if (role == Qt::ToolTipRole)
      return fromLatin1(flagText(flags, reportWords(program_.lang)));
    if (role == Qt::ForegroundRole)
      return QColor(Qt::red);
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role == Qt::TextAlignmentRole)
    return index.column() == Status || index.column() == Device
               ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
               : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole)
    return {};
  // The editor gets every digit the value has, so closing it unchanged changes nothing.
  const bool edit = role == Qt::EditRole;
  switch (index.column()) {
  case Number:
    return m->measurementIndex + 1;
  case Force:
    return edit ? exactText(m->force) : number(m->force, shown);
  case Tension:
    measCalcBondTension(m, program_.data.model.bondTensionFactors());
    return number(m->bondTension, decimals);
  case Status:
    return QString::fromLatin1(measurementStatusText(m->status, program_.lang));
  case Range:
    return number(m->range, shown);
  case Area:
    return edit ? exactText(m->area) : number(m->area, shown);
  case Device:
    return fromLatin1(m->deviceName.str());
  case TimeToFailure:
    if (const auto t = timingOf(program_, *m).timeToFailure)
      return number(*t, 1);
    return QString();
  case LoadingRate:
    if (const auto r = timingOf(program_, *m).loadingRate)
      return number(*r, 3);
    return QString();
  default:
    return {};
  }
}

bool StorageTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  bool ok = false;
  if (index.column() == OnOff && role == Qt::CheckStateRole) {
    ok = setMeasurementOn(program_, index.row(), value.toInt() == Qt::Checked);
  } else if (role == Qt::EditRole && (index.column() == Force || index.column() == Area)) {
    // Not a number: NaN, which the setters refuse with a message.
    const double v = parseTypedNumber(toLatin1(value.toString()))
                         .value_or(std::numeric_limits<double>::quiet_NaN());
    ok = index.column() == Force ? setMeasurementForce(program_, index.row(), v)
                                 : setMeasurementArea(program_, index.row(), v);
  }
  if (ok)
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
  return ok;
}

Qt::ItemFlags StorageTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == OnOff)
    f |= Qt::ItemIsUserCheckable;
  if (index.column() == Force || index.column() == Area)
    f |= Qt::ItemIsEditable;
  return f;
}

QVariant StorageTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      section >= ColumnCount)
    return {};
  QString title = pick(program_.lang, columnTitles[static_cast<std::size_t>(section)]);
  if (section == Tension)
    title += "\n" + fromLatin1(program_.meas.params.unit_press);
  return title;
}

void StorageTableModel::reshape() {
  beginResetModel();
  rows_ = program_.data.model.currentMeasurementCount();
  endResetModel();
}

void StorageTableModel::valuesChanged() {
  if (rows_ != program_.data.model.currentMeasurementCount()) {
    reshape();
    return;
  }
  if (rows_ > 0)
    emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1));
  emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

StorageWindow::StorageWindow(Program& program, QWidget* parent)
    : MainWindowBase(WindowId::Storage, parent), program_(program) {
  setObjectName("LAGER");
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  rings_ = new SelectionRings(program_, central);
  layout->addWidget(rings_);

  auto* top = new QHBoxLayout;
  parameterBox_ = new QGroupBox(central);
  auto* params = new QGridLayout(parameterBox_);
  const char* names[] = {"RANGE", "AREA", "VELOC"};
  QComboBox** rings[] = {&range_, &area_, &speed_};
  for (int i = 0; i < 3; ++i) {
    parameterLabels_[static_cast<std::size_t>(i)] = new QLabel(parameterBox_);
    *rings[i] = new QComboBox(parameterBox_);
    (*rings[i])->setObjectName(names[i]);
    params->addWidget(parameterLabels_[static_cast<std::size_t>(i)], i, 0);
    params->addWidget(*rings[i], i, 1);
  }
  evaluationLabel_ = new QLabel(parameterBox_);
  evaluation_ = new QComboBox(parameterBox_);
  evaluation_->setObjectName("ABRISS");
  evaluationText_ = new QLineEdit(parameterBox_);
  evaluationText_->setObjectName("ABRISS_TEXT");
  evaluationText_->setMaxLength(static_cast<int>(StorageCondition::EvaluationSize) - 1);
  params->addWidget(evaluationLabel_, 3, 0);
  params->addWidget(evaluation_, 3, 1);
  params->addWidget(evaluationText_, 3, 2);
  top->addWidget(parameterBox_);

  statisticsBox_ = new QGroupBox(central);
  auto* stats = new QGridLayout(statisticsBox_);
  const char* statObjects[] = {"MEAN", "SA", "VB", "MIN", "MAX"};
  for (int i = 0; i < 5; ++i) {
    statNames_[static_cast<std::size_t>(i)] = new QLabel(statisticsBox_);
    stats_[static_cast<std::size_t>(i)] = new QLabel(statisticsBox_);
    stats_[static_cast<std::size_t>(i)]->setObjectName(statObjects[i]);
    stats_[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stats->addWidget(statNames_[static_cast<std::size_t>(i)], i, 0);
    stats->addWidget(stats_[static_cast<std::size_t>(i)], i, 1);
  }
  bondUnit_ = new QLabel(statisticsBox_);
  bondUnit_->setObjectName("UNIT");
  stats->addWidget(bondUnit_, 0, 2);
  top->addWidget(statisticsBox_);
  layout->addLayout(top);

  model_ = new StorageTableModel(program_, this);
  table_ = new QTableView(central);
  table_->setObjectName("TABLE");
  table_->setModel(model_);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  layout->addWidget(table_);
  setCentralWidget(central);
  setMinimumSize(640, 350);
  resize(980, 520);

  auto onRing = [this](QComboBox* ring, auto setter) {
    connect(ring, &QComboBox::activated, this, [this, setter](int index) {
      if (!filling_ && setter(program_, index))
        fillParameters();
    });
  };
  onRing(range_, &setStorageRange);
  onRing(area_, &setStorageArea);
  onRing(speed_, &setStorageSpeed);
  connect(evaluation_, &QComboBox::activated, this, [this](int index) {
    if (const std::string* text = program_.data.evaluations.textAt(index); text && !filling_) {
      setStorageEvaluation(program_, *text);
      fillParameters();
    }
  });
  connect(evaluationText_, &QLineEdit::textEdited, this, [this] {
    const StorageCondition* s = program_.data.model.currentStorage();
    const QString stored = s ? fromLatin1(s->evaluation) : QString();
    if (auto text = latin1FieldText(evaluationText_, stored, program_))
      setStorageEvaluation(program_, *text);
  });
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.column() == StorageTableModel::Number)
      selectMeasurement(program_, index.row());
  });
  connect(model_, &QAbstractItemModel::dataChanged, this, [this] { fillStatistics(); });

  retranslate();
  requestRefresh(refresh::Everything);
}

void StorageWindow::retranslate() {
  setWindowTitle(fromLatin1(tableWindowTitle(program_, storageTitle)) +
                 fromPath(program_.data.filePath()));
  parameterBox_->setTitle(pick(program_.lang, parametersTitle));
  statisticsBox_->setTitle(pick(program_.lang, statisticsTitle));
  const char* units[] = {" [kN]", " [mm2]", " [N/s]"};
  const GeneralText words[] = {GeneralText::Range, GeneralText::Area, GeneralText::Speed};
  for (int i = 0; i < 3; ++i)
    parameterLabels_[static_cast<std::size_t>(i)]->setText(
        QString::fromLatin1(program_.texts[words[i]]) + units[i]);
  evaluationLabel_->setText(QString::fromLatin1(program_.texts[GeneralText::Evaluation]));
  const QString statWords[] = {QString::fromLatin1(program_.texts[GeneralText::Mean]), "SA", "VB",
                               "Min", "Max"};
  for (int i = 0; i < 5; ++i)
    statNames_[static_cast<std::size_t>(i)]->setText(statWords[i]);
  rings_->retranslate();
}

void StorageWindow::fillParameters() {
  filling_ = true;
  const StorageCondition* s = program_.data.model.currentStorage();
  const DeviceListSource& lists = program_.data.model.deviceLists();
  auto fill = [](QComboBox* ring, const auto& list, double value, bool present) {
    ring->clear();
    for (int i = 0; i < list.count(); ++i)
      ring->addItem(fromLatin1(*list.labelAt(i)));
    ring->setCurrentIndex(present ? list.find(value) : -1);
  };
  fill(range_, lists.activePistons(), s ? s->range : 0, s);
  fill(area_, lists.activeAreas(), s ? s->area : 0, s);
  fill(speed_, lists.activeSpeeds(), s ? s->speed : 0, s);
  evaluation_->clear();
  for (const std::string& text : program_.data.evaluations.entries())
    evaluation_->addItem(fromLatin1(text));
  evaluation_->setCurrentIndex(s ? program_.data.evaluations.find(s->evaluation) - 1 : -1);
  if (!evaluationText_->hasFocus())
    evaluationText_->setText(s ? fromLatin1(s->evaluation) : QString());
  filling_ = false;
}

void StorageWindow::fillStatistics() {
  const StorageStatistics st = currentStatistics(program_);
  const int decimals = program_.statisticsFormat().decimals;
  const double values[] = {st.mean, st.sa, st.vb, st.minimum, st.maximum};
  for (int i = 0; i < 5; ++i)
    stats_[static_cast<std::size_t>(i)]->setText(number(values[i], decimals));
  bondUnit_->setText(fromLatin1(program_.meas.params.unit_press));
}

void StorageWindow::applyRefresh(std::uint32_t bits) {
  if (bits & (refresh::Layout | refresh::RowLayout))
    model_->reshape();
  if (bits & refresh::Rings)
    rings_->refill();
  if (bits & refresh::Parameters)
    fillParameters();
  if (bits & refresh::Values) {
    model_->valuesChanged();
    fillStatistics();
  }
  if (bits & (refresh::Title | refresh::Layout))
    retranslate();
}

} // namespace zv
