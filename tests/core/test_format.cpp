#include <cstdio>
#include <limits>

#include <gtest/gtest.h>

#include "core/zv_crc16.hpp"
#include "core/zv_format.hpp"

namespace zv {
namespace {

// The test process runs in the C locale, so the C library's printf is the reference here.
std::string printfFixed(double v, int width, int precision) {
  char buf[2048];
  std::snprintf(buf, sizeof buf, "%*.*f", width, precision, v);
  return buf;
}

TEST(FormatFixed, MatchesPrintfInTheCLocale) {
  const double values[] = {0.0,    -0.0,      1.5,    10.0,     0.125, 0.375,
                           2.5e-7, -0.0004,   1234.5, 1e15 + 3, 1e22,  9.995,
                           -9.995, 0.1 + 0.2, 1e308,  5e-324,   31.45, -123.456};
  for (double v : values)
    for (int width : {0, 8, 12, -10})
      for (int precision : {0, 1, 2, 3, 6, 17, 40})
        EXPECT_EQ(printfFixed(v, width, precision), formatFixed(v, width, precision))
            << v << " " << width << " " << precision;
}

TEST(FormatFixed, SpecialValuesAndDefaults) {
  EXPECT_EQ("     inf", formatFixed(std::numeric_limits<double>::infinity(), 8, 3));
  EXPECT_EQ("-inf", formatFixed(-std::numeric_limits<double>::infinity(), 2));
  EXPECT_EQ("nan", formatFixed(std::numeric_limits<double>::quiet_NaN(), 2));
  EXPECT_EQ("1.500000", formatFixed(1.5, 0, -1)); // negative precision means 6
  EXPECT_EQ(printfFixed(1.0 / 3, 0, 1200), formatFixed(1.0 / 3, 0, 1200));
}

TEST(ParseFirstNumber, FindsTheFirstNumberInATypedText) {
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"  area 12.5 mm2", 12.5},
      {"-3 kN", -3.0},
      {"+4", 4.0},
      {".5", 0.5},
      {"x-.25", -0.25},
      {"1e3", 1000.0},
      {"19,6", 19.6},
      {"1, 2", 1.0},
      {"a-b7", 7.0},
      {"1e-400", 0.0},
      {"1e999", {}},
      {"", {}},
      {"inf", {}},
      {"-", {}},
      {".", {}},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(parseFirstNumber(text), expected) << '"' << text << '"';
}

TEST(ParseTypedNumber, TakesTheWholeFieldWithPointOrComma) {
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"1.2345", 1.2345}, {" 19,6 ", 19.6}, {"-0,5", -0.5}, {"+3", 3.0}, {"1e3", 1000.0},
      {"1,5,5", {}},      {"1.5,5", {}},    {"19 kN", {}},  {"", {}},    {" ", {}},
      {"--1", {}},        {"abc", {}},      {"1e999", {}},  {",", {}},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(parseTypedNumber(text), expected) << '"' << text << '"';
}

TEST(Crc16, Mcrf4xx) {
  EXPECT_EQ(0x6F91, crc16Mcrf4xx("123456789", 9));
  // A field is its text padded with NULs to the field size.
  Crc16 field;
  field.addField("AU", 20);
  char raw[20] = {'A', 'U'};
  EXPECT_EQ(crc16Mcrf4xx(raw, sizeof raw), field.value());
  Crc16 cut;
  cut.addField(std::string(30, 'x'), 20);
  char longRaw[20];
  std::fill(std::begin(longRaw), std::end(longRaw), 'x');
  longRaw[19] = 0;
  EXPECT_EQ(crc16Mcrf4xx(longRaw, sizeof longRaw), cut.value());
  Crc16 numbers;
  numbers.addInt32(1);
  numbers.addDouble(1.0);
  const unsigned char le[12] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(crc16Mcrf4xx(le, sizeof le), numbers.value());
}

} // namespace
} // namespace zv
