#include "ui/zv_order_window.hpp"

#include <QAbstractButton>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "program/zv_tables.hpp"
#include "ui/zv_latin1_field.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_rings.hpp"

namespace zv {

namespace {
const TextPair orderTitle{"Order Table", "Auftragstabelle"};
const TextPair identNumberText{"ID No.", "ID Nr."};
const TextPair identNameText{"ID Name", "ID Name"};
const TextPair titleText{"Title", "Titel"};
} // namespace

int OrderTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int OrderTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant OrderTableModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole || !index.isValid())
    return {};
  return fromLatin1(orderCellText(program_, index.row(), index.column()));
}

QVariant OrderTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole)
    return {};
  if (orientation == Qt::Vertical) {
    const Sample* s = program_.data.model.sampleAt(section);
    return s ? fromLatin1(s->name) : QVariant();
  }
  const StorageCondition* t = program_.data.model.storageAt(0, section);
  return t ? fromLatin1(t->name) : QVariant();
}

void OrderTableModel::reshape() {
  beginResetModel();
  rows_ = program_.data.model.sampleCount();
  columns_ = program_.data.model.storageCount();
  endResetModel();
}

void OrderTableModel::valuesChanged() {
  if (rows_ != program_.data.model.sampleCount() ||
      columns_ != program_.data.model.storageCount()) {
    reshape();
    return;
  }
  if (rows_ == 0 || columns_ == 0)
    return;
  emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), {Qt::DisplayRole});
  emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

OrderWindow::OrderWindow(Program& program, QWidget* parent)
    : MainWindowBase(WindowId::Order, parent), program_(program) {
  setObjectName("AUFTRAG");
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* fields = new QGridLayout;
  auto makeField = [&](QLabel*& label, QLineEdit*& edit, const char* name, int column,
                       OrderField field) {
    label = new QLabel(central);
    edit = new QLineEdit(central);
    edit->setObjectName(name);
    edit->setMaxLength(static_cast<int>(DataSet::IdentSize) - 1);
    fields->addWidget(label, 0, column);
    fields->addWidget(edit, 1, column);
    connect(edit, &QLineEdit::textEdited, this, [this, edit, field] {
      if (auto text = latin1FieldText(edit, fromLatin1(orderField(program_, field)), program_))
        setOrderField(program_, field, *text);
    });
  };
  makeField(identNumberLabel_, identNumber_, "IDENT_NO", 0, OrderField::IdentNumber);
  makeField(identNameLabel_, identName_, "IDENT_NAME", 1, OrderField::IdentName);
  makeField(titleLabel_, title_, "TITLE", 2, OrderField::Title);
  layout->addLayout(fields);

  rings_ = new SelectionRings(program_, central);
  layout->addWidget(rings_);

  model_ = new OrderTableModel(program_, this);
  table_ = new QTableView(central);
  table_->setObjectName("TABLE");
  table_->setModel(model_);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setDefaultSectionSize(190);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  table_->viewport()->installEventFilter(this);
  table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  // The caption of the sample names sits in the corner above them.
  sampleCaption_ = new QLabel(table_);
  sampleCaption_->setObjectName("SAMPLE_CAPTION");
  sampleCaption_->setAlignment(Qt::AlignCenter);
  if (auto* corner = table_->findChild<QAbstractButton*>()) {
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(2, 0, 2, 0);
    cornerLayout->addWidget(sampleCaption_);
  }
  layout->addWidget(table_);
  connect(table_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { selectCell(program_, index.row(), index.column()); });
  connect(table_->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int section) { editHeader(Qt::Vertical, section); });
  connect(table_->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int section) { editHeader(Qt::Horizontal, section); });

  setCentralWidget(central);
  setMinimumSize(550, 400);
  resize(800, 500);
  retranslate();
  requestRefresh(refresh::Everything);
}

void OrderWindow::retranslate() {
  identNumberLabel_->setText(pick(program_.lang, identNumberText));
  identNameLabel_->setText(pick(program_.lang, identNameText));
  titleLabel_->setText(pick(program_.lang, titleText));
  sampleCaption_->setText(QString::fromLatin1(program_.texts[GeneralText::Sample]));
  table_->verticalHeader()->setMinimumWidth(sampleCaption_->sizeHint().width() + 8);
  rings_->retranslate();
  setWindowTitle(fromLatin1(tableWindowTitle(program_, orderTitle)) +
                 fromPath(program_.data.filePath()));
}

void OrderWindow::fillFields() {
  const DataSet* ds = program_.data.model.dataSet();
  for (auto [edit, text] : {std::pair{identNumber_, ds ? ds->identNumber : std::string()},
                            std::pair{identName_, ds ? ds->identName : std::string()},
                            std::pair{title_, ds ? ds->title : std::string()}})
    if (!edit->hasFocus())
      edit->setText(fromLatin1(text));
}

void OrderWindow::applyRefresh(std::uint32_t bits) {
  if (bits & refresh::Layout)
    model_->reshape();
  if (bits & refresh::Values) {
    fillFields();
    model_->valuesChanged();
  }
  if (bits & refresh::Rings)
    rings_->refill();
  if (bits & (refresh::Title | refresh::Layout))
    retranslate();
}

QLineEdit* OrderWindow::editHeader(Qt::Orientation orientation, int section) {
  QHeaderView* header =
      orientation == Qt::Vertical ? table_->verticalHeader() : table_->horizontalHeader();
  if (section < 0 || section >= header->count())
    return nullptr;
  if (headerEditor_)
    commitHeader();
  editedOrientation_ = orientation;
  editedSection_ = section;
  headerEditor_ = new QLineEdit(header->viewport());
  headerEditor_->setObjectName("HEADER_EDIT");
  headerEditor_->setMaxLength(static_cast<int>(Sample::NameSize) - 1);
  headerEditor_->setText(model_->headerData(section, orientation, Qt::DisplayRole).toString());
  const int pos = header->sectionViewportPosition(section);
  const int size = header->sectionSize(section);
  if (orientation == Qt::Vertical)
    headerEditor_->setGeometry(0, pos, header->width(), size);
  else
    headerEditor_->setGeometry(pos, 0, size, header->height());
  headerEditor_->show();
  headerEditor_->setFocus();
  headerEditor_->selectAll();
  connect(headerEditor_, &QLineEdit::editingFinished, this, &OrderWindow::commitHeader);
  return headerEditor_;
}

void OrderWindow::commitHeader() {
  if (!headerEditor_)
    return;
  QLineEdit* editor = headerEditor_;
  headerEditor_ = nullptr; // the popup below takes the focus and finishes editing again
  const std::optional<std::string> typed = latin1FieldText(editor, QString(), program_);
  editor->hide();
  editor->deleteLater();
  if (!typed)
    return; // refused with a message; the old name stays
  const std::string& text = *typed;
  if (editedOrientation_ == Qt::Vertical)
    renameSample(program_, editedSection_, text);
  else
    renameStorage(program_, editedSection_, text);
  model_->valuesChanged();
}

bool OrderWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      const QModelIndex index = table_->indexAt(mouse->position().toPoint());
      if (index.isValid()) {
        selectCell(program_, index.row(), index.column());
        emit storageTableRequested();
        return true;
      }
    }
  }
  return MainWindowBase::eventFilter(watched, event);
}

} // namespace zv
