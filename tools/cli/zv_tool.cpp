#include "zv_tool.hpp"

#include <algorithm>
#include <cmath>
#include <ctime>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "core/zv_calculate.hpp"
#include "core/zv_export_tables.hpp"
#include "core/zv_test_report.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_file_replacement.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "platform/zv_process.hpp"
#include "platform/zv_silent_ui.hpp"
#include "program/zv_graph_backup.hpp"
#include "program/zv_program_report.hpp"
#include "program/zv_report_commands.hpp"
#include "program/zv_userdir.hpp"
#include "program/zv_workdir.hpp"
#include "storage/zv_datafile.hpp"
#include "storage/zv_devicefile.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_ini.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"

namespace zv::tool {

namespace {

#ifdef _WIN32
constexpr const char* NullDevice = "NUL";
#else
constexpr const char* NullDevice = "/dev/null";
#endif

// Nobody answers questions here: every question takes its escape answer, no file is chosen,
// and messages go to stderr.
class ToolUi final : public SilentUi {
public:
  explicit ToolUi(std::ostream& err) : err_(err) {}
  void popup(const std::string& title, const std::string& text) override {
    err_ << "zarvik-tool: " << latin1ToUtf8(title) << ": " << latin1ToUtf8(text) << '\n';
  }

private:
  std::ostream& err_;
};

class StderrLog final : public LogSink {
public:
  explicit StderrLog(std::ostream& err) : err_(err) {}
  void appendText(std::string_view text) override { err_ << latin1ToUtf8(text); }
  void appendLine(std::string_view line) override {
    if (!line.empty())
      err_ << "zarvik-tool: " << latin1ToUtf8(line) << '\n';
  }

private:
  std::ostream& err_;
};

// The graph file beside the data files, without a backup journal.
class GraphOnly final : public GraphBackupHooks {
public:
  explicit GraphOnly(GraphFile& graph) : graph_(graph) {}
  int graphSave(const std::string& path) override { return graph_.graphSave(pathFromBytes(path)); }
  int graphSavePrepare(const std::string& path, const std::filesystem::path& writtenAs) override {
    return graph_.graphSavePrepare(pathFromBytes(path), writtenAs);
  }
  int graphSaveCommit(const std::string& path) override {
    return graph_.graphSaveCommit(pathFromBytes(path));
  }
  void graphSaveAbandon() override { graph_.graphSaveAbandon(); }
  std::error_code lastGraphError() const override { return graph_.lastError(); }
  int graphLoad(const std::string& path) override { return graph_.graphLoad(pathFromBytes(path)); }
  int graphFileCloseAll() override { return graph_.graphFileCloseAll(); }
  int refreshBackup(const std::string&) override { return 0; }
  int closeBackup() override { return 0; }

private:
  GraphFile& graph_;
};

// The program's loading and saving, without windows.
class Session {
public:
  Session(const ToolSettings& settings, std::ostream& err)
      : settings_(settings), ui_(err), log_(err), errorLog_(clock_, NullDevice),
        reporter_(errorLog_, ui_) {
    errorLog_.setPath(NullDevice);
    reporter_.setLogTarget(&log_);
    texts_.select(lang_);
    model_.limits() = settings.limits;
    model_.setDeviceLists(&settings_.lists);
    files_.setDeviceNameSource([this] { return settings_.deviceName; });
  }

