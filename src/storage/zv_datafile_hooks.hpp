#pragma once
// What the data set file handling asks of the graph and backup storage. The graph and backup
// store implements it; until one is attached the file handling runs without curves and backup.
#include <string>

namespace zv {

class GraphBackupHooks {
public:
  virtual ~GraphBackupHooks() = default;
  // Writes the curves of the data set into the graph file that belongs to dataFilePath.
  // 0 on success, a negative code on failure.
  virtual int graphSave(const std::string& dataFilePath) = 0;
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
