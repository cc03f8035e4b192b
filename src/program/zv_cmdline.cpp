#include "program/zv_cmdline.hpp"

#include <algorithm>
#include <cctype>

namespace zv {

namespace {
bool containsNoCase(std::string_view word, std::string_view upperNeedle) {
  auto it =
      std::search(word.begin(), word.end(), upperNeedle.begin(), upperNeedle.end(),
                  [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
  return it != word.end();
}
} // namespace

int scanCommandLine(const std::vector<std::string_view>& words, CommandLine& out) {
  if (words.empty())
    return -1;
  out.programMode = false;
  // Word 0 is the program's own path: a folder such as "Program Files" or "/opt/programs"
  // must not switch a mode on.
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (containsNoCase(word, "OFFLINE"))
      out.offline = true;
    else if (containsNoCase(word, "PROGRAM"))
      out.programMode = true;
    if (containsNoCase(word, "SIMULATE"))
      out.simulate = true;
  }
  return 0;
}

} // namespace zv
