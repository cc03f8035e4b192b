#include "storage/zv_devicefile.hpp"

#include <bit>

#include "core/zv_crc16.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"

namespace zv {

namespace devicetexts {
const TextPair LoadPromptTitle{"Load Devicefile", "Laden Gerätedatei"_l1};
const TextPair LoadPromptText{
    "Changes are not saved                 \nPlease save before or abort loading",
    "Änderungen in der Gerätedatei wurden noch nicht gespeichert                 \n"
    "Bitte zuerst speichern oder Laden abbrechen"_l1};
const TextPair RejectChanges{"Reject changes", "Änderungen verwerfen"_l1};
const TextPair AbortLoading{"Abort", "Laden abbrechen"};
const TextPair LoadDialogTitle{"ZARVIK - Gerätedatei laden"_l1, "ZARVIK - Gerätedatei laden"_l1};
const TextPair SaveDialogTitle{"ZARVIK - Gerätedatei sichern"_l1,
                               "ZARVIK - Gerätedatei sichern"_l1};
const TextPair LoadError{"Error when opening the Device File",
                         "Fehler bei Laden der Gerätedatei"_l1};
const TextPair SaveError{"Error when closing the Device File",
                         "Fehler bei Speichern der Gerätedatei"_l1};
} // namespace devicetexts

namespace {

// Little-endian numbers and fixed fields: the image never depends on the memory layout.
class ImageWriter {
public:
  void field(std::string_view text, std::size_t size) {
    std::string cut = cutToField(text, size);
    out_ += cut;
    out_.append(size - cut.size(), '\0');
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f64(double v) {
    auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i)
      out_ += static_cast<char>((u >> (8 * i)) & 0xFF);
  }
  void bytes(std::string_view b) {
    u32(static_cast<std::uint32_t>(b.size()));
    out_ += b;
  }
  std::string take() { return std::move(out_); }

private:
  std::string out_;
};

void writeValues(ImageWriter& w, const std::vector<ListValue>& entries) {
  w.u32(static_cast<std::uint32_t>(entries.size()));
  for (const auto& e : entries) {
    w.field(e.name, ListValue::NameSize);
    w.f64(e.value);
  }
}

// The load result that belongs to a list section, recorded with each skipped item.
int listCode(std::string_view section) {
  if (section == PistonList::Section)
    return DevicePistons;
  if (section == SpeedList::Section)
    return DeviceLoadSpeeds;
  return DeviceLoadAreas;
}

void logSkipped(const std::vector<SkippedListItem>& skipped, DeviceFileContext& ctx) {
  for (const auto& item : skipped)
    ctx.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "",
                               skippedItemText(item, ctx.lang), listCode(item.section));
}

} // namespace

void TesterDevice::setFilePath(const std::filesystem::path& full) {
  if (full.empty()) {
    fileName.clear();
    path.clear();
    return;
  }
  directory = pathBytes(full.parent_path());
  fileName = pathBytes(full.filename());
  path = pathBytes(full);
}

std::filesystem::path TesterDevice::joinedPath() const {
  return pathFromBytes(directory) / pathFromBytes(fileName);
}

void TesterDevice::setName(std::string_view text) {
  name = cutToField(text, TextFieldSize);
}

void TesterDevice::setSerialNumber(std::string_view text) {
  serialNumber = cutToField(text, TextFieldSize);
}

std::string TesterDevice::image() const {
  ImageWriter w;
  w.field(name, TextFieldSize);
  w.field(serialNumber, TextFieldSize);
  w.bytes(path);
  w.u32(static_cast<std::uint32_t>(pistons.count()));
  for (const auto& p : pistons.entries()) {
    w.field(p.name, PistonRange::NameSize);
    w.f64(p.range);
    w.i32(p.calDate);
    w.i32(p.calFlags);
    w.f64(p.calForce1);
    w.f64(p.calForce2);
    w.f64(p.calVolts1);
    w.f64(p.calVolts2);
    w.f64(p.rangeVolts);
  }
  writeValues(w, speeds.entries());
  writeValues(w, areas.entries());
  return w.take();
}

