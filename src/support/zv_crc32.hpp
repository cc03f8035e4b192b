#pragma once
// CRC-32 (the common reflected polynomial 0xEDB88320, as used by zip and PNG) for framing the
// backup journal and the graph file records, and the stamp that names one saved state of a
// data file by its size and checksum.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/zv_fileio.hpp"

namespace zv {

// Continues a CRC over more bytes: crc32(b, crc32(a)) == crc32(a + b). Start with 0.
std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t crc = 0);

// A checksum for bulk data (the curve points of the graph file), several times faster than
// CRC-32: four lanes of running sums and sums of sums over 64-bit little-endian words, folded
// to 32 bits with the length. A flipped bit, a lost, added or swapped word all change it.
// Bytes may arrive in pieces of any size.
class FastChecksum {
public:
  void update(const void* data, std::size_t size);
  std::uint32_t value() const;

private:
  void word(std::uint64_t w);
  std::uint64_t sum_[4] = {};
  std::uint64_t sumOfSums_[4] = {};
  std::uint64_t words_ = 0;
  std::uint64_t length_ = 0;
  unsigned char tail_[8] = {};
  std::size_t tailLength_ = 0;
};

// One saved state of a data file. Two stamps are equal when size and checksum are.
struct FileStamp {
  bool valid = false; // false: no such file, or it could not be read
  std::uint64_t size = 0;
  std::uint32_t crc = 0;

  friend bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.valid == b.valid && (!a.valid || (a.size == b.size && a.crc == b.crc));
  }
};

// Reads the whole file and returns its stamp; an invalid stamp and the error when the file
// cannot be read.
FileStamp stampFile(FileSystem& fs, const std::filesystem::path& path, std::error_code& error);

// Reads until size bytes are in or the file ends; got tells how many arrived.
std::error_code readFully(ReadableFile& file, void* buffer, std::size_t size, std::size_t& got);

} // namespace zv
