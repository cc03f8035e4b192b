#pragma once
// A small data file handling for tests and the crash driver: a data set saved in the packed
// binary record layout and the same load/save/close steps as the program's file handling
// (data file replaced atomically, then graph file, then the backup refreshed). It lets the
// graph and backup store be exercised end to end without the windows.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/zv_dataset_describe.hpp"
#include "core/zv_auftr_def.hpp"
#include "platform/zv_fileio.hpp"
#include "storage/zv_datafile_hooks.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_crc32.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_message.hpp"

namespace zv::test {

class SimpleDataFiles : public DataFileAccess {
public:
  SimpleDataFiles(AuftrModel& model, GraphBackupHooks& hooks, FileSystem& fs = realFileSystem())
      : model_(model), hooks_(hooks), fs_(fs) {}

  // Answer of the save-file question during a restore, and the file it picks (empty: keep).
  int saveFileAnswer = 1;
  std::filesystem::path saveFileChoice;
  // Results of the last calls, for checks.
  int lastGraphLoad = 0;
  int lastGraphSave = 0;
  int lastRefresh = 0;
  std::vector<std::string> calls;

  const std::filesystem::path& current() const { return path_; }

  void setCurrentDataFile(const std::filesystem::path& path) override { path_ = path; }

  int loadCurrentWithoutBackup() override { return load(false); }
  int closeWithoutAsking() override { return close(); }
  int selectSaveFile() override {
    calls.push_back("select");
    if (saveFileAnswer == 1 && !saveFileChoice.empty())
      path_ = saveFileChoice;
    return saveFileAnswer;
  }
  int saveCurrent() override { return save(); }

  // File > Open: close, then load with a fresh backup.
  int open(const std::filesystem::path& path) {
    close();
    path_ = path;
    return load(true);
  }

  int load(bool refreshBackup) {
    calls.push_back("load " + path_.filename().string());
    std::string bytes;
    if (!readAll(path_, bytes))
      return -1333;
    model_.auftrCreate();
    if (!parse(bytes))
      return -1335;
    model_.auftrRenumber();
    model_.auftrResetChanges();
    if (refreshBackup)
      lastRefresh = hooks_.refreshBackup(path_.string());
    lastGraphLoad = hooks_.graphLoad(path_.string());
    return 0;
  }

  // Writes the data file, then the graph file, then refreshes the backup.
  int save() {
    calls.push_back("save " + path_.filename().string());
    const auto bytes = encode();
    const ReplaceResult r = replaceFile(fs_, path_, ReplaceOptions{}, [&](FileWriter& w) {
      w.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      return std::error_code();
    });
    if (!r.ok())
      return -1314;
    lastGraphSave = hooks_.graphSave(path_.string());
    if (lastGraphSave < 0)
      return -1315;
    model_.auftrResetChanges();
    lastRefresh = hooks_.refreshBackup(path_.string());
    return 0;
  }

  int close() {
    calls.push_back("close");
    model_.auftrDelete();
    hooks_.graphFileCloseAll();
    model_.auftrResetChanges();
    hooks_.closeBackup();
    return 0;
  }

  std::vector<unsigned char> encode() const {
    std::vector<unsigned char> out;
    const DataSet* d = model_.dataSet();
    if (!d)
      return out;
    records::packHeader(out, *d);
    for (std::size_t s = 0; s < d->samples.size(); ++s) {
      const Sample& sample = d->samples[s];
      records::packSample(out, sample, static_cast<int>(s));
      for (std::size_t t = 0; t < sample.storages.size(); ++t) {
        const Storage& storage = sample.storages[t];
        records::packStorage(out, storage, static_cast<int>(s), static_cast<int>(t));
        for (std::size_t k = 0; k < storage.measurements.size(); ++k)
          records::packMeasurement(out, storage.measurements[k], static_cast<int>(s),
                                   static_cast<int>(t), static_cast<int>(k), false);
      }
    }
    return out;
  }

private:
  bool readAll(const std::filesystem::path& path, std::string& bytes) {
    std::uint64_t size = 0;
    std::unique_ptr<ReadableFile> in;
    if (fs_.fileSize(path, size) || size == 0 || fs_.openRead(path, in))
      return false;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    return !readFully(*in, bytes.data(), bytes.size(), got) && got == bytes.size();
  }

  bool parse(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t at = 0, size = text.size();
    if (size < records::HeaderSize)
      return false;
    DataSet& d = *model_.dataSet();
    records::unpackHeader(p, records::HeaderSize, d);
    const int samples = le::getI32(p + 12), storages = le::getI32(p + 16);
    at = records::HeaderSize;
    model_.auftrAddSamples(samples);
    model_.auftrAddStorages(storages);
    for (int s = 0; s < samples; ++s) {
      if (size - at < records::SampleSize)
        return false;
      records::unpackSample(p + at, records::SampleSize, *model_.auftrSample(s));
      at += records::SampleSize;
      for (int t = 0; t < storages; ++t) {
        if (size - at < records::StorageSize)
          return false;
        Storage& storage = *model_.auftrStorage(s, t);
        records::unpackStorage(p + at, records::StorageSize, storage);
        const int count = le::getI32(p + at + 8);
        at += records::StorageSize;
        model_.auftrAddMeasurements(s, t, count);
        for (int k = 0; k < count; ++k) {
          if (size - at < records::MeasurementSize)
            return false;
          records::unpackMeasurement(p + at, records::MeasurementSize,
                                     *model_.auftrMeasurement(s, t, k), false);
          at += records::MeasurementSize;
        }
      }
    }
    return at == size;
  }

  AuftrModel& model_;
  GraphBackupHooks& hooks_;
  FileSystem& fs_;
  std::filesystem::path path_;
};

// The model with the whole graph and backup store and the small file handling above, the way
// the program wires them; userDir holds the Graph and Backup directories.
struct GraphBackupWorld {
  GraphBackupWorld(Reporter& reporter, const Language& lang, FileSystem& fs,
                   const std::filesystem::path& userDir)
      : model(reporter, lang), graphStore(fs), journal(fs), graph(model, graphStore, reporter, fs),
        store(model, graph, journal, reporter, lang, fs), files(model, store, fs) {
    model.setBackupSink(&store);
    store.setDataFileAccess(&files);
    store.setMeasuringQuery([this] { return measuring; });
    graphStore.GraphFileSetTempDir(userDir / "Graph");
    journal.SetBackupDir(userDir / "Backup");
  }
  AuftrModel model;
  GraphFileStore graphStore;
  BackupJournal journal;
  GraphFile graph;
  BackupStore store;
  SimpleDataFiles files;
  bool measuring = false;

  std::string describe() {
    return describeDataSet(model, [this](Measurement& m) { graph.graphReadCurve(&m); });
  }
};

} // namespace zv::test
