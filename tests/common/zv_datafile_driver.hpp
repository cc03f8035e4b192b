#pragma once
// Drives the program's data file handling (DataFileHandler) the way the File menu and the
// restore do, without the dialogs, and reads back what each call recorded in the error log.
// The results tests check (did the graph file attach, did the backup start) are the handler's
// own reports, not something a stand-in remembered.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/zv_testdir.hpp"
#include "storage/zv_datafile.hpp"
#include "support/zv_errorlog.hpp"

namespace zv::test {

// One line of the error log.
struct LoggedError {
  int code = 0;
  int detail = 0;
  std::string title;
  std::string message;
};

// The error log's records from byte offset `from` on.
inline std::vector<LoggedError> loggedErrors(const std::filesystem::path& log,
                                             std::uint64_t from = 0) {
  const std::string text = TestDir::readFile(log);
  std::vector<LoggedError> out;
  std::size_t at = from <= text.size() ? static_cast<std::size_t>(from) : 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (fields.size() < 5)
      continue;
    out.push_back(
        {std::atoi(fields[1].c_str()), std::atoi(fields[2].c_str()), fields[3], fields[4]});
  }
  return out;
}

class DataFileDriver {
public:
  DataFileDriver(DataFileHandler& files, const ErrorLog& errorLog)
      : files_(files), errorLog_(errorLog) {}

  DataFileHandler& handler() { return files_; }
  std::filesystem::path current() const {
    const auto& s = files_.state();
    return std::filesystem::path(s.dataDirectory) / s.dataFileName;
  }

  // File > Save As with path answered in the dialog.
  int saveAs(const std::filesystem::path& path) {
    begin();
    files_.setChosenFile(path);
    files_.useChosenFile();
    return files_.saveDataSet();
  }
  // File > Save.
  int save() {
    begin();
    return files_.saveDataSet();
  }
  // File > Open of path, the changes of the open data set rejected: close without asking,
  // load with a fresh backup; a failed load closes what was read.
  int open(const std::filesystem::path& path) {
    begin();
    files_.setChosenFile(path);
    if (int r = files_.closeDataSet(std::nullopt); r != 0)
      return r;
    files_.useChosenFile();
    const int r = files_.loadDataSetReport(1);
    if (r != 0)
      files_.closeDataSet(std::nullopt);
    return r;
  }
  // The load the restore does: no backup is started.
  int loadWithoutRefresh(const std::filesystem::path& path) {
    begin();
    files_.setDataFile(path);
    return files_.loadDataSetReport(0);
  }
  // File > Close after the changes were rejected.
  int close() {
    begin();
    return files_.closeDataSet(std::nullopt);
  }

  // What the last call recorded.
  std::vector<LoggedError> reported() const { return loggedErrors(errorLog_.path(), mark_); }
  // The detail of the last record of code since the last call; 0 when there is none.
  int reportedDetail(int code) const {
    int detail = 0;
    for (const auto& e : reported())
      if (e.code == code)
        detail = e.detail;
    return detail;
  }
  // The graph file load of the last open or load: 0, or the code it failed with.
  int lastGraphLoad() const { return reportedDetail(DfLoadGraph); }
  // The backup refresh of the last save or open: 0, or the code it failed with.
  int lastRefresh() const {
    const int saved = reportedDetail(DfSaveBackup);
    return saved != 0 ? saved : reportedDetail(DfLoadBackup);
  }

private:
  void begin() {
    std::error_code ec;
    const auto size = std::filesystem::file_size(errorLog_.path(), ec);
    mark_ = ec ? 0 : size;
  }

  DataFileHandler& files_;
  const ErrorLog& errorLog_;
  std::uint64_t mark_ = 0;
};

} // namespace zv::test
