#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

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
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  for (int i = 0; i < 2000; ++i) {
    double v = any(gen);
    EXPECT_EQ(printfFixed(v, 8, 3), formatFixed(v, 8, 3)) << v;
  }
}

TEST(FormatFixed, SpecialValuesAndDefaults) {
  EXPECT_EQ("     inf", formatFixed(std::numeric_limits<double>::infinity(), 8, 3));
  EXPECT_EQ("-inf", formatFixed(-std::numeric_limits<double>::infinity(), 2));
  EXPECT_EQ("nan", formatFixed(std::numeric_limits<double>::quiet_NaN(), 2));
  EXPECT_EQ("1.500000", formatFixed(1.5, 0, -1)); // negative precision means 6
  EXPECT_EQ("  10.000", formatFixed(10.0, 8, 3));
  EXPECT_EQ(printfFixed(1.0 / 3, 0, 1200), formatFixed(1.0 / 3, 0, 1200));
}

TEST(FormatInt, WidthAndSign) {
  EXPECT_EQ("   3", formatInt(3, 4));
  EXPECT_EQ("-12", formatInt(-12, 2));
  EXPECT_EQ("7   ", formatInt(7, -4));
  EXPECT_EQ("-9223372036854775808", formatInt(std::numeric_limits<long long>::min()));
}

TEST(ParseFirstNumber, FindsTheFirstNumberInATypedText) {
  EXPECT_EQ(12.5, parseFirstNumber("12.5"));
  EXPECT_EQ(12.5, parseFirstNumber("  area 12.5 mm2"));
  EXPECT_EQ(-3.0, parseFirstNumber("-3 kN"));
  EXPECT_EQ(4.0, parseFirstNumber("+4"));
  EXPECT_EQ(0.5, parseFirstNumber(".5"));
  EXPECT_EQ(-0.25, parseFirstNumber("x-.25"));
  EXPECT_EQ(1000.0, parseFirstNumber("1e3"));
  EXPECT_EQ(19.6, parseFirstNumber("19,6")); // a German decimal comma
  EXPECT_EQ(12.5, parseFirstNumber("approx. 12,5 mm2"));
  EXPECT_EQ(1.0, parseFirstNumber("1, 2"));
  EXPECT_EQ(7.0, parseFirstNumber("a-b7"));
  EXPECT_EQ(0.0, parseFirstNumber("1e-400"));
  EXPECT_FALSE(parseFirstNumber("1e999"));
  EXPECT_FALSE(parseFirstNumber(""));
  EXPECT_FALSE(parseFirstNumber("kN"));
  EXPECT_FALSE(parseFirstNumber("inf"));
  EXPECT_FALSE(parseFirstNumber("nan"));
  EXPECT_FALSE(parseFirstNumber("-"));
  EXPECT_FALSE(parseFirstNumber("."));
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
  EXPECT_EQ(0xFFFF, crc16Mcrf4xx("", 0));
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
