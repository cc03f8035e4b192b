// Real processes killed with SIGKILL: in the middle of a session with finished pulls, and at
// every file change of a save. Each later start must bring back the data set with the right
// curves, and the files on disk must stay usable.
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_testdir.hpp"

namespace {

using zv::test::TestDir;

struct ChildRun {
  int status = 0;
  std::string output;
  bool killed() const { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }
  int exitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
  int count(const std::string& what) const {
    int n = 0;
    for (std::size_t at = output.find(what); at != std::string::npos;
         at = output.find(what, at + 1))
      ++n;
    return n;
  }
};

// Starts the driver; when killAfter is given, it is killed with SIGKILL once that line
// appears on its output.
ChildRun drive(const std::vector<std::string>& args, const std::string& killAfter = {}) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0)
    return {-1, "pipe failed"};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv;
    std::string driver = ZV_CRASH_DRIVER;
    argv.push_back(driver.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(driver.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  ChildRun run;
  char buffer[4096];
  bool sent = false;
  for (;;) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0)
      break;
    run.output.append(buffer, static_cast<std::size_t>(n));
    if (!sent && !killAfter.empty() && run.output.find(killAfter + "\n") != std::string::npos) {
      kill(pid, SIGKILL);
      sent = true;
    }
  }
  close(pipeFds[0]);
  waitpid(pid, &run.status, 0);
  return run;
}

TEST(CrashTest, KilledDuringASessionEverythingComesBack) {
  TestDir dir;
  const std::string d = dir.path().string();
  ASSERT_EQ(0, drive({d, "prepare"}).exitCode());
  const std::string data = dir.read("ORDER.BIN");
  const std::string graph = dir.read("ORDER.BIN.GRF");
  ASSERT_FALSE(graph.empty());

  const ChildRun session = drive({d, "session"}, "READY");
  ASSERT_TRUE(session.killed()) << session.output;
  EXPECT_EQ(7, session.count("PULL "));
  // Nothing was saved: the data file and the graph file are exactly as before.
  EXPECT_EQ(data, dir.read("ORDER.BIN"));
  EXPECT_EQ(graph, dir.read("ORDER.BIN.GRF"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "user" / "Backup" / "ZARVIK.BAK"));

  const ChildRun restart = drive({d, "restart", "0"});
  ASSERT_EQ(0, restart.exitCode()) << restart.output;
  EXPECT_EQ(1, restart.count("ASK ZARVIK - Backup"));
  EXPECT_EQ(1, restart.count("GRAPH 0"));
  EXPECT_EQ(dir.read("expected.txt"), dir.read("restored.txt"));
  EXPECT_NE(std::string::npos, dir.read("restored.txt").find("Added"));

  // The reload saved and closed the data set: the next start has nothing to offer.
  const ChildRun again = drive({d, "restart", ""});
  EXPECT_EQ(0, again.count("ASK"));
  EXPECT_EQ(dir.read("expected.txt"), dir.read("restored.txt"));
}

TEST(CrashTest, EndingAtTheQuestionKeepsTheBackupForLater) {
  TestDir dir;
  const std::string d = dir.path().string();
  ASSERT_EQ(0, drive({d, "prepare"}).exitCode());
  ASSERT_TRUE(drive({d, "session"}, "READY").killed());
  const ChildRun end = drive({d, "restart", "2"});
  EXPECT_EQ(1, end.count("QUIT 1"));
  const ChildRun reload = drive({d, "restart", "0"});
  EXPECT_EQ(1, reload.count("ASK ZARVIK - Backup"));
  EXPECT_EQ(dir.read("expected.txt"), dir.read("restored.txt"));
}

TEST(CrashTest, KilledAtEveryFileChangeOfASave) {
  TestDir top;
  bool completed = false;
  int kills = 0;
  for (int n = 1; n < 80 && !completed; ++n) {
    SCOPED_TRACE("killed after " + std::to_string(n) + " file changes of the save");
    const auto dir = top.path() / std::to_string(n);
    std::filesystem::create_directories(dir);
    const std::string d = dir.string();
    ASSERT_EQ(0, drive({d, "prepare"}).exitCode());
    const ChildRun save = drive({d, "savecrash", std::to_string(n)});
    if (save.killed()) {
      ++kills;
    } else {
      ASSERT_EQ(3, save.exitCode()) << save.output;
      completed = true;
    }
    const ChildRun restart = drive({d, "restart", "0"});
    ASSERT_EQ(0, restart.exitCode()) << restart.output;
    EXPECT_EQ(1, restart.count("GRAPH 0")) << restart.output;
    EXPECT_EQ(TestDir::readFile(dir / "expected.txt"), TestDir::readFile(dir / "restored.txt"));
    const ChildRun again = drive({d, "restart", ""});
    EXPECT_EQ(0, again.count("ASK")) << "a second start asked again";
    EXPECT_EQ(TestDir::readFile(dir / "expected.txt"), TestDir::readFile(dir / "restored.txt"));
    std::filesystem::remove_all(dir);
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(kills, 10);
}

} // namespace
