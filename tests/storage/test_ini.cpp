// The INI text format and its documents: line reading, what a read document holds and writes
// back, exact output, lookups and gets, and real files with the ways writing can fail (the
// replacement itself is tests/platform's).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/zv_faults.hpp"
#include "common/zv_testdir.hpp"
#include "storage/test_config_common.hpp"
#include "storage/zv_ini.hpp"

namespace zv {
namespace {

using test::iniText;
using test::parseIni;
using test::TestDir;
using Op = FaultyFileSystem::Op;
using V = std::vector<std::string>;
using Codes = std::vector<int>;
const double inf = std::numeric_limits<double>::infinity();

std::string raw(IniDocument* doc, std::string_view section, std::string_view tag) {
  std::string v;
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, section, tag, &v, 1 << 20), 1) << section << "/" << tag;
  return v;
}
// The item names of a section, in order.
V tags(IniDocument* doc, std::string_view section) {
  V out;
  std::string_view t;
  for (int i = 1; Ini_NthItemName(doc, section, i, &t) == 1; ++i)
    out.emplace_back(t);
  return out;
}

// A file whose every read fails.
struct FailingFile : ReadableFile {
  std::error_code read(void*, std::size_t, std::size_t& got) override {
    got = 0;
    return std::make_error_code(std::errc::io_error);
  }
  std::error_code seek(std::uint64_t) override { return {}; }
};

V allLines(std::string_view bytes, std::size_t chunk, std::size_t maxRead) {
  MemoryFile f(bytes, maxRead);
  LineFile lf(f, chunk);
  V lines;
  std::string_view line;
  while (lf.next(line) == 1)
    lines.emplace_back(line);
  return lines;
}

TEST(LineFile, LineEndsAreCrLfCrLfLfCrOrNulAndLinesKeep255Bytes) {
  std::string abc(300, 'x');
  for (std::size_t i = 0; i < abc.size(); ++i)
    abc[i] = static_cast<char>('a' + i % 26);
  const std::pair<std::string, V> cases[] = {{"a\r\nb\r\n", {"a", "b"}},
                                             {"a\nb", {"a", "b"}},
                                             {"a\rb\r", {"a", "b"}},
                                             {"a\n\rb", {"a", "b"}},
                                             {"a\r\n\r\nb", {"a", "", "b"}},
                                             {"a\r\rb", {"a", "", "b"}},
                                             {{"a\0b\0\nc", 6}, {"a", "b", "", "c"}},
                                             {"", {}},
                                             {"\r\n", {""}},
                                             {"x", {"x"}},
                                             {abc + "\r\nnext\r\n" + std::string(255, 'y') + "\n",
                                              {abc.substr(0, 255), "next", std::string(255, 'y')}}};
  for (const auto& [bytes, lines] : cases)
    for (std::size_t chunk : {1, 2, 3, 7, 254, 255, 256, 65536})
      for (std::size_t maxRead : {std::size_t{3}, SIZE_MAX})
        EXPECT_EQ(allLines(bytes, chunk, maxRead), lines) << "chunk " << chunk;
}

