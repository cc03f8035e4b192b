#pragma once
// The contact area list of a tester device (mm²).
#include "core/zv_value_list.hpp"

namespace zv {

class AreaList : public SortedValueList<ListValue> {
public:
  static constexpr const char* Section = "PROBENFLAECHE_LISTE";
  static constexpr const char* KeyPrefix = "Fläche"_l1;

  AreaList() { createDefaults(); }
  // 1, 2 and 3 mm².
  void createDefaults();
  // ListInvalidValue for an area that is not a finite number greater than 0.
  int insert(double area, std::string name = {});
};

// Device setup: asks for a contact area in mm² and inserts it (results as promptAddPiston).
int promptAddArea(AreaList& list, Ui& ui, const Language& lang);
int deleteArea(AreaList& list, int index, Ui& ui, const Language& lang,
               ListValue* removed = nullptr);

} // namespace zv