std::uint16_t TesterDevice::checksum() const {
  const std::string bytes = image();
  return crc16Mcrf4xx(bytes.data(), bytes.size());
}

void TesterDevice::takeSavedChecksum() {
  savedImage_ = image();
  savedChecksum = crc16Mcrf4xx(savedImage_.data(), savedImage_.size());
}

bool TesterDevice::changed() const {
  const std::string now = image();
  return crc16Mcrf4xx(now.data(), now.size()) != savedChecksum || now != savedImage_;
}

void TesterDevices::createBoth(const std::filesystem::path& programDirectory) {
  for (int i = 0; i < DeviceCount; ++i) {
    TesterDevice& d = devices_[i];
    d = TesterDevice{};
    d.index = i;
    d.directory = pathBytes(programDirectory);
    d.takeSavedChecksum();
  }
  spare_.reset();
  shown_ = 0;
}

TesterDevice* TesterDevices::device(int index) {
  return index >= 0 && index < DeviceCount ? &devices_[index] : nullptr;
}

const TesterDevice* TesterDevices::device(int index) const {
  return index >= 0 && index < DeviceCount ? &devices_[index] : nullptr;
}

bool TesterDevices::takeWorkingCopy(int index) {
  const TesterDevice* d = device(index);
  if (!d)
    return false;
  spare_ = static_cast<const DeviceContents&>(*d);
  return true;
}

void TesterDevices::endWorkingCopy(bool commit) {
  if (commit && spare_) {
    if (TesterDevice* d = device(spare_->index)) {
      d->name = spare_->name;
      d->serialNumber = spare_->serialNumber;
      d->pistons = spare_->pistons;
      d->speeds = spare_->speeds;
      d->areas = spare_->areas;
    }
  }
  spare_.reset();
}

int readDeviceDocument(IniDocument* doc, TesterDevice& device,
                       std::vector<SkippedListItem>* skipped, bool* tookSomething) {
  using namespace devicefile;
  const int textBuffer = static_cast<int>(TesterDevice::TextReadLength + 1);
  bool took = false;
  if (!tookSomething)
    tookSomething = &took;
  *tookSomething = false;
  for (auto [key, field] :
       {std::pair{NameKey, &device.name}, std::pair{SerialKey, &device.serialNumber}}) {
    if (Ini_ItemExists(doc, IdentitySection, key) != 1)
      continue;
    std::string text;
    if (Ini_GetRawStringIntoBuffer(doc, IdentitySection, key, &text, textBuffer) != 1)
      return DeviceIdentity;
    *field = std::move(text);
    *tookSomething = true;
  }
  if (loadPistonList(doc, device.pistons, skipped) != 0)
    return DevicePistons;
  *tookSomething = true;
  if (loadSpeedList(doc, device.speeds, skipped) != 0)
    return DeviceLoadSpeeds;
  if (loadAreaList(doc, device.areas, skipped) != 0)
    return DeviceLoadAreas;
  return DeviceOk;
}

int writeDeviceDocument(IniDocument* doc, const TesterDevice& device) {
  using namespace devicefile;
  int result = DeviceOk;
  auto note = [&result](int code) {
    if (result == DeviceOk)
      result = code;
  };
  if (Ini_PutRawString(doc, IdentitySection, NameKey, std::string_view(device.name)) < 0 ||
      Ini_PutRawString(doc, IdentitySection, SerialKey, std::string_view(device.serialNumber)) < 0)
    note(DeviceIdentity);
  if (savePistonList(doc, device.pistons) < 0)
    note(DevicePistons);
  if (saveAreaList(doc, device.areas) < 0)
    note(DeviceSaveAreas);
  if (saveSpeedList(doc, device.speeds) < 0)
    note(DeviceSaveSpeeds);
  return result;
}

std::string deviceFileText(const TesterDevice& device) {
  IniHandle doc = Ini_New(0);
  std::string text;
  if (writeDeviceDocument(doc, device) == DeviceOk)
    Ini_WriteToString(doc, text);
  return text;
}

