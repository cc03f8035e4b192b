#pragma once
// The text data set file (.DAT): the data set as an INI document. Section "AUFTRAG" holds the
// header, then in grid order Probe-s, Probe-s/Lagerung-t and Probe-s/Lagerung-t/Messung-m
// (1-based). No curves, no statistics. Keys are German and Latin-1 ("Meßbereich").
//
// Writing formats the data set section by section (IniTextWriter, no document) straight into
// the temporary file that replaces the target only when everything went in, so a stopped or
// failed save never touches the file; the INI engine replaces the file atomically. Reading rebuilds
// the data set section by section while the file is read (IniSectionReader): a section that comes
// before it is wanted is kept aside in a document until then, so a file in the order the writer
// makes is never held whole, and any other order gives the same result as a document of the whole
// file would. Every key is optional and keeps the created value when absent.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "core/zv_dataset.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_ui.hpp"
#include "storage/zv_datafile_lists.hpp"
#include "storage/zv_ini.hpp"
#include "support/zv_message.hpp"

namespace zv {

namespace txtfile {
constexpr std::int32_t ProgramCode = 3;
constexpr std::int32_t ProgramVersion = 64;
} // namespace txtfile

class TextDataFile {
public:
  TextDataFile(DataSetModel& model, Reporter& reporter, FileSystem& fs = realFileSystem());

  // Saving: open(path), write, close(path, result of the write). The write makes the new file
  // and puts it in place when it went through; the close reports how that went (the engine's
  // result, 0 when skipWrite is not 0).
  int openTextWriteFile(const std::filesystem::path& path);
  // 0, 1 when Stop was pressed, or a negative code.
  int writeTextDataSet(int sampleCount, int storageCount, Progress* progress);
  int closeTextWriteFile(const std::filesystem::path& path, int skipWrite);

  // Loading: open (reads the first section), read into the (new, empty) data set, close.
  int openTextReadFile(const std::filesystem::path& path);
  // The same from an already open file (fuzzing, tests), which must stay open until closing.
  int openTextReadFile(ReadableFile& file);
  int readTextDataSet(Progress* progress);
  int closeTextReadFile();

  bool dataFileOpen() const { return dataFileOpen_; }
  // What the last read replaced because the device lists lacked it.
  const ListReplacements& lastReplacements() const { return replaced_; }
  // The first section the last read looked for and did not find; empty when none was missing.
  const std::string& firstMissingSection() const { return firstMissing_; }
  // The sample and storage counts the header of the last file read announced.
  const FileCounts& lastFileCounts() const { return counts_; }

  // Called with the complete temporary file before it replaces the target; an error keeps
  // the target as it was (the close fails).
  void setBeforeReplace(IniBeforeRename f) { beforeReplace_ = std::move(f); }
  // The file system's error of the last failed write.
  std::error_code lastWriteError() const { return lastError_; }

private:
  // The sections of the whole data set into writer_.
  int writeSections(int sampleCount, int storageCount, Progress* progress);
  // One section each. Section names are built from the 0-based indices given.
  int writeHeader();
  int readHeader(int& sampleCount, int& storageCount);
  int writeSample(const Sample* sample, int s);
  int readSample(Sample* sample, int s);
  int writeStorage(const StorageCondition* storage, int s, int t);
  // measurementCount: the "Messungen" of the file; unchanged when the key is absent.
  int readStorage(StorageCondition* storage, int s, int t, int& measurementCount);
  int writeMeasurement(const Measurement* measurement, int s, int t, int m);
  int readMeasurement(Measurement* measurement, int s, int t, int m);

  // The first section of that name in the file (empty when there is none): from those kept
  // aside, else read on until it comes, keeping aside every other section passed. 0 or the
  // engine's read error.
  int findSection(std::string_view name, IniSection& found);
  // Remembers the first missing section; 0, as a missing section is not an error.
  int noteMissing(std::string_view section);
  int error(int code, int detail = 0) { return reporter_.reportError(code, detail); }
  void logLine(const char* title, const char* text, int code);
  // Starts reading the open file; the engine's result.
  int startReading(ReadableFile& file);
  void stopReading();

  DataSetModel& model_;
  Reporter& reporter_;
  FileSystem& fs_;
  std::filesystem::path writePath_;
  IniTextWriter* writer_ = nullptr; // while a write runs
  int writeResult_ = 0;             // the engine's result of the last write
  std::unique_ptr<ReadableFile> ownedFile_;
  std::unique_ptr<IniSectionReader> reader_;
  enum class ReadAt { Current, Advance, End };
  ReadAt readAt_ = ReadAt::End;
  IniHandle passed_; // sections read before they were wanted
  bool anyPassed_ = false;
  bool dataFileOpen_ = false;
  ListReplacements replaced_;
  std::string firstMissing_;
  FileCounts counts_;
  IniBeforeRename beforeReplace_;
  std::error_code lastError_;
};

} // namespace zv
