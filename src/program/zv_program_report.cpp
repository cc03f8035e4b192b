#include "program/zv_program_report.hpp"

#include <cstdio>

#include "core/zv_format.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"

namespace zv {

namespace {

// Writes the report line by line; numbers never depend on the process locale.
class ReportWriter {
public:
  explicit ReportWriter(char separator) : separator_(separator) {}
  ReportWriter& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  ReportWriter& operator<<(long long value) {
    appendInt(text_, value);
    return *this;
  }
  ReportWriter& operator<<(int value) { return *this << static_cast<long long>(value); }
  // "%f[w8p3]": a field of 8 with three decimals.
  ReportWriter& fixed(double value) {
    appendFixed(text_, value, 8, 3, separator_);
    return *this;
  }
  ReportWriter& path(const std::string& fileSystemBytes) {
    return *this << pathText(fileSystemBytes);
  }
  ReportWriter& width(int value, int w) {
    appendInt(text_, value, w);
    return *this;
  }
  ReportWriter& hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", value);
    return *this << buf;
  }
  void endLine() { text_ += '\n'; }
  std::string take() { return std::move(text_); }

private:
  std::string text_;
  char separator_;
};

} // namespace

ReportValues reportValues(const Program& p, std::time_t when) {
  ReportValues v;
  v.time = localTime(when);
  v.installDirectory = p.executableDirectory.string();
  v.supportVersion = BackupJournal::GetBackupVersion();
  v.backupDirectory = p.graphBackup.journal.backupDir().string();
  v.graphDirectory = p.graphBackup.graphStore.GraphFileGetTempPath().string();
  v.configPath = p.configPath;
  v.logFilePath = p.logFilePath.string();
  v.clipboard = p.config.clipboard;
  v.limits = p.model.limits();
  v.measParams = p.measParams;
  for (int i = 0; i < 2; ++i)
    if (const TesterDevice* d = p.devices.device(i))
      v.testers[static_cast<std::size_t>(i)] = {d->name, d->serialNumber, d->path};
  v.dataWrtTypeSelect = p.dataFiles.state().dataWrtTypeSelect;
  v.saveGraph = p.dataFiles.state().saveGraph;
  v.dataFilePath = p.dataFilePath;
  const GraphFileStore& graphs = p.graphBackup.graphStore;
  if (graphs.GraphFileIsOpen())
    v.openGraph = ReportValues::OpenGraph{graphs.GraphFileGetGraphPath().string(),
                                          graphs.GraphFileGetDataPath().string()};
  return v;
}

std::string programReportText(const ReportValues& v, char separator) {
  ReportWriter r(separator);
  const MeasParams& mp = v.measParams;
  const ClipboardSettings& c = v.clipboard;
  r.endLine();
  r << "Report - ZARVIK 2012 - " << v.time.tm_mday << "." << v.time.tm_mon + 1 << "."
    << v.time.tm_year + 1900 << "-" << v.time.tm_hour << ":" << v.time.tm_min << ":"
    << v.time.tm_sec;
  r.endLine();
  r << "Program - Version= ";
  r.width(ProgramVersion / 10, 2) << ".";
  r.width(ProgramVersion % 10, 2).endLine();
  r << "Program - Datacode= ";
  r.width(ProgramCode, 5).endLine();
  r << "Program - Installationsverzeichnis= ";
  r.path(v.installDirectory).endLine();
  (r << "Program - Version zo_raz.dll= " << v.supportVersion).endLine();
  r << "Files - Backup Verzeichnis= ";
  r.path(v.backupDirectory).endLine();
  r << "Files - Temporäres Graphik File= "_l1;
  r.path(v.graphDirectory).endLine();
  r << "Files - INI File= ";
  r.path(v.configPath).endLine();
  r << "Files - Log File= ";
  r.path(v.logFilePath).endLine();
  (r << "Options - OptKomma= " << c.OptKomma << " TablePrec= " << c.TablePrec
     << " NumberWidth= " << c.NumberWidth << " ResultWidth= " << c.ResultWidth)
      .endLine();
  (r << "Options - MaxProbe= " << v.limits.maxSamples << " MaxLag= " << v.limits.maxStorages
     << " MaxMess= " << v.limits.maxMeasurements)
      .endLine();
  (r << "Hardware - DAQPAD6015 is defined").endLine();
  r << "Hardware - Device= " << static_cast<int>(mp.deviceNumber)
    << " DeviceName= " << mp.deviceName << " Serno= ";
  (r.hex(static_cast<unsigned>(mp.serialNumber))
   << " Version= " << mp.daqVersionText << " Product= " << mp.productType)
      .endLine();
  for (int i = 0; i < 2; ++i) {
    const ReportValues::Tester& t = v.testers[static_cast<std::size_t>(i)];
    r << "Messung - Device " << i + 1 << " Name= " << t.name << " Serno= " << t.serialNumber
      << " Path= ";
    r.path(t.path).endLine();
  }
  (r << "Messung - hardChn= " << mp.hardChn << " sampleRate= " << mp.sampleRate
     << " average= " << mp.average << " gphPoints= " << mp.gphPoints
     << " nSpikeNum= " << mp.nSpikeNum << " dSpikeLim= ")
      .fixed(mp.dSpikeLim)
      .endLine();
  r << "Messung - dTrigDiffTime= ";
  r.fixed(mp.dTrigDiffTime) << " dPostTrigTime= ";
  r.fixed(mp.dPostTrigTime) << " startProzent= ";
  r.fixed(mp.startProzent) << " startTime= ";
  r.fixed(mp.startTime) << " stopProzent= ";
  r.fixed(mp.stopProzent) << " stopTime= ";
  r.fixed(mp.stopTime).endLine();
  r << "Messung - forceLimit=";
  r.fixed(mp.forceLimit) << " forcLimitRelVal= ";
  r.fixed(mp.forcLimitRelVal) << " forcLimitEnable= " << mp.forcLimitEnable
                              << " unit_press= " << mp.unit_press << " offset_press= ";
  r.fixed(mp.offset_press) << " gain_press= ";
  r.fixed(mp.gain_press).endLine();
  (r << "Messung - UnitForce= [kN] UnitAreas= [mm2] UnitVeloc= [N/s] UnitTimes= [sec] "
        "UnitDaq= [Volt]")
      .endLine();
  r << "Dataset - dataWrtTypeSelect= " << v.dataWrtTypeSelect << " saveGraph= " << v.saveGraph
    << " DataFilePath= ";
  r.path(v.dataFilePath).endLine();
  if (v.openGraph) {
    r << "Dataset - GraphPath= ";
    r.path(v.openGraph->graphPath) << " - DataPath= ";
    r.path(v.openGraph->dataPath).endLine();
  }
  return r.take();
}

} // namespace zv
