#pragma once
// The two tables that Edit > Copy Table and Edit > Copy Data put on the clipboard: plain text,
// tab-separated, one line per row, numbers in the export's field widths and with its decimal
// separator. Nothing here depends on the process locale.
#include <string>

#include "core/zv_calculate.hpp"
#include "core/zv_dataset.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Results of the builders besides 0.
enum ExportCode : int {
  ExportNoDataSet = -1,
  ExportNoSample = -2,  // a sample the counts promise is missing
  ExportNoStorage = -3, // a sample has fewer storages than sample 0
  ExportOutOfMemory = -99,
};

// The column words of the exports in one language.
struct ExportWords {
  std::string sample, storage, measuring, number, evaluation, mean, sa, vb;
};
ExportWords exportWords(const Language& language);

// The order table: a heading line with the storage names, a line of column headings per
// storage, then one line per sample with each storage's statistics (export form). No line
// feed after the last line. The statistics are recomputed. 0 or an ExportCode; out is then
// empty.
int orderTableText(DataSet* dataSet, const BondTensionFactors& factors, const ExportFormat& format,
                   const ExportWords& words, std::string& out);

// The data table: a heading line, then per storage and sample (storage-major) the count, mean,
// SA and VB followed by the bond tension of every measurement that is On. Every line ends in a
// line feed. 0 or an ExportCode; out is then empty.
int dataTableText(DataSet* dataSet, const BondTensionFactors& factors, const ExportFormat& format,
                  const ExportWords& words, std::string& out);

} // namespace zv
