#include <gtest/gtest.h>

#include "platform/zv_huge_page_heap.hpp"

namespace zv {
namespace {

// Only the "madvise" setting needs the allocator to ask; a tunable chosen by the user (also 0)
// is never overridden, and other tunables stay in front. Blocks up to 32 MiB come from the heap.
TEST(HugePageHeap, StartsAgainOnlyWhereTheAllocatorMustAskAndNobodyChose) {
  const char* madvise = "always [madvise] never";
  struct Case {
    const char* current;
    const char* setting;
    const char* expected;
  };
  for (const Case& c :
       {Case{nullptr, madvise, "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432"},
        Case{"", madvise, "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432"},
        Case{"glibc.malloc.check=3", madvise,
             "glibc.malloc.check=3:glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432"},
        Case{"glibc.malloc.mmap_threshold=4096", madvise,
             "glibc.malloc.mmap_threshold=4096:glibc.malloc.hugetlb=1"},
        Case{"glibc.malloc.hugetlb=0", madvise, ""}, Case{nullptr, "[always] madvise never", ""},
        Case{nullptr, "always madvise [never]", ""}, Case{nullptr, "", ""}})
    EXPECT_EQ(c.expected, hugePageTunables(c.current, c.setting))
        << (c.current ? c.current : "(unset)") << " / " << c.setting;
}

} // namespace
} // namespace zv
