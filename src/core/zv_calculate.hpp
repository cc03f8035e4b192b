#pragma once
// Bond tension of a measurement and the statistics of a storage's series. Both are derived
// values: they are recomputed from force, area and the On/Off flags whenever shown.
#include <cstdint>
#include <string>
#include <vector>

#include "core/zv_bond_factors.hpp"
#include "core/zv_dataset.hpp"

namespace zv {

// Count, mean, standard deviation ("SA"), 95 % confidence range of the mean ("VB"), minimum
// and maximum of the counted bond tensions.
struct StorageStatistics {
  std::int32_t statCount = 0;
  double mean = 0.0;
  double sa = 0.0;
  double vb = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
};

// Two-sided 95 % quantile of Student's t for n counted values (n - 1 degrees of freedom),
// three decimals; 2.0 above 21. n below 2 has no quantile and gives 0.
double studentT95(int n);

// Statistics of plain values (all counted). The standard deviation is computed in two passes
// around the mean, which stays exact for equal values and for large means.
StorageStatistics statisticsOf(const std::vector<double>& values);

// Sets the measurement's bondTension from its force and area; -1 without a measurement.
int measCalcBondTension(Measurement* measurement, const BondTensionFactors& factors);

// Recomputes the statistics of one storage from its measurements with inStatistics set (the
// status is not looked at). -1 without a storage or when it has no measurement (statCount
// then keeps its value, the other results are 0).
int calcStorageStatistics(StorageCondition* storage, const BondTensionFactors& factors);

// Number settings of the tables' statistics texts: decimals only, no field widths.
struct StatisticsFormat {
  int decimals = 2; // "Kommastellen"
};

// Number settings of the clipboard exports: decimals, field widths and the decimal separator.
struct ExportFormat {
  int decimals = 2;            // "Kommastellen"
  int floatWidth = 12;         // "FloatZahl"
  int intWidth = 4;            // "NumerischeZahl"
  char decimalSeparator = '.'; // ',' for the decimal comma
};

// Order table cell: " 1.50 +- 0.25 +- 0.60 (3) A". Recomputes the statistics first, keeps the
// text (cut to 79 bytes) in the storage's summaryText and returns it. Empty without a storage.
std::string storageSummaryDisplay(StorageCondition* storage, const BondTensionFactors& factors,
                                  const StatisticsFormat& format);
// Table export: tab, mean, tab, SA, tab, VB, tab, count, tab, evaluation; numbers
// right-aligned in their field widths, never cut. Recomputes the statistics first; empty
// without a storage.
std::string storageSummaryExport(StorageCondition* storage, const BondTensionFactors& factors,
                                 const ExportFormat& format);

} // namespace zv
