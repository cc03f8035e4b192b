#include "support/zv_crc32.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
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

namespace {
std::uint64_t loadWord(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i)
      r = (r << 8) | ((w >> (8 * i)) & 0xFF);
    w = r;
  }
  return w;
}
std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xC2B2AE3D27D4EB4Full;
  h ^= h >> 29;
  h *= 0x165667B19E3779F9ull;
  h ^= h >> 32;
  return h;
}
} // namespace

void FastChecksum::word(std::uint64_t w) {
  const std::size_t lane = words_++ & 3;
  sum_[lane] += w;
  sumOfSums_[lane] += sum_[lane];
}

void FastChecksum::update(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  length_ += size;
  if (tailLength_ > 0) {
    const std::size_t n = std::min(size, 8 - tailLength_);
    std::memcpy(tail_ + tailLength_, p, n);
    tailLength_ += n;
    p += n;
    size -= n;
    if (tailLength_ < 8)
      return;
    word(loadWord(tail_));
    tailLength_ = 0;
  }
  while (size >= 8 && (words_ & 3) != 0) {
    word(loadWord(p));
    p += 8;
    size -= 8;
  }
  // Whole groups of four words, one per lane: the hot loop.
  std::uint64_t s0 = sum_[0], s1 = sum_[1], s2 = sum_[2], s3 = sum_[3];
  std::uint64_t t0 = sumOfSums_[0], t1 = sumOfSums_[1], t2 = sumOfSums_[2], t3 = sumOfSums_[3];
  const std::size_t groups = size / 32;
  for (std::size_t g = 0; g < groups; ++g, p += 32) {
    s0 += loadWord(p);
    s1 += loadWord(p + 8);
    s2 += loadWord(p + 16);
    s3 += loadWord(p + 24);
    t0 += s0;
    t1 += s1;
    t2 += s2;
    t3 += s3;
  }
  sum_[0] = s0, sum_[1] = s1, sum_[2] = s2, sum_[3] = s3;
  sumOfSums_[0] = t0, sumOfSums_[1] = t1, sumOfSums_[2] = t2, sumOfSums_[3] = t3;
  words_ += 4 * groups;
  size -= 32 * groups;
  while (size >= 8) {
    word(loadWord(p));
    p += 8;
    size -= 8;
  }
  std::memcpy(tail_, p, size);
  tailLength_ = size;
}

std::uint32_t FastChecksum::value() const {
  FastChecksum c = *this;
  if (c.tailLength_ > 0) {
    unsigned char last[8] = {};
    std::memcpy(last, c.tail_, c.tailLength_);
    c.word(loadWord(last));
  }
  std::uint64_t h = mix(c.length_ + 0x27D4EB2F165667C5ull);
  for (int i = 0; i < 4; ++i)
    h = mix(h ^ mix(c.sum_[i] + static_cast<std::uint64_t>(i))) ^ mix(c.sumOfSums_[i] + 0x9E37u);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
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
