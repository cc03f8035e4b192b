#include "platform/zv_process.hpp"

namespace zv {

std::filesystem::path runningExecutable() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self;
}

} // namespace zv
