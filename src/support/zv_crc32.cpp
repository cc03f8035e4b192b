#include "support/zv_crc32.hpp"

#include <array>
#include <memory>
#include <vector>

namespace zv {

namespace {

// Eight tables for slicing eight bytes per step: the graph file checksums every curve point,
// so this runs over hundreds of megabytes per save.
struct Crc32Tables {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  constexpr Crc32Tables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
      for (std::size_t s = 1; s < 8; ++s)
        t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};

constexpr Crc32Tables tables{};

} // namespace

std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t crc) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint32_t c = ~crc;
  const auto& t = tables.t;
  while (size >= 8) {
    const std::uint32_t lo = c ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                  std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
        t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    p += 8;
    size -= 8;
  }
  while (size--)
    c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

std::error_code readFully(ReadableFile& file, void* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  auto* out = static_cast<char*>(buffer);
  while (got < size) {
    std::size_t n = 0;
    if (auto ec = file.read(out + got, size - got, n))
      return ec;
    if (n == 0)
      break;
    got += n;
  }
  return {};
}

FileStamp stampFile(FileSystem& fs, const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  std::unique_ptr<ReadableFile> file;
  if ((error = fs.openRead(path, file)))
    return {};
  FileStamp stamp;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    std::size_t got = 0;
    if ((error = file->read(buffer.data(), buffer.size(), got)))
      return {};
    if (got == 0)
      break;
    stamp.crc = crc32(buffer.data(), got, stamp.crc);
    stamp.size += got;
  }
  stamp.valid = true;
  return stamp;
}

} // namespace zv
