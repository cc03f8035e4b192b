#pragma once
// The three selection rings (sample, storage, measurement) that the order table, the storage
// table and the measurement window each carry, and what choosing in them does.
#include <string>
#include <vector>

#include "program/zv_program.hpp"

namespace zv {

// Ring contents after the selection was clamped to the counts: the sample names, the storage
// names of sample 0, and "1" ... "n" for the current storage's measurements.
std::vector<std::string> sampleRingItems(Program& p);
std::vector<std::string> storageRingItems(Program& p);
std::vector<std::string> measurementRingItems(Program& p);

// Choosing in a ring. Choosing the current value does nothing and returns false. Otherwise the
// choice becomes current, the windows are asked to refill their rings and redraw, and the
// pending changes go to the backup store unless a measurement runs.
bool selectSample(Program& p, int sampleIndex);
bool selectStorage(Program& p, int storageIndex);
bool selectMeasurement(Program& p, int measurementIndex);

} // namespace zv
