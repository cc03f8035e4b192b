#pragma once
// The port through which the logic talks to the person at the screen. The Qt windows
// implement it for the program; tests answer it from a script.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv {

// Everything a file dialog needs. Texts are Latin-1.
struct FileDialogSpec {
  enum class Mode { Open, Save };
  Mode mode = Mode::Open;
  std::string title;
  std::filesystem::path startDirectory;
  std::string defaultName;
  std::string filter; // a pattern list such as "*.DAT;*.BIN"
};

// A modal progress dialog with a Stop button. update() returns true once Stop was pressed.
class Progress {
public:
  virtual ~Progress() = default;
  virtual bool update(int percent) = 0;
};

class Ui {
public:
  virtual ~Ui() = default;

  // Modal message with an OK button.
  virtual void popup(const std::string& title, const std::string& text) = 0;
  // Modal question; returns the index of the chosen button. enter and escape are the
  // indices that Return and Escape choose (escape is also what the close box answers).
  virtual int ask(const std::string& title, const std::string& text,
                  const std::vector<std::string>& buttons, int enter, int escape) = 0;
  // Asks for a line of text; nullopt when cancelled.
  virtual std::optional<std::string> promptText(const std::string& title, const std::string& text,
                                                const std::string& initial, int maxLength) = 0;
  // File and directory choosers; nullopt when cancelled.
  virtual std::optional<std::filesystem::path> chooseFile(const FileDialogSpec& spec) = 0;
  virtual std::optional<std::filesystem::path>
  chooseDirectory(const std::string& title, const std::filesystem::path& start) = 0;
  // A progress dialog that lives as long as the returned object.
  virtual std::unique_ptr<Progress> startProgress(const std::string& title,
                                                  const std::string& label,
                                                  const std::string& stopLabel) = 0;
  virtual void setWaitCursor(bool on) = 0;
  virtual void setClipboardText(const std::string& text) = 0;
  // The decimal separator of the user's regional settings, for the clipboard exports; '\0'
  // when it is not a single Latin-1 character.
  virtual char regionalDecimalSeparator() const = 0;
  // Starts program with exactly one argument, without any shell. false when it could not start.
  virtual bool startProcess(const std::string& program, const std::string& argument) = 0;
  // Shows a local document (help) in the help window, at its anchor `section` unless that is
  // empty. false when that failed.
  virtual bool openDocument(const std::filesystem::path& file, const std::string& section) = 0;
};

} // namespace zv
