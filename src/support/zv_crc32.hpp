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
