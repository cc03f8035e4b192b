#pragma once
// A large data set fills a few hundred megabytes of heap, and on a system that hands out
// transparent huge pages only on request (Linux's "madvise" setting) every 4 KiB page of it
// costs a page fault: in a virtual machine that is more than half of the time a load takes. The
// C library's allocator asks for huge pages when its tunable glibc.malloc.hugetlb is 1, but it
// reads its tunables only when a program starts, so the program starts itself once more with it
// (and with blocks of up to 32 MiB taken from the heap, which the allocator grows in huge pages).
// Setting glibc.malloc.hugetlb in GLIBC_TUNABLES yourself (0 to keep small pages) skips this.
#include <string>
#include <string_view>

namespace zv {

// The GLIBC_TUNABLES value to start again with, from the variable as it is (nullptr when unset)
// and the kernel's huge page setting (the text of /sys/kernel/mm/transparent_hugepage/enabled);
// empty when nothing is to change: the setting is not "madvise", or the tunable is chosen.
std::string hugePageTunables(const char* current, std::string_view kernelSetting);

// Replaces this process by the same program with that value (Linux with the GNU C library, not
// under a sanitizer or valgrind, whose allocators ignore it). Returns when nothing is to change
// or the new start failed; then the program simply goes on with small pages.
void restartWithHugePageHeap(char** argv);

} // namespace zv
