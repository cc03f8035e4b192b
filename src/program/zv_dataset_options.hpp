#pragma once
// Options > Data Set: the data directory, "save graphic data" and the data file type, with
// what the program knows of the data set shown beside them. The dialog shows and collects;
// these functions fill, choose and apply.
#include <optional>
#include <string>

#include "support/zv_texts.hpp"

namespace zv {

class Program;

inline constexpr TextPair DataSetOptionsTitle{"Options - Data Set", "Optionen - Datensatz"};

// What the dialog edits.
struct DataSetOptions {
  std::string directory; // the data directory, in the file system's encoding
  bool saveGraph = true;
  int dataWrtTypeSelect = 0; // 0 binary (.BIN), 1 text (.DAT)
  bool typeEditable = true;  // the type stays fixed while a measurement runs
};
DataSetOptions dataSetOptions(const Program& program);

// What the dialog only shows. Without a data set loaded the counts and paths are empty.
struct DataSetInfo {
  std::string backupDirectory;
  std::string dataCode, samples, storages, measurements, plots;
  std::string dataFilePath;
  std::string graphFilePath; // empty when the data file has no graph file
};
DataSetInfo dataSetInfo(Program& program);

// The "Selection" button: the directory dialog "ZARVIK Datenverzeichnis" opened at `shown`;
// nullopt when cancelled.
std::optional<std::string> chooseDataDirectory(Program& program, const std::string& shown);

// OK. A directory longer than a path may be is refused with a message (false, nothing
// stored); otherwise the directory, the save-graph option and (unless fixed) the type are
// stored. The open data set keeps its own file: the directory is where the file dialogs start.
bool applyDataSetOptions(Program& program, const DataSetOptions& options);

} // namespace zv
