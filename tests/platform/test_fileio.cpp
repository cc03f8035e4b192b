#include "platform/zv_file_replacement.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/zv_faults.hpp"
#include "common/zv_testdir.hpp"

namespace zv {
namespace {

using Op = FaultyFileSystem::Op;
using test::TestDir;

ContentProducer text(std::string content) {
  return [content](FileWriter& w) {
    w.write(content);
    return std::error_code{};
  };
}

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ReplaceOptions iniLike() {
  ReplaceOptions o;
  o.tempPrefix = "ini$$";
  o.tempExtension = ".CVI";
  return o;
}

TEST(ReplaceFile, TheNewFileKeepsTheOldMode) {
  TestDir dir;
  const auto shared = dir.write("shared.dat", "old");
  std::filesystem::permissions(shared, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
  ASSERT_TRUE(replaceFile(realFileSystem(), shared, ReplaceOptions{}, text("new")).ok());
  EXPECT_EQ(dir.read("shared.dat"), "new");
  EXPECT_EQ(std::filesystem::status(shared).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
}

TEST(ReplaceFile, StepsRunInTheDurableOrder) {
  TestDir dir;
  dir.write("t.ini", "old");
  FaultyFileSystem fs;
  ASSERT_TRUE(replaceFile(fs, dir.file("t.ini"), iniLike(), text("new")).ok());
  std::vector<Op> changing;
  for (const auto& c : fs.calls())
    if (c.op == Op::Sync || c.op == Op::Close || c.op == Op::Rename || c.op == Op::SyncDirectory ||
        c.op == Op::Remove)
      changing.push_back(c.op);
  // The probe of the target is closed first; then the temporary file is synced, closed,
  // renamed over the target and the directory synced. Nothing is removed.
  EXPECT_EQ(changing,
            (std::vector<Op>{Op::Close, Op::Sync, Op::Close, Op::Rename, Op::SyncDirectory}));
}

// Every way a replacement can fail leaves the old file (or none, for a new target) and no
// temporary file behind: a fault at each step, a producer that gives up, a missing or
// protected directory (reported as the temporary file's failure when the target is not
// checked).
TEST(ReplaceFile, EveryFailingStepKeepsTheOldFileAndRemovesTheTemporary) {
  using E = std::errc;
  using test::Fault;
  const Fault none = Fault::call(Op::Write, E::io_error, "never-written");
  const struct {
    Fault fault;
    ReplaceStep step;
    E error;
    const char* target = "data.ini"; // exists with "old content"
    bool producerFails = false;
    bool checkTarget = true;
  } cases[] = {
      {Fault::writeProtect(), ReplaceStep::CheckTarget, E::permission_denied},
      {Fault::call(Op::OpenWrite, E::too_many_files_open, "ini$$"), ReplaceStep::CreateTemp,
       E::too_many_files_open},
      {Fault::call(Op::Write, E::io_error, "", 2), ReplaceStep::Produce, E::io_error},
      {Fault::call(Op::Sync, E::no_space_on_device), ReplaceStep::Flush, E::no_space_on_device},
      {Fault::call(Op::Rename, E::device_or_resource_busy), ReplaceStep::Rename,
       E::device_or_resource_busy},
      {none, ReplaceStep::Produce, E::operation_canceled, "data.ini", true},
      {none, ReplaceStep::CheckTarget, E::no_such_file_or_directory, "nodir/x.ini"},
      {Fault::call(Op::OpenWrite, E::permission_denied), ReplaceStep::CheckTarget,
       E::permission_denied, "x.ini"},
      {Fault::call(Op::OpenWrite, E::permission_denied), ReplaceStep::CreateTemp,
       E::permission_denied, "x.ini", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.step)) + " " + c.target);
    TestDir dir;
    dir.write("data.ini", "old content");
    const auto target = dir.file(c.target);
    FaultyFileSystem fs;
    c.fault.apply(fs, target);
    ReplaceOptions o = iniLike();
    o.checkTarget = c.checkTarget;
    const auto r = replaceFile(fs, target, o, [&](FileWriter& w) {
      for (int i = 0; i < 5000; ++i)
        w.write("line of new content\r\n");
      return c.producerFails ? std::make_error_code(E::operation_canceled) : std::error_code{};
    });
    EXPECT_EQ(
        (std::tuple{r.step, r.error, TestDir::readFile(dir.file("data.ini")), namesIn(dir.path())}),
        (std::tuple{c.step, std::make_error_code(c.error), "old content",
                    std::vector<std::string>{"data.ini"}}));
  }
}

// A crash at any point leaves either the complete old file or the complete new one (or, for a
// target that did not exist, no file or the complete new one), never an empty or partial one.
TEST(ReplaceFile, CrashAtAnyPointLeavesOldOrNewTarget) {
  const std::string newContent(50000, 'n');
  for (bool existed : {true, false}) {
    bool sawNew = false, sawOld = false;
    for (int changes = 0; changes < 40; ++changes) {
      TestDir dir;
      const auto target = dir.file("t.ini");
      if (existed)
        dir.write("t.ini", "old");
      FaultyFileSystem fs;
      fs.haltAfter(changes);
      ReplaceOptions o = iniLike();
      o.bufferSize = 4096;
      replaceFile(fs, target, o, text(newContent));
      if (!std::filesystem::exists(target)) {
        EXPECT_FALSE(existed) << "target vanished after " << changes << " changes";
        sawOld = true;
        continue;
      }
      const std::string now = TestDir::readFile(target);
      if (now == newContent) {
        sawNew = true;
      } else {
        EXPECT_TRUE(existed && now == "old") << "after " << changes << " changes: " << now.size();
        sawOld = true;
      }
    }
    EXPECT_TRUE(sawNew);
    EXPECT_TRUE(sawOld);
  }
}

TEST(FaultyFileSystem, WriteProtectionCoversOpenRemoveAndRenameOnto) {
  TestDir dir;
  const auto p = dir.write("p", "keep");
  const auto other = dir.write("o", "other");
  FaultyFileSystem fs;
  fs.writeProtect(dir.path() / "." / "p");
  std::unique_ptr<WritableFile> f;
  EXPECT_EQ(fs.openWrite(p, OpenMode::Append, f), std::errc::permission_denied);
  EXPECT_EQ(fs.remove(p), std::errc::permission_denied);
  EXPECT_EQ(fs.rename(other, p), std::errc::permission_denied);
  std::unique_ptr<ReadableFile> r;
  EXPECT_FALSE(fs.openRead(p, r));
  EXPECT_EQ(TestDir::readFile(p), "keep");
}

TEST(RealFileSystem, ReportsMissingFilesAndDirectoriesAsErrors) {
  TestDir dir;
  auto& fs = realFileSystem();
  std::unique_ptr<ReadableFile> r;
  EXPECT_EQ(fs.openRead(dir.file("missing"), r), std::errc::no_such_file_or_directory);
  EXPECT_EQ(fs.openRead(dir.path(), r), std::errc::is_a_directory);
  EXPECT_EQ(fs.remove(dir.file("missing")), std::errc::no_such_file_or_directory);
  std::unique_ptr<WritableFile> w;
  dir.write("x", "1");
  EXPECT_EQ(fs.openWrite(dir.file("x"), OpenMode::CreateNew, w), std::errc::file_exists);
  ASSERT_FALSE(fs.openWrite(dir.file("x"), OpenMode::Append, w));
  ASSERT_FALSE(w->write("23", 2));
  ASSERT_FALSE(w->sync());
  ASSERT_FALSE(w->close());
  EXPECT_TRUE(w->close()); // a second close is an error, not a double close
  EXPECT_EQ(TestDir::readFile(dir.file("x")), "123");
}

} // namespace
} // namespace zv
