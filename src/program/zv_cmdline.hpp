#pragma once
// The words on the command line that change how the program runs.
#include <string_view>
#include <vector>

namespace zv {

struct CommandLine {
  bool offline = false;     // a word containing OFFLINE: no acquisition hardware
  bool programMode = false; // a word containing PROGRAM (and not OFFLINE): setup mode
  bool simulate = false;    // a word containing SIMULATE: use the simulated acquisition box
};

// Scans the words after the program's own path (word 0), without regard to letter case.
// Returns -1 when there is no word at all.
int scanCommandLine(const std::vector<std::string_view>& words, CommandLine& out);

} // namespace zv
