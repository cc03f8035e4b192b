#include "program/zv_graph_backup.hpp"

namespace zv {

GraphBackup::GraphBackup(DataSetModel& model, Reporter& reporter, const Language& language,
                         std::function<bool()> measuring, FileSystem& fs)
    : graphStore(fs), journal(fs), graph(model, graphStore, reporter, fs),
      store(model, graph, journal, reporter, language, fs) {
  store.setMeasuringQuery(std::move(measuring));
  model.setBackupSink(&store);
}

namespace {
std::filesystem::path subdirectory(const std::filesystem::path& base, const char* name) {
  return base / name / "";
}
} // namespace

std::filesystem::path GraphBackup::graphDirectoryIn(const std::filesystem::path& base) {
  return subdirectory(base, "Graph");
}

std::filesystem::path GraphBackup::backupDirectoryIn(const std::filesystem::path& base) {
  return subdirectory(base, "Backup");
}

void GraphBackup::setDirectories(const std::filesystem::path& graphDirectory,
                                 const std::filesystem::path& backupDirectory) {
  graphStore.GraphFileSetTempDir(graphDirectory);
  journal.SetBackupDir(backupDirectory);
}

int GraphBackup::reloadBackupAtStart() {
  if (!store.hasDataFileAccess())
    return 0;
  return store.reloadBackupAtStart();
}

} // namespace zv
