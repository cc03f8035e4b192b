#include "storage/zv_dataset_settings.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/zv_latin1.hpp"
#include "storage/zv_list_sections.hpp"

namespace zv {

namespace {

constexpr const char* Info = "INFO";
constexpr const char* Vorgaben = "VORGABEN";
constexpr int PrefixBuffer = 30; // 29 characters

template <class Set>
void readLimit(IniDocument* doc, std::string_view key, DataSetLimits& limits, Set set) {
  if (Ini_ItemExists(doc, Info, key) != 1)
    return;
  std::int32_t v = 0;
  if (Ini_GetInt(doc, Info, key, &v) == 1)
    (limits.*set)(v);
}

void readInt(IniDocument* doc, std::string_view key, std::int32_t& target) {
  if (Ini_ItemExists(doc, Vorgaben, key) != 1)
    return;
  std::int32_t v = 0;
  if (Ini_GetInt(doc, Vorgaben, key, &v) == 1)
    target = v;
}

void readDouble(IniDocument* doc, std::string_view key, double& target) {
  if (Ini_ItemExists(doc, Vorgaben, key) == 1)
    Ini_GetDouble(doc, Vorgaben, key, &target);
}

void readText(IniDocument* doc, std::string_view key, std::string& target) {
  if (Ini_ItemExists(doc, Vorgaben, key) == 1)
    Ini_GetRawStringIntoBuffer(doc, Vorgaben, key, &target, PrefixBuffer);
}

} // namespace

void readInfoSection(IniDocument* doc, DataSetLimits& limits) {
  if (Ini_SectionExists(doc, Info) != 1)
    return;
  readLimit(doc, "Maximale Probenzahl", limits, &DataSetLimits::setMaxSamples);
  readLimit(doc, "Maximale Lagerungszahl", limits, &DataSetLimits::setMaxStorages);
  readLimit(doc, "Maximale Messungszahl", limits, &DataSetLimits::setMaxMeasurements);
}

void writeInfoSection(IniDocument* doc, const DataSetLimits& limits, int programCode,
                      int programVersion) {
  Ini_RemoveSection(doc, Info);
  Ini_PutInt(doc, Info, "Programmkennung", programCode);
  Ini_PutInt(doc, Info, "Programm-Version", programVersion);
  Ini_PutInt(doc, Info, "Maximale Probenzahl", limits.maxSamples);
  Ini_PutInt(doc, Info, "Maximale Lagerungszahl", limits.maxStorages);
  Ini_PutInt(doc, Info, "Maximale Messungszahl", limits.maxMeasurements);
}

void clampNewDataSetCounts(DataSetDefaults& d, const DataSetLimits& limits) {
  d.newSampleCount = std::clamp<std::int32_t>(d.newSampleCount, 1, std::max(1, limits.maxSamples));
  d.newStorageCount =
      std::clamp<std::int32_t>(d.newStorageCount, 1, std::max(1, limits.maxStorages));
}

void readDefaultsSection(IniDocument* doc, DataSetDefaults& d, const DataSetLimits& limits) {
  if (Ini_SectionExists(doc, Vorgaben) != 1)
    return;
  readText(doc, "Abriss", d.evaluation);
  readText(doc, "Lagername", d.storagePrefix);
  readText(doc, "Probenname", d.samplePrefix);
  readInt(doc, "Probenanzahl", d.newSampleCount);
  readInt(doc, "Lageranzahl", d.newStorageCount);
  readDouble(doc, "Kolbenrange", d.defaultRange);
  readDouble(doc, "Geschwindigkeit", d.defaultSpeed);
  readDouble(doc, "Fläche"_l1, d.defaultArea);
  clampNewDataSetCounts(d, limits);
}

void writeDefaultsSection(IniDocument* doc, const DataSetDefaults& d) {
  Ini_RemoveSection(doc, Vorgaben);
  Ini_PutRawString(doc, Vorgaben, "Abriss", d.evaluation);
  Ini_PutRawString(doc, Vorgaben, "Lagername", d.storagePrefix);
  Ini_PutRawString(doc, Vorgaben, "Probenname", d.samplePrefix);
  Ini_PutInt(doc, Vorgaben, "Probenanzahl", d.newSampleCount);
  Ini_PutInt(doc, Vorgaben, "Lageranzahl", d.newStorageCount);
  Ini_PutDouble(doc, Vorgaben, "Kolbenrange", d.defaultRange);
  Ini_PutDouble(doc, Vorgaben, "Geschwindigkeit", d.defaultSpeed);
  Ini_PutDouble(doc, Vorgaben, "Fläche"_l1, d.defaultArea);
}

int readEvaluationSection(IniDocument* doc, EvaluationList& list) {
  switch (loadEvaluationList(doc, list)) {
  case 0:
    return 0;
  case ListLoadNothingUsable:
    return ConfigNoEvaluationItem;
  default:
    return ConfigNoEvaluationSection;
  }
}

void writeEvaluationSection(IniDocument* doc, EvaluationList& list) {
  saveEvaluationList(doc, list);
}

} // namespace zv
