// Ticks never allocate: the histories and the read block are fixed, the curve buffer belongs
// to the run. Counted by replacing the global allocation functions in this test program.
#include "daq/zv_processor_fixture.hpp"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

// The replaced functions pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (counting)
    ++allocations;
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

using namespace zv;
using namespace zv::test;

TEST_F(ProcessorFixture, TicksDoNotAllocate) {
  setSpeed(1000.0);
  params.average = 10;
  params.nSpikeNum = 3;
  // Blocks made up front: the acquisition below hands them out without allocating.
  std::vector<std::vector<double>> blocks;
  for (int b = 0; b < 40; ++b) {
    std::vector<double> v(997);
    for (int i = 0; i < 997; ++i)
      v[i] = 0.001 * (b * 997 + i) / 64.0 + ((i % 101) == 0 ? 0.5 : 0.0);
    blocks.push_back(std::move(v));
  }
  int next = 0;
  struct FixedBlocks : Acquisition {
    std::vector<std::vector<double>>* blocks;
    int* next;
    int daqStart(int, double, int, double& actual) override {
      actual = 64.0;
      return 0;
    }
    int daqStop() override { return 0; }
    void announcePullSpeed(int, double) override {}
    int daqRead(const double*& samples) override {
      if (*next >= static_cast<int>(blocks->size()))
        return 0;
      const auto& b = (*blocks)[static_cast<std::size_t>((*next)++)];
      samples = b.data();
      return static_cast<int>(b.size());
    }
  } fixed;
  fixed.blocks = &blocks;
  fixed.next = &next;
  PullOffProcessor p(params, model, fixed, testers, reporter, lang);
  p.setRunning({0, 0, 0});
  ASSERT_EQ(0, p.measStart());
  int grown = 0;
  counting = true;
  for (int t = 0; t < 40; ++t)
    grown += p.measTick().newPoints;
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(meas().pointCount, 400); // the curve filled and scrolled meanwhile
  EXPECT_EQ(grown, 40);
}
