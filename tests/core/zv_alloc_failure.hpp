#pragma once
// Failing allocations on purpose: the test binary replaces operator new so that a test can
// make the n-th allocation from now throw std::bad_alloc.
namespace zv::test {

// n >= 0: the allocation after n successful ones fails (once); -1: allocations never fail.
void failAllocationAfter(long n);

} // namespace zv::test
