#include "ui/zv_device_dlg.hpp"

#include <algorithm>

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_calib_dlg.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_latin1_field.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

DeviceDialog::DeviceDialog(Program& program, int index, QWidget* parent)
    : QDialog(parent), program_(program), session_(program, index) {
  setObjectName(session_.index() == 0 ? "DEVICE1" : "DEVICE2");
  setModal(true);
  auto* layout = new QVBoxLayout(this);

  auto* fileRow = new QHBoxLayout;
  file_ = new QLineEdit(this);
  file_->setObjectName("FILE");
  file_->setReadOnly(true);
  load_ = dialogButton("LOAD", this);
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(load_);
  layout->addLayout(fileRow);

  auto* fields = new QGridLayout;
  nameLabel_ = new QLabel(this);
  name_ = new QLineEdit(this);
  name_->setObjectName("NAME");
  name_->setMaxLength(static_cast<int>(TesterDevice::TextFieldSize - 1));
  serialLabel_ = new QLabel(this);
  serial_ = new QLineEdit(this);
  serial_->setObjectName("SERIAL");
  serial_->setMaxLength(static_cast<int>(TesterDevice::TextFieldSize - 1));
  nameLabel_->setBuddy(name_);
  serialLabel_->setBuddy(serial_);
  fields->addWidget(nameLabel_, 0, 0);
  fields->addWidget(name_, 0, 1);
  fields->addWidget(serialLabel_, 1, 0);
  fields->addWidget(serial_, 1, 1);
  layout->addLayout(fields);

  auto* lists = new QHBoxLayout;
  auto* pistonBox = new QWidget(this);
  pistons_ = makeList(DeviceSetup::List::Pistons, "PISTONS", pistonBox);
  calibrate_ = dialogButton("CALIBRATE", pistonBox);
  calibrate_->setEnabled(false);
  pistonLine_ = new QLabel(pistonBox);
  pistonLine_->setObjectName("PISTON_LINE");
  pistonBox->layout()->addWidget(pistonLine_);
  pistonBox->layout()->addWidget(calibrate_);
  lists->addWidget(pistonBox);
  auto* areaBox = new QWidget(this);
  areas_ = makeList(DeviceSetup::List::Areas, "AREAS", areaBox);
  lists->addWidget(areaBox);
  auto* speedBox = new QWidget(this);
  speeds_ = makeList(DeviceSetup::List::Speeds, "SPEEDS", speedBox);
  lists->addWidget(speedBox);
  layout->addLayout(lists);

  const OkAbortRow buttons = okAbortRow(this);
  ok_ = buttons.ok;
  abort_ = buttons.abort;
  layout->addLayout(buttons.row);

  connect(load_, &QPushButton::clicked, this, [this] {
    session_.load();
    redraw();
  });
  connect(name_, &QLineEdit::editingFinished, this, [this] { commitName(); });
  connect(serial_, &QLineEdit::editingFinished, this, [this] { commitSerial(); });
  connect(calibrate_, &QPushButton::clicked, this, [this] { calibrate(); });
  setCalibrateHandler([this](int index) {
    // The piston selected here is the one calibrated; the one calibrated last is shown after.
    MeasParams& mp = program_.meas.params;
    mp.calSelection = session_.selected(DeviceSetup::List::Pistons);
    {
      CalibrationDialog dialog(program_, index, this);
      if (dialog.session().isOpen())
        dialog.exec();
    }
    session_.select(DeviceSetup::List::Pistons, mp.calSelection);
  });
  connect(ok_, &QPushButton::clicked, this, &DeviceDialog::accept);
  connect(abort_, &QPushButton::clicked, this, &DeviceDialog::reject);

  const DeviceSetup::Captions c = session_.captions();
  setWindowTitle(fromLatin1(program_.texts[GeneralText::ProgramTitle]) + " - " +
                 fromLatin1(c.title));
  load_->setText(fromLatin1(c.load));
  nameLabel_->setText(fromLatin1(c.name));
  serialLabel_->setText(fromLatin1(c.serialNumber));
  pistons_.label->setText(fromLatin1(c.pistons));
  pistons_.add->setText(fromLatin1(c.addPistons));
  pistons_.remove->setText(fromLatin1(c.deletePistons));
  areas_.label->setText(fromLatin1(c.areas));
  areas_.add->setText(fromLatin1(c.addArea));
  areas_.remove->setText(fromLatin1(c.deleteArea));
  speeds_.label->setText(fromLatin1(c.speeds));
  speeds_.add->setText(fromLatin1(c.addSpeed));
  speeds_.remove->setText(fromLatin1(c.deleteSpeed));
  calibrate_->setText(fromLatin1(c.calibrate));
  abort_->setText(fromLatin1(c.abort));
  redraw();
}

