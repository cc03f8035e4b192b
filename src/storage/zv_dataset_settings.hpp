#pragma once
// The data set sections of the configuration: "INFO" (the grid limits), "VORGABEN" (what a new
// data set gets) and "ABRISS_LISTE" (the evaluation list).
#include "core/zv_dataset.hpp"
#include "core/zv_evaluation_list.hpp"
#include "storage/zv_ini.hpp"

namespace zv {

// Results of reading the evaluation list besides 0.
enum DataSetSettingsCode : int {
  ConfigNoEvaluationSection = -3,
  ConfigNoEvaluationItem = -4,
};

// The three limits, each taken when it converts and then clamped into 10..100.
void readInfoSection(IniDocument* doc, DataSetLimits& limits);
// Replaces "INFO": program code, program version and the three limits.
void writeInfoSection(IniDocument* doc, const DataSetLimits& limits, int programCode,
                      int programVersion);

// Read only when the section exists. The sample and storage counts are kept within
// 1..limits, so a new data set never asks for more than the grid may hold.
void readDefaultsSection(IniDocument* doc, DataSetDefaults& defaults, const DataSetLimits& limits);
void writeDefaultsSection(IniDocument* doc, const DataSetDefaults& defaults);
// Brings the counts of a new data set into 1..limits.
void clampNewDataSetCounts(DataSetDefaults& defaults, const DataSetLimits& limits);

// The items of "ABRISS_LISTE" by position (their keys do not matter), read as a device file's
// evaluation list is: empty texts and repeated keys are skipped. 0, or
// ConfigNoEvaluationSection / ConfigNoEvaluationItem with the list unchanged.
int readEvaluationSection(IniDocument* doc, EvaluationList& list);
// Replaces the section with Evaluations-1, Evaluations-2, ... in list order; the list counts as
// saved.
void writeEvaluationSection(IniDocument* doc, EvaluationList& list);

} // namespace zv
