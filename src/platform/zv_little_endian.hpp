#pragma once
// Little-endian fields in byte buffers: every binary file of the program (data files, graph
// files, the backup journal) stores its numbers this way, whatever the machine's own order.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zv::le {

namespace detail {
inline unsigned char* bytes(void* p) {
  return static_cast<unsigned char*>(p);
}
inline const unsigned char* bytes(const void* p) {
  return static_cast<const unsigned char*>(p);
}
// On a little-endian machine a field is its bytes as they are, one load or store; the
// compiler does not see that in the shifting loops.
template <typename T> void put(void* p, T v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);
  } else {
    unsigned char* out = bytes(p);
    for (std::size_t i = 0; i < sizeof(T); ++i)
      out[i] = static_cast<unsigned char>(v >> (8 * i));
  }
}
template <typename T> T get(const void* p) {
  T v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, sizeof v);
  } else {
    const unsigned char* in = bytes(p);
    for (std::size_t i = sizeof(T); i-- > 0;)
      v = static_cast<T>((v << 8) | in[i]);
  }
  return v;
}
} // namespace detail

inline void putU16(void* p, std::uint16_t v) {
  detail::put(p, v);
}
inline void putU32(void* p, std::uint32_t v) {
  detail::put(p, v);
}
inline void putU64(void* p, std::uint64_t v) {
  detail::put(p, v);
}
inline void putI32(void* p, std::int32_t v) {
  putU32(p, static_cast<std::uint32_t>(v));
}
inline void putF64(void* p, double v) {
  putU64(p, std::bit_cast<std::uint64_t>(v));
}

inline std::uint16_t getU16(const void* p) {
  return detail::get<std::uint16_t>(p);
}
inline std::uint32_t getU32(const void* p) {
  return detail::get<std::uint32_t>(p);
}
inline std::uint64_t getU64(const void* p) {
  return detail::get<std::uint64_t>(p);
}
inline std::int32_t getI32(const void* p) {
  return static_cast<std::int32_t>(getU32(p));
}
inline double getF64(const void* p) {
  return std::bit_cast<double>(getU64(p));
}

// Arrays of doubles: a plain copy on little-endian machines. An empty curve may come without
// an array at all, so count 0 touches nothing.
inline void putF64Array(void* out, const double* values, std::size_t count) {
  if (count == 0)
    return;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, values, count * 8);
  } else {
    for (std::size_t i = 0; i < count; ++i)
      putF64(detail::bytes(out) + 8 * i, values[i]);
  }
}
inline void getF64Array(double* values, const void* in, std::size_t count) {
  if (count == 0)
    return;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(values, in, count * 8);
  } else {
    for (std::size_t i = 0; i < count; ++i)
      values[i] = getF64(detail::bytes(in) + 8 * i);
  }
}

} // namespace zv::le
