// Real processes killed with SIGKILL: in the middle of a session with finished pulls, and at
// every file change of a save. The driver runs the program's own flows on the simulated
// testers; each later start must bring back the data set with the right curves, and the files
// on disk must stay usable. Both data file formats are run.
#include <csignal>
#include <cstdio>
#include <sys/wait.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_testdir.hpp"

namespace {

namespace fs = std::filesystem;
using zv::test::TestDir;

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

struct ChildRun {
  int status = 0;
  std::string output;
  bool killed() const { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }
  int exitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
  int count(const std::string& what) const { return occurrences(output, what); }
  // The rest of the first line that starts with the prefix.
  std::string line(const std::string& prefix) const {
    const std::size_t at = output.find(prefix);
    if (at == std::string::npos)
      return {};
    const std::size_t end = output.find('\n', at);
    return output.substr(at + prefix.size(),
                         end == std::string::npos ? end : end - at - prefix.size());
  }
};

// Runs the driver to its end (a session ends killed by SIGKILL once it said READY).
ChildRun drive(const std::vector<std::string>& args) {
  std::string command = "exec '" ZV_CRASH_DRIVER "'";
  for (const std::string& a : args)
    command += " '" + a + "'";
  FILE* out = popen(command.c_str(), "r");
  if (!out)
    return {-1, "popen failed"};
  ChildRun run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
    run.output.append(buffer, n);
  run.status = pclose(out);
  return run;
}

// One directory the driver works in, with the data file of the format under test.
struct Place {
  fs::path dir;
  std::string name;
  ChildRun run(const std::string& step, const std::string& arg = {}, int killAtChange = 0) const {
    std::vector<std::string> args{dir.string(), name, step};
    if (step != "prepare")
      args.push_back(arg);
    if (killAtChange > 0)
      args.push_back(std::to_string(killAtChange));
    return drive(args);
  }
  std::string read(const std::string& file) const { return TestDir::readFile(dir / file); }
  std::string data() const { return read(name); }
  std::string graph() const { return read(name + ".GRF"); }
  fs::path journal() const { return dir / "user" / "Backup" / "ZARVIK.BAK"; }
};

// Every measurement with a result in a data set picture has its curve.
bool everyResultHasItsCurve(const std::string& picture) {
  std::size_t results = 0;
  for (std::size_t at = picture.find(" st5 "); at != std::string::npos;
       at = picture.find(" st5 ", at + 1)) {
    ++results;
    const std::size_t end = picture.find('\n', at);
    if (picture.substr(at, end - at).find(" curve0/") != std::string::npos)
      return false;
  }
  return results > 0;
}

// How many measurements of a data set picture have a curve.
int curvesIn(const std::string& picture) {
  return occurrences(picture, " curve") - occurrences(picture, " curve0/");
}

// A start that reloaded (or found nothing to reload) and opened the data file cleanly: no
// popup but the notice about a data file changed under the backup.
void expectCleanStart(const ChildRun& run) {
  EXPECT_EQ(0, run.exitCode()) << run.output;
  EXPECT_EQ("0", run.line("QUIT ")) << run.output;
  EXPECT_EQ("0", run.line("OPEN ")) << run.output;
  EXPECT_EQ(run.count("POPUP "), run.count("POPUP ZARVIK - Backup|The data file")) << run.output;
}

class CrashTest : public ::testing::TestWithParam<const char*> {
protected:
  TestDir top;
  Place place{top.path() / "run", GetParam()};

  CrashTest() { fs::create_directories(place.dir); }

