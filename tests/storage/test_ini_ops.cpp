// Document operations: results, lookup rules, duplicate checking, gets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "storage/test_config_common.hpp"
#include "storage/zv_ini.hpp"

namespace zv {
namespace {

using test::iniText;
using test::parseIni;

TEST(IniOps, MissingDocumentGivesTheDocumentedResults) {
  IniHandle none;
  std::int32_t i = 5;
  double d = 2.5;
  char buf[8] = "x";
  std::string_view tag;
  std::string out;
  EXPECT_EQ(Ini_SetDuplicateChecking(none, 0), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(none, "s", "t", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutDouble(none, "s", "t", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutRawString(none, "s", "t", "v"), IniNoDocument);
  EXPECT_EQ(Ini_GetInt(none, "s", "t", &i), IniNoDocument);
  EXPECT_EQ(Ini_GetDouble(none, "s", "t", &d), IniNoDocument);
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(none, "s", "t", buf, 8), IniNoDocument);
  EXPECT_EQ(Ini_ItemExists(none, "s", "t"), IniNoDocument);
  EXPECT_EQ(Ini_ReadFromFile(none, "/nonexistent"), IniNoDocument);
  EXPECT_EQ(Ini_WriteToFile(none, "/nonexistent"), IniNoDocument);
  EXPECT_EQ(Ini_WriteToString(none, out), IniNoDocument);
  EXPECT_EQ(Ini_SectionExists(none, "s"), 0);
  EXPECT_EQ(Ini_NumberOfItems(none, "s"), 0);
  EXPECT_EQ(Ini_NthItemName(none, "s", 1, &tag), 0);
  EXPECT_EQ(Ini_RemoveSection(none, "s"), 0);
  Ini_Dispose(none);
  EXPECT_EQ(i, 5);
  EXPECT_EQ(d, 2.5);
}

TEST(IniOps, NewDisposeAndDuplicateCheckingSetting) {
  IniHandle doc = Ini_New(0);
  ASSERT_NE(doc.get(), nullptr);
  EXPECT_EQ(Ini_New(1).get(), nullptr); // sorted documents are not supported
  EXPECT_EQ(Ini_SetDuplicateChecking(doc, 0), 1);
  EXPECT_EQ(Ini_SetDuplicateChecking(doc, 7), 0);
  EXPECT_EQ(Ini_SetDuplicateChecking(doc, 1), 1);
  Ini_Dispose(doc);
  EXPECT_EQ(doc.get(), nullptr);
  Ini_Dispose(doc); // twice is harmless
}

TEST(IniOps, LookupsAreCaseInsensitiveTrimmedAndFirstMatch) {
  IniHandle doc = parseIni("[ INFO ]\r\n  Name  = first\r\nname=second\r\n[info]\r\nOther=x\r\n");
  EXPECT_EQ(Ini_SectionExists(doc, "info"), 1);
  EXPECT_EQ(Ini_SectionExists(doc, "  Info\t"), 1);
  EXPECT_EQ(Ini_SectionExists(doc, "inf"), 0);
  // Case folding is the C locale's: ASCII letters only, so Latin-1 capitals stay distinct.
  IniHandle umlaut = parseIni("[\xC4rger]\r\nk=1\r\n[LONGER SECTION NAME 1]\r\nk=2\r\n");
  EXPECT_EQ(Ini_SectionExists(umlaut, "\xC4RGER"), 1);
  EXPECT_EQ(Ini_SectionExists(umlaut, "\xE4rger"), 0);
  EXPECT_EQ(Ini_SectionExists(umlaut, "longer section name 1"), 1);
  EXPECT_EQ(Ini_SectionExists(umlaut, "longer section name 2"), 0);
  EXPECT_EQ(Ini_NumberOfItems(doc, "INFO"), 2);
  EXPECT_EQ(Ini_ItemExists(doc, "info", "NAME"), 1);
  EXPECT_EQ(Ini_ItemExists(doc, "info", "other"), 0); // in the second section of that name
  std::string v;
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "info", " name ", &v, 100), 1);
  EXPECT_EQ(v, "first");
  std::string_view tag;
  EXPECT_EQ(Ini_NthItemName(doc, "info", 1, &tag), 1);
  EXPECT_EQ(tag, "Name"); // stored trimmed, case kept
  EXPECT_EQ(Ini_NthItemName(doc, "info", 2, &tag), 1);
  EXPECT_EQ(tag, "name");
  EXPECT_EQ(Ini_NthItemName(doc, "info", 0, &tag), 0);
  EXPECT_EQ(Ini_NthItemName(doc, "info", 3, &tag), 0);
  EXPECT_EQ(Ini_NthItemName(doc, "info", 1, nullptr), IniNoDocument);
  EXPECT_EQ(Ini_NthItemName(doc, "missing", 1, &tag), 0);
}

TEST(IniOps, RemoveSectionTakesTheFirstAndRevealsTheNext) {
  IniHandle doc = parseIni("[A]\r\nk=1\r\n[B]\r\nk=2\r\n[a]\r\nk=3\r\n");
  std::int32_t v = 0;
  ASSERT_EQ(Ini_GetInt(doc, "A", "k", &v), 1); // caches the first A
  EXPECT_EQ(v, 1);
  EXPECT_EQ(Ini_RemoveSection(doc, "a"), 1);
  ASSERT_EQ(Ini_GetInt(doc, "A", "k", &v), 1);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(Ini_RemoveSection(doc, "A"), 1);
  EXPECT_EQ(Ini_SectionExists(doc, "a"), 0);
  EXPECT_EQ(Ini_RemoveSection(doc, "A"), 0);
  EXPECT_EQ(iniText(doc), "[B]\r\nk = 2\r\n\r\n");
  // A removed name can be put again; it goes to the end.
  EXPECT_EQ(Ini_PutInt(doc, "A", "k", 4), 0);
  EXPECT_EQ(iniText(doc), "[B]\r\nk = 2\r\n\r\n[A]\r\nk = 4\r\n\r\n");
}

TEST(IniOps, DuplicateCheckingReplacesInPlaceOrAppends) {
  IniHandle doc = parseIni("[S]\r\na=1\r\nb=2\r\nA=3\r\nc=4\r\n");
  EXPECT_EQ(Ini_PutInt(doc, "s", "a", 9), 0);
  EXPECT_EQ(iniText(doc), "[S]\r\na = 9\r\nb = 2\r\nc = 4\r\n\r\n");
  EXPECT_EQ(Ini_PutInt(doc, "s", "new", 5), 0);
  EXPECT_EQ(iniText(doc), "[S]\r\na = 9\r\nb = 2\r\nc = 4\r\nnew = 5\r\n\r\n");

  Ini_SetDuplicateChecking(doc, 0);
  EXPECT_EQ(Ini_PutInt(doc, "S", "b", 7), 0);
  EXPECT_EQ(Ini_NumberOfItems(doc, "S"), 5);
  std::int32_t v = 0;
  EXPECT_EQ(Ini_GetInt(doc, "S", "b", &v), 1);
  EXPECT_EQ(v, 2); // the first one wins
}

TEST(IniOps, PutsCreateSectionsAtTheEndAndWriteTheExactText) {
  IniHandle doc = Ini_New(0);
  EXPECT_EQ(Ini_PutInt(doc, "AUFTRAG", "Proben", 3), 0);
  EXPECT_EQ(Ini_PutInt(doc, "AUFTRAG", "Min", std::numeric_limits<std::int32_t>::min()), 0);
  EXPECT_EQ(Ini_PutDouble(doc, "Probe-1",
                          "Me\xDF"
                          "bereich",
                          2.5),
            0);
  EXPECT_EQ(Ini_PutRawString(doc, "  Probe-1 ", "Probenname", "P1"), 0);
  EXPECT_EQ(Ini_PutRawString(doc, "Probe-1", "Leer", ""), 0);
  EXPECT_EQ(Ini_PutRawString(doc, "Probe-1", "Null", static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(iniText(doc), "[AUFTRAG]\r\nProben = 3\r\nMin = -2147483648\r\n\r\n"
                          "[Probe-1]\r\nMe\xDF"
                          "bereich = 2.5\r\nProbenname = \"P1\"\r\nLeer = \"\"\r\n"
                          "Null = \"\"\r\n\r\n");
}

TEST(IniOps, PutRefusesNamesThatCannotBeWrittenAndCleansLineBreaks) {
  IniHandle doc = Ini_New(0);
  EXPECT_EQ(Ini_PutInt(doc, "", "t", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "  ", "t", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "s", " ", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "s", "a=b", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "s", ";c", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "s", "[x", 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, "s", std::string(IniMaxTag + 1, 't'), 1), IniNoDocument);
  EXPECT_EQ(Ini_PutInt(doc, std::string(IniMaxSectionName + 1, 's'), "t", 1), IniNoDocument);
  EXPECT_EQ(Ini_SectionExists(doc, "s"), 0);

  // A value with line breaks would otherwise inject sections into the file.
  EXPECT_EQ(Ini_PutRawString(doc, "s", "t", "a\r\n[evil]\r\nx=1"), 0);
  EXPECT_EQ(Ini_PutRawString(doc, "s", "cut", std::string_view("ab\0cd", 5)), 0);
  EXPECT_EQ(iniText(doc), "[s]\r\nt = \"a  [evil]  x=1\"\r\ncut = \"ab\"\r\n\r\n");
  std::string v;
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "t", &v, 100), 1);
  EXPECT_EQ(v, "a  [evil]  x=1");
}

TEST(IniOps, GetIntFollowsTheIntegerGrammar) {
  IniHandle doc = parseIni("[n]\r\n"
                           "a=12\r\nb=\" -7 \"\r\nc=+5\r\nd=12abc\r\ne=2147483648\r\n"
                           "f=-2147483648\r\ng=\"   \"\r\nh=\"12\"\r\ni=0x10\r\nj=+-1\r\nk=- 7\r\n"
                           "l=99999999999999999999\r\nm=1.0\r\n");
  struct Case {
    const char* tag;
    int result;
    std::int32_t value;
  } cases[] = {{"a", 1, 12},
               {"b", 1, -7},
               {"c", 1, 5},
               {"d", IniNotAnInteger, 42},
               {"e", IniNotAnInteger, 42},
               {"f", 1, std::numeric_limits<std::int32_t>::min()},
               {"g", 0, 42},
               {"h", 1, 12},
               {"i", IniNotAnInteger, 42},
               {"j", IniNotAnInteger, 42},
               {"k", IniNotAnInteger, 42},
               {"l", IniNotAnInteger, 42},
               {"m", IniNotAnInteger, 42},
               {"missing", 0, 42}};
  for (const Case& c : cases) {
    std::int32_t v = 42;
    EXPECT_EQ(Ini_GetInt(doc, "n", c.tag, &v), c.result) << c.tag;
    EXPECT_EQ(v, c.value) << c.tag;
  }
  EXPECT_EQ(Ini_GetInt(doc, "n", "a", nullptr), IniNoDocument);
}

TEST(IniOps, GetDoubleFollowsTheCLibrary) {
  IniHandle doc = parseIni("[d]\r\n"
                           "a=1.5\r\nb=inf\r\nc=-INF\r\nd=+Inf\r\ne=1.5x\r\nf=word\r\n"
                           "g=1e999\r\nh=0x1p3\r\ni=\" 2.25\"\r\nj=1e-400\r\nk=\"1.5 \"\r\n"
                           "l=\"\"\r\nm=-0\r\n");
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* tag;
    int result;
    double value;
  } cases[] = {{"a", 1, 1.5},
               {"b", 1, inf},
               {"c", 1, -inf},
               {"d", 1, inf},
               {"e", IniNotANumber, 1.5},
               {"f", IniNotANumber, 0.0},
               {"g", IniNotANumber, inf},
               {"h", 1, 8.0},
               {"i", 1, 2.25},
               {"j", 1, 0.0},
               {"k", IniNotANumber, 1.5},
               {"l", 0, 42.0},
               {"m", 1, -0.0},
               {"missing", 0, 42.0}};
  for (const Case& c : cases) {
    double v = 42.0;
    EXPECT_EQ(Ini_GetDouble(doc, "d", c.tag, &v), c.result) << c.tag;
    EXPECT_EQ(v, c.value) << c.tag;
  }
  double v = 0;
  EXPECT_EQ(Ini_GetDouble(doc, "d", "a", nullptr), IniNoDocument);
  EXPECT_EQ(Ini_GetDouble(doc, "d", "m", &v), 1);
  EXPECT_TRUE(std::signbit(v));
}