DeviceDialog::ListControls DeviceDialog::makeList(DeviceSetup::List which, const char* name,
                                                  QWidget* parent) {
  auto* box = new QVBoxLayout(parent);
  box->setContentsMargins(0, 0, 0, 0);
  ListControls c;
  c.label = new QLabel(parent);
  c.list = new QListWidget(parent);
  c.list->setObjectName(name);
  c.list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  c.label->setBuddy(c.list);
  const QString suffix = QString::fromLatin1(name).toUpper();
  c.add = dialogButton(qPrintable("ADD_" + suffix), parent);
  c.remove = dialogButton(qPrintable("DELETE_" + suffix), parent);
  box->addWidget(c.label);
  box->addWidget(c.list, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(c.add);
  row->addWidget(c.remove);
  box->addLayout(row);

  connect(c.list, &QListWidget::currentRowChanged, this, [this, which](int row) {
    session_.select(which, row);
    if (which == DeviceSetup::List::Pistons)
      showPistonLine();
  });
  connect(c.add, &QPushButton::clicked, this, [this, which] {
    session_.add(which);
    redraw();
  });
  connect(c.remove, &QPushButton::clicked, this, [this, which] {
    session_.remove(which);
    redraw();
  });
  return c;
}

DeviceDialog::ListControls& DeviceDialog::controls(DeviceSetup::List which) {
  switch (which) {
  case DeviceSetup::List::Pistons:
    return pistons_;
  case DeviceSetup::List::Areas:
    return areas_;
  case DeviceSetup::List::Speeds:
    break;
  }
  return speeds_;
}

void DeviceDialog::fillList(DeviceSetup::List which) {
  const TesterDevice& d = session_.device();
  std::vector<ListItem> items;
  switch (which) {
  case DeviceSetup::List::Pistons:
    items = d.pistons.items();
    break;
  case DeviceSetup::List::Areas:
    items = d.areas.items();
    break;
  case DeviceSetup::List::Speeds:
    items = d.speeds.items();
    break;
  }
  QListWidget* list = controls(which).list;
  const QSignalBlocker quiet(list);
  list->clear();
  for (const ListItem& item : items) {
    auto* row = new QListWidgetItem(fromLatin1(item.label), list);
    row->setData(Qt::UserRole, item.value);
  }
  // The remembered selection, kept inside the list after a deletion.
  if (items.empty())
    return;
  const int row = std::clamp(session_.selected(which), 0, static_cast<int>(items.size()) - 1);
  session_.select(which, row);
  list->setCurrentRow(row);
}

void DeviceDialog::redraw() {
  const TesterDevice& d = session_.device();
  file_->setText(QString::fromStdString(d.fileName));
  name_->setText(fromLatin1(d.name));
  serial_->setText(fromLatin1(d.serialNumber));
  for (auto which :
       {DeviceSetup::List::Pistons, DeviceSetup::List::Areas, DeviceSetup::List::Speeds})
    fillList(which);
  showPistonLine();
  relabel();
}

void DeviceDialog::showPistonLine() {
  const PistonRange* p =
      session_.device().pistons.piston(session_.selected(DeviceSetup::List::Pistons));
  pistonLine_->setText(p ? fromLatin1(calibrationLineText(*p, program_.lang)) : QString());
}

void DeviceDialog::relabel() {
  ok_->setText(fromLatin1(session_.okLabel()));
  abort_->setVisible(session_.abortVisible());
}

bool DeviceDialog::commitName() {
  // A field losing the focus while the dialog closes must not edit the device any more.
  if (session_.finished())
    return true;
  auto text = latin1FieldText(name_, fromLatin1(session_.device().name), program_);
  if (!text)
    return false;
  if (*text != session_.device().name) {
    session_.setName(*text);
    relabel();
  }
  return true;
}

bool DeviceDialog::commitSerial() {
  if (session_.finished())
    return true;
  auto text = latin1FieldText(serial_, fromLatin1(session_.device().serialNumber), program_);
  if (!text)
    return false;
  if (*text != session_.device().serialNumber) {
    session_.setSerialNumber(*text);
    relabel();
  }
  return true;
}

void DeviceDialog::setCalibrateHandler(std::function<void(int)> handler) {
  calibrateHandler_ = std::move(handler);
  calibrate_->setEnabled(static_cast<bool>(calibrateHandler_));
}

void DeviceDialog::calibrate() {
  if (!calibrateHandler_)
    return;
  calibrateHandler_(session_.index());
  session_.refresh();
  redraw();
}

void DeviceDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !session_.finished()) {
    session_.refresh();
    relabel();
  }
}

void DeviceDialog::accept() {
  if (!commitName() || !commitSerial())
    return;
  if (!session_.ok()) {
    relabel();
    return;
  }
  QDialog::accept();
}

void DeviceDialog::reject() {
  session_.abort();
  QDialog::reject();
}

} // namespace zv