  // Converting: every record the file holds is loaded (up to the largest limits), the graph
  // file comes along, and the configured limits are checked afterwards.
  void prepareConversion() {
    model_.limits().setMaxSamples(DataSetLimits::Highest);
    model_.limits().setMaxStorages(DataSetLimits::Highest);
    model_.limits().setMaxMeasurements(DataSetLimits::Highest);
    files_.setHooks(&graphHooks_);
  }
  // The largest counts the loaded file holds: samples, storages per sample (as announced in
  // its header) and measurements of the fullest storage.
  DataSetLimits loadedSize() {
    const FileCounts& announced = files_.state().loadType == 0
                                      ? files_.binaryFile().lastFileCounts()
                                      : files_.textFile().lastFileCounts();
    DataSetLimits size;
    size.maxSamples = std::max(announced.samples, 1);
    size.maxStorages = std::max(announced.storages, 1);
    size.maxMeasurements = 0;
    if (const DataSet* d = model_.dataSet())
      for (const Sample& s : d->samples)
        for (const StorageCondition& t : s.storages)
          size.maxMeasurements =
              std::max(size.maxMeasurements, static_cast<std::int32_t>(t.measurements.size()));
    return size;
  }
  // Drops what lies beyond the limits, as loading with them would.
  void cutTo(const DataSetLimits& limits) {
    DataSet* d = model_.dataSet();
    if (!d)
      return;
    auto cut = [](auto& v, std::int32_t n) {
      if (static_cast<std::int32_t>(v.size()) > n)
        v.resize(static_cast<std::size_t>(n));
    };
    cut(d->samples, limits.maxSamples);
    for (Sample& s : d->samples) {
      cut(s.storages, limits.maxStorages);
      for (StorageCondition& t : s.storages)
        cut(t.measurements, limits.maxMeasurements);
    }
    model_.renumber();
  }
  // The graph file is written for the output when the input had one attached, or when the
  // output has one already (which is then kept aside, not left beside a file it does not fit).
  void saveGraphFor(const std::filesystem::path& out) {
    const bool outHasOne = std::filesystem::exists(GraphFileStore::graphPathFor(absolute(out)));
    files_.state().saveGraph = !graph_.attachedDataFile().empty() || outHasOne ? 1 : 0;
  }

  // 0, or the failure code after the reason went to stderr.
  int load(const std::filesystem::path& path, std::ostream& err) {
    files_.setDataFile(absolute(path));
    std::string message;
    const int r = files_.loadDataSet(0, message);
    if (r != 0) {
      err << "zarvik-tool: cannot load " << pathBytes(path) << ": "
          << (message.empty() ? std::string("error") : latin1ToUtf8(message)) << " (" << r << ")\n";
    }
    return r;
  }
  int save(const std::filesystem::path& path) {
    files_.setDataFile(absolute(path));
    return files_.saveDataSet();
  }
  const DataSet* dataSet() const { return model_.dataSet(); }
  DataSet* dataSet() { return model_.dataSet(); }
  // The curve of a measurement from the attached graph file.
  void readCurve(Measurement& m) { graph_.graphReadCurve(&m); }
  // Loading for an export: the graph file is opened as the program opens it.
  void attachGraphFiles() { files_.setHooks(&graphHooks_); }
  const std::string& dataFilePath() const { return files_.filePath(); }
  const GraphFileStore& graphStore() const { return graphStore_; }

private:
  // A bare file name means the current directory, which the file handling needs spelled out.
  static std::filesystem::path absolute(const std::filesystem::path& p) {
    std::error_code ec;
    const auto a = std::filesystem::absolute(p, ec);
    return ec ? p : a;
  }

