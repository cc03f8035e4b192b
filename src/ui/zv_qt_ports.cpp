#include "ui/zv_qt_ports.hpp"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>

#include "ui/zv_help_window.hpp"

namespace zv {

QString fromLatin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool fitsLatin1(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
}

std::string toLatin1(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string toPath(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fileDialogStart(const FileDialogSpec& spec) {
  QString start = fromPath(spec.startDirectory.string());
  if (!spec.defaultName.empty())
    start = QDir(start).filePath(fromPath(spec.defaultName));
  return start;
}

QtUi::QtUi() = default;

QtUi::~QtUi() {
  delete help_.data();
  if (qtGerman_)
    QCoreApplication::removeTranslator(qtGerman_.get());
}

void QtUi::useLanguage(const Language& language) {
  language_ = &language;
  const bool german = language.language == 0;
  if (german && !qtGerman_) {
    auto translator = std::make_unique<QTranslator>();
    // Without the catalogue Qt's texts stay English; nothing else depends on it.
    if (translator->load(QLocale(QLocale::German), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(translator.get());
      qtGerman_ = std::move(translator);
    }
  } else if (!german && qtGerman_) {
    QCoreApplication::removeTranslator(qtGerman_.get());
    qtGerman_.reset();
  }
}

QWidget* QtUi::parent() const {
  if (QWidget* w = QApplication::activeWindow())
    return w;
  return fallbackParent_;
}

void QtUi::popup(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, fromLatin1(title), fromLatin1(text), QMessageBox::Ok,
                  parent());
  box.exec();
}

int QtUi::ask(const std::string& title, const std::string& text,
              const std::vector<std::string>& buttons, int enter, int escape) {
  QMessageBox box(QMessageBox::Question, fromLatin1(title), fromLatin1(text), QMessageBox::NoButton,
                  parent());
  std::vector<QPushButton*> made;
  for (const auto& b : buttons)
    made.push_back(box.addButton(fromLatin1(b), QMessageBox::ActionRole));
  if (enter >= 0 && enter < static_cast<int>(made.size()))
    box.setDefaultButton(made[static_cast<std::size_t>(enter)]);
  if (escape >= 0 && escape < static_cast<int>(made.size()))
    box.setEscapeButton(made[static_cast<std::size_t>(escape)]);
  box.exec();
  for (std::size_t i = 0; i < made.size(); ++i)
    if (box.clickedButton() == made[i])
      return static_cast<int>(i);
  return escape;
}

std::optional<std::string> QtUi::promptText(const std::string& title, const std::string& text,
                                            const std::string& initial, int maxLength) {
  for (;;) {
    bool ok = false;
    QString answer = QInputDialog::getText(parent(), fromLatin1(title), fromLatin1(text),
                                           QLineEdit::Normal, fromLatin1(initial), &ok);
    if (!ok)
      return std::nullopt;
    if (maxLength > 0 && answer.size() > maxLength)
      answer.truncate(maxLength);
    // Latin-1 cannot hold every character; refuse rather than change the text.
    if (fitsLatin1(answer))
      return toLatin1(answer);
    const Language english;
    const Language& lang = language_ ? *language_ : english;
    popup(lang.pick(InputErrorTitle), lang.pick(NotLatin1Text));
  }
}

std::optional<std::filesystem::path> QtUi::chooseFile(const FileDialogSpec& spec) {
  QString filter = fromLatin1(spec.filter);
  filter.replace(';', ' ');
  const QString start = fileDialogStart(spec);
  QString chosen;
  // The program asks the overwrite question itself.
  if (spec.mode == FileDialogSpec::Mode::Save)
    chosen = QFileDialog::getSaveFileName(parent(), fromLatin1(spec.title), start, filter, nullptr,
                                          QFileDialog::DontConfirmOverwrite);
  else
    chosen = QFileDialog::getOpenFileName(parent(), fromLatin1(spec.title), start, filter);
  if (chosen.isEmpty())
    return std::nullopt;
  return std::filesystem::path(toPath(chosen));
}

std::optional<std::filesystem::path> QtUi::chooseDirectory(const std::string& title,
                                                           const std::filesystem::path& start) {
  QString chosen =
      QFileDialog::getExistingDirectory(parent(), fromLatin1(title), fromPath(start.string()));
  if (chosen.isEmpty())
    return std::nullopt;
  return std::filesystem::path(toPath(chosen));
}

namespace {
class QtProgress final : public Progress {
public:
  QtProgress(QWidget* parent, const QString& title, const QString& label, const QString& stop)
      : dialog_(label, stop, 0, 100, parent) {
    dialog_.setWindowTitle(title);
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(0);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
  }
  bool update(int percent) override {
    dialog_.setValue(std::clamp(percent, 0, 100));
    QCoreApplication::processEvents();
    return dialog_.wasCanceled();
  }

private:
  QProgressDialog dialog_;
};
} // namespace

std::unique_ptr<Progress> QtUi::startProgress(const std::string& title, const std::string& label,
                                              const std::string& stopLabel) {
  return std::make_unique<QtProgress>(parent(), fromLatin1(title), fromLatin1(label),
                                      fromLatin1(stopLabel));
}

void QtUi::setWaitCursor(bool on) {
  if (on && !waitCursor_)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (!on && waitCursor_)
    QApplication::restoreOverrideCursor();
  waitCursor_ = on;
}

void QtUi::setClipboardText(const std::string& text) {
  QApplication::clipboard()->setText(fromLatin1(text));
}

char QtUi::regionalDecimalSeparator() const {
  const QString point = QLocale::system().decimalPoint();
  if (point.size() != 1 || point.at(0).unicode() > 0xFF)
    return '\0';
  return static_cast<char>(point.at(0).unicode());
}

bool QtUi::startProcess(const std::string& program, const std::string& argument) {
  // An argument list, never a command line: no shell sees the path.
  return QProcess::startDetached(QString::fromStdString(program),
                                 {QString::fromLocal8Bit(argument.c_str())});
}

HelpWindow* QtUi::helpWindow() const {
  return help_.data();
}

bool QtUi::openDocument(const std::filesystem::path& file, const std::string& section) {
  // A modal dialog blocks every window but its own children: over one, the help window
  // becomes its child, so that it can be read and scrolled while the dialog is open.
  QWidget* owner = QApplication::activeModalWidget();
  if (!help_)
    help_ = new HelpWindow(owner);
  else if (help_->parentWidget() != owner)
    help_->setParent(owner, Qt::Window);
  static const Language english;
  help_->setProgramTitle(programTitle_);
  if (!help_->showPage(fromPath(file.string()), QString::fromStdString(section),
                       language_ ? *language_ : english))
    return false;
  help_->show();
  help_->raise();
  help_->activateWindow();
  return true;
}

std::optional<std::string> QtRegistry::readIniFilePath() {
  QSettings settings("ZEROVO", "ZARVIK");
  const QVariant value = settings.value("IniFilePath");
  if (!value.isValid())
    return std::nullopt;
  return value.toString().toStdString();
}

bool QtRegistry::writeIniFilePath(const std::string& value) {
  QSettings settings("ZEROVO", "ZARVIK");
  settings.setValue("IniFilePath", QString::fromStdString(value));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

} // namespace zv
