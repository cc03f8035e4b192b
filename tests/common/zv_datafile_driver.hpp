#pragma once
// Drives the program's data file handling (DataFileHandler) the way the File menu and the
// restore do, without the dialogs, and reads back what each call recorded in the error log.
// The results tests check (did the graph file attach, did the backup start) are the handler's
// own reports, not something a stand-in remembered.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "common/zv_testdir.hpp"
#include "storage/zv_datafile.hpp"
#include "support/zv_errorlog.hpp"

namespace zv::test {

class DataFileDriver {
public:
  DataFileDriver(DataFileHandler& files, const ErrorLog& errorLog)
      : files_(files), errorLog_(errorLog) {}

  DataFileHandler& handler() { return files_; }
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
  // File > Close after the changes were rejected.
  int close() {
    begin();
    return files_.closeDataSet(std::nullopt);
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
  // The graph file load of the last open: 0, or the code it failed with.
  int lastGraphLoad() const { return reportedDetail(DfLoadGraph); }
  // The backup refresh of the last save or open: 0, or the code it failed with.
  int lastRefresh() const {
    const int saved = reportedDetail(DfSaveBackup);
    return saved != 0 ? saved : reportedDetail(DfLoadBackup);
  }

private:
  void begin() { mark_ = TestDir::readFile(errorLog_.path()).size(); }
  // The detail of the last record of code since the last call (records are "time\tcode\t
  // detail\ttitle\tmessage"); 0 when there is none.
  int reportedDetail(int code) const {
    const std::string text = TestDir::readFile(errorLog_.path());
    std::istringstream in(text.substr(std::min(mark_, text.size())));
    int detail = 0;
    for (std::string line, time; std::getline(in, line);) {
      std::istringstream fields(line);
      int c = 0, d = 0;
      if (std::getline(fields, time, '\t') && fields >> c >> d && c == code)
        detail = d;
    }
    return detail;
  }

  DataFileHandler& files_;
  const ErrorLog& errorLog_;
  std::size_t mark_ = 0;
};

} // namespace zv::test
