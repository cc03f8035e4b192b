#include "program/zv_device_commands.hpp"

#include "core/zv_area_list.hpp"
#include "core/zv_piston_list.hpp"
#include "core/zv_speed_list.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"

namespace zv {

namespace {
const TextPair Title{"Setup - Devicefile ", "Setup - Gerätefile "_l1};
const TextPair LoadLabel{"Load", "Laden"};
const TextPair NameLabel{"Device name", "Gerätename"_l1};
const TextPair SerialLabel{"Series number", "Seriennr."};
const TextPair PistonsLabel{"Piston [kN]", "Abzugskolben [kN]"};
const TextPair AddPistonsLabel{"Add Pistons", "Kolben einfügen"_l1};
const TextPair DeletePistonsLabel{"Delete Pistons", "Kolben löschen"_l1};
const TextPair AreasLabel{"Contact Area [mm2]", "Probenfläche [mm2]"_l1};
const TextPair AddAreaLabel{"Add Area", "Fläche einfügen"_l1};
const TextPair DeleteAreaLabel{"Delete Area", "Fläche löschen"_l1};
const TextPair SpeedsLabel{"Piston Speed [N/s]", "Geschw. [N/s]"};
const TextPair AddSpeedLabel{"Add Speed", "Geschw. einfügen"_l1};
const TextPair DeleteSpeedLabel{"Delete Speed", "Geschw. löschen"_l1};
const TextPair CalibrateLabel{"Calibrate...", "Kalibrieren..."};
const TextPair CloseLabel{"Close", "Schließen"_l1};
const TextPair SaveLabel{"Save", "Sichern"};
const TextPair AbortLabel{"Abort", "Abbruch"};
// The second report of a failed prompting load; the text starts with a blank.
const TextPair LoadFailedAt{" Error when opening the Device File: '",
                            " Fehler bei Laden der Gerätedatei: '"_l1};
const TextPair SaveFailedPopup{"The device file could not be saved:\n",
                               "Die Gerätedatei konnte nicht gespeichert werden:\n"_l1};
const TextPair SaveFailedHint{"\nThe changes are kept. Save again, or discard them with Abort.",
                              "\nDie Änderungen bleiben erhalten. Erneut sichern oder mit "
                              "Abbruch verwerfen."_l1};

// Device files are read and written through the program's one file system.
DeviceFileContext contextOf(Program& program) {
  return {program.ui, program.reporter, program.lang, program.fileRoute};
}

int slot(DeviceSetup::List list) {
  return static_cast<int>(list);
}
} // namespace

void loadDeviceFilesAtStart(Program& program) {
  DeviceFileContext ctx = contextOf(program);
  for (int i = 0; i < DeviceCount; ++i)
    loadDeviceFile(program.meas.devices.device(i), false, ctx);
}

int loadDeviceWithPrompt(Program& program, int index, bool* readTried) {
  DeviceFileContext ctx = contextOf(program);
  TesterDevice* device = program.meas.devices.device(index);
  const int result = loadDeviceFile(device, true, ctx, readTried);
  if (result != 0 && result != 1) {
    std::string text = program.lang.pick(LoadFailedAt);
    if (device)
      text += device->path;
    text += "' - ";
    program.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "", text, result);
  }
  return result;
}

DeviceSetup::DeviceSetup(Program& program, int index)
    : program_(program), index_(program.meas.devices.device(index) ? index : 0) {
  program_.meas.devices.takeWorkingCopy(index_);
  program_.meas.devices.setShownDevice(index_);
  changed_ = device().changed();
}

DeviceSetup::~DeviceSetup() {
  if (!finished_)
    abort();
}

TesterDevice& DeviceSetup::device() {
  return *program_.meas.devices.device(index_);
}

DeviceFileContext DeviceSetup::context() {
  return contextOf(program_);
}

void DeviceSetup::select(List list, int index) {
  selected_[slot(list)] = index;
}

int DeviceSetup::selected(List list) const {
  return selected_[slot(list)];
}