  // A data set with pulls in three storages, saved and closed by the program.
  void prepare(const Place& at) {
    const ChildRun run = at.run("prepare");
    ASSERT_EQ(0, run.exitCode()) << run.output;
    ASSERT_EQ(5, run.count("PULL "));
    ASSERT_FALSE(at.graph().empty());
    ASSERT_FALSE(fs::exists(at.journal())) << "a closed data set leaves no backup";
    ASSERT_TRUE(everyResultHasItsCurve(at.read("prepared.txt")));
  }
  // Two starts after a kill: the first reloads and ends with the expected data set, every
  // result with its curve; the second asks nothing and has the same. Counts the first starts
  // that found the data file replaced under the journal.
  void restartTwice(const Place& at, int& onBaseline) {
    const ChildRun restart = at.run("restart", "0");
    expectCleanStart(restart);
    onBaseline += restart.count("POPUP ZARVIK - Backup|The data file");
    const std::string expected = at.read("expected.txt");
    ASSERT_EQ(expected, at.read("restored.txt"));
    ASSERT_TRUE(everyResultHasItsCurve(expected));
    const ChildRun again = at.run("restart", "");
    expectCleanStart(again);
    EXPECT_EQ(0, again.count("ASK")) << "a second start asked again";
    EXPECT_EQ(expected, at.read("restored.txt")) << "the backup was applied twice";
  }
  // A session with seven finished pulls and edits, killed once it said READY.
  void killedSession() {
    ASSERT_NO_FATAL_FAILURE(prepare(place));
    const ChildRun session = place.run("session");
    ASSERT_TRUE(session.killed()) << session.output;
    ASSERT_EQ(7, session.count("PULL ")) << session.output;
    ASSERT_NE(place.read("prepared.txt"), place.read("expected.txt"));
  }
};

TEST_P(CrashTest, KilledDuringASessionEverythingComesBack) {
  ASSERT_NO_FATAL_FAILURE(prepare(place));
  const std::string data = place.data();
  const std::string graph = place.graph();
  const ChildRun session = place.run("session");
  ASSERT_TRUE(session.killed()) << session.output;
  EXPECT_EQ(7, session.count("PULL "));
  // Nothing was saved: the data file and the graph file are exactly as before.
  EXPECT_EQ(data, place.data());
  EXPECT_EQ(graph, place.graph());
  ASSERT_TRUE(fs::exists(place.journal()));

  const ChildRun restart = place.run("restart", "0");
  expectCleanStart(restart);
  EXPECT_EQ(1, restart.count("ASK ZARVIK - Backup"));
  const std::string expected = place.read("expected.txt");
  EXPECT_EQ(expected, place.read("restored.txt"));
  EXPECT_NE(std::string::npos, expected.find("S2 Added"));
  EXPECT_TRUE(everyResultHasItsCurve(place.read("restored.txt")));
  // The graph file gives back one record for each curve of the picture.
  EXPECT_EQ(std::to_string(curvesIn(expected)), restart.line("PLOTS "));
  EXPECT_NE(data, place.data()) << "the reload saves the rebuilt data set";
  EXPECT_FALSE(fs::exists(place.journal()));

  // The reload saved and closed the data set: the next start has nothing to offer.
  const ChildRun again = place.run("restart", "");
  expectCleanStart(again);
  EXPECT_EQ(0, again.count("ASK"));
  EXPECT_EQ(expected, place.read("restored.txt"));
}

// Ending the program at the reload question keeps the backup as it was (reloading it is the
// test above); discarding it keeps the saved state only.
TEST_P(CrashTest, EndingAtTheQuestionKeepsTheBackupAndDiscardingKeepsTheSavedState) {
  ASSERT_NO_FATAL_FAILURE(killedSession());
  const std::string data = place.data();
  const std::string journal = TestDir::readFile(place.journal());
  const ChildRun end = place.run("restart", "2");
  EXPECT_EQ("1", end.line("QUIT "));
  EXPECT_EQ(data, place.data());
  EXPECT_EQ(journal, TestDir::readFile(place.journal()));

  const ChildRun discard = place.run("restart", "1");
  expectCleanStart(discard);
  EXPECT_EQ(2, discard.count("ASK ZARVIK - Backup")); // the question and "are you sure"
  EXPECT_EQ(place.read("prepared.txt"), place.read("restored.txt"));
  EXPECT_EQ(data, place.data());
  EXPECT_FALSE(fs::exists(place.journal()));
  EXPECT_EQ(0, place.run("restart", "").count("ASK"));
}

TEST_P(CrashTest, KilledAtEveryFileChangeOfTheReload) {
  ASSERT_NO_FATAL_FAILURE(prepare(place));
  bool completed = false;
  int kills = 0;
  int onBaseline = 0; // starts that found the data file replaced under the journal
  for (int n = 1; n < 200 && !completed; ++n) {
    SCOPED_TRACE("killed after " + std::to_string(n) + " file changes of the reload");
    // The journal names its data file, so each run has a session of its own.
    const Place at{top.path() / std::to_string(n), GetParam()};
    fs::copy(place.dir, at.dir, fs::copy_options::recursive);
    ASSERT_TRUE(at.run("session").killed());
    const ChildRun reload = at.run("restart", "0", n);
    if (reload.killed()) {
      ++kills;
    } else {
      expectCleanStart(reload);
      completed = true;
    }
    // Whatever the reload got to, the next start ends with the same data set, once.
    ASSERT_NO_FATAL_FAILURE(restartTwice(at, onBaseline));
    fs::remove_all(at.dir);
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(kills, 10);
  EXPECT_GT(onBaseline, 0);
}

TEST_P(CrashTest, KilledAtEveryFileChangeOfASave) {
  const Place original{top.path() / "prepared", GetParam()};
  fs::create_directories(original.dir);
  ASSERT_NO_FATAL_FAILURE(prepare(original));
  const std::string oldData = original.data();
  const std::string oldGraph = original.graph();

  // The save that is not killed tells what the files look like after it.
  std::string newData, newGraph;
  {
    const Place at{top.path() / "complete", GetParam()};
    fs::copy(original.dir, at.dir, fs::copy_options::recursive);
    const ChildRun save = at.run("savecrash", "0");
    ASSERT_EQ(3, save.exitCode()) << save.output;
    newData = at.data();
    newGraph = at.graph();
    ASSERT_NE(oldData, newData);
    ASSERT_NE(oldGraph, newGraph);
  }

  std::set<std::pair<bool, bool>> seen; // where data and graph file stood: new or old
  std::set<std::string> killedAfter;
  bool completed = false;
  int kills = 0;
  int onBaseline = 0;
  for (int n = 1; n < 200 && !completed; ++n) {
    SCOPED_TRACE("killed after " + std::to_string(n) + " file changes of the save");
    const Place at{top.path() / std::to_string(n), GetParam()};
    fs::copy(original.dir, at.dir, fs::copy_options::recursive);
    const ChildRun save = at.run("savecrash", std::to_string(n));
    if (save.killed()) {
      ++kills;
      killedAfter.insert(save.line("KILL "));
      // Each file is whole, old or new, at every instant.
      const std::string data = at.data();
      const std::string graph = at.graph();
      ASSERT_TRUE(data == oldData || data == newData);
      ASSERT_TRUE(graph == oldGraph || graph == newGraph);
      seen.insert({data == newData, graph == newGraph});
    } else {
      ASSERT_EQ(3, save.exitCode()) << save.output;
      completed = true;
    }
    ASSERT_NO_FATAL_FAILURE(restartTwice(at, onBaseline));
    // The graph file's and the journal's temporary files of the killed save were taken up by
    // the reload's own save. (The text writer's "ini$$n" names stay: such a file may belong
    // to another program writing beside us, so it is never touched.)
    for (const auto& e : fs::recursive_directory_iterator(at.dir)) {
      const std::string file = e.path().filename().string();
      EXPECT_TRUE(file.find(".new") == std::string::npos && file.find("tmp$$") == std::string::npos)
          << "left over: " << e.path();
    }
    fs::remove_all(at.dir);
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(kills, 10);
  // Killed before anything changed, between the data file and the graph file, after both;
  // and right after each of the three replacements.
  EXPECT_TRUE(seen.count({false, false}));
  EXPECT_TRUE(seen.count({true, false}));
  EXPECT_TRUE(seen.count({true, true}));
  EXPECT_GT(onBaseline, 0);
  auto renamedOnto = [&](const std::string& file) {
    for (const auto& k : killedAfter)
      if (k.rfind("rename ", 0) == 0 && fs::path(k.substr(7)).filename() == file)
        return true;
    return false;
  };
  EXPECT_TRUE(renamedOnto(GetParam()));
  EXPECT_TRUE(renamedOnto(std::string(GetParam()) + ".GRF"));
  EXPECT_TRUE(renamedOnto("ZARVIK.BAK"));
}

INSTANTIATE_TEST_SUITE_P(Formats, CrashTest, ::testing::Values("ORDER.BIN", "ORDER.DAT"),
                         [](const auto& info) {
                           return std::string(info.param).substr(6); // BIN, DAT
                         });

} // namespace