TEST(IniOps, GetRawStringCutsToTheBufferAndEmptiesItFirst) {
  IniHandle doc = parseIni("[s]\r\nname=\"abcdef\"\r\nempty=\"\"\r\n");
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "name", buf, 4), 1);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "missing", buf, 4), 0);
  EXPECT_STREQ(buf, "");
  buf[0] = 'x';
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "empty", buf, 4), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(Ini_ItemExists(doc, "s", "empty"), 1);
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "name", buf, 1), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "name", buf, 0), IniNoDocument);
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "name", static_cast<char*>(nullptr), 4),
            IniNoDocument);
  std::string s = "old";
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "name", &s, 30), 1);
  EXPECT_EQ(s, "abcdef");
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, "s", "nope", &s, 30), 0);
  EXPECT_EQ(s, "");
}

// Thousands of sections, half of them removed and some put again: every lookup still finds the
// first section of its name (the index grows, drops and reuses entries), and a tag handed out
// before stays valid.
TEST(IniOps, ManySectionsRemovedAndPutAgainAreFoundByName) {
  IniHandle doc = Ini_New(0);
  Ini_PutInt(doc, "s", "first", 1);
  std::string_view tag;
  ASSERT_EQ(Ini_NthItemName(doc, "s", 1, &tag), 1);
  for (int i = 0; i < 3000; ++i)
    Ini_PutInt(doc, "s" + std::to_string(i), "k", i);
  for (int i = 0; i < 3000; i += 2)
    ASSERT_EQ(Ini_RemoveSection(doc, "S" + std::to_string(i)), 1);
  for (int i = 0; i < 3000; i += 6)
    Ini_PutInt(doc, "s" + std::to_string(i), "k", -i);
  for (int i = 0; i < 3000; ++i) {
    std::int32_t v = 0;
    const int expected = i % 2 == 1 || i % 6 == 0;
    ASSERT_EQ(Ini_GetInt(doc, " s" + std::to_string(i), "K", &v), expected) << i;
    if (expected) {
      EXPECT_EQ(v, i % 2 ? i : -i) << i;
    }
  }
  EXPECT_EQ(Ini_NumberOfItems(doc, "s2999"), 1);
  EXPECT_EQ(tag, "first");
}

} // namespace
} // namespace zv
