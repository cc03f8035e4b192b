#pragma once
// One fault of a file system, for tables of failure cases: a failing call, a disk that fills up
// or a write-protected target.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/zv_fileio.hpp"

namespace zv::test {

struct Fault {
  using Op = FaultyFileSystem::Op;
  enum class Kind { Call, DiskFull, WriteProtect } kind = Kind::Call;
  Op op = Op::Write;
  std::errc error = std::errc::io_error;
  std::string path; // the call fails only for paths containing this
  std::uint64_t bytes = 0;
  int skip = 0; // the first calls that pass

  static Fault call(Op op, std::errc error, std::string path = {}, int skip = 0) {
    return {Kind::Call, op, error, std::move(path), 0, skip};
  }
  static Fault diskFull(std::uint64_t after) {
    return {Kind::DiskFull, Op::Write, std::errc::no_space_on_device, {}, after};
  }
  static Fault writeProtect() {
    return {Kind::WriteProtect, Op::OpenWrite, std::errc::permission_denied, {}, 0, 0};
  }

  void apply(FaultyFileSystem& fs, const std::filesystem::path& target) const {
    if (kind == Kind::DiskFull)
      fs.diskFullAfter(bytes);
    else if (kind == Kind::WriteProtect)
      fs.writeProtect(target);
    else
      fs.failOn(op, error, path, skip);
  }
};

} // namespace zv::test