// What a read document holds, as the text it writes back.
TEST(IniRead, WhatADocumentKeepsOfTheLinesItReads) {
  const std::string v300(300, 'v');
  const std::pair<std::string, std::string> cases[] = {
      // Items before any section, without a value or a name, and lines that are neither an
      // item nor a section are dropped; "[" without "]" is an item; a name ends at the last "]".
      {"orphan=1\r\n[ Sec ]  \r\n  key  =  value with  blanks  \r\nnovalue=\r\nblank=   \r\n"
       "=noname\r\njust text\r\n[]\r\n[x] trailing\r\neq=a=b\r\n[open=1\r\nq=\"\"\"\r\n"
       "single=\"\r\n[a]b]\r\nk=1\r\n",
       "[Sec]\r\nkey = value with  blanks\r\neq = a=b\r\n[open = 1\r\nq = \"\"\"\r\n"
       "single = \"\r\n\r\n[a]b]\r\nk = 1\r\n\r\n"},
      // Comments stay with the header, the section or item after them, or the trailer.
      {"; header 1\r\n; header 2\r\n\r\n; about s\r\n[s]\r\n  ; about a\r\na=1\r\n"
       "\r\n; about t\r\n\r\n[t]\r\nb=2\r\n; the end\r\n",
       "; header 1\r\n; header 2\r\n\r\n; about s\r\n[s]\r\n  ; about a\r\na = 1\r\n\r\n"
       "; about t\r\n[t]\r\nb = 2\r\n\r\n; the end\r\n"},
      {"; only\r\n; comments", "; only\r\n; comments\r\n"},
      {"; h\r\n\r\n; second\r\n\r\n[s]\r\n", "; h\r\n\r\n; second\r\n[s]\r\n\r\n"},
      // A long value's pieces are joined, keeping the first piece's quoting.
      {"[s]\r\na Line0001=\"one \"\r\na Line0002=two\r\na Line0003=\" three\"\r\nplain=1\r\n",
       "[s]\r\na = \"one two three\"\r\nplain = 1\r\n\r\n"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(iniText(parseIni(in)), out);
  IniHandle doc = parseIni(cases[0].first);
  // A line is cut at 255 characters: "k=" plus 253.
  IniHandle cut = parseIni("[s]\r\nk=" + v300 + "\r\nnext=1\r\n");
  EXPECT_EQ((V{raw(doc, "sec", "key"), raw(doc, "sec", "q"), raw(doc, "sec", "single"),
               raw(parseIni("[s]\r\nk=   v   \r\n"), "s", "k")}),
            (V{"value with  blanks", "\"", "\"", "v"}));
  EXPECT_EQ((Codes{Ini_ItemExists(doc, "sec", "novalue"), Ini_SectionExists(doc, "x"),
                   Ini_SectionExists(doc, "orphan")}),
            (Codes{0, 0, 0}));
}

// A value put, the line written for it, and the same value read back.
TEST(IniWrite, ValuesAreQuotedAndLongOnesSplitIn80CharacterPieces) {
  const std::string b80(80, 'b');
  const std::pair<std::string, std::string> cases[] = {
      {std::string(80, 'a'), "v = \"" + std::string(80, 'a') + "\"\r\n"},
      {b80 + "c", "v Line0001 = \"" + b80 + "\"\r\nv Line0002 = \"c\"\r\n"},
      {"  padded  ", "v = \"  padded  \"\r\n"},
      {"a\"b", "v = \"a\"b\"\r\n"},
      {"\"x\"", "v = \"\"x\"\"\r\n"},
  };
  for (const auto& [value, line] : cases) {
    IniHandle doc = Ini_New(0);
    ASSERT_EQ(Ini_PutRawString(doc, "s", "v", value), 0);
    const std::string out = iniText(doc);
    EXPECT_EQ(out, "[s]\r\n" + line + "\r\n");
    IniHandle back = parseIni(out);
    EXPECT_EQ(raw(back, "s", "v"), value);
    EXPECT_EQ(Ini_NumberOfItems(back, "s"), 1);
  }
}

// The shortest of %.16g and %.17g that reads back as the same double.
TEST(IniWrite, DoublesAreWrittenWithTheDigitsThatReadBack) {
  const std::pair<double, const char*> cases[] = {{0.0, "0"},
                                                  {-0.0, "-0"},
                                                  {2.5, "2.5"},
                                                  {1e21, "1e+21"},
                                                  {-1.0 / 3.0, "-0.3333333333333333"},
                                                  {0.1 + 0.2, "0.30000000000000004"},
                                                  {inf, "inf"}};
  IniHandle doc = Ini_New(0);
  Ini_SetDuplicateChecking(doc, 0);
  std::string expected = "[d]\r\n";
  for (const auto& [value, written] : cases) {
    ASSERT_EQ(Ini_PutDouble(doc, "d", "v", value), 0);
    expected += std::string("v = ") + written + "\r\n";
  }
  EXPECT_EQ(iniText(doc), expected + "\r\n");
}

TEST(IniWrite, PutsCreateSectionsAtTheEndAndCleanLineBreaks) {
  IniHandle doc = Ini_New(0);
  // A value with line breaks would otherwise inject sections into the file.
  EXPECT_EQ((Codes{Ini_PutInt(doc, "AUFTRAG", "Proben", 3),
                   Ini_PutDouble(doc, "Probe-1",
                                 "Me\xDF"
                                 "bereich",
                                 2.5),
                   Ini_PutRawString(doc, "  Probe-1 ", "Probenname", "P1"),
                   Ini_PutRawString(doc, "Probe-1", "Leer", ""),
                   Ini_PutRawString(doc, "s", "t", "a\r\n[evil]\r\nx=1"),
                   Ini_PutRawString(doc, "s", "cut", std::string_view("ab\0cd", 5))}),
            (Codes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(iniText(doc), "[AUFTRAG]\r\nProben = 3\r\n\r\n"
                          "[Probe-1]\r\nMe\xDF"
                          "bereich = 2.5\r\nProbenname = \"P1\"\r\n"
                          "Leer = \"\"\r\n\r\n"
                          "[s]\r\nt = \"a  [evil]  x=1\"\r\ncut = \"ab\"\r\n\r\n");
  EXPECT_EQ(raw(doc, "s", "t"), "a  [evil]  x=1");
}

TEST(IniOps, LookupsAreCaseInsensitiveTrimmedAndFirstMatch) {
  IniHandle doc = parseIni("[ INFO ]\r\n  Name  = first\r\nname=second\r\n[info]\r\nOther=x\r\n");
  std::string_view tag;
  EXPECT_EQ(
      (Codes{Ini_SectionExists(doc, "info"), Ini_SectionExists(doc, "  Info\t"),
             Ini_SectionExists(doc, "inf"), Ini_NumberOfItems(doc, "INFO"),
             Ini_ItemExists(doc, "info", "NAME"), Ini_ItemExists(doc, "info", "other"),
             Ini_NthItemName(doc, "info", 0, &tag), Ini_NthItemName(doc, "missing", 1, &tag)}),
      (Codes{1, 1, 0, 2, 1, 0, 0, 0}));
  EXPECT_EQ(raw(doc, "info", " name "), "first");
  EXPECT_EQ(tags(doc, "info"), (V{"Name", "name"})); // stored trimmed, case kept
}

TEST(IniOps, RemoveSectionTakesTheFirstAndRevealsTheNext) {
  IniHandle doc = parseIni("[A]\r\nk=1\r\n[B]\r\nk=2\r\n[a]\r\nk=3\r\n");
  EXPECT_EQ(raw(doc, "A", "k"), "1"); // caches the first A
  EXPECT_EQ(Ini_RemoveSection(doc, "a"), 1);
  EXPECT_EQ(raw(doc, "A", "k"), "3");
  EXPECT_EQ((Codes{Ini_RemoveSection(doc, "A"), Ini_SectionExists(doc, "a"),
                   Ini_RemoveSection(doc, "A")}),
            (Codes{1, 0, 0}));
  // A removed name can be put again; it goes to the end.
  EXPECT_EQ(Ini_PutInt(doc, "A", "k", 4), 0);
  EXPECT_EQ(iniText(doc), "[B]\r\nk = 2\r\n\r\n[A]\r\nk = 4\r\n\r\n");
}

TEST(IniOps, GetIntAndGetDoubleFollowTheirGrammar) {
  const struct {
    const char* text; // the value in the file; null: no such item
    int intResult;
    std::int32_t intValue;
    int doubleResult;
    double doubleValue;
  } cases[] = {
      {"12", 1, 12, 1, 12},
      {"\" -7 \"", 1, -7, IniNotANumber, -7},
      {"12abc", IniNotAnInteger, 42, IniNotANumber, 12},
      {"2147483648", IniNotAnInteger, 42, 1, 2147483648.0},
      {"-2147483648", 1, std::numeric_limits<std::int32_t>::min(), 1, -2147483648.0},
      {"\"   \"", 0, 42, 0, 42},
      {"0x10", IniNotAnInteger, 42, 1, 16},
      {"+-1", IniNotAnInteger, 42, IniNotANumber, 0},
      {"inf", IniNotAnInteger, 42, 1, inf},
      {"1e999", IniNotAnInteger, 42, IniNotANumber, inf},
      {"1e-400", IniNotAnInteger, 42, 1, 0},
      {"\"1.5 \"", IniNotAnInteger, 42, IniNotANumber, 1.5},
      {"-0", 1, 0, 1, -0.0},
      {nullptr, 0, 42, 0, 42},
  };
  std::string text = "[n]\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    if (cases[i].text)
      text += "k" + std::to_string(i) + "=" + cases[i].text + "\r\n";
  IniHandle doc = parseIni(text);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.text ? c.text : "missing");
    const std::string tag = "k" + std::to_string(i);
    std::int32_t n = 42;
    double d = 42.0;
    EXPECT_EQ((std::tuple{Ini_GetInt(doc, "n", tag, &n), n, Ini_GetDouble(doc, "n", tag, &d), d}),
              (std::tuple{c.intResult, c.intValue, c.doubleResult, c.doubleValue}));
    EXPECT_EQ(std::signbit(d), std::signbit(c.doubleValue));
  }
}

TEST(IniSections, ReaderHandsOverEachSectionAsADocumentHoldsIt) {
  const std::string bytes = "lost = 1\r\n[ S1 ]\r\n; c\r\nA = 1\r\nV Line0001 = \"ab\"\r\n"
                            "V Line0002 = \"cd\"\r\nA = 2\r\n[s1]\r\nA = 3\r\n[Empty]\r\n"
                            "[T]\r\nD = 2.5e-3\r\nN = 0x10\r\n";
  MemoryFile f(bytes, 7);
  IniSectionReader reader(f);
  V names;
  IniHandle copy = Ini_New(0);
  while (reader.next() == 1) {
    names.emplace_back(reader.section().name());
    ASSERT_EQ(reader.copyTo(copy), 0);
  }
  EXPECT_EQ(reader.next(), 0);
  EXPECT_EQ(names, (V{"S1", "s1", "Empty", "T"}));
  // The copied sections hold what a document read whole holds, without the comments.
  EXPECT_EQ(iniText(copy), "[S1]\r\nA = 1\r\nV = \"abcd\"\r\nA = 2\r\n\r\n[s1]\r\nA = 3\r\n\r\n"
                           "[Empty]\r\n\r\n[T]\r\nD = 2.5e-3\r\nN = 0x10\r\n\r\n");
  const IniSection s1 = Ini_FindSection(copy, "s1");
  std::string v;
  EXPECT_EQ((std::tuple{s1.getRawString("V", &v, 100), v}), (std::tuple{1, "abcd"}));
  FailingFile failing;
  IniSectionReader broken(failing);
  EXPECT_EQ(broken.next(), IniReadError);
}

// ---- real files ------------------------------------------------------------------------------

V namesIn(const std::filesystem::path& dir) {
  V names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniFile, WritesTheExactBytesReadsThemBackAndKeepsWhatWasReadBeforeAnError) {
  TestDir dir;
  IniHandle doc = Ini_New(0);
  Ini_PutInt(doc, "AUFTRAG", "Proben", 3);
  Ini_PutRawString(doc, "Probe-1", "Probenname", "P1");
  const auto path = dir.file("ZARVIK.INI");
  ASSERT_EQ(Ini_WriteToFile(doc, path), 0);
  EXPECT_EQ(TestDir::readFile(path),
            "[AUFTRAG]\r\nProben = 3\r\n\r\n[Probe-1]\r\nProbenname = \"P1\"\r\n\r\n");
  EXPECT_EQ(namesIn(dir.path()), V{"ZARVIK.INI"});
  IniHandle back = Ini_New(0);
  ASSERT_EQ(Ini_ReadFromFile(back, path), 0);
  EXPECT_EQ(raw(back, "auftrag", "proben"), "3");

  std::string big = "[first]\r\nk=1\r\n";
  for (int i = 0; i < 20000; ++i)
    big += "[s" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  FaultyFileSystem fs;
  fs.failOn(Op::Read, std::errc::io_error, "", 1);
  IniHandle part = Ini_New(0);
  EXPECT_EQ(
      (Codes{Ini_ReadFromFile(part, dir.file("missing.ini")), Ini_ReadFromFile(part, dir.path()),
             Ini_ReadFromFile(part, dir.write("big.ini", big), fs),
             Ini_ItemExists(part, "first", "k"), Ini_SectionExists(part, "s19999")}),
      (Codes{IniCannotOpen, IniCannotOpen, IniReadError, 1, 0}));
}

// Each failure gives its code, and the old file stays byte for byte; no temporary is left.
TEST(IniFile, WriteFailuresGiveTheirCodeAndKeepTheOldFile) {
  using E = std::errc;
  using test::Fault;
  const std::pair<Fault, int> cases[] = {
      {Fault::writeProtect(), IniAccessDenied},
      {Fault::diskFull(20000), IniDiskFull},
      {Fault::call(Op::Write, E::io_error), IniIoError},
      {Fault::call(Op::OpenWrite, E::io_error, "ini$$"), IniCannotCreateTemp}};
  IniHandle doc = Ini_New(0);
  Ini_SetDuplicateChecking(doc, 0);
  for (int i = 0; i < 3000; ++i)
    Ini_PutDouble(doc, "Probe-1/Lagerung-1/Messung-" + std::to_string(i), "Me\xDFwert", i * 0.5);
  for (const auto& [fault, code] : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(fault.op)) + ' ' + std::to_string(code));
    TestDir dir;
    const auto target = dir.write("data.DAT", "[old]\r\nk = 1\r\n\r\n");
    FaultyFileSystem fs;
    fault.apply(fs, target);
    EXPECT_EQ(Ini_WriteToFile(doc, target, fs), code);
    EXPECT_EQ(TestDir::readFile(target), "[old]\r\nk = 1\r\n\r\n");
    EXPECT_EQ(namesIn(dir.path()), V{"data.DAT"});
  }
  EXPECT_EQ(Ini_WriteToFile(doc, TestDir().file("no/such/dir/x.ini")), IniAccessDenied);
}

} // namespace
} // namespace zv
