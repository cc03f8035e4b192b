#include "program/zv_dataset_options.hpp"

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "program/zv_program.hpp"

namespace zv {

namespace {
const TextPair directoryTooLong{"The directory name is too long (at most 259 characters).",
                                "Der Verzeichnisname ist zu lang (höchstens 259 Zeichen)."_l1};
constexpr std::size_t DirectoryField = 259;
} // namespace

DataSetOptions dataSetOptions(const Program& p) {
  const DataFileState& s = p.data.files.state();
  return {s.dataDirectory, s.saveGraph != 0, s.dataWrtTypeSelect, !p.isMeasuring()};
}

DataSetInfo dataSetInfo(Program& p) {
  DataSetInfo info;
  info.backupDirectory = pathBytes(p.data.graphBackup.journal.backupDir());
  const DataSet* d = p.data.model.dataSet();
  if (!d || !p.data.isLoaded())
    return info;
  info.dataCode = std::to_string(d->dataCode);
  info.samples = std::to_string(d->sampleCount);
  info.storages = std::to_string(d->storageCount);
  info.measurements = std::to_string(d->measurementTotal);
  info.plots = std::to_string(d->plotCount);
  info.dataFilePath = p.data.filePath();
  const std::filesystem::path graph = p.data.graphBackup.graphStore.GraphFileGetGraphPath();
  if (!graph.empty() && p.fileSystem->exists(graph))
    info.graphFilePath = pathBytes(graph);
  return info;
}

std::optional<std::string> chooseDataDirectory(Program& p, const std::string& shown) {
  const auto chosen = p.ui.chooseDirectory("ZARVIK Datenverzeichnis", pathFromBytes(shown));
  if (!chosen || chosen->empty())
    return std::nullopt;
  return chosen->string();
}

bool applyDataSetOptions(Program& p, const DataSetOptions& o) {
  if (o.directory.size() > DirectoryField) {
    p.ui.popup(p.lang.pick(DataSetOptionsTitle), p.lang.pick(directoryTooLong));
    return false;
  }
  DataFileState& s = p.data.files.state();
  s.dataDirectory = o.directory;
  s.saveGraph = o.saveGraph ? 1 : 0;
  if (!p.isMeasuring() && (o.dataWrtTypeSelect == 0 || o.dataWrtTypeSelect == 1))
    s.dataWrtTypeSelect = o.dataWrtTypeSelect;
  return true;
}

} // namespace zv
