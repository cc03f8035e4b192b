// The number reader on the forms the C libraries disagree on; fuzz_number_text compares it with
// glibc's strtod on any bytes, this table shows the Windows build reads them alike.
#include <bit>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "platform/zv_number_text.hpp"

namespace zv {
namespace {

TEST(NumberText, ReadsEveryFormAsGlibcDoes) {
  const double inf = std::numeric_limits<double>::infinity();
  const double tiniest = std::numeric_limits<double>::denorm_min();
  struct Case {
    const char* text;
    double value;
    std::size_t used;
    bool outOfRange;
  } cases[] = {{" \t-1.5e3x", -1500.0, 8, false},
               {"0x1.8p1,", 3.0, 7, false},
               {"-0xg", -0.0, 2, false},
               {"+INFINITY", inf, 9, false},
               {"-infinit", -inf, 4, false},
               {"1e999", inf, 5, true},
               {"1e-400", 0.0, 6, true},
               {"4.9406564584124654e-324", tiniest, 23, true},
               {"0x1p-1074", tiniest, 9, false},
               {"2.5e", 2.5, 3, false},
               {".e1", 0.0, 0, false},
               {"word", 0.0, 0, false}};
  for (const Case& c : cases) {
    const NumberRead r = readNumber(c.text);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(r.value), std::bit_cast<std::uint64_t>(c.value))
        << c.text;
    EXPECT_EQ(r.used, c.used) << c.text;
    EXPECT_EQ(r.outOfRange, c.outOfRange) << c.text;
  }
  // A NaN keeps its sign and the payload named in parentheses.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(readNumber("-nan(0x1F)").value), 0xFFF800000000001Fu);
  EXPECT_EQ(readNumber("nan(1").used, 3u);
}

} // namespace
} // namespace zv
