#pragma once
// Facts about the running process that standard C++ does not give.
#include <filesystem>

namespace zv {

// The executable file of this process; empty when the system does not say.
std::filesystem::path runningExecutable();

} // namespace zv
