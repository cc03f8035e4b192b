#pragma once
// Loading puts storage ranges, speeds and areas that the active device does not offer back to
// the lists' first entries (renumber). The readers count them first, so the user learns
// how many values were replaced instead of seeing data change silently.
#include <string>

#include "core/zv_dataset.hpp"

namespace zv {

// The sample and storage counts a data set file's header announces (before the limits).
struct FileCounts {
  int samples = 0;
  int storages = 0;
};

struct ListReplacements {
  int ranges = 0;
  int speeds = 0;
  int areas = 0;
  int total() const { return ranges + speeds + areas; }
};

// Counts the storage values of the data set that the model's active lists do not hold.
ListReplacements countListReplacements(const DataSetModel& model);

// The log line for a load that replaced values; empty when nothing was replaced.
std::string listReplacementText(const ListReplacements& replaced, const std::string& deviceName,
                                const Language& lang);

} // namespace zv
