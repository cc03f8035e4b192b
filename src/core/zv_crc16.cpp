#include "core/zv_crc16.hpp"

#include <bit>
#include <cstring>

namespace zv {

void Crc16::add(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint16_t crc = crc_;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408u)
                       : static_cast<std::uint16_t>(crc >> 1);
  }
  crc_ = crc;
}

void Crc16::addField(std::string_view text, std::size_t fieldSize) {
  if (fieldSize == 0)
    return;
  auto nul = text.find('\0');
  if (nul != std::string_view::npos)
    text = text.substr(0, nul);
  if (text.size() > fieldSize - 1)
    text = text.substr(0, fieldSize - 1);
  add(text);
  static constexpr unsigned char zeros[64] = {};
  for (std::size_t rest = fieldSize - text.size(); rest > 0;) {
    std::size_t n = rest < sizeof zeros ? rest : sizeof zeros;
    add(zeros, n);
    rest -= n;
  }
}

void Crc16::addInt32(std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  unsigned char b[4];
  for (int i = 0; i < 4; ++i)
    b[i] = static_cast<unsigned char>(u >> (8 * i));
  add(b, 4);
}

void Crc16::addDouble(double value) {
  auto u = std::bit_cast<std::uint64_t>(value);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i)
    b[i] = static_cast<unsigned char>(u >> (8 * i));
  add(b, 8);
}

std::uint16_t crc16Mcrf4xx(const void* data, std::size_t size) {
  Crc16 c;
  c.add(data, size);
  return c.value();
}

} // namespace zv
