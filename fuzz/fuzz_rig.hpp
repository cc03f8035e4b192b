#pragma once
// What every reader under fuzzing needs around it: a data set model whose messages go nowhere
// (no popups, the error log into /dev/null), and the invariants a read grid must keep.
#include <cstdlib>

#include "core/zv_dataset.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_silent_ui.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"

namespace zv::fuzz {

struct ModelRig {
  StillClock clock;
  ErrorLog log{clock, "/dev/"};
  SilentUi ui;
  Reporter reporter{log, ui};
  Language lang;
  DataSetModel model{reporter, lang};

  ModelRig() { log.setPath("/dev/null"); }
};

// Every sample has the same storages, every storage at least one measurement, nothing beyond
// the limits, and every text within its field.
inline void abortUnlessGridIsSound(const DataSetModel& model) {
  const DataSet& d = *model.dataSet();
  const auto& limits = model.limits();
  if (d.samples.empty() || static_cast<int>(d.samples.size()) > limits.maxSamples)
    std::abort();
  for (const auto& s : d.samples) {
    if (s.storages.size() != d.samples.front().storages.size() || s.name.size() >= Sample::NameSize)
      std::abort();
    for (const auto& t : s.storages)
      if (t.measurements.empty() ||
          static_cast<int>(t.measurements.size()) > limits.maxMeasurements ||
          t.name.size() >= StorageCondition::NameSize ||
          t.evaluation.size() >= StorageCondition::EvaluationSize)
        std::abort();
  }
}

} // namespace zv::fuzz
