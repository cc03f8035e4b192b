// Real processes killed with SIGKILL: in the middle of a session with finished pulls, and at
// every file change of a save. The driver runs the program's own flows on the
// simulated testers; each later start must bring back the data set with the right curves, and
// the files on disk must stay usable. Both data file formats are run. (The answers to the
// reload question are ReloadQuestionTest's.)
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <set>
#include <string>
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
    return at == std::string::npos
               ? std::string()
               : output.substr(at + prefix.size(), output.find('\n', at) - at - prefix.size());
  }
};

// One directory the driver works in, with the data file of the format under test. run() runs
// the driver to its end (a session ends killed by SIGKILL once it said READY).
struct Place {
  fs::path dir;
  std::string name;
  ChildRun run(const std::string& step, const std::string& arg = {}) const {
    const std::string command = "exec '" ZV_CRASH_DRIVER "' '" + dir.string() + "' '" + name +
                                "' " + step + " '" + arg + "'";
    ChildRun run;
    FILE* out = popen(command.c_str(), "r");
    if (!out)
      return {-1, "popen failed"};
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
      run.output.append(buffer, n);
    run.status = pclose(out);
    return run;
  }
  std::string read(const std::string& file) const { return TestDir::readFile(dir / file); }
  std::string data() const { return read(name); }
  std::string graph() const { return read(name + ".GRF"); }
  fs::path journal() const { return dir / "user" / "Backup" / "ZARVIK.BAK"; }
  Place copyTo(const fs::path& to) const {
    fs::copy(dir, to, fs::copy_options::recursive);
    return {to, name};
  }
};

// Every measurement with a result in a data set picture has its curve.
bool everyResultHasItsCurve(const std::string& picture) {
  std::size_t results = 0;
  for (std::size_t at = picture.find(" st5 "); at != std::string::npos;
       at = picture.find(" st5 ", at + 1), ++results)
    if (picture.substr(at, picture.find('\n', at) - at).find(" curve0/") != std::string::npos)
      return false;
  return results > 0;
}

// A start that reloaded (or found nothing to reload) and opened the data file cleanly: no
// popup but the notice about a data file changed under the backup.
void expectCleanStart(const ChildRun& run) {
  EXPECT_EQ((std::tuple{0, std::string("0"), std::string("0"), run.count("POPUP ")}),
            (std::tuple{run.exitCode(), run.line("QUIT "), run.line("OPEN "),
                        run.count("POPUP ZARVIK - Backup|The data file")}))
      << run.output;
}

class CrashTest : public ::testing::TestWithParam<const char*> {
protected:
  TestDir top;
  Place place{top.path() / "run", GetParam()};

  // A data set with pulls in three storages, saved and closed by the program.
  void SetUp() override {
    fs::create_directories(place.dir);
    const ChildRun run = place.run("prepare");
    ASSERT_EQ((std::tuple{0, 5}), (std::tuple{run.exitCode(), run.count("PULL ")})) << run.output;
    ASSERT_FALSE(place.graph().empty());
    ASSERT_FALSE(fs::exists(place.journal())) << "a closed data set leaves no backup";
    ASSERT_TRUE(everyResultHasItsCurve(place.read("prepared.txt")));
  }
};

TEST_P(CrashTest, KilledDuringASessionEverythingComesBack) {
  const std::string data = place.data();
  const std::string graph = place.graph();
  const ChildRun session = place.run("session");
  ASSERT_TRUE(session.killed()) << session.output;
  // Nothing was saved: the data file and the graph file are exactly as before.
  EXPECT_EQ((std::tuple{7, data, graph, true}),
            (std::tuple{session.count("PULL "), place.data(), place.graph(),
                        fs::exists(place.journal())}));

  const ChildRun restart = place.run("restart", "0");
  expectCleanStart(restart);
  const std::string expected = place.read("expected.txt");
  // The graph file gives back one record for each curve of the picture; the reload saves the
  // rebuilt data set and closes it, so the next start has nothing to offer.
  const int curves = occurrences(expected, " curve") - occurrences(expected, " curve0/");
  EXPECT_EQ(
      (std::tuple{1, expected, std::to_string(curves), true, false}),
      (std::tuple{restart.count("ASK ZARVIK - Backup"), place.read("restored.txt"),
                  restart.line("PLOTS "), data != place.data(), fs::exists(place.journal())}));
  EXPECT_NE(std::string::npos, expected.find("S2 Added"));
  EXPECT_TRUE(everyResultHasItsCurve(expected));
  const ChildRun again = place.run("restart");
  expectCleanStart(again);
  EXPECT_EQ((std::tuple{0, expected}),
            (std::tuple{again.count("ASK"), place.read("restored.txt")}));
}

