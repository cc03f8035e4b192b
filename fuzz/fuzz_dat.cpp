// The text data set reader on arbitrary bytes: it must fail cleanly or build a grid that
// keeps every invariant of the model.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_rig.hpp"
#include "storage/zv_datafile_txt.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zv::fuzz::ModelRig rig;
  rig.model.createDataSet();
  zv::TextDataFile file(rig.model, rig.reporter);
  zv::MemoryFile bytes(std::string_view(reinterpret_cast<const char*>(data), size));
  int r = file.openTextReadFile(bytes);
  if (r == 0) {
    r = file.readTextDataSet(nullptr);
    file.closeTextReadFile();
  }
  if (r == 0)
    zv::fuzz::abortUnlessGridIsSound(rig.model);
  return 0;
}
