#pragma once
// The graph files and the backup journal of the program, wired to its data set model: what
// the file handling calls after loads and saves (GraphBackupHooks), what the model reports
// (BackupSink), the periodic backup of the menus and the main timer, the finished
// measurements of the measurement control and the reload offered at start-up.
#include <filesystem>
#include <functional>
#include <string>

#include "core/zv_dataset.hpp"
#include "platform/zv_fileio.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_message.hpp"

namespace zv {

class GraphBackup {
public:
  GraphBackup(DataSetModel& model, Reporter& reporter, const Language& language,
              std::function<bool()> measuring, FileSystem& fs = realFileSystem());
  GraphBackup(const GraphBackup&) = delete;
  GraphBackup& operator=(const GraphBackup&) = delete;

  // The graph directory and the backup directory (each ending in a separator).
  void setDirectories(const std::filesystem::path& graphDirectory,
                      const std::filesystem::path& backupDirectory);
  // userDirectory + "Graph" and + "Backup", or the same below the fallback directory.
  static std::filesystem::path graphDirectoryIn(const std::filesystem::path& base);
  static std::filesystem::path backupDirectoryIn(const std::filesystem::path& base);

  // Start-up: offers a backup left by a crash. 0 go on, 1 end the program. Does nothing
  // while no data file handling is attached.
  int reloadBackupAtStart();

  GraphFileStore graphStore;
  BackupJournal journal;
  GraphFile graph;
  BackupStore store;
};

} // namespace zv
