#pragma once
// Where the data set finds the active tester device's piston, speed and area lists: new
// storages take their defaults from them and renumbering checks every storage against them.
// The device records implement this; BuiltInDeviceLists serves the built-in lists.
#include "core/zv_area_list.hpp"
#include "core/zv_piston_list.hpp"
#include "core/zv_speed_list.hpp"

namespace zv {

class DeviceListSource {
public:
  virtual ~DeviceListSource() = default;
  virtual const PistonList& activePistons() const = 0;
  virtual const SpeedList& activeSpeeds() const = 0;
  virtual const AreaList& activeAreas() const = 0;
};

// The lists a device has before any device file is read.
class BuiltInDeviceLists final : public DeviceListSource {
public:
  const PistonList& activePistons() const override { return pistons; }
  const SpeedList& activeSpeeds() const override { return speeds; }
  const AreaList& activeAreas() const override { return areas; }

  PistonList pistons;
  SpeedList speeds;
  AreaList areas;
};

} // namespace zv