  const ToolSettings& settings_;
  ToolUi ui_;
  StderrLog log_;
  SystemClock clock_;
  ErrorLog errorLog_;
  Reporter reporter_;
  Language lang_;
  ProgramTexts texts_;
  DataSetModel model_{reporter_, lang_};
  DataFileHandler files_{{model_, reporter_, ui_, lang_, texts_, realFileSystem()}};
  GraphFileStore graphStore_;
  GraphFile graph_{model_, graphStore_, reporter_};
  GraphOnly graphHooks_{graph_};
};

nlohmann::ordered_json text(const std::string& latin1) {
  return latin1ToUtf8(latin1);
}

// JSON has no NaN or infinity (nlohmann writes null for both): they are spelled as strings.
nlohmann::ordered_json number(double v) {
  if (std::isnan(v))
    return "NaN";
  if (std::isinf(v))
    return v > 0 ? "Infinity" : "-Infinity";
  return v;
}

} // namespace

// The lists of the measuring channel's device file, as the program loads them at start-up.
// A missing or unusable file keeps the built-in lists.
static void loadActiveDeviceLists(const ConfigValues& values, ToolSettings& settings) {
  const int channel = values.measParams.hardChn == 1 ? 1 : 0;
  const std::string& path = values.devices[static_cast<std::size_t>(channel)].path;
  if (path.empty())
    return;
  IniHandle document = Ini_New(0);
  if (!document || Ini_ReadFromFile(document, pathFromBytes(path)) != 0)
    return;
  TesterDevice device;
  bool tookSomething = false;
  readDeviceDocument(document, device, nullptr, &tookSomething);
  if (!tookSomething)
    return;
  settings.lists.pistons = device.pistons;
  settings.lists.speeds = device.speeds;
  settings.lists.areas = device.areas;
  settings.deviceName = latin1ToUtf8(device.name) + " (" + path + ")";
}

bool loadToolSettings(const std::optional<std::filesystem::path>& configPath,
                      ToolSettings& settings, std::string& error) {
  settings = ToolSettings{};
  SettingsFileRegistry registry;
  const ToolConfiguration config = loadToolConfiguration(configPath, registry);
  // A named configuration must be readable; the user's own one is used when it can be read,
  // as the program does.
  const bool unreadable = config.result == IniCannotOpen || config.result == IniReadError ||
                          config.result == IniOutOfMemory;
  if (configPath && unreadable) {
    error = "cannot read the configuration " + configPath->string() + " (" +
            std::to_string(config.result) + ")";
    return false;
  }
  if (!unreadable) {
    settings.limits = config.values.limits;
    settings.bond = {config.values.measParams.offset_press, config.values.measParams.gain_press};
    loadActiveDeviceLists(config.values, settings);
  }
  settings.configFile = unreadable ? std::filesystem::path() : config.file;
  if (!unreadable)
    settings.config = config.values;
  return true;
}

// A tester device as its file holds it; the built-in one when the file cannot be read.
static TesterDevice deviceOf(const DeviceFileLocation& location) {
  TesterDevice device;
  if (!location.path.empty()) {
    IniHandle document = Ini_New(0);
    if (document && Ini_ReadFromFile(document, pathFromBytes(location.path)) == 0)
      readDeviceDocument(document, device, nullptr, nullptr);
  }
  return device;
}

// Name and serial number of a tester device as its file holds them.
static ReportValues::Tester testerOf(const DeviceFileLocation& location) {
  const TesterDevice device = deviceOf(location);
  return {device.name, device.serialNumber, location.path};
}

// The report's values as the program would have them with this configuration, without an
// acquisition box.
static ReportValues toolReportValues(const ToolSettings& settings, const Session& session,
                                     const ToolHost& host) {
  const ConfigValues& c = settings.config;
  // The user directory is the configuration's; without one the program's fallback.
  std::filesystem::path base = fallbackDirectory();
  if (!settings.configFile.empty())
    base = settings.configFile.parent_path() / "";
  ReportValues v;
  v.time = localTime(host.clock.now());
  v.installDirectory = pathBytes(host.installDirectory);
  v.supportVersion = BackupJournal::GetBackupVersion();
  v.backupDirectory = pathBytes(GraphBackup::backupDirectoryIn(base));
  v.graphDirectory = pathBytes(GraphBackup::graphDirectoryIn(base));
  v.configPath = pathBytes(settings.configFile);
  v.logFilePath = pathBytes(base / "zarviklog.txt");
  v.clipboard = c.clipboard;
  v.limits = c.limits;
  v.measParams = c.measParams;
  for (std::size_t i = 0; i < 2; ++i)
    v.testers[i] = testerOf(c.devices[i]);
  v.dataWrtTypeSelect = c.dataWrtTypeSelect;
  v.saveGraph = c.saveGraph;
  v.dataFilePath = session.dataFilePath();
  const GraphFileStore& graphs = session.graphStore();
  if (graphs.GraphFileIsOpen())
    v.openGraph = ReportValues::OpenGraph{pathBytes(graphs.GraphFileGetGraphPath()),
                                          pathBytes(graphs.GraphFileGetDataPath())};
  return v;
}

// The text of `export`: 0, or the builder's code.
static int exportText(const std::string& what, Session& session, const ToolSettings& settings,
                      char separator, const ToolHost& host, std::string& text) {
  const ExportFormat format = exportFormatOf(settings.config.clipboard, separator);
  const Language language{settings.config.language};
  if (what == "table")
    return orderTableText(session.dataSet(), settings.bond, format, exportWords(language), text);
  if (what == "data")
    return dataTableText(session.dataSet(), settings.bond, format, exportWords(language), text);
  text = programReportText(toolReportValues(settings, session, host), separator);
  return 0;
}

int withTestReport(const std::filesystem::path& file,
                   const std::optional<std::filesystem::path>& configPath, std::ostream& err,
                   const std::function<int(const TestReport&, const ToolSettings&)>& use) {
  ToolSettings settings;
  std::string problem;
  if (!loadToolSettings(configPath, settings, problem)) {
    err << "zarvik-tool: " << problem << '\n';
    return ExitSettings;
  }
  Session session(settings, err);
  session.attachGraphFiles();
  if (session.load(file, err) != 0)
    return ExitLoad;
  const ConfigValues& c = settings.config;
  const ReportTester testers[2] = {reportTesterOf(deviceOf(c.devices[0])),
                                   reportTesterOf(deviceOf(c.devices[1]))};
  ReportSources sources;
  sources.factors = settings.bond;
  sources.limits = c.report.limits;
  sources.bondUnit = c.measParams.unit_press;
  sources.forceDecimals = std::clamp(c.display.decimalPlaces, 0, 10);
  sources.tensionDecimals = exportFormatOf(c.clipboard, '.').decimals;
  sources.testers[0] = &testers[0];
  sources.testers[1] = &testers[1];
  sources.loadCurve = [&session](Measurement& m) { session.readCurve(m); };
  sources.madeAt = std::time(nullptr);
  return use(buildTestReport(*session.dataSet(), sources), settings);
}

int writeWhole(const std::filesystem::path& file, const std::string& bytes, std::ostream& err) {
  const ReplaceResult r =
      replaceFile(realFileSystem(), file, ReplaceOptions{}, [&](FileWriter& out) {
        out.write(bytes.data(), bytes.size());
        return std::error_code();
      });
  if (r.ok())
    return ExitOk;
  err << "zarvik-tool: cannot write " << pathBytes(file) << ": " << r.error.message() << '\n';
  return ExitSave;
}

std::string dataSetJson(const DataSet& d, const BondTensionFactors& bond) {
  using json = nlohmann::ordered_json;
  json root;
  root["title"] = text(d.title);
  root["identNumber"] = text(d.identNumber);
  root["identName"] = text(d.identName);
  root["dataCode"] = d.dataCode;
  root["sampleCount"] = d.sampleCount;
  root["storageCount"] = d.storageCount;
  root["measurementTotal"] = d.measurementTotal;
  json samples = json::array();
  for (const Sample& s : d.samples) {
    json sample;
    sample["index"] = s.index;
    sample["name"] = text(s.name);
    json storages = json::array();
    for (const StorageCondition& t : s.storages) {
      json storage;
      storage["sampleIndex"] = t.sampleIndex;
      storage["storageIndex"] = t.storageIndex;
      storage["name"] = text(t.name);
      storage["evaluation"] = text(t.evaluation);
      storage["range"] = number(t.range);
      storage["speed"] = number(t.speed);
      storage["area"] = number(t.area);
      json measurements = json::array();
      std::vector<double> counted;
      for (const Measurement& m : t.measurements) {
        json meas;
        const double tension = bondTensionOf(m.force, m.area, bond);
        if (m.inStatistics)
          counted.push_back(tension);
        meas["measurementIndex"] = m.measurementIndex;
        meas["force"] = number(m.force);
        meas["bondTension"] = number(tension);
        meas["status"] = m.status;
        meas["inStatistics"] = m.inStatistics;
        meas["pointCount"] = m.pointCount;
        meas["range"] = number(m.range);
        meas["area"] = number(m.area);
        meas["speed"] = number(m.speed);
        meas["channel"] = m.channel;
        meas["deviceName"] = text(m.deviceName.str());
        meas["curveRate"] = m.curveRate;
        measurements.push_back(std::move(meas));
      }
      const StorageStatistics st = statisticsOf(counted);
      storage["statistics"] = {{"statCount", st.statCount},     {"mean", number(st.mean)},
                               {"sa", number(st.sa)},           {"vb", number(st.vb)},
                               {"minimum", number(st.minimum)}, {"maximum", number(st.maximum)}};
      storage["measurements"] = std::move(measurements);
      storages.push_back(std::move(storage));
    }
    sample["storages"] = std::move(storages);
    samples.push_back(std::move(sample));
  }
  root["samples"] = std::move(samples);
  return root.dump(2);
}

// Whether two names reach the same file (links followed), or would once the second exists.
static bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec))
    return true;
  std::error_code ea, eb;
  const auto ca = std::filesystem::weakly_canonical(a, ea);
  const auto cb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && ca == cb;
}

