// The text data set reader on arbitrary bytes: it must fail cleanly or build a grid that
// keeps every invariant of the model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/zv_clock.hpp"
#include "platform/zv_silent_ui.hpp"
#include "storage/zv_datafile_txt.hpp"

namespace {
using SilentUi = zv::SilentUi;
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
  zv::TextDataFile file(model, reporter);
  zv::MemoryFile bytes(std::string_view(reinterpret_cast<const char*>(data), size));
  int r = file.openTextReadFile(bytes);
  if (r == 0) {
    r = file.readTextDataSet(nullptr);
    file.closeTextReadFile();
  }
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
