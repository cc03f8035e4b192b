#pragma once
// The piston list of a tester device. Each entry is a piston's nominal force range together
// with the two-point calibration that turns the tester's output voltage into force.
#include <cstdint>
#include <string>

#include "core/zv_value_list.hpp"

namespace zv {

struct PistonRange {
  static constexpr std::size_t NameSize = 24;
  // calFlags bits: voltage and force of point 1, voltage and force of point 2.
  static constexpr std::int32_t CalVolts1Set = 1;
  static constexpr std::int32_t CalForce1Set = 2;
  static constexpr std::int32_t CalVolts2Set = 4;
  static constexpr std::int32_t CalForce2Set = 8;
  static constexpr std::int32_t FullyCalibrated = 15;

  std::string name;         // not shown anywhere
  double range = 0.0;       // kN, the list value
  std::int32_t calDate = 0; // seconds since 1970 of the last calibration change; 0 = never
  std::int32_t calFlags = 0;
  double calForce1 = 0.0;   // kN
  double calForce2 = 1.0;   // kN
  double calVolts1 = 0.0;   // V
  double calVolts2 = 1.0;   // V
  double rangeVolts = 10.0; // V, full-scale input range used for this piston

  friend bool operator==(const PistonRange&, const PistonRange&) = default;
};
inline double listKey(const PistonRange& p) {
  return p.range;
}
inline void cutEntryFields(PistonRange& p) {
  p.name = cutToField(p.name, PistonRange::NameSize);
}

// force = offset + volts * gain.
struct CalibrationLine {
  double offset = 0.0;
  double gain = 1.0;
  // Two points with the same voltage give no line (the gain divides by zero); two with the
  // same force give gain 0, which reads every pull as the same force. Neither can measure.
  bool usable() const { return std::isfinite(offset) && std::isfinite(gain) && gain != 0.0; }
  double force(double volts) const { return offset + volts * gain; }
};
CalibrationLine pistonCalibrationLine(const PistonRange& piston);

class PistonList : public SortedValueList<PistonRange> {
public:
  static constexpr const char* Section = "KOLBEN_LISTE";
  static constexpr const char* KeyPrefix = "Kolben";

  PistonList() { createDefaults(); }
  // 10, 20 and 30 kN, uncalibrated.
  void createDefaults();

  // Adds a new, uncalibrated piston of this range; ListInvalidValue for a range that is not
  // a finite number greater than 0.
  int insert(double range);

  // The piston whose range equals value: its index. Otherwise value becomes the first
  // piston's range and the result is 0.
  int validateIndex(double& value) const;

  // nullptr for an index outside the list.
  const PistonRange* piston(int index) const { return entry(index); }
  PistonRange* piston(int index) { return entry(index); }
};

// Device setup: asks for a piston value in kN and inserts it. 0 inserted, ListPromptCancelled,
// or ListInvalidValue after a popup; the list is unchanged unless 0.
int promptAddPiston(PistonList& list, Ui& ui, const Language& lang);
// Deletes a piston; the last one is refused with a popup (ListLastEntry).
int deletePiston(PistonList& list, int index, Ui& ui, const Language& lang,
                 PistonRange* removed = nullptr);

} // namespace zv
