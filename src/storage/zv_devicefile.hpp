#pragma once
// The two tester devices and their device files (*.ZRK).
//
// A TesterDevice is a tester's name, serial number and its piston (with calibration), speed
// and area lists, plus where its device file lives. The program owns two of them (channels
// 0 and 1) in TesterDevices, which also holds the spare record the setup dialog works
// against and serves the lists of the device shown in the storage table to the data set.
//
// A device file is an INI text with exactly the sections GERAETEKENNUNG, KOLBEN_LISTE,
// PROBENFLAECHE_LISTE and ABZUGGESCHWINDIGKEIT_LISTE, in that order.
//
// Change detection: image() is a fixed serialisation of every field that counts (name,
// serial number, path and the entries of the three lists, each list preceded by its entry
// count), independent of padding and memory layout; checksum() is its CRC-16/MCRF4XX. A
// device is changed when its image differs from the one taken at the last load or save, so
// an edit is never missed because two states happen to share a checksum.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_device_lists.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_ui.hpp"
#include "storage/zv_ini.hpp"
#include "storage/zv_list_sections.hpp"
#include "storage/zv_meas_settings.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

constexpr int DeviceCount = 2;

// Results of loading and saving a device file.
constexpr int DeviceOk = 0;
enum DevicefileCode : int {
  DeviceRefused = -1, // no device, prompt refused, no file name or directory
  DeviceNoDocument = -2,
  DeviceCannotRead = -3,
  DeviceIdentity = -4, // name or serial number
  DevicePistons = -5,
  DeviceLoadSpeeds = -6,
  DeviceLoadAreas = -7,
  DeviceSaveAreas = -6,
  DeviceSaveSpeeds = -7,
  DeviceCannotWrite = -44,
};

// What a file dialog answered, as a load or save passes it on.
constexpr int FileSelectCancelled = 0;
constexpr int FileSelectExisting = 1;
constexpr int FileSelectNew = 2;

namespace devicefile {
inline constexpr const char* IdentitySection = "GERAETEKENNUNG";
inline constexpr const char* NameKey = "Name";
inline constexpr const char* SerialKey = "Seriennummer";
inline constexpr const char* Pattern = "*.ZRK";
inline constexpr const char* Extension = ".ZRK";
} // namespace devicefile

// Texts of the device file operations.
namespace devicetexts {
extern const TextPair LoadPromptTitle;
extern const TextPair LoadPromptText;
extern const TextPair RejectChanges;
extern const TextPair AbortLoading;
extern const TextPair LoadDialogTitle;
extern const TextPair SaveDialogTitle;
extern const TextPair LoadError; // "Error when opening the Device File"
extern const TextPair SaveError; // "Error when closing the Device File"
} // namespace devicetexts

// The part of a device that the setup dialog edits and a working copy holds.
struct DeviceContents {
  std::int32_t index = 0;
  std::string name = "---";
  std::string serialNumber = "000";
  PistonList pistons;
  SpeedList speeds;
  AreaList areas;
  friend bool operator==(const DeviceContents&, const DeviceContents&) = default;
};

class TesterDevice : public DeviceContents {
public:
  static constexpr std::size_t TextFieldSize = 80;  // name and serial number hold 79 bytes
  static constexpr std::size_t TextReadLength = 28; // characters a load takes of either

  // Where the device file is, as native path texts (the configuration stores `path` and
  // fills all three when it is read; see locationRef()).
  std::string fileName;  // without directory
  std::string directory; // the program's own directory until a file is chosen
  std::string path;      // directory joined with fileName, once loaded or saved
  std::uint16_t savedChecksum = 0;

  // Sets directory, fileName and path from a full path.
  void setFilePath(const std::filesystem::path& full);
  // The three location fields, for the configuration to read and write.
  DeviceFileRef locationRef() { return {&fileName, &directory, &path}; }
  // directory joined with fileName.
  std::filesystem::path joinedPath() const;

  // Name and serial number as the fields keep them (cut to 79 bytes).
  void setName(std::string_view text);
  void setSerialNumber(std::string_view text);

  std::string image() const;
  std::uint16_t checksum() const;
  // Remembers the current state as the saved one.
  void takeSavedChecksum();
  bool changed() const;

private:
  std::string savedImage_;
};

class TesterDevices final : public DeviceListSource {
public:
  explicit TesterDevices(const std::filesystem::path& programDirectory = {}) {
    createBoth(programDirectory);
  }

  // Both devices with their built-in values, counted as saved; no working copy; device 0
  // is the one shown.
  void createBoth(const std::filesystem::path& programDirectory);

  // nullptr for an index other than 0 and 1.
  TesterDevice* device(int index);
  const TesterDevice* device(int index) const;

  // The setup dialog's spare record: a deep copy of the device's editable part. false for
  // an unknown index.
  bool takeWorkingCopy(int index);
  // With commit the copy goes back into its device; either way the spare record is cleared.
  void endWorkingCopy(bool commit);
  const DeviceContents* workingCopy() const { return spare_ ? &*spare_ : nullptr; }

  // The device whose lists the storage table offers and renumbering checks against.
  int shownDevice() const { return shown_; }
  void setShownDevice(int index) {
    if (device(index))
      shown_ = index;
  }

  const PistonList& activePistons() const override { return devices_[shown_].pistons; }
  const SpeedList& activeSpeeds() const override { return devices_[shown_].speeds; }
  const AreaList& activeAreas() const override { return devices_[shown_].areas; }

private:
  TesterDevice devices_[DeviceCount];
  std::optional<DeviceContents> spare_;
  int shown_ = 0;
};

// What loading and saving a device file talk to.
struct DeviceFileContext {
  Ui& ui;
  Reporter& reporter;
  const Language& lang;
  FileSystem& fs;
};

// Fills the device from a read document: name and serial number when present (at most 28
// characters each), then pistons, speeds and areas, each only while the one before
// succeeded. A list that cannot be read keeps its entries. 0, DeviceIdentity,
// DevicePistons, DeviceLoadSpeeds or DeviceLoadAreas. Skipped list items are added to
// skipped; *tookSomething tells whether any field or list was taken from the document.
int readDeviceDocument(IniDocument* document, TesterDevice& device,
                       std::vector<SkippedListItem>* skipped = nullptr,
                       bool* tookSomething = nullptr);
// Puts the device's sections into a fresh document. The first failure: DeviceIdentity,
// DevicePistons, DeviceSaveAreas or DeviceSaveSpeeds; the rest is still written.
int writeDeviceDocument(IniDocument* document, const TesterDevice& device);
// The exact text a save writes.
std::string deviceFileText(const TesterDevice& device);

// Load(device, ask). With ask, a changed device is only discarded after the prompt, and the
// file comes from the open dialog (cancel: FileSelectCancelled, a name of no existing file:
// FileSelectNew). Errors after the file was chosen are logged; once reading was tried the
// device counts as unchanged, whatever was read, and *readTried is set. A chosen file that
// gave nothing at all (unreadable, or holding none of the device's keys) does not become the
// device's file.
int loadDeviceFile(TesterDevice* device, bool ask, DeviceFileContext& ctx,
                   bool* readTried = nullptr);

// Save(device, ask). With ask the file comes from the save dialog (a name without extension
// gets ".ZRK"); cancelled sets *cancelled and gives FileSelectCancelled. The file is
// replaced atomically, and only when the whole text could be built; the old file stays on
// any failure. The caller reports and takes the saved state.
int saveDeviceFile(TesterDevice* device, bool ask, DeviceFileContext& ctx,
                   bool* cancelled = nullptr);

} // namespace zv
