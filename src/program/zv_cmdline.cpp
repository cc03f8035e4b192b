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
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (containsNoCase(word, "OFFLINE"))
      out.offline = true;
    else if (containsNoCase(word, "PROGRAM"))
      out.programMode = true;
    // Our own word; the program's path is not looked at, so that an install folder's name
    // cannot switch the simulator on.
    if (i > 0 && containsNoCase(word, "SIMULATE"))
      out.simulate = true;
  }
  return 0;
}

} // namespace zv