TEST_P(CrashTest, KilledAtEveryFileChangeOfASave) {
  const std::string oldData = place.data();
  const std::string oldGraph = place.graph();
  // The save that is not killed tells what the files look like after it.
  const Place complete = place.copyTo(top.path() / "complete");
  const ChildRun save = complete.run("savecrash", "0");
  ASSERT_EQ(3, save.exitCode()) << save.output;
  const std::string newData = complete.data();
  const std::string newGraph = complete.graph();
  ASSERT_TRUE(oldData != newData && oldGraph != newGraph);

  std::set<std::pair<bool, bool>> seen; // where data and graph file stood: new or old
  std::set<std::string> renamed;        // the files a killed save had just renamed onto
  // Runs File > Save on a copy of the prepared place, killed after n = 1, 2, ... file changes,
  // until it finishes (exit 3), checking the files each killed run left. After each run two starts
  // follow: the first reloads and ends with the expected data set, every result with its curve; the
  // second asks nothing and has the same. Some of the first starts must find the data file replaced
  // under the journal.
  bool completed = false;
  int kills = 0;
  int onBaseline = 0;
  for (int n = 1; n < 200 && !completed; ++n) {
    SCOPED_TRACE("killed after " + std::to_string(n) + " file changes");
    const Place at = place.copyTo(top.path() / std::to_string(n));
    const ChildRun run = at.run("savecrash", std::to_string(n));
    if (run.killed()) {
      ++kills;
      if (const std::string k = run.line("KILL "); k.rfind("rename ", 0) == 0)
        renamed.insert(fs::path(k.substr(7)).filename().string());
      // Each file is whole, old or new, at every instant.
      const std::string data = at.data();
      const std::string graph = at.graph();
      ASSERT_TRUE(data == oldData || data == newData);
      ASSERT_TRUE(graph == oldGraph || graph == newGraph);
      seen.insert({data == newData, graph == newGraph});
    } else {
      ASSERT_EQ(3, run.exitCode()) << run.output;
      completed = true;
    }
    const ChildRun restart = at.run("restart", "0");
    expectCleanStart(restart);
    onBaseline += restart.count("POPUP ZARVIK - Backup|The data file");
    const std::string expected = at.read("expected.txt");
    ASSERT_EQ(expected, at.read("restored.txt"));
    ASSERT_TRUE(everyResultHasItsCurve(expected));
    const ChildRun again = at.run("restart");
    expectCleanStart(again);
    EXPECT_EQ(0, again.count("ASK")) << "a second start asked again";
    EXPECT_EQ(expected, at.read("restored.txt")) << "the backup was applied twice";
    // The graph file's and the journal's temporary files of a killed save were taken up by
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
  EXPECT_GT(onBaseline, 0);
  // Killed before anything changed, between the data file and the graph file, after both;
  // and right after each of the three replacements.
  for (const auto& stood : {std::pair{false, false}, {true, false}, {true, true}})
    EXPECT_TRUE(seen.count(stood)) << stood.first << stood.second;
  for (const std::string& file :
       {std::string(GetParam()), GetParam() + std::string(".GRF"), std::string("ZARVIK.BAK")})
    EXPECT_TRUE(renamed.count(file)) << file;
}

INSTANTIATE_TEST_SUITE_P(Formats, CrashTest, ::testing::Values("ORDER.BIN", "ORDER.DAT"),
                         [](const auto& info) {
                           return std::string(info.param).substr(6); // BIN, DAT
                         });

} // namespace
