// The text format: line reading, classification, comments, long values, exact output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "storage/test_config_common.hpp"
#include "storage/zv_ini.hpp"

namespace zv {
namespace {

using test::iniText;
using test::parseIni;

std::string raw(IniDocument* doc, std::string_view section, std::string_view tag) {
  std::string v;
  EXPECT_EQ(Ini_GetRawStringIntoBuffer(doc, section, tag, &v, 1 << 20), 1) << section << "/" << tag;
  return v;
}

// A file that gives `good` bytes and then fails.
struct FailingFile : ReadableFile {
  explicit FailingFile(int good = 0) : left(good) {}
  int left;
  std::error_code read(void* b, std::size_t, std::size_t& got) override {
    got = left-- > 0 ? 1 : 0;
    if (got)
      static_cast<char*>(b)[0] = 'z';
    return got ? std::error_code{} : std::make_error_code(std::errc::io_error);
  }
  std::error_code seek(std::uint64_t) override { return {}; }
};

std::vector<std::string> allLines(std::string_view bytes, std::size_t chunk, std::size_t maxRead) {
  MemoryFile f(bytes, maxRead);
  LineFile lf(f, chunk);
  std::vector<std::string> lines;
  std::string_view line;
  while (lf.next(line) == 1)
    lines.emplace_back(line);
  return lines;
}

TEST(LineFile, LineEndsAreCrLfCrLfLfCrOrNul) {
  using V = std::vector<std::string>;
  const struct {
    std::string bytes;
    V lines;
  } cases[] = {
      {"a\r\nb\r\n", V{"a", "b"}},
      {"a\nb", V{"a", "b"}},
      {"a\rb\r", V{"a", "b"}},
      {"a\n\rb", V{"a", "b"}},
      {"a\r\n\r\nb", V{"a", "", "b"}}, // an empty line is two line ends of the same kind
      {"a\r\rb", V{"a", "", "b"}},
      {"a\n\nb", V{"a", "", "b"}},
      {"a\r\n\rb", V{"a", "", "b"}},
      {"a\n\r\n\rb", V{"a", "", "b"}},
      {std::string("a\0b\0\nc", 6), V{"a", "b", "", "c"}},
      {"", V{}},
      {"\r\n", V{""}},
      {"x", V{"x"}},
  };
  for (const auto& c : cases)
    for (std::size_t chunk : {1, 2, 3, 7, 65536})
      EXPECT_EQ(allLines(c.bytes, chunk, SIZE_MAX), c.lines) << "chunk " << chunk;
}

TEST(LineFile, KeepsTheFirst255BytesAcrossChunkBoundaries) {
  std::string longLine(300, 'x');
  for (std::size_t i = 0; i < longLine.size(); ++i)
    longLine[i] = static_cast<char>('a' + i % 26);
  const std::string bytes = longLine + "\r\nnext\r\n" + std::string(255, 'y') + "\n";
  for (std::size_t chunk : {1, 5, 64, 254, 255, 256, 1000}) {
    const auto lines = allLines(bytes, chunk, 3);
    ASSERT_EQ(lines.size(), 3u) << chunk;
    EXPECT_EQ(lines[0], longLine.substr(0, 255));
    EXPECT_EQ(lines[1], "next");
    EXPECT_EQ(lines[2], std::string(255, 'y'));
  }
}

TEST(LineFile, CountsLinesAndReportsReadErrors) {
  FaultyFileSystem fs;
  MemoryFile mem("a\nb\nc\n");
  LineFile lf(mem);
  std::string_view line;
  ASSERT_EQ(lf.next(line), 1);
  ASSERT_EQ(lf.next(line), 1);
  EXPECT_EQ(lf.lineNumber(), 2u);

  FailingFile failing(1);
  LineFile bad(failing);
  EXPECT_EQ(bad.next(line), -1);
  EXPECT_EQ(bad.error(), std::errc::io_error);
  EXPECT_EQ(bad.next(line), -1);
}

TEST(IniRead, ClassifiesLines) {
  IniHandle doc = parseIni("orphan=1\r\n[ Sec ]  \r\n  key  =  value with  blanks  \r\nnovalue=\r\n"
                           "blank=   \r\n=noname\r\njust text\r\n[]\r\n[x] trailing\r\neq=a=b\r\n"
                           "[open=1\r\nq=\"\"\"\r\nsingle=\"\r\n[a]b]\r\nk=1\r\n");
  // Before any section, "orphan" is ignored.
  EXPECT_EQ(Ini_NumberOfItems(doc, "sec"), 5);
  EXPECT_EQ(raw(doc, "sec", "key"), "value with  blanks");
  EXPECT_EQ(Ini_ItemExists(doc, "sec", "novalue"), 0);
  EXPECT_EQ(Ini_ItemExists(doc, "sec", "blank"), 0);
  EXPECT_EQ(raw(doc, "sec", "eq"), "a=b");
  EXPECT_EQ(raw(doc, "sec", "[open"), "1"); // "[" without "]" is an item line
  EXPECT_EQ(raw(doc, "sec", "q"), "\"");
  EXPECT_EQ(raw(doc, "sec", "single"), "\"");
  EXPECT_EQ(Ini_SectionExists(doc, "x"), 0);
  EXPECT_EQ(Ini_ItemExists(doc, "a]b", "k"), 1); // the name ends at the last "]"
  EXPECT_EQ(Ini_SectionExists(doc, "orphan"), 0);
}

TEST(IniRead, CutsLongLinesAt255Characters) {
  const std::string value(300, 'v');
  IniHandle doc = parseIni("[s]\r\nk=" + value + "\r\nnext=1\r\n");
  EXPECT_EQ(raw(doc, "s", "k"), value.substr(0, 253)); // "k=" plus 253 characters
  EXPECT_EQ(Ini_ItemExists(doc, "s", "next"), 1);
}

TEST(IniRead, CommentsAttachToHeaderSectionsItemsAndTrailer) {
  const std::string file =
      "; header 1\r\n; header 2\r\n\r\n; about s\r\n[s]\r\n  ; about a\r\na=1\r\n"
      "\r\n; about t\r\n\r\n[t]\r\nb=2\r\n; the end\r\n";
  IniHandle doc = parseIni(file);
  EXPECT_EQ(iniText(doc), "; header 1\r\n; header 2\r\n\r\n"
                          "; about s\r\n[s]\r\n  ; about a\r\na = 1\r\n\r\n"
                          "; about t\r\n[t]\r\nb = 2\r\n\r\n"
                          "; the end\r\n");
}

TEST(IniRead, CommentOfAnIgnoredItemIsDroppedAndOnlyCommentsBecomeTrailer) {
  EXPECT_EQ(iniText(parseIni("; lost\r\nx=1\r\n[s]\r\n")), "[s]\r\n\r\n");
  EXPECT_EQ(iniText(parseIni("; only\r\n; comments")), "; only\r\n; comments\r\n");
  // A second comment block before the first section, after the header is taken, stays
  // with the section.
  EXPECT_EQ(iniText(parseIni("; h\r\n\r\n; second\r\n\r\n[s]\r\n")),
            "; h\r\n\r\n; second\r\n[s]\r\n\r\n");
}

TEST(IniRead, ReadingAgainAppendsSections) {
  IniHandle doc = parseIni("[a]\r\nk=1\r\n");
  MemoryFile more("[b]\r\nk=2\r\n[a]\r\nk=3\r\n");
  ASSERT_EQ(Ini_ReadFromFile(doc, more), 0);
  EXPECT_EQ(iniText(doc), "[a]\r\nk = 1\r\n\r\n[b]\r\nk = 2\r\n\r\n[a]\r\nk = 3\r\n\r\n");
  std::int32_t v = 0;
  EXPECT_EQ(Ini_GetInt(doc, "A", "k", &v), 1);
  EXPECT_EQ(v, 1);
}

TEST(IniWrite, LongValuesAreSplitIn80CharacterPieces) {
  IniHandle doc = Ini_New(0);
  const std::string v80(80, 'a');
  std::string v81 = std::string(80, 'b') + "c";
  ASSERT_EQ(Ini_PutRawString(doc, "s", "Exact", v80), 0);
  ASSERT_EQ(Ini_PutRawString(doc, "s", "Ger\xE4tename", v81), 0);
  const std::string out = iniText(doc);
  EXPECT_EQ(out, "[s]\r\nExact = \"" + v80 + "\"\r\n" + "Ger\xE4tename Line0001 = \"" +
                     std::string(80, 'b') + "\"\r\nGer\xE4tename Line0002 = \"c\"\r\n\r\n");
  IniHandle back = parseIni(out);
  EXPECT_EQ(Ini_NumberOfItems(back, "s"), 2);
  EXPECT_EQ(raw(back, "s", "Ger\xE4tename"), v81);
  EXPECT_EQ(raw(back, "s", "Exact"), v80);
}

TEST(IniWrite, PieceNumbersGrowPastFourDigits) {
  IniHandle doc = Ini_New(0);
  const std::string big(80 * 10001 + 5, 'z');
  ASSERT_EQ(Ini_PutRawString(doc, "s", "t", big), 0);
  const std::string out = iniText(doc);
  EXPECT_NE(out.find("t Line9999 = "), std::string::npos);
  EXPECT_NE(out.find("t Line10002 = \"zzzzz\"\r\n"), std::string::npos);
  EXPECT_EQ(raw(parseIni(out), "s", "t"), big);
}

TEST(IniRead, LongValueRunTakesEveryFollowingPieceUpToTheNextFirstOne) {
  IniHandle doc = parseIni("[s]\r\n"
                           "a Line0001=\"one \"\r\n"
                           "a Line0002=two\r\n"
                           "a Line0003=\" three\"\r\n"
                           "plain=1\r\n"
                           "c Line0002=y\r\n" // no start: kept
                           "b Line1=x\r\n"    // a run of one: renamed
                           "d Line0001=p\r\n"
                           "e Line0002=q\r\n" // another base name: still d's
                           "d Line0001=r\r\n" // number 1 again: a new run
                           "d Line0007=s\r\n" // out of sequence: still joined
                           "x Line0000=t\r\n" // number 0 is not 1
                           "f Line=z\r\n"     // no digits
                           "g Line2x=z\r\n"
                           "h \t Line0001=t\r\n"); // the joined tag is stored trimmed
  std::vector<std::string> tags;
  for (int i = 1; i <= Ini_NumberOfItems(doc, "s"); ++i) {
    std::string_view t;
    ASSERT_EQ(Ini_NthItemName(doc, "s", i, &t), 1);
    tags.emplace_back(t);
  }
  EXPECT_EQ(tags, (std::vector<std::string>{"a", "plain", "c Line0002", "b", "d", "d", "f Line",
                                            "g Line2x", "h"}));
  EXPECT_EQ(raw(doc, "s", "a"), "one two three");
  EXPECT_EQ(raw(doc, "s", "b"), "x");
  EXPECT_EQ(raw(doc, "s", "d"), "pq");
  // The joined item keeps the first piece's quoting.
  EXPECT_EQ(iniText(doc).substr(0, 30), "[s]\r\na = \"one two three\"\r\nplai");
  EXPECT_NE(iniText(doc).find("d = rst\r\n"), std::string::npos);
}

TEST(IniWrite, QuotingKeepsBlanksAndInnerQuotes) {
  IniHandle doc = Ini_New(0);
  Ini_PutRawString(doc, "s", "blanks", "  padded  ");
  Ini_PutRawString(doc, "s", "quote", "a\"b");
  Ini_PutRawString(doc, "s", "quoted", "\"x\"");
  const std::string out = iniText(doc);
  EXPECT_EQ(out,
            "[s]\r\nblanks = \"  padded  \"\r\nquote = \"a\"b\"\r\nquoted = \"\"x\"\"\r\n\r\n");
  IniHandle back = parseIni(out);
  EXPECT_EQ(raw(back, "s", "blanks"), "  padded  ");
  EXPECT_EQ(raw(back, "s", "quote"), "a\"b");
  EXPECT_EQ(raw(back, "s", "quoted"), "\"x\"");
  // An unquoted value loses its blanks.
  EXPECT_EQ(raw(parseIni("[s]\r\nk=   v   \r\n"), "s", "k"), "v");
}

// The shortest of %.16g and %.17g that reads back as the same double.
TEST(IniWrite, DoublesAreWrittenWithTheDigitsThatReadBack) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {2.5, "2.5"},
      {100.0, "100"},
      {1e21, "1e+21"},
      {-1.0 / 3.0, "-0.3333333333333333"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  IniHandle doc = Ini_New(0);
  Ini_SetDuplicateChecking(doc, 0);
  std::string expected = "[d]\r\n";
  for (const auto& [value, written] : cases) {
    ASSERT_EQ(Ini_PutDouble(doc, "d", "v", value), 0);
    expected += std::string("v = ") + written + "\r\n";
  }
  EXPECT_EQ(iniText(doc), expected + "\r\n");
}

TEST(IniSections, WriterGivesTheTextOfADocumentWithTheSamePuts) {
  // Blanks around names, a NUL and line breaks in values, a long value, doubles and a
  // refused tag: each put gives the same result and the same bytes either way.
  const std::string longValue(200, 'x');
  IniHandle doc = Ini_New(0);
  Ini_SetDuplicateChecking(doc, 0);
  IniTextWriter w;
  EXPECT_EQ(w.putInt("Before", 1), IniNoDocument); // no section started
  for (const std::string& name : {std::string(" A "), std::string("b/c-1")}) {
    ASSERT_EQ(w.section(name), 0);
    EXPECT_EQ(w.putInt(" Count ", -7), Ini_PutInt(doc, name, " Count ", -7));
    EXPECT_EQ(w.putDouble("D", 0.1 + 0.2), Ini_PutDouble(doc, name, "D", 0.1 + 0.2));
    EXPECT_EQ(w.putRawString("S", std::string("a\rb\nc\0d", 7)),
              Ini_PutRawString(doc, name, "S", std::string("a\rb\nc\0d", 7)));
    EXPECT_EQ(w.putRawString("Long", longValue), Ini_PutRawString(doc, name, "Long", longValue));
    EXPECT_EQ(w.putInt("x=y", 1), Ini_PutInt(doc, name, "x=y", 1));
  }
  EXPECT_EQ(w.section("  "), IniNoDocument);
  EXPECT_EQ(w.text(), iniText(doc));
}

TEST(IniSections, ReaderHandsOverEachSectionAsADocumentHoldsIt) {
  const std::string bytes = "lost = 1\r\n[ S1 ]\r\n; c\r\nA = 1\r\nV Line0001 = \"ab\"\r\n"
                            "V Line0002 = \"cd\"\r\nA = 2\r\n[s1]\r\nA = 3\r\n[Empty]\r\n"
                            "[T]\r\nD = 2.5e-3\r\nN = 0x10\r\n";
  IniHandle doc = parseIni(bytes);
  MemoryFile f(bytes, 7);
  IniSectionReader reader(f);
  std::vector<std::string> names;
  IniHandle copy = Ini_New(0);
  while (reader.next() == 1) {
    const IniSection s = reader.section();
    names.emplace_back(s.name());
    ASSERT_EQ(reader.copyTo(copy), 0);
  }
  EXPECT_EQ(reader.next(), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"S1", "s1", "Empty", "T"}));
  // Lookups in the copied sections and in the document read whole agree (first of a name).
  for (IniDocument* d : {doc.get(), copy.get()}) {
    const IniSection s1 = Ini_FindSection(d, "s1");
    std::int32_t n = 0;
    std::string v;
    EXPECT_EQ(s1.getInt("a", &n), 1);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(s1.getRawString("V", &v, 100), 1);
    EXPECT_EQ(v, "abcd");
    double x = 0;
    const IniSection t = Ini_FindSection(d, "T");
    EXPECT_EQ(t.getDouble("D", &x), 1);
    EXPECT_EQ(x, 2.5e-3);
    EXPECT_EQ(t.getDouble("N", &x), Ini_GetDouble(doc, "T", "N", &x)); // hex goes to strtod
    EXPECT_FALSE(Ini_FindSection(d, "none"));
  }
  FailingFile failing;
  IniSectionReader broken(failing);
  EXPECT_EQ(broken.next(), IniReadError);
}

} // namespace
} // namespace zv
