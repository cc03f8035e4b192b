#include "platform/zv_huge_page_heap.hpp"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/zv_process.hpp"

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>
#define ZV_HUGE_PAGE_RESTART 1
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#undef ZV_HUGE_PAGE_RESTART
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#undef ZV_HUGE_PAGE_RESTART
#endif
#endif

namespace zv {

namespace {
constexpr const char* Tunable = "glibc.malloc.hugetlb";
// Blocks of 128 KiB and more are mapped one by one, and the allocator asks huge pages only for
// those of 2 MiB and more, which are rarely aligned to them: a text document's 1 MiB blocks then
// still fault in 4 KiB pages. Below this size blocks come from the heap, which grows in huge
// pages. 32 MiB is as far as the allocator's own moving threshold goes after a large free.
constexpr const char* MapThreshold = "glibc.malloc.mmap_threshold";
constexpr const char* MapThresholdValue = "=33554432";
} // namespace

std::string hugePageTunables(const char* current, std::string_view kernelSetting) {
  if (kernelSetting.find("[madvise]") == std::string_view::npos)
    return {}; // "always" gives huge pages without asking, "never" not at all
  const std::string_view now = current ? current : "";
  if (now.find(Tunable) != std::string_view::npos)
    return {};
  std::string value = std::string(now) + (now.empty() ? "" : ":") + Tunable + "=1";
  if (now.find(MapThreshold) == std::string_view::npos)
    value += std::string(":") + MapThreshold + MapThresholdValue;
  return value;
}

void restartWithHugePageHeap(char** argv) {
#ifdef ZV_HUGE_PAGE_RESTART
  const char* preload = std::getenv("LD_PRELOAD");
  if (!argv || !argv[0] || (preload && std::strstr(preload, "vgpreload")))
    return;
  std::ifstream settingFile("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string setting;
  std::getline(settingFile, setting);
  const std::string value = hugePageTunables(std::getenv("GLIBC_TUNABLES"), setting);
  if (value.empty() || ::setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
    return;
  // Started by its own file name, not as /proc/self/exe: the process keeps its name ("exe"
  // otherwise) in process lists.
  const std::filesystem::path self = runningExecutable();
  if (self.empty())
    return;
  ::execv(self.c_str(), argv);
  // Still here: the new start failed. The variable is set now, so nothing tries again.
#else
  (void)argv;
#endif
}

} // namespace zv
