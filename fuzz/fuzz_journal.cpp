// The backup journal reader and its replay onto a data set. The first byte picks the mode:
// even: the rest is a journal file as found on disk (framing, header, checksums);
// odd: the rest is a list of objects that the harness frames correctly, so that the replay
// itself (growing, deleting, decoding records) sees arbitrary objects past the checksums.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_rig.hpp"
#include "memory_fs.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"

namespace {

using namespace zv;

void readRaw(fuzz::MemoryFileSystem& fs) {
  BackupJournal reader(fs);
  if (reader.OpenBackupFile("/b/ZARVIK.BAK") != 0)
    return;
  BackupObjectHeader h;
  std::vector<unsigned char> data;
  while (reader.ReadBackupHeader(h) > 0) {
    if (reader.ReadBackupObject(h, data) != static_cast<int>(h.dataLength))
      std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1)
    return 0;
  fuzz::MemoryFileSystem fs;
  fs.files["/d/A.BIN"] = "baseline";
  const bool framed = (data[0] & 1) != 0;
  ++data;
  --size;

  if (!framed) {
    fs.files["/b/ZARVIK.BAK"].assign(reinterpret_cast<const char*>(data), size);
    readRaw(fs);
  } else {
    BackupJournal writer(fs);
    writer.SetBackupDir("/b");
    if (writer.CreateBackup("/d/A.BIN") != 0)
      std::abort();
    // Each object: type, sample, storage, measurement, length (2 bytes), data.
    std::size_t at = 0;
    while (size - at >= 6) {
      BackupObjectHeader h;
      const std::uint32_t length = data[at + 4] | (data[at + 5] << 8);
      BackupJournal::FillBackupHeader(h, 0, data[at] % 11, BackupObjectVersion, data[at + 1] % 24,
                                      data[at + 2] % 24, data[at + 3] % 24);
      at += 6;
      h.dataLength = static_cast<std::uint32_t>(std::min<std::size_t>(length, size - at));
      writer.SaveBackupObject(h, data + at, backup_mode::Single);
      at += h.dataLength;
    }
    writer.closeWriter();
  }

  // Replay onto a small data set.
  fuzz::ModelRig rig;
  DataSetModel& model = rig.model;
  Reporter& reporter = rig.reporter;
  const Language& lang = rig.lang;
  GraphFileStore graphs(fs);
  BackupJournal journal(fs);
  GraphFile graph(model, graphs, reporter, fs);
  BackupStore store(model, graph, journal, reporter, lang, fs);
  model.setBackupSink(&store);
  model.createDataSet();
  model.addSamples(2);
  model.addStorages(2);
  store.readBackup("/b/ZARVIK.BAK");
  // The grid stays rectangular and within its limits whatever was replayed.
  const int storages = model.storageCount();
  if (model.sampleCount() > model.limits().maxSamples || storages > model.limits().maxStorages)
    std::abort();
  for (int s = 0; s < model.sampleCount(); ++s) {
    if (static_cast<int>(model.sampleAt(s)->storages.size()) != storages)
      std::abort();
    for (int t = 0; t < storages; ++t) {
      const StorageCondition* st = model.storageAt(s, t);
      if (static_cast<int>(st->measurements.size()) > model.limits().maxMeasurements)
        std::abort();
      for (const auto& m : st->measurements)
        if (m.sampleIndex != s || m.storageIndex != t || m.deviceName.size() > 29)
          std::abort();
    }
  }
  return 0;
}
