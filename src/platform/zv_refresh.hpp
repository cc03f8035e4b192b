#pragma once
// Windows collect refresh requests as bit sets and apply them when they are shown.
#include <cstdint>

namespace zv {

enum class WindowId { Order = 0, Log = 1, Storage = 2, Measurement = 3 };

namespace refresh {
constexpr std::uint32_t Layout = 1;
constexpr std::uint32_t Rings = 2;
constexpr std::uint32_t Values = 16;
constexpr std::uint32_t Other = 32;
constexpr std::uint32_t Title = 64;
constexpr std::uint32_t Everything = 4095;
constexpr std::uint32_t Forced = 0x8000;
} // namespace refresh

class RefreshSink {
public:
  virtual ~RefreshSink() = default;
  virtual void requestRefresh(WindowId window, std::uint32_t bits) = 0;
};

} // namespace zv
