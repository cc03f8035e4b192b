#include "ui/zv_shell.hpp"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <functional>

#include "program/zv_copy_commands.hpp"
#include "program/zv_help_pages.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_menu_table.hpp"
#include "program/zv_program.hpp"
#include "program/zv_report_commands.hpp"
#include "program/zv_tables.hpp"
#include "program/zv_workdir.hpp"
#include "ui/zv_dataset_options_dlg.hpp"
#include "ui/zv_device_dlg.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_edit_dialogs.hpp"
#include "ui/zv_evaluation_dlg.hpp"
#include "ui/zv_help_window.hpp"
#include "ui/zv_meas_setup_dlg.hpp"
#include "ui/zv_meas_window.hpp"
#include "ui/zv_order_window.hpp"
#include "ui/zv_program_info_dlg.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_report_pdf.hpp"
#include "ui/zv_storage_window.hpp"
#include "ui/zv_units_dlg.hpp"
#include "ui/zv_window_placement.hpp"

namespace zv {

namespace {
std::size_t slot(WindowId id) {
  return static_cast<std::size_t>(id);
}
// The configured place of a data window; the log window has none.
WindowPlacement* placementOf(Program& program, WindowId id) {
  DisplaySettings& d = program.config.display;
  switch (id) {
  case WindowId::Order:
    return &d.orderWindow;
  case WindowId::Storage:
    return &d.storageWindow;
  case WindowId::Measurement:
    return &d.measWindow;
  case WindowId::Log:
    break;
  }
  return nullptr;
}
const TextPair logTitle{"Report List", "Protokoll Liste"};

// Commands that need a stopped measurement: they are refused with a message while one runs.
bool needsStoppedMeasurement(int id) {
  switch (id) {
  case menu::New:
  case menu::Load:
  case menu::Close:
  case menu::SaveW:
  case menu::Save:
  case menu::Print:
  case menu::Device1:
  case menu::Device2:
  case menu::Evaluations:
    return true;
  default:
    return false;
  }
}
} // namespace

Shell::Shell(Program& program, QtUi& ui)
    : program_(program), ui_(ui), editDialogs_(std::make_unique<QtEditDialogs>(program)),
      dataWindows_(std::make_unique<ShellDataWindows>(*this)),
      fileCommands_(std::make_unique<FileCommands>(program, *dataWindows_, *editDialogs_)) {
  program_.refreshSink = this;
  registerCommands();
  ui_.setProgramTitle(QString::fromLatin1(program_.texts[GeneralText::ProgramTitle]));
  helpKey_ = std::make_unique<HelpKey>([this](const std::vector<std::string>& windowNames) {
    showHelp(program_, helpTopicForWindows(windowNames));
  });
}

Shell::~Shell() {
  program_.reporter.setLogTarget(nullptr);
  program_.refreshSink = nullptr;
}

void Shell::openLogWindow() {
  log_ = std::make_unique<LogWindow>();
  log_->setObjectName("LOG");
  windows_[slot(WindowId::Log)] = log_.get();
  wire(log_.get());
  ui_.setFallbackParent(log_.get());
  connect(&log_->mainTimer(), &QTimer::timeout, this, [this] { program_.mainTimerTick(); });
  log_->mainTimer().start();
  retitleLog();
  log_->show();
}

MainWindowBase* Shell::window(WindowId id) const {
  return windows_[slot(id)];
}

void Shell::setWindow(WindowId id, MainWindowBase* w) {
  windows_[slot(id)] = w;
  if (w) {
    wire(w);
    if (WindowPlacement* p = placementOf(program_, id)) {
      applyWindowPlacement(w, *p);
      // Windows the user never placed would all open on the same spot: cascade them.
      if (*p == WindowPlacement{})
        w->move(w->pos() + QPoint(40, 40) * static_cast<int>(slot(id)));
    }
    w->fitContentsOnNextShow();
  }
}

void Shell::storeWindowPlacements() {
  for (WindowId id : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    if (WindowPlacement* p = placementOf(program_, id))
      storeWindowPlacement(window(id), *p);
}

void Shell::wire(MainWindowBase* w) {
  connect(w->menu(), &MenuBar::commandTriggered, this, [this, w](int id) { command(id, w); });
  connect(w, &MainWindowBase::exitRequested, this, [this, w] { requestExit(w); });
  connect(w->menu(), &MenuBar::recentFileTriggered, this, [this, w] {
    program_.backupDataSet();
    fileCommands_->fileOpenRecent(toPath(w->menu()->recentFileLabel()));
    updateMenuState();
  });
  relabel(w);
}

void Shell::relabel(MainWindowBase* w) {
  w->menu()->relabel(program_.lang.language);
  w->menu()->setRecentFile(
      recentFileItem(program_.data.recentFilePath, program_.texts[GeneralText::RecentFile]));
  w->retranslate();
  w->menu()->applyState(zv::updateMenuState(program_.menuContext(w->windowId())));
}

void Shell::retitleLog() {
  log_->setWindowTitle(QString::fromLatin1(program_.texts[GeneralText::ProgramTitle]) + " - " +
                       pick(program_.lang, logTitle) +
                       (program_.onSimulator() ? QStringLiteral(" - Simulator") : QString()));
}

void Shell::updateMenuState() {
  for (MainWindowBase* w : windows_) {
    if (!w)
      continue;
    w->menu()->applyState(zv::updateMenuState(program_.menuContext(w->windowId())));
    const std::string current = program_.data.filePath();
    if (!current.empty())
      w->menu()->setRecentFile({current, false, true});
  }
}

void Shell::command(int id, MainWindowBase* owner) {
  const MenuItemDef* def = findMenuItem(id);
  if (!def)
    return;
  if (needsStoppedMeasurement(id) && checkMeasuring(program_)) {
    updateMenuState();
    return;
  }
  if (def->handler == MenuHandler::All || def->handler == MenuHandler::Work)
    program_.backupDataSet();
  const auto found = commands_.find(id);
  if (found == commands_.end())
    return;
  found->second(owner);
  if (id != menu::Exit) // after Exit the windows may be gone
    updateMenuState();
}

// Every item of the menu table that does something, with what it does.
void Shell::registerCommands() {
  using Owner = MainWindowBase*;
  auto on = [this](std::initializer_list<int> ids, std::function<void(Owner)> run) {
    for (int id : ids)
      commands_[id] = run;
  };
  auto modal = [this](QDialog& dialog) {
    openDialog_ = &dialog;
    const int result = dialog.exec();
    openDialog_ = nullptr;
    return result;
  };
  on({menu::Start}, [this](Owner) {
    if (MainWindowBase* w = ensureWindow(WindowId::Measurement)) {
      startMeasuring(program_);
      w->requestRefresh(refresh::Values);
    }
  });
  on({menu::Stop}, [this](Owner) { stopMeasuring(program_); });
  on({menu::Units}, [this, modal](Owner owner) {
    UnitsSetupDialog dialog(program_, owner);
    modal(dialog);
  });
  on({menu::MeasParams}, [this, modal](Owner owner) {
    MeasSetupDialog dialog(program_, owner);
    modal(dialog);
  });
  on({menu::Print}, [this](Owner owner) { print(owner); });
  on({menu::OrderTable}, [this](Owner) { showWindow(WindowId::Order); });
  on({menu::StorageTable}, [this](Owner) { showWindow(WindowId::Storage); });
  on({menu::SglMea}, [this](Owner) { showWindow(WindowId::Measurement); });
  on({menu::Log}, [this](Owner) { showWindow(WindowId::Log); });
  on({menu::SglPnl}, [this](Owner) { program_.singlePanel = 1 - program_.singlePanel; });
  on({menu::German}, [this](Owner) { switchLanguage(0); });
  on({menu::English}, [this](Owner) { switchLanguage(1); });
  on({menu::Edit}, [this](Owner) { program_.openLogInEditor(); });
  on({menu::Delete}, [this](Owner) { program_.deleteLogFile(); });
  on({menu::HlpFile}, [this](Owner) { program_.callHtmlHelpFile(); });
  on({menu::Info}, [this, modal](Owner owner) {
    VersionInfoDialog dialog(program_, owner);
    dialog.setObjectName("HELP_INFO");
    modal(dialog);
  });
  on({menu::Hard}, [this, modal](Owner owner) {
    DaqInfoDialog dialog(program_, owner);
    dialog.setObjectName("HARD");
    if (modal(dialog) == QDialog::Accepted)
      program_.requestRefresh(WindowId::Measurement, refresh::Values);
  });
  on({menu::WorkDir}, [this](Owner) {
    if (setUserDirectory(program_) == 0)
      showLanguage(); // the reloaded settings may change the language
  });
  for (int device : {0, 1})
    on({device == 0 ? menu::Device1 : menu::Device2}, [this, modal, device](Owner owner) {
      DeviceDialog dialog(program_, device, owner);
      modal(dialog);
      requestRefresh(WindowId::Storage, refresh::Parameters | refresh::Values);
    });
  on({menu::Evaluations}, [this, modal](Owner owner) {
    EvaluationDialog dialog(program_, owner);
    modal(dialog);
    requestRefresh(WindowId::Storage, refresh::Parameters);
  });
  on({menu::Exit}, [this](Owner owner) { requestExit(owner); });
  on({menu::New}, [this](Owner) { fileCommands_->fileNew(); });
  on({menu::Load}, [this](Owner) { fileCommands_->fileOpen(); });
  on({menu::Close}, [this](Owner) { fileCommands_->fileClose(); });
  on({menu::SaveW}, [this](Owner) { fileCommands_->fileSave(); });
  on({menu::Save}, [this](Owner) { fileCommands_->fileSaveAs(); });
  on({menu::NewSample}, [this](Owner) { fileCommands_->editAdd(AddKind::Sample); });
  on({menu::NewStorage}, [this](Owner) { fileCommands_->editAdd(AddKind::Storage); });
  on({menu::NewMeas}, [this](Owner) { fileCommands_->editAdd(AddKind::Measurement); });
  on({menu::DelSample}, [this](Owner) { fileCommands_->editDelete(DeleteMode::Sample); });
  on({menu::DelStorage}, [this](Owner) { fileCommands_->editDelete(DeleteMode::Storage); });
  on({menu::DelMeas}, [this](Owner) { fileCommands_->editDelete(DeleteMode::Measurement); });
  on({menu::CopyStorage}, [this](Owner) { fileCommands_->editCopyParameters(); });
  on({menu::CopyAll}, [this](Owner) { copyOrderTable(program_); });
  on({menu::CopyData}, [this](Owner) { copyDataTable(program_); });
  on({menu::Report}, [this](Owner) { copyReport(program_); });
  on({menu::ExportCsv}, [this](Owner) { exportCsv(program_); });
  on({menu::ExportReport}, [this](Owner) { exportReport(program_, makeReportPdf); });
  on({menu::Dir}, [this, modal](Owner owner) {
    DataSetOptionsDialog dialog(program_, owner);
    modal(dialog);
  });
  on({menu::ProgInfo}, [this, modal](Owner owner) {
    ProgramInfoDialog dialog(program_, owner);
    modal(dialog);
  });
}

MainWindowBase* Shell::ensureWindow(WindowId id) {
  if (MainWindowBase* w = window(id))
    return w;
  if (id == WindowId::Order) {
    auto order = std::make_unique<OrderWindow>(program_);
    connect(order.get(), &OrderWindow::storageTableRequested, this, [this] {
      showWindow(WindowId::Storage);
      requestRefresh(WindowId::Storage, refresh::Everything);
    });
    order_ = std::move(order);
    setWindow(id, order_.get());
    return order_.get();
  }
  if (id == WindowId::Storage) {
    storage_ = std::make_unique<StorageWindow>(program_);
    setWindow(id, storage_.get());
    return storage_.get();
  }
  if (id == WindowId::Measurement) {
    meas_ = std::make_unique<MeasWindow>(program_);
    setWindow(id, meas_.get());
    return meas_.get();
  }
  return nullptr;
}

void Shell::showWindow(WindowId which) {
  MainWindowBase* w = ensureWindow(which);
  if (!w)
    return;
  w->show();
  w->raise();
  w->activateWindow();
  if (program_.singlePanel != 0)
    for (MainWindowBase* other : windows_)
      if (other && other != w && other->isVisible())
        other->hide();
}

void Shell::switchLanguage(int language) {
  program_.backupDataSet();
  program_.setLanguage(language);
  ui_.useLanguage(program_.lang);
  showLanguage();
}

void Shell::showLanguage() {
  for (MainWindowBase* w : windows_)
    if (w)
      relabel(w);
  retitleLog();
  for (WindowId id : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    requestRefresh(id, refresh::Everything);
  updateMenuState();
}

void Shell::requestExit(MainWindowBase* from) {
  if (!program_.requestExit())
    return;
  ExitDialog dialog(program_, from);
  dialog.setObjectName("EXIT");
  openDialog_ = &dialog;
  const int answer = dialog.exec();
  openDialog_ = nullptr;
  if (answer != QDialog::Accepted)
    return;
  storeWindowPlacements();
  if (!program_.confirmExit())
    return;
  for (MainWindowBase* w : windows_)
    if (w)
      w->hide();
  emit quitRequested(program_.quitRequested());
}

void Shell::print(QWidget* target) {
  QPrinter printer;
  QPrintDialog dialog(&printer, target);
  openDialog_ = &dialog;
  const bool ok = dialog.exec() == QDialog::Accepted;
  openDialog_ = nullptr;
  if (!ok)
    return;
  QPainter painter(&printer);
  const QRect page = painter.viewport();
  QSize size = target->size();
  size.scale(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(target->rect());
  target->render(&painter);
}

void Shell::requestRefresh(WindowId id, std::uint32_t bits) {
  if (MainWindowBase* w = window(id))
    w->requestRefresh(bits);
  // The commands that depend on the measuring state are in every window's menu bar.
  if (id == WindowId::Measurement && (bits & refresh::Other))
    updateMenuState();
}

} // namespace zv
