#pragma once
// Helpers for the INI and configuration tests: documents from text and back, and reading a
// configuration text into a fresh set of values.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/zv_latin1.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_ini.hpp"

namespace zv::test {

inline IniHandle parseIni(std::string_view bytes, std::size_t maxChunk = SIZE_MAX) {
  IniHandle doc = Ini_New(0);
  MemoryFile file(bytes, maxChunk);
  EXPECT_EQ(Ini_ReadFromFile(doc, file), 0);
  return doc;
}

inline std::string iniText(IniDocument* doc) {
  std::string s;
  EXPECT_EQ(Ini_WriteToString(doc, s), 0);
  return s;
}

// A configuration file's bytes from readable text: UTF-8 becomes Latin-1 (so keys can be
// written as Meßkanal) and "\n" becomes CR LF.
inline std::string crlf(std::string_view utf8) {
  const auto latin1 = utf8ToLatin1(utf8);
  EXPECT_TRUE(latin1.has_value());
  std::string out;
  for (char c : latin1.value_or(std::string())) {
    if (c == '\n')
      out += "\r\n";
    else
      out += c;
  }
  return out;
}

// Reads text into values; returns the load result.
inline int readInto(ConfigValues& values, std::string_view text) {
  IniHandle doc = parseIni(crlf(text));
  return readConfiguration(doc, values.targets());
}

} // namespace zv::test
