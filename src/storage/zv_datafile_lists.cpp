#include "storage/zv_datafile_lists.hpp"

#include "platform/zv_latin1.hpp"

namespace zv {

ListReplacements countListReplacements(const DataSetModel& model) {
  ListReplacements r;
  const DataSet* d = model.dataSet();
  if (!d)
    return r;
  const DeviceListSource& lists = model.deviceLists();
  for (const Sample& s : d->samples)
    for (const StorageCondition& t : s.storages) {
      if (lists.activePistons().find(t.range) < 0)
        ++r.ranges;
      if (lists.activeSpeeds().find(t.speed) < 0)
        ++r.speeds;
      if (lists.activeAreas().find(t.area) < 0)
        ++r.areas;
    }
  return r;
}

std::string listReplacementText(const ListReplacements& replaced, const std::string& deviceName,
                                const Language& lang) {
  if (replaced.total() == 0)
    return {};
  const std::string counts = std::to_string(replaced.ranges) + ", " +
                             std::to_string(replaced.speeds) + ", " +
                             std::to_string(replaced.areas);
  if (lang.english())
    return std::to_string(replaced.total()) + " storage values not in the lists of device \"" +
           deviceName +
           "\" were replaced by the first list entry (ranges, speeds, areas: " + counts + ")";
  return std::to_string(replaced.total()) +
         " Lagerungswerte, die nicht in den Listen des "
         "Gerätes \""_l1 +
         deviceName +
         "\" stehen, wurden durch den ersten Listeneintrag ersetzt (Kolben, "
         "Geschw., Flächen: "_l1 +
         counts + ")";
}

} // namespace zv