int DeviceSetup::add(List list) {
  if (finished_)
    return ListPromptCancelled;
  program_.backupDataSet();
  TesterDevice& d = device();
  int r = ListOk;
  switch (list) {
  case List::Pistons:
    r = promptAddPiston(d.pistons, program_.ui, program_.lang);
    break;
  case List::Areas:
    r = promptAddArea(d.areas, program_.ui, program_.lang);
    break;
  case List::Speeds:
    r = promptAddSpeed(d.speeds, program_.ui, program_.lang);
    break;
  }
  updateChanged();
  return r;
}

int DeviceSetup::remove(List list) {
  if (finished_)
    return ListNoEntries;
  program_.backupDataSet();
  TesterDevice& d = device();
  const int index = selected(list);
  int r = ListOk;
  switch (list) {
  case List::Pistons:
    r = deletePiston(d.pistons, index, program_.ui, program_.lang);
    break;
  case List::Areas:
    r = deleteArea(d.areas, index, program_.ui, program_.lang);
    break;
  case List::Speeds:
    r = deleteSpeed(d.speeds, index, program_.ui, program_.lang);
    break;
  }
  updateChanged();
  return r;
}

void DeviceSetup::setName(std::string_view text) {
  if (finished_)
    return;
  device().setName(text);
  updateChanged();
}

void DeviceSetup::setSerialNumber(std::string_view text) {
  if (finished_)
    return;
  device().setSerialNumber(text);
  updateChanged();
}

int DeviceSetup::load() {
  if (finished_)
    return DeviceRefused;
  program_.backupDataSet();
  bool readTried = false;
  const int result = loadDeviceWithPrompt(program_, index_, &readTried);
  if (readTried) {
    // Whatever was read is now the device as its file has it: Abort returns here.
    program_.meas.devices.takeWorkingCopy(index_);
    changed_ = device().changed();
  }
  return result;
}

void DeviceSetup::updateChanged() {
  // Once set the flag stays, so Abort stays offered even when an edit was undone by hand.
  const DeviceContents* start = program_.meas.devices.workingCopy();
  const TesterDevice& d = device();
  if (d.changed() || !start || !(static_cast<const DeviceContents&>(d) == *start))
    changed_ = true;
}

const char* DeviceSetup::okLabel() const {
  return program_.lang.pick(changed_ ? SaveLabel : CloseLabel);
}

DeviceSetup::Captions DeviceSetup::captions() const {
  const Language& l = program_.lang;
  return {l.pick(Title) + std::to_string(index_ + 1),
          l.pick(LoadLabel),
          l.pick(NameLabel),
          l.pick(SerialLabel),
          l.pick(PistonsLabel),
          l.pick(AddPistonsLabel),
          l.pick(DeletePistonsLabel),
          l.pick(AreasLabel),
          l.pick(AddAreaLabel),
          l.pick(DeleteAreaLabel),
          l.pick(SpeedsLabel),
          l.pick(AddSpeedLabel),
          l.pick(DeleteSpeedLabel),
          l.pick(CalibrateLabel),
          l.pick(AbortLabel)};
}

bool DeviceSetup::ok() {
  if (finished_)
    return true;
  if (changed_) {
    TesterDevice& d = device();
    DeviceFileContext ctx = context();
    const bool ask = d.fileName.empty() || d.directory.empty();
    bool cancelled = false;
    const int result = saveDeviceFile(&d, ask, ctx, &cancelled);
    if (cancelled)
      return false;
    if (result != 0) {
      program_.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "",
                                      program_.lang.pick(devicetexts::SaveError), result);
      program_.ui.popup(captions().title, program_.lang.pick(SaveFailedPopup) + d.path +
                                              program_.lang.pick(SaveFailedHint));
      return false;
    }
    d.takeSavedChecksum();
  }
  program_.meas.devices.endWorkingCopy(false);
  finished_ = true;
  return true;
}

void DeviceSetup::abort() {
  if (finished_)
    return;
  program_.meas.devices.endWorkingCopy(changed_);
  finished_ = true;
}

} // namespace zv
