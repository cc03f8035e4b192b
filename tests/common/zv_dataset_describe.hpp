#pragma once
// Comparable pictures of a data set, and recognisable test curves, for tests that check what a
// load, a save or a reload brought back.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/zv_dataset.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_crc32.hpp"

namespace zv::test {

// A text picture of the data set, for comparing two of them: names, parameters, results,
// and each curve by its length and checksum (curves not in memory are read through the
// graph file when a reader is given).
inline std::string describeDataSet(DataSetModel& model,
                                   const std::function<void(Measurement&)>& loadCurve = {}) {
  const DataSet* d = model.dataSet();
  if (!d)
    return "<none>";
  std::string out = d->title + "|" + d->identNumber + "|" + d->identName + "\n";
  char line[256];
  for (int s = 0; s < model.sampleCount(); ++s) {
    Sample& sample = *model.sampleAt(s);
    out += "S" + std::to_string(s) + " " + sample.name + "\n";
    for (int t = 0; t < static_cast<int>(sample.storages.size()); ++t) {
      StorageCondition& st = sample.storages[static_cast<std::size_t>(t)];
      std::snprintf(line, sizeof line, " T%d %s %s %.6g %.6g %.6g\n", t, st.name.c_str(),
                    st.evaluation.c_str(), st.range, st.speed, st.area);
      out += line;
      for (int k = 0; k < static_cast<int>(st.measurements.size()); ++k) {
        Measurement& m = st.measurements[static_cast<std::size_t>(k)];
        if (!m.hasPoints() && loadCurve)
          loadCurve(m);
        const std::size_t n = records::curvePoints(m);
        std::snprintf(line, sizeof line, "  M%d st%d on%d f%.9g ch%d %s n%d curve%zu/%08x\n", k,
                      m.status, m.inStatistics, m.force, m.channel, m.deviceName.c_str(),
                      m.pointCount, n, n ? crc32(m.points.data(), n * 8) : 0u);
        out += line;
      }
    }
  }
  return out;
}

// A recognisable curve: its values depend on the seed, so a curve attached to the wrong
// measurement shows.
inline std::vector<double> testCurve(int points, int seed) {
  std::vector<double> v(static_cast<std::size_t>(points));
  for (int i = 0; i < points; ++i)
    v[static_cast<std::size_t>(i)] = seed * 1000.0 + i * 0.25 + std::sin(i * 0.01 * (seed + 1));
  return v;
}

} // namespace zv::test
