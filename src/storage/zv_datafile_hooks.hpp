#pragma once
// What the data set file handling asks of the graph and backup storage. The graph and backup
// store implements it; until one is attached the file handling runs without curves and backup.
#include <filesystem>
#include <string>
#include <system_error>

namespace zv {

class GraphBackupHooks {
public:
  virtual ~GraphBackupHooks() = default;
  // Writes the curves of the data set into the graph file that belongs to dataFilePath.
  // 0 on success, a negative code on failure.
  virtual int graphSave(const std::string& dataFilePath) = 0;
  // The same around the replacement of the data file: prepare once its new content lies
  // complete in writtenAs (a failure keeps the old data file), commit after it replaced the
  // data file, abandon when it did not. A store without the two steps writes it all at commit.
  virtual int graphSavePrepare(const std::string& /*dataFilePath*/,
                               const std::filesystem::path& /*writtenAs*/) {
    return 0;
  }
  virtual int graphSaveCommit(const std::string& dataFilePath) { return graphSave(dataFilePath); }
  virtual void graphSaveAbandon() {}
  // Why the last graph file save failed, when the file system said so.
  virtual std::error_code lastGraphError() const { return {}; }
  // Opens and indexes the graph file that belongs to dataFilePath after a load.
  virtual int graphLoad(const std::string& dataFilePath) = 0;
  // Closes the graph files.
  virtual int graphFileCloseAll() = 0;
  // Starts a fresh backup for the data file (after open and after every save).
  virtual int refreshBackup(const std::string& dataFilePath) = 0;
  // Ends the backup of the closed data set.
  virtual int closeBackup() = 0;
};

} // namespace zv
