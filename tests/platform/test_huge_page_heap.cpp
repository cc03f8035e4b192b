#include <gtest/gtest.h>

#include "platform/zv_huge_page_heap.hpp"

namespace zv {
namespace {

// Only the "madvise" setting needs the allocator to ask; a tunable chosen by the user (also 0)
// is never overridden, and other tunables stay in front.
TEST(HugePageHeap, StartsAgainOnlyWhereTheAllocatorMustAskAndNobodyChose) {
  const char* madvise = "always [madvise] never";
  struct Case {
    const char* current;
    const char* setting;
    const char* expected;
  };
  for (const Case& c :
       {Case{nullptr, madvise, "glibc.malloc.hugetlb=1"},
        Case{"", madvise, "glibc.malloc.hugetlb=1"},
        Case{"glibc.malloc.check=3", madvise, "glibc.malloc.check=3:glibc.malloc.hugetlb=1"},
        Case{"glibc.malloc.hugetlb=0", madvise, ""}, Case{nullptr, "[always] madvise never", ""},
        Case{nullptr, "always madvise [never]", ""}, Case{nullptr, "", ""}})
    EXPECT_EQ(c.expected, hugePageTunables(c.current, c.setting))
        << (c.current ? c.current : "(unset)") << " / " << c.setting;
}

} // namespace
} // namespace zv
