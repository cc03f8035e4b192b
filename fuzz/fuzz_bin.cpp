// The binary data set reader on arbitrary bytes: it must fail cleanly or build a grid that
// keeps every invariant of the model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/zv_clock.hpp"
#include "storage/zv_datafile_bin.hpp"

namespace {
class SilentUi final : public zv::Ui {
public:
  void popup(const std::string&, const std::string&) override {}
  int ask(const std::string&, const std::string&, const std::vector<std::string>&, int,
          int escape) override {
    return escape;
  }
  std::optional<std::string> promptText(const std::string&, const std::string&, const std::string&,
                                        int) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseFile(const zv::FileDialogSpec&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseDirectory(const std::string&,
                                                       const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::unique_ptr<zv::Progress> startProgress(const std::string&, const std::string&,
                                              const std::string&) override {
    return nullptr;
  }
  void setWaitCursor(bool) override {}
  void setClipboardText(const std::string&) override {}
  bool startProcess(const std::string&, const std::string&) override { return false; }
  bool openDocument(const std::filesystem::path&) override { return false; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zv::SystemClock clock;
  static SilentUi ui;
  static zv::ErrorLog errorLog(clock, "/dev/null");
  static bool once = (errorLog.setPath("/dev/null"), true);
  (void)once;
  zv::Reporter reporter(errorLog, ui);
  zv::Language lang;
  zv::AuftrModel model(reporter, lang);
  model.auftrCreate();
  zv::BinaryDataFile file(model, reporter, lang);
  const int r =
      file.readBinaryDataSet(std::string_view(reinterpret_cast<const char*>(data), size), nullptr);
  if (r == 0) {
    const zv::DataSet& d = *model.dataSet();
    const auto& limits = model.limits();
    if (d.samples.empty() || static_cast<int>(d.samples.size()) > limits.maxSamples)
      std::abort();
    for (const auto& s : d.samples) {
      if (s.storages.size() != d.samples.front().storages.size() || s.name.size() > 29)
        std::abort();
      for (const auto& t : s.storages)
        if (t.measurements.empty() ||
            static_cast<int>(t.measurements.size()) > limits.maxMeasurements ||
            t.name.size() > 29 || t.evaluation.size() > 19)
          std::abort();
    }
  }
  return 0;
}
