#pragma once
// The ports implemented with Qt: dialogs, clipboard, processes, help and the settings store.
#include <QPointer>
#include <QTranslator>
#include <QWidget>
#include <memory>

#include "platform/zv_latin1.hpp"
#include "platform/zv_registry.hpp"
#include "platform/zv_ui.hpp"
#include "support/zv_texts.hpp"

namespace zv {

class HelpWindow;

QString fromLatin1(const std::string& text);
std::string toLatin1(const QString& text);
// Paths are bytes in the file system's encoding, never Latin-1 text.
QString fromPath(const std::string& path);
std::string toPath(const QString& path);
// Where a file dialog opens: the start directory with the proposed name.
QString fileDialogStart(const FileDialogSpec& spec);
// A text of the program in the current language, as Qt shows it.
inline QString pick(const Language& lang, const TextPair& text) {
  return QString::fromLatin1(lang.pick(text));
}

// The refusal of typed text that Latin-1 cannot hold, wherever text is typed.
inline constexpr TextPair InputErrorTitle{"Input Error", "Eingabefehler"};
inline constexpr TextPair NotLatin1Text{
    "The text holds characters that cannot be stored (Latin-1 only).",
    "Der Text enthält Zeichen, die nicht gespeichert werden können (nur Latin-1)."_l1};
// True when every character of the text has a Latin-1 byte.
bool fitsLatin1(const QString& text);

class QtUi final : public Ui {
public:
  QtUi();
  ~QtUi() override;
  // Dialogs are parented to the window that is active at the time, else to fallbackParent.
  void setFallbackParent(QWidget* w) { fallbackParent_ = w; }
  // The program's language: the language of QtUi's own messages and of Qt's texts (file
  // dialogs, standard buttons). Call again after every switch.
  void useLanguage(const Language& language);
  // The program title, which the help window's title begins with.
  void setProgramTitle(const QString& title) { programTitle_ = title; }

  void popup(const std::string& title, const std::string& text) override;
  int ask(const std::string& title, const std::string& text,
          const std::vector<std::string>& buttons, int enter, int escape) override;
  std::optional<std::string> promptText(const std::string& title, const std::string& text,
                                        const std::string& initial, int maxLength) override;
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec& spec) override;
  std::optional<std::filesystem::path> chooseDirectory(const std::string& title,
                                                       const std::filesystem::path& start) override;
  std::unique_ptr<Progress> startProgress(const std::string& title, const std::string& label,
                                          const std::string& stopLabel) override;
  void setWaitCursor(bool on) override;
  void setClipboardText(const std::string& text) override;
  char regionalDecimalSeparator() const override;
  bool startProcess(const std::string& program, const std::string& argument) override;
  // The help window, shown above the modal dialog that is open, if any.
  bool openDocument(const std::filesystem::path& file, const std::string& section) override;
  HelpWindow* helpWindow() const;

private:
  QWidget* parent() const;
  QWidget* fallbackParent_ = nullptr;
  bool waitCursor_ = false;
  const Language* language_ = nullptr;
  std::unique_ptr<QTranslator> qtGerman_; // installed while the program speaks German
  QString programTitle_ = "ZARVIK";
  QPointer<HelpWindow> help_; // a child of the modal dialog it was opened over, if any
};

// IniFilePath in QSettings("ZEROVO", "ZARVIK"): the registry on Windows, a .conf file elsewhere.
class QtRegistry final : public Registry {
public:
  std::optional<std::string> readIniFilePath() override;
  bool writeIniFilePath(const std::string& value) override;
};

} // namespace zv
