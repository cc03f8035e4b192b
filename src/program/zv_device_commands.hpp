#pragma once
// What Setup > Device 1 / Device 2 do, without the window: the device setup session that
// edits one tester device against a working copy, and loading both device files at start-up.
//
// The session works on the device itself (the storage table sees every edit at once) and
// keeps the device as it was when the session began in TesterDevices' spare record:
//   - OK ("Close" while nothing changed, "Save" once something did) writes the device file
//     to its path without asking. A device that has no file yet asks for one, and a save
//     that fails keeps the session open with the changes, so "Save" never loses an edit.
//   - Abort (and the close box) puts the device back as it was, once something changed.
//   - Load replaces the device from a file; what was loaded becomes the state Abort returns
//     to, so Abort can never mix the lists of one file with the path of another.
#include <string>
#include <string_view>

#include "platform/zv_fileio.hpp"
#include "storage/zv_devicefile.hpp"

namespace zv {

class Program;

// Start-up: device file 1, then device file 2, from the paths the configuration gave, without
// asking. A device without a file name keeps its built-in lists; errors go to the log.
void loadDeviceFilesAtStart(Program& program);

// Load with the change prompt and the file dialog. A result other than 0 and 1 is reported
// to the log a second time, with the file's path. *readTried tells whether a file was read.
int loadDeviceWithPrompt(Program& program, int index, bool* readTried = nullptr);

class DeviceSetup {
public:
  enum class List { Pistons, Areas, Speeds };

  struct Captions {
    std::string title; // "Setup - Devicefile 1"
    const char* load;
    const char* name;
    const char* serialNumber;
    const char* pistons;
    const char* addPistons;
    const char* deletePistons;
    const char* areas;
    const char* addArea;
    const char* deleteArea;
    const char* speeds;
    const char* addSpeed;
    const char* deleteSpeed;
    const char* calibrate;
    const char* abort;
  };

  // Begins the session for device index (0 or 1; any other index is taken as 0) and makes
  // it the device the storage table shows.
  DeviceSetup(Program& program, int index);
  // A session still open ends like Abort.
  ~DeviceSetup();
  DeviceSetup(const DeviceSetup&) = delete;
  DeviceSetup& operator=(const DeviceSetup&) = delete;

  int index() const { return index_; }
  TesterDevice& device();

  // The remembered selection of each list control.
  void select(List list, int index);
  int selected(List list) const;

  // Add: asks for a value and inserts it. 0 inserted; ListPromptCancelled; ListInvalidValue
  // after a popup.
  int add(List list);
  // Delete the selected entry; the last entry is refused with a popup (ListLastEntry).
  int remove(List list);

  // The name and serial number fields on commit (Latin-1, cut to 79 bytes).
  void setName(std::string_view text);
  void setSerialNumber(std::string_view text);

  // The Load button: prompt, file dialog, load, and a fresh start for Abort.
  int load();

  // The window got the focus back (the calibration dialog may have changed pistons).
  void refresh() { updateChanged(); }

  bool changed() const { return changed_; }
  const char* okLabel() const;
  bool abortVisible() const { return changed_; }
  Captions captions() const;

  // The OK button. true when the window may close; false when the session stays open (the
  // file dialog was cancelled or the save failed, which was reported).
  bool ok();
  // The abort button and the close box.
  void abort();
  // After OK or Abort the session edits nothing any more.
  bool finished() const { return finished_; }

private:
  void updateChanged();
  DeviceFileContext context();

  Program& program_;
  int index_;
  int selected_[3] = {0, 0, 0};
  bool changed_ = false;
  bool finished_ = false;
};

} // namespace zv
