// The graph file reader: the record walk of the store, and the index and curve reading of the
// data set's graph file over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_rig.hpp"
#include "memory_fs.hpp"
#include "storage/zv_graphfile.hpp"
#include "support/zv_graphfile_store.hpp"

namespace {

using namespace zv;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryFileSystem fs;
  fs.files["/d/A.BIN"] = "data";
  fs.files["/d/A.BIN.GRF"].assign(reinterpret_cast<const char*>(data), size);

  // The raw walk.
  {
    GraphFileStore store(fs);
    store.GraphFileSetDatafileName("/d/A.BIN");
    if (store.GraphFileOpen() != 0)
      std::abort();
    std::int32_t version = 0;
    if (store.GraphFileReadVersion(version) == 0 && version == GraphFileVersion) {
      int records = 0;
      for (int more = store.GraphSetFileFirstPos(); more > 0 && records < 10000; ++records) {
        const auto pos = store.GraphFileGetFilePos();
        GraphRecordHeader h;
        if (store.datfileReadHeader(h) != 0)
          break;
        if (h.pointCount < 0 || pos + GraphRecordOverhead + h.pointCount * 8ull > size)
          std::abort(); // a header that passed must lie inside the file
        std::vector<double> points;
        store.GraphFileReadPoints(h, points);
        more = store.GraphSetFileNextPos(h, pos);
      }
    }
  }

  // Index and curves of a data set, as after a load (the stamp check is skipped here).
  fuzz::ModelRig rig;
  DataSetModel& model = rig.model;
  Reporter& reporter = rig.reporter;
  const Language& lang = rig.lang;
  model.createDataSet();
  model.addSamples(3);
  model.addStorages(3);
  for (int s = 0; s < 3; ++s)
    for (int t = 0; t < 3; ++t)
      model.addMeasurements(s, t, 3);
  GraphFileStore store(fs);
  GraphFile graph(model, store, reporter, fs);
  if (graph.graphOpen("/d/A.BIN") != 0)
    return 0;
  if (graph.graphIndex() != 0)
    return 0;
  int curves = 0;
  for (int s = 0; s < 3; ++s)
    for (int t = 0; t < 3; ++t)
      for (int k = 0; k < 3; ++k) {
        Measurement* m = model.measurementAt(s, t, k);
        curves += m->graphFilePos > 0;
        if (graph.graphReadCurve(m) == 0 && m->hasPoints() &&
            static_cast<std::int32_t>(m->points.size()) != m->pointCount)
          std::abort();
      }
  if (curves != model.dataSet()->plotCount)
    std::abort();
  return 0;
}