// Where the tool itself lies.
static std::filesystem::path ownDirectory(const std::vector<std::string>& args) {
  if (const auto self = runningExecutable(); !self.empty())
    return self.parent_path();
  return args.empty() ? std::filesystem::path() : pathFromBytes(args[0]).parent_path();
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static const SystemClock clock;
  return runTool(args, out, err, {clock, ownDirectory(args)});
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ToolHost& host) {
  CLI::App app{"zarvik-tool: convert and inspect data set files (.BIN, .DAT)"};
  app.require_subcommand(1);
  app.fallthrough();
  std::string config;
  app.add_option("--config", config,
                 "configuration (ZARVIK.INI) whose limits the files are loaded with");

  std::string in, outPath;
  bool force = false;
  bool cut = false;
  auto* convert = app.add_subcommand(
      "convert", "read IN, write OUT; .BIN or .DAT by extension; the graph file comes along");
  convert->add_option("IN", in, "data set file to read")->required();
  convert->add_option("OUT", outPath, "data set file to write")->required();
  convert->add_flag("--force", force, "replace an existing OUT");
  convert->add_flag("--cut", cut,
                    "drop the samples, storages and measurements beyond the configured limits");
  std::string dumpPath;
  auto* dump = app.add_subcommand("dump", "print the data set as JSON");
  dump->add_option("FILE", dumpPath, "data set file to read")->required();
  std::string exportWhat, exportPath;
  bool comma = false;
  auto* exporter = app.add_subcommand(
      "export", "print the order table, the data table or the program report as the program "
                "copies it to the clipboard");
  exporter->add_option("WHAT", exportWhat, "table, data or report")
      ->required()
      ->check(CLI::IsMember({"table", "data", "report"}));
  exporter->add_option("FILE", exportPath, "data set file to read")->required();
  exporter->add_flag("--comma", comma, "decimal comma instead of the decimal point");
  std::string reportPath, csvPath;
  auto* reporter = app.add_subcommand(
      "report", "write the test report (time to failure, loading rate, limits) as CSV");
  reporter->add_option("FILE", reportPath, "data set file to read")->required();
  reporter->add_option("--csv", csvPath, "CSV file to write")->required();
  reporter->add_flag("--comma", comma, "decimal comma and ';' between the fields");

  std::vector<const char*> argv;
  for (const auto& a : args)
    argv.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  const auto configPath =
      config.empty() ? std::nullopt : std::optional<std::filesystem::path>(pathFromBytes(config));
  if (*reporter)
    return withTestReport(pathFromBytes(reportPath), configPath, err,
                          [&](const TestReport& report, const ToolSettings& settings) {
                            const Language language{settings.config.language};
                            return writeWhole(pathFromBytes(csvPath),
                                              testReportCsv(report, language, comma ? ',' : '.'),
                                              err);
                          });

  ToolSettings settings;
  std::string problem;
  if (!loadToolSettings(configPath, settings, problem)) {
    err << "zarvik-tool: " << problem << '\n';
    return ExitSettings;
  }
  Session session(settings, err);

  if (*dump) {
    if (session.load(pathFromBytes(dumpPath), err) != 0)
      return ExitLoad;
    out << dataSetJson(*session.dataSet(), settings.bond) << '\n';
    return ExitOk;
  }

  if (*exporter) {
    session.attachGraphFiles();
    if (session.load(pathFromBytes(exportPath), err) != 0)
      return ExitLoad;
    std::string text;
    if (int r = exportText(exportWhat, session, settings, comma ? ',' : '.', host, text); r != 0) {
      err << "zarvik-tool: " << exportPath << ": the " << exportWhat
          << " cannot be built from this data set (" << r << ")\n";
      return ExitLoad;
    }
    out << latin1ToUtf8(text);
    return ExitOk;
  }

  const std::filesystem::path inFile = pathFromBytes(in);
  const std::filesystem::path outFile = pathFromBytes(outPath);
  if (dataFormatOfName(pathBytes(outFile.filename())) < 0) {
    err << "zarvik-tool: " << outPath << ": the output must end in .BIN or .DAT\n";
    return ExitUsage;
  }
  std::error_code ec;
  if (sameFile(inFile, outFile)) {
    err << "zarvik-tool: " << in << " and " << outPath
        << " are the same file; a file is never converted onto itself\n";
    return ExitUsage;
  }
  if (!force && std::filesystem::exists(outFile, ec)) {
    err << "zarvik-tool: " << outPath << " exists; use --force to replace it\n";
    return ExitUsage;
  }
  session.prepareConversion();
  if (session.load(inFile, err) != 0)
    return ExitLoad;
  const DataSetLimits size = session.loadedSize();
  const DataSetLimits& limits = settings.limits;
  if (size.maxSamples > limits.maxSamples || size.maxStorages > limits.maxStorages ||
      size.maxMeasurements > limits.maxMeasurements) {
    if (!cut) {
      err << "zarvik-tool: " << in << " holds " << size.maxSamples << " samples of "
          << size.maxStorages << " storages with up to " << size.maxMeasurements
          << " measurements; "
          << (settings.configFile.empty() ? std::string("the built-in limits")
                                          : "the limits of " + pathBytes(settings.configFile))
          << " are " << limits.maxSamples << ", " << limits.maxStorages << " and "
          << limits.maxMeasurements
          << ", so converting would drop data. Name a configuration with higher limits with "
             "--config (\"Maximale Probenzahl\", \"Maximale Lagerungszahl\", \"Maximale "
             "Messungszahl\" in [INFO], at most "
          << DataSetLimits::Highest << "), or keep only what fits with --cut\n";
      return ExitLimits;
    }
    session.cutTo(limits);
  }
  session.saveGraphFor(outFile);
  if (int r = session.save(outFile); r != 0) {
    err << "zarvik-tool: cannot write " << outPath << " (" << r << ")\n";
    return ExitSave;
  }
  return ExitOk;
}

} // namespace zv::tool
