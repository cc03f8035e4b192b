#include "core/zv_calculate.hpp"

#include <cmath>
#include <limits>

#include "core/zv_format.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr double StudentT[] = {
    0.0,   0.0,   12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262,
    2.228, 2.201, 2.179,  2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
};
constexpr int LastTableEntry = 21;
constexpr double StudentTBeyondTable = 2.0;

void applyStatistics(StorageCondition& storage, const StorageStatistics& st) {
  storage.statCount = st.statCount;
  storage.mean = st.mean;
  storage.sa = st.sa;
  storage.vb = st.vb;
  storage.minimum = st.minimum;
  storage.maximum = st.maximum;
}

} // namespace

double studentT95(int n) {
  if (n < 2)
    return 0.0;
  return n <= LastTableEntry ? StudentT[n] : StudentTBeyondTable;
}

StorageStatistics statisticsOf(const std::vector<double>& values) {
  StorageStatistics st;
  const int n = static_cast<int>(values.size());
  st.statCount = n;
  if (n == 0)
    return st;
  double sum = 0.0;
  bool finite = true;
  st.minimum = st.maximum = values.front();
  for (double x : values) {
    sum += x;
    finite = finite && std::isfinite(x);
    if (x < st.minimum)
      st.minimum = x;
    if (x > st.maximum)
      st.maximum = x;
  }
  st.mean = sum / n;
  if (n < 2)
    return st;
  if (!finite) {
    // An infinite or undefined bond tension (force or area 0) leaves the spread undefined,
    // as the one-pass form gives it.
    st.sa = st.vb = std::numeric_limits<double>::quiet_NaN();
    return st;
  }
  if (st.minimum == st.maximum) {
    // Equal values spread by nothing; rounding in the mean must not make them appear to.
    st.sa = 0.0;
  } else {
    // Corrected two-pass form: squares of deviations from the mean, minus the rounding error
    // the mean itself carries.
    double sumDev = 0.0;
    double sumSq = 0.0;
    for (double x : values) {
      const double d = x - st.mean;
      sumDev += d;
      sumSq += d * d;
    }
    double variance = (sumSq - sumDev * sumDev / n) / (n - 1);
    st.sa = std::sqrt(variance > 0.0 ? variance : 0.0);
  }
  st.vb = studentT95(n) * st.sa / std::sqrt(static_cast<double>(n));
  return st;
}

int measCalcBondTension(Measurement* measurement, const BondTensionFactors& factors) {
  if (!measurement)
    return -1;
  measurement->bondTension = bondTensionOf(measurement->force, measurement->area, factors);
  return 0;
}

int calcStorageStatistics(StorageCondition* storage, const BondTensionFactors& factors) {
  if (!storage)
    return -1;
  StorageStatistics zero;
  zero.statCount = storage->statCount;
  applyStatistics(*storage, zero);
  if (storage->measurements.empty())
    return -1;
  std::vector<double> counted;
  counted.reserve(storage->measurements.size());
  for (auto& m : storage->measurements) {
    if (m.inStatistics == 0)
      continue;
    measCalcBondTension(&m, factors);
    counted.push_back(m.bondTension);
  }
  applyStatistics(*storage, statisticsOf(counted));
  return 0;
}

std::string storageSummaryDisplay(StorageCondition* storage, const BondTensionFactors& factors,
                                  const StatisticsFormat& format) {
  if (!storage)
    return {};
  calcStorageStatistics(storage, factors);
  std::string text = " ";
  appendFixed(text, storage->mean, 0, format.decimals);
  text += " +- ";
  appendFixed(text, storage->sa, 0, format.decimals);
  text += " +- ";
  appendFixed(text, storage->vb, 0, format.decimals);
  text += " (";
  appendInt(text, storage->statCount);
  text += ") ";
  text += storage->evaluation;
  storage->summaryText = cutToField(text, StorageCondition::SummarySize);
  return storage->summaryText;
}

std::string storageSummaryExport(StorageCondition* storage, const BondTensionFactors& factors,
                                 const ExportFormat& format) {
  if (!storage)
    return {};
  calcStorageStatistics(storage, factors);
  std::string text = "\t";
  for (double value : {storage->mean, storage->sa, storage->vb}) {
    appendFixed(text, value, format.floatWidth, format.decimals, format.decimalSeparator);
    text += '\t';
  }
  appendInt(text, storage->statCount, format.intWidth);
  text += '\t';
  text += storage->evaluation;
  return text;
}

} // namespace zv
