// Reading and writing real files, and the result code of every way writing can fail (the
// replacement itself is tests/platform's).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/zv_faults.hpp"
#include "common/zv_testdir.hpp"
#include "storage/zv_ini.hpp"

namespace zv {
namespace {

using Op = FaultyFileSystem::Op;
using test::TestDir;

IniHandle sample() {
  IniHandle doc = Ini_New(0);
  Ini_PutInt(doc, "AUFTRAG", "Proben", 3);
  Ini_PutRawString(doc, "Probe-1", "Probenname", "P1");
  return doc;
}

const char* const SampleText =
    "[AUFTRAG]\r\nProben = 3\r\n\r\n[Probe-1]\r\nProbenname = \"P1\"\r\n\r\n";

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniFile, WritesTheExactBytesAndReadsThemBack) {
  TestDir dir;
  IniHandle doc = sample();
  const auto path = dir.file("ZARVIK.INI");
  ASSERT_EQ(Ini_WriteToFile(doc, path), 0);
  EXPECT_EQ(TestDir::readFile(path), SampleText);
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"ZARVIK.INI"});

  IniHandle back = Ini_New(0);
  ASSERT_EQ(Ini_ReadFromFile(back, path), 0);
  std::int32_t n = 0;
  EXPECT_EQ(Ini_GetInt(back, "auftrag", "proben", &n), 1);
  EXPECT_EQ(n, 3);
}

TEST(IniFile, ReadFailures) {
  TestDir dir;
  IniHandle doc = Ini_New(0);
  EXPECT_EQ(Ini_ReadFromFile(doc, dir.file("missing.ini")), IniCannotOpen);
  EXPECT_EQ(Ini_ReadFromFile(doc, dir.path()), IniCannotOpen);

  // A read error keeps what was read before it.
  std::string big = "[first]\r\nk=1\r\n";
  for (int i = 0; i < 20000; ++i)
    big += "[s" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  const auto path = dir.write("big.ini", big);
  FaultyFileSystem fs;
  fs.failOn(Op::Read, std::errc::io_error, "", 1);
  EXPECT_EQ(Ini_ReadFromFile(doc, path, fs), IniReadError);
  EXPECT_EQ(Ini_ItemExists(doc, "first", "k"), 1);
  EXPECT_EQ(Ini_SectionExists(doc, "s19999"), 0);
}

// Each failure gives its code, and the old file stays byte for byte; no temporary is left.
TEST(IniFile, WriteFailuresGiveTheirCodeAndKeepTheOldFile) {
  using E = std::errc;
  using test::Fault;
  const std::pair<Fault, int> cases[] = {
      {Fault::writeProtect(), IniAccessDenied},
      {Fault::diskFull(20000), IniDiskFull},
      {Fault::call(Op::Sync, E::no_space_on_device), IniDiskFull},
      {Fault::call(Op::Write, E::permission_denied), IniAccessDenied},
      {Fault::call(Op::Write, E::device_or_resource_busy), IniIoError},
      {Fault::call(Op::Write, E::not_enough_memory), IniOutOfMemory},
      {Fault::call(Op::Write, E::io_error), IniIoError},
      {Fault::call(Op::Close, E::io_error, "ini$$"), IniIoError},
      {Fault::call(Op::Rename, E::permission_denied), IniAccessDenied},
      {Fault::call(Op::Rename, E::too_many_files_open), IniTooManyFiles},
      {Fault::call(Op::Rename, E::cross_device_link), IniIoError},
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
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"data.DAT"});
  }
}

TEST(IniFile, MissingDirectoryOrUncreatableTargetIsAccessDenied) {
  TestDir dir;
  IniHandle doc = sample();
  EXPECT_EQ(Ini_WriteToFile(doc, dir.file("no/such/dir/x.ini")), IniAccessDenied);
  FaultyFileSystem fs;
  fs.failOn(Op::OpenWrite, std::errc::permission_denied);
  EXPECT_EQ(Ini_WriteToFile(doc, dir.file("new.ini"), fs), IniAccessDenied);
  EXPECT_TRUE(namesIn(dir.path()).empty());
  // The target is a directory.
  std::filesystem::create_directory(dir.file("sub"));
  EXPECT_EQ(Ini_WriteToFile(doc, dir.file("sub"), fs), IniAccessDenied);
}

} // namespace
} // namespace zv
