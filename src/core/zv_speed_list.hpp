#pragma once
// The pull-off speed list of a tester device (N/s).
#include "core/zv_value_list.hpp"

namespace zv {

class SpeedList : public SortedValueList<ListValue> {
public:
  static constexpr const char* Section = "ABZUGGESCHWINDIGKEIT_LISTE";
  static constexpr const char* KeyPrefix = "Geschw.";

  SpeedList() { createDefaults(); }
  // 100, 200 and 300 N/s.
  void createDefaults();
  // ListInvalidValue for a speed that is not a finite number greater than 0.
  int insert(double speed, std::string name = {});
};

// Device setup: asks for a pull speed in N/s and inserts it (results as promptAddPiston).
int promptAddSpeed(SpeedList& list, Ui& ui, const Language& lang);
int deleteSpeed(SpeedList& list, int index, Ui& ui, const Language& lang,
                ListValue* removed = nullptr);

} // namespace zv