int loadDeviceFile(TesterDevice* device, bool ask, DeviceFileContext& ctx, bool* readTried) {
  using namespace devicetexts;
  if (readTried)
    *readTried = false;
  if (!device)
    return DeviceRefused;
  if (ask && device->changed()) {
    const int answer =
        ctx.ui.ask(ctx.lang.pick(LoadPromptTitle), ctx.lang.pick(LoadPromptText),
                   {ctx.lang.pick(RejectChanges), ctx.lang.pick(AbortLoading)}, 0, 1);
    if (answer != 0)
      return DeviceRefused;
  }
  struct {
    std::string directory, fileName, path;
  } previous{device->directory, device->fileName, device->path};
  if (ask) {
    FileDialogSpec spec;
    spec.mode = FileDialogSpec::Mode::Open;
    spec.title = ctx.lang.pick(LoadDialogTitle);
    spec.startDirectory = device->directory;
    spec.defaultName = device->fileName;
    spec.filter = devicefile::Pattern;
    auto chosen = ctx.ui.chooseFile(spec);
    if (!chosen || chosen->empty())
      return FileSelectCancelled;
    if (!ctx.fs.exists(*chosen))
      return FileSelectNew;
    device->directory = pathBytes(chosen->parent_path());
    device->fileName = pathBytes(chosen->filename());
  }
  if (device->fileName.empty())
    return DeviceRefused;
  device->path = pathBytes(device->joinedPath());
  if (readTried)
    *readTried = true;

  int result = DeviceOk;
  bool tookSomething = false;
  std::vector<SkippedListItem> skipped;
  IniHandle doc = Ini_New(0);
  if (!doc)
    result = DeviceNoDocument;
  else if (Ini_ReadFromFile(doc, pathFromBytes(device->path), ctx.fs) != 0)
    result = DeviceCannotRead;
  else
    result = readDeviceDocument(doc, *device, &skipped, &tookSomething);
  Ini_Dispose(doc);
  // A file that gave nothing (unreadable, or no device file at all) does not become the
  // device's file: a later save would overwrite it with this device.
  if (!tookSomething) {
    device->directory = std::move(previous.directory);
    device->fileName = std::move(previous.fileName);
    device->path = std::move(previous.path);
  }

  logSkipped(skipped, ctx);
  if (result != DeviceOk)
    ctx.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "", ctx.lang.pick(LoadError),
                               result);
  device->takeSavedChecksum();
  return result;
}

int saveDeviceFile(TesterDevice* device, bool ask, DeviceFileContext& ctx, bool* cancelled) {
  if (cancelled)
    *cancelled = false;
  if (!device)
    return DeviceRefused;
  if (ask) {
    FileDialogSpec spec;
    spec.mode = FileDialogSpec::Mode::Save;
    spec.title = ctx.lang.pick(devicetexts::SaveDialogTitle);
    spec.startDirectory = device->directory;
    spec.defaultName =
        device->fileName.empty() ? std::string(devicefile::Pattern) : device->fileName;
    spec.filter = devicefile::Pattern;
    auto chosen = ctx.ui.chooseFile(spec);
    if (!chosen || chosen->filename().empty()) {
      if (cancelled)
        *cancelled = true;
      return FileSelectCancelled;
    }
    std::filesystem::path file = *chosen;
    if (!file.has_extension())
      file += devicefile::Extension;
    device->directory = pathBytes(file.parent_path());
    device->fileName = pathBytes(file.filename());
  }
  if (device->fileName.empty() || device->directory.empty())
    return DeviceRefused;
  device->path = pathBytes(device->joinedPath());

  IniHandle doc = Ini_New(0);
  if (!doc)
    return DeviceNoDocument;
  int result = writeDeviceDocument(doc, *device);
  // A half-built document would replace a good file with a damaged one.
  if (result == DeviceOk && Ini_WriteToFile(doc, pathFromBytes(device->path), ctx.fs) != 0)
    result = DeviceCannotWrite;
  Ini_Dispose(doc);
  return result;
}

} // namespace zv
