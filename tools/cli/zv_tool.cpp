#include "zv_tool.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "core/zv_calculate.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_silent_ui.hpp"
#include "program/zv_workdir.hpp"
#include "storage/zv_datafile.hpp"
#include "storage/zv_devicefile.hpp"
#include "storage/zv_ini.hpp"
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

  // 0, or the failure code after the reason went to stderr.
  int load(const std::filesystem::path& path, std::ostream& err) {
    files_.setDataFile(absolute(path));
    std::string message;
    const int r = files_.loadDataSet(0, message);
    if (r != 0) {
      err << "zarvik-tool: cannot load " << path.string() << ": "
          << (message.empty() ? std::string("error") : latin1ToUtf8(message)) << " (" << r << ")\n";
    }
    return r;
  }
  int save(const std::filesystem::path& path) {
    files_.setDataFile(absolute(path));
    return files_.saveDataSet();
  }
  const DataSet* dataSet() const { return model_.dataSet(); }

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
  AuftrModel model_{reporter_, lang_};
  bool dataLoaded_ = false;
  std::string dataFilePath_;
  DataFileHandler files_{
      {model_, reporter_, ui_, lang_, texts_, dataLoaded_, dataFilePath_, realFileSystem()}};
};

nlohmann::ordered_json text(const std::string& latin1) {
  return latin1ToUtf8(latin1);
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
  if (!document || Ini_ReadFromFile(document, path) != 0)
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
  return true;
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
    for (const Storage& t : s.storages) {
      json storage;
      storage["sampleIndex"] = t.sampleIndex;
      storage["storageIndex"] = t.storageIndex;
      storage["name"] = text(t.name);
      storage["evaluation"] = text(t.evaluation);
      storage["range"] = t.range;
      storage["speed"] = t.speed;
      storage["area"] = t.area;
      json measurements = json::array();
      std::vector<double> counted;
      for (const Measurement& m : t.measurements) {
        json meas;
        const double tension = bondTensionOf(m.force, m.area, bond);
        if (m.inStatistics)
          counted.push_back(tension);
        meas["measurementIndex"] = m.measurementIndex;
        meas["force"] = m.force;
        meas["bondTension"] = tension;
        meas["status"] = m.status;
        meas["inStatistics"] = m.inStatistics;
        meas["pointCount"] = m.pointCount;
        meas["range"] = m.range;
        meas["area"] = m.area;
        meas["speed"] = m.speed;
        meas["channel"] = m.channel;
        meas["deviceName"] = text(m.deviceName);
        meas["curveRate"] = m.curveRate;
        measurements.push_back(std::move(meas));
      }
      const StorageStatistics st = statisticsOf(counted);
      storage["statistics"] = {
          {"statCount", st.statCount}, {"mean", st.mean},      {"sa", st.sa}, {"vb", st.vb},
          {"minimum", st.minimum},     {"maximum", st.maximum}};
      storage["measurements"] = std::move(measurements);
      storages.push_back(std::move(storage));
    }
    sample["storages"] = std::move(storages);
    samples.push_back(std::move(sample));
  }
  root["samples"] = std::move(samples);
  return root.dump(2);
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"zarvik-tool: convert and inspect data set files (.BIN, .DAT)"};
  app.require_subcommand(1);
  app.fallthrough();
  std::string config;
  app.add_option("--config", config,
                 "configuration (ZARVIK.INI) whose limits the files are loaded with");

  std::string in, outPath;
  bool force = false;
  auto* convert = app.add_subcommand("convert", "read IN, write OUT; .BIN or .DAT by extension");
  convert->add_option("IN", in, "data set file to read")->required();
  convert->add_option("OUT", outPath, "data set file to write")->required();
  convert->add_flag("--force", force, "replace an existing OUT");
  std::string dumpPath;
  auto* dump = app.add_subcommand("dump", "print the data set as JSON");
  dump->add_option("FILE", dumpPath, "data set file to read")->required();

  std::vector<const char*> argv;
  for (const auto& a : args)
    argv.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  ToolSettings settings;
  std::string problem;
  if (!loadToolSettings(config.empty() ? std::nullopt
                                       : std::optional<std::filesystem::path>(config),
                        settings, problem)) {
    err << "zarvik-tool: " << problem << '\n';
    return ExitSettings;
  }
  Session session(settings, err);

  if (*dump) {
    if (session.load(dumpPath, err) != 0)
      return ExitLoad;
    out << dataSetJson(*session.dataSet(), settings.bond) << '\n';
    return ExitOk;
  }

  if (dataFormatOfName(std::filesystem::path(outPath).filename().string()) < 0) {
    err << "zarvik-tool: " << outPath << ": the output must end in .BIN or .DAT\n";
    return ExitUsage;
  }
  std::error_code ec;
  if (!force && std::filesystem::exists(outPath, ec)) {
    err << "zarvik-tool: " << outPath << " exists; use --force to replace it\n";
    return ExitUsage;
  }
  if (session.load(in, err) != 0)
    return ExitLoad;
  if (int r = session.save(outPath); r != 0) {
    err << "zarvik-tool: cannot write " << outPath << " (" << r << ")\n";
    return ExitSave;
  }
  return ExitOk;
}

} // namespace zv::tool
