#pragma once
// CRC-16/MCRF4XX (reflected polynomial 0x8408, start 0xFFFF, no final inversion): the checksum
// that tells whether a list or a device record differs from its last saved state.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zv {

class Crc16 {
public:
  static constexpr std::uint16_t Start = 0xFFFF;

  void add(const void* data, std::size_t size);
  void add(std::string_view bytes) { add(bytes.data(), bytes.size()); }
  // A text as it sits in a fixed field of fieldSize bytes: its bytes (at most fieldSize - 1),
  // then NUL bytes up to the field size.
  void addField(std::string_view text, std::size_t fieldSize);
  // Numbers as their little-endian bytes, the layout of the stored records.
  void addInt32(std::int32_t value);
  void addDouble(double value);

  std::uint16_t value() const { return crc_; }

private:
  std::uint16_t crc_ = Start;
};

std::uint16_t crc16Mcrf4xx(const void* data, std::size_t size);

} // namespace zv
