#pragma once
// The companion library's backup store: a journal of the open data set. It starts with a
// copy of the data file as it was when the journal was created (the baseline) and then holds
// every object the program saves, in written order, so that after a crash the data set can be
// rebuilt as baseline + objects, whatever happened to the data file meanwhile.
//
// Journal file (little-endian):
//   "ZVBACKUP", uint32 format (1), uint32 flags (1: baseline present), uint64 baseline size,
//   uint32 baseline CRC-32, uint32 path length, the data file path, the baseline bytes,
//   uint32 CRC-32 of everything before it.
//   Then objects, each framed:
//   uint32 "ZVOB", uint32 data length, uint16 type, version, sample, storage, measurement,
//   mode, uint32 sequence number (1, 2, ...), uint32 CRC-32 of the frame from the length on
//   and the data, then the data.
// A frame that is cut short, fails its checksum or breaks the sequence ends the journal for
// the reader: everything before it is used, nothing after it.
//
// The journal itself is created by an atomic replacement, so it is either absent or whole.
// Single objects are written and fsynced before SaveBackupObject returns. Objects of a batch
// (mode 2 opens, 8 adds, 4 closes) are collected and written and fsynced at the close. After
// a failed write nothing more is appended: the objects after a lost one could be applied to
// the wrong records on replay.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/zv_fileio.hpp"
#include "platform/zv_ui.hpp"
#include "support/zv_crc32.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Length, type, format version (always 3), sample, storage, measurement index. The length is
// 32 bits wide here: a measurement with a curve of more than 8,000 points exceeds 16 bits.
struct BackupObjectHeader {
  std::uint32_t dataLength = 0;
  std::uint16_t type = 0;
  std::uint16_t version = 3;
  std::uint16_t sampleIndex = 0;
  std::uint16_t storageIndex = 0;
  std::uint16_t measurementIndex = 0;
};
constexpr std::uint16_t BackupObjectVersion = 3;

namespace backup_mode {
constexpr int Single = 1;
constexpr int BatchOpen = 2;
constexpr int BatchClose = 4;
constexpr int InBatch = 8;
} // namespace backup_mode

constexpr std::uint32_t BackupFormat = 1;
constexpr std::size_t BackupFrameSize = 28;
// The largest object accepted: a curve of 100 million points is far beyond any pull.
constexpr std::uint32_t BackupMaxObject = 0x40000000u;
// The largest data file copied into a journal as its baseline.
constexpr std::uint64_t BackupMaxBaseline = 1ull << 31;

// Results besides 0.
enum BackupJournalCode : int {
  BackupError = -1,     // a file operation failed
  BackupNotOpen = -2,   // no journal is open for writing / reading
  BackupBadFormat = -3, // the journal header is damaged or of another format
  BackupBroken = -4,    // an earlier write failed; nothing more is appended
  BackupTooLarge = -5,  // object or data file beyond the limits
};

// What a journal says about itself.
struct BackupInfo {
  std::string dataFilePath;  // the data file it belongs to
  FileStamp baseline;        // that file's state when the journal was created
  std::string baselineBytes; // a copy of that file
};

// Answers of ReloadBackup.
namespace reload_answer {
constexpr int Nothing = 0;
constexpr int Reload = 1;
constexpr int Discard = 2;
enum BackupJournalCode2 : int {
  EndProgram = -1,
};
} // namespace reload_answer

class BackupJournal {
public:
  explicit BackupJournal(FileSystem& fs = realFileSystem());
  ~BackupJournal();
  BackupJournal(const BackupJournal&) = delete;
  BackupJournal& operator=(const BackupJournal&) = delete;

  // The backup directory (created when the first journal is written).
  int SetBackupDir(const std::filesystem::path& directory);
  const std::filesystem::path& backupDir() const { return dir_; }
  // The journal file; empty while no directory is set.
  std::filesystem::path GetBackupPath() const;
  static std::string GetBackupVersion();

  // Starts a new journal for dataFilePath, replacing any old one in one step: reads the data
  // file as the baseline. 0 or a negative result (nothing changed then).
  int CreateBackup(const std::filesystem::path& dataFilePath);
  // Stops writing and removes the journal (the one being written, wherever the backup
  // directory was then); 0 also when there was none.
  int DeleteBackup();
  // Stops writing without removing the journal.
  void closeWriter();
  bool isWriting() const { return out_ != nullptr; }
  bool isBroken() const { return broken_; }
  // The baseline stamp of the journal being written (invalid when none).
  const FileStamp& writingBaseline() const { return writingBaseline_; }

  static void FillBackupHeader(BackupObjectHeader& header, std::uint32_t length, std::uint16_t type,
                               std::uint16_t version, std::uint16_t sample, std::uint16_t storage,
                               std::uint16_t measurement);
  // Appends one object with the given mode (see above). data holds header.dataLength bytes.
  int SaveBackupObject(const BackupObjectHeader& header, const void* data, int mode);

  // Reading a journal in written order. path empty: the journal of the backup directory.
  int OpenBackupFile(const std::filesystem::path& path = {});
  const BackupInfo& backupInfo() const { return info_; }
  // 1 and the header of the next object; 0 at the end (also at the first damaged frame,
  // see damaged()); a negative result for a read error.
  int ReadBackupHeader(BackupObjectHeader& header);
  // The data of the object whose header was read last.
  int ReadBackupObject(const BackupObjectHeader& header, std::vector<unsigned char>& data);
  int CloseBackupFile();
  // After the end was reached: whether bytes after the last whole object were left unread.
  bool damaged() const { return damagedAt_.has_value(); }
  std::uint64_t damagedAt() const { return damagedAt_.value_or(0); }
  std::uint64_t objectsRead() const { return objectsRead_; }

  // Looks for a journal left by an earlier run and asks what to do with it: reload, discard
  // (after a second question) or end the program. Fills dataPath and backupFile for a
  // journal; targetPath is where a reload is saved to (the data file itself).
  int ReloadBackup(Ui& ui, const Language& language, std::string& dataPath,
                   std::filesystem::path& backupFile, std::string& targetPath);

  // Non-zero when path lies inside the backup directory.
  int CmpFilePathToBackupDir(const std::filesystem::path& path) const;

  std::error_code lastError() const { return lastError_; }

private:
  int fail(std::error_code ec, int code = BackupError);
  void encodeFrame(std::vector<unsigned char>& out, const BackupObjectHeader& header,
                   const void* data, int mode);
  int writeAndSync(const std::vector<unsigned char>& bytes);
  // Counts the objects of an opened journal (for the question); 0 for none.
  int peek(const std::filesystem::path& path, BackupInfo& info, std::uint64_t& objects,
           bool& damaged);

  FileSystem& fs_;
  std::filesystem::path dir_;

  std::unique_ptr<WritableFile> out_;
  bool broken_ = false;
  std::uint32_t nextSequence_ = 1;
  bool inBatch_ = false;
  std::vector<unsigned char> batch_;
  FileStamp writingBaseline_;
  std::filesystem::path writingPath_;

  std::unique_ptr<ReadableFile> in_;
  std::uint64_t inSize_ = 0;
  std::uint64_t inPos_ = 0;
  std::uint32_t expectSequence_ = 1;
  std::vector<unsigned char> current_;
  bool haveCurrent_ = false;
  BackupInfo info_;
  std::optional<std::uint64_t> damagedAt_;
  std::uint64_t objectsRead_ = 0;

  std::error_code lastError_;
};

} // namespace zv
