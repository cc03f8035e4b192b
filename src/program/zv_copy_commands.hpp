#pragma once
// Edit > Copy Table, Edit > Copy Data and Help > Copy Report: each builds its text, puts it on
// the clipboard and says so in a popup; a failure goes to the log with its code and leaves
// the clipboard alone.
#include "core/zv_export_tables.hpp"

namespace zv {

class Program;

// The decimal separator of the exports: the point, or with "Kommaoption" 1 the one of the
// user's regional settings. A regional separator other than the comma is used as it is and
// logged ("Komma failed ,,,"); one that is no Latin-1 character is logged and the point used.
char exportDecimalSeparator(Program& program);

// 0, or the builder's code (ExportCode) after the log line.
int copyOrderTable(Program& program);
int copyDataTable(Program& program);
int copyReport(Program& program);

} // namespace zv
