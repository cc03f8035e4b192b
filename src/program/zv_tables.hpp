#pragma once
// What the order table and the storage table do to the data set: renaming samples and
// storages, the order header fields, the current storage's parameters and the edits of its
// measurement rows. Each edit marks what it changed and asks the windows to redraw.
#include <string>
#include <string_view>

#include "program/zv_program.hpp"

namespace zv {

// Refresh bits of the storage table besides the common ones.
namespace refresh {
constexpr std::uint32_t Parameters = 128;
constexpr std::uint32_t RowLayout = 256;
} // namespace refresh

// Every window that shows them redraws: after a result changed (force, status, On/Off, area)...
void resultsChanged(Program& p);
// ... and after another measurement became the current one.
void currentMeasurementChanged(Program& p);

enum class OrderField { IdentNumber, IdentName, Title };

// The header field's text; empty without a data set.
std::string orderField(const Program& p, OrderField field);
// Stores the text (cut to 79 bytes) into the data set header and marks it changed.
void setOrderField(Program& p, OrderField field, std::string_view text);

// Renaming from the order table's headers. An empty name or one that another sample
// (storage) has is refused with a popup and the old name stays. Returns true when the name
// was taken (also when it was the record's own name already).
bool renameSample(Program& p, int sampleIndex, std::string_view name);
bool renameStorage(Program& p, int storageIndex, std::string_view name);

// Double-click on a cell: that sample and storage become current.
void selectCell(Program& p, int sampleIndex, int storageIndex);

// The cell text of the order table, statistics recomputed.
std::string orderCellText(Program& p, int sampleIndex, int storageIndex);

// Storage table: the current storage's parameters from the active device's lists (by list
// index) and its evaluation text (cut to 19 bytes).
bool setStorageRange(Program& p, int pistonIndex);
bool setStorageArea(Program& p, int areaIndex);
bool setStorageSpeed(Program& p, int speedIndex);
bool setStorageEvaluation(Program& p, std::string_view text);

// Storage table rows: measurement k of the current storage.
bool setMeasurementOn(Program& p, int k, bool on);
// A typed-over force: status becomes "Typed Over". Refused (popup) unless finite and not
// negative; the force the slot already holds changes nothing.
bool setMeasurementForce(Program& p, int k, double force);
// Refused (popup) unless a finite number greater than 0: an area of 0 has no bond tension.
bool setMeasurementArea(Program& p, int k, double area);

// The current storage's statistics, recomputed.
StorageStatistics currentStatistics(Program& p);

// Window titles: program title, " - ", own name, two blanks (Latin-1); the window appends the
// data file path, converted from the file system's encoding.
std::string tableWindowTitle(const Program& p, const TextPair& ownName);

} // namespace zv
