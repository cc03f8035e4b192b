#include "program/zv_program_report.hpp"

#include <cstdio>

#include "core/zv_format.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "program/zv_program.hpp"

namespace zv {

namespace {

// Parts of a report line besides plain text and integers.
struct Fixed { // "%f[w8p3]": a field of 8 with three decimals
  double value;
};
struct Width { // an integer right-aligned in a field
  long long value;
  int width;
};
struct Hex { // "%d[ur16]"
  unsigned value;
};
struct Path { // in Latin-1, "?" for what it lacks
  const std::string& bytes;
};

// Writes the report; numbers never depend on the process locale.
class ReportWriter {
public:
  explicit ReportWriter(char separator) : separator_(separator) {}
  ReportWriter& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  ReportWriter& operator<<(char c) {
    text_ += c;
    return *this;
  }
  ReportWriter& operator<<(long long value) {
    appendInt(text_, value);
    return *this;
  }
  ReportWriter& operator<<(int value) { return *this << static_cast<long long>(value); }
  ReportWriter& operator<<(Fixed f) {
    appendFixed(text_, f.value, 8, 3, separator_);
    return *this;
  }
  ReportWriter& operator<<(Width w) {
    appendInt(text_, w.value, w.width);
    return *this;
  }
  ReportWriter& operator<<(Hex h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", h.value);
    return *this << std::string_view(buf);
  }
  ReportWriter& operator<<(Path p) { return *this << std::string_view(pathText(p.bytes)); }
  std::string take() { return std::move(text_); }

private:
  std::string text_;
  char separator_;
};

} // namespace

ReportValues reportValues(const Program& p, std::time_t when) {
  ReportValues v;
  v.time = localTime(when);
  v.installDirectory = pathBytes(p.executableDirectory);
  v.supportVersion = BackupJournal::GetBackupVersion();
  v.backupDirectory = pathBytes(p.data.graphBackup.journal.backupDir());
  v.graphDirectory = pathBytes(p.data.graphBackup.graphStore.GraphFileGetTempPath());
  v.configPath = p.configPath;
  v.logFilePath = pathBytes(p.logFilePath);
  v.clipboard = p.config.clipboard;
  v.limits = p.data.model.limits();
  v.measParams = p.meas.params;
  for (int i = 0; i < 2; ++i)
    if (const TesterDevice* d = p.meas.devices.device(i))
      v.testers[static_cast<std::size_t>(i)] = {d->name, d->serialNumber, d->path};
  v.dataWrtTypeSelect = p.data.files.state().dataWrtTypeSelect;
  v.saveGraph = p.data.files.state().saveGraph;
  v.dataFilePath = p.data.filePath();
  const GraphFileStore& graphs = p.data.graphBackup.graphStore;
  if (graphs.GraphFileIsOpen())
    v.openGraph = ReportValues::OpenGraph{pathBytes(graphs.GraphFileGetGraphPath()),
                                          pathBytes(graphs.GraphFileGetDataPath())};
  return v;
}

std::string programReportText(const ReportValues& v, char separator) {
  const MeasParams& mp = v.measParams;
  const ClipboardSettings& c = v.clipboard;
  const std::tm& t = v.time;
  ReportWriter r(separator);
  r << '\n';
  r << "Report - ZARVIK 2012 - " << t.tm_mday << '.' << t.tm_mon + 1 << '.' << t.tm_year + 1900
    << '-' << t.tm_hour << ':' << t.tm_min << ':' << t.tm_sec << '\n';
  r << "Program - Version= " << Width{ProgramVersion / 10, 2} << '.'
    << Width{ProgramVersion % 10, 2} << '\n';
  r << "Program - Datacode= " << Width{ProgramCode, 5} << '\n';
  r << "Program - Installationsverzeichnis= " << Path{v.installDirectory} << '\n';
  r << "Program - Version zo_raz.dll= " << v.supportVersion << '\n';
  r << "Files - Backup Verzeichnis= " << Path{v.backupDirectory} << '\n';
  r << "Files - Temporäres Graphik File= "_l1 << Path{v.graphDirectory} << '\n';
  r << "Files - INI File= " << Path{v.configPath} << '\n';
  r << "Files - Log File= " << Path{v.logFilePath} << '\n';
  r << "Options - OptKomma= " << c.OptKomma << " TablePrec= " << c.TablePrec
    << " NumberWidth= " << c.NumberWidth << " ResultWidth= " << c.ResultWidth << '\n';
  r << "Options - MaxProbe= " << v.limits.maxSamples << " MaxLag= " << v.limits.maxStorages
    << " MaxMess= " << v.limits.maxMeasurements << '\n';
  r << "Hardware - DAQPAD6015 is defined\n";
  r << "Hardware - Device= " << static_cast<int>(mp.deviceNumber)
    << " DeviceName= " << mp.deviceName << " Serno= " << Hex{static_cast<unsigned>(mp.serialNumber)}
    << " Version= " << mp.daqVersionText << " Product= " << mp.productType << '\n';
  for (int i = 0; i < 2; ++i) {
    const ReportValues::Tester& tester = v.testers[static_cast<std::size_t>(i)];
    r << "Messung - Device " << i + 1 << " Name= " << tester.name
      << " Serno= " << tester.serialNumber << " Path= " << Path{tester.path} << '\n';
  }
  r << "Messung - hardChn= " << mp.hardChn << " sampleRate= " << mp.sampleRate
    << " average= " << mp.average << " gphPoints= " << mp.gphPoints
    << " nSpikeNum= " << mp.nSpikeNum << " dSpikeLim= " << Fixed{mp.dSpikeLim} << '\n';
  r << "Messung - dTrigDiffTime= " << Fixed{mp.dTrigDiffTime}
    << " dPostTrigTime= " << Fixed{mp.dPostTrigTime} << " startProzent= " << Fixed{mp.startProzent}
    << " startTime= " << Fixed{mp.startTime} << " stopProzent= " << Fixed{mp.stopProzent}
    << " stopTime= " << Fixed{mp.stopTime} << '\n';
  r << "Messung - forceLimit=" << Fixed{mp.forceLimit}
    << " forcLimitRelVal= " << Fixed{mp.forcLimitRelVal}
    << " forcLimitEnable= " << mp.forcLimitEnable << " unit_press= " << mp.unit_press
    << " offset_press= " << Fixed{mp.offset_press} << " gain_press= " << Fixed{mp.gain_press}
    << '\n';
  r << "Messung - UnitForce= [kN] UnitAreas= [mm2] UnitVeloc= [N/s] UnitTimes= [sec] "
       "UnitDaq= [Volt]\n";
  r << "Dataset - dataWrtTypeSelect= " << v.dataWrtTypeSelect << " saveGraph= " << v.saveGraph
    << " DataFilePath= " << Path{v.dataFilePath} << '\n';
  if (v.openGraph)
    r << "Dataset - GraphPath= " << Path{v.openGraph->graphPath}
      << " - DataPath= " << Path{v.openGraph->dataPath} << '\n';
  return r.take();
}

} // namespace zv
