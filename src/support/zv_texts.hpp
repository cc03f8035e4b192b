#pragma once
// Bilingual texts. Every fixed text exists in English and German (Latin-1 bytes);
// `language` picks one: 1 English (the built-in choice), 0 German.
#include <array>
#include <cstddef>
#include <string>

namespace zv {

struct TextPair {
  const char* english;
  const char* german;
};

// The interface language, shared by reference by every module that shows text.
struct Language {
  int language = 1;
  bool english() const { return language == 1; }
  const char* pick(const TextPair& t) const { return english() ? t.english : t.german; }
};

// Copies the English or the German table into the active one.
template <std::size_t N>
void selectLanguageTexts(std::array<const char*, N>& active, const std::array<TextPair, N>& table,
                         const Language& lang) {
  for (std::size_t i = 0; i < N; ++i)
    active[i] = lang.pick(table[i]);
}

constexpr std::size_t GeneralTextCount = 33;
constexpr std::size_t MessageTextCount = 60;

extern const std::array<TextPair, GeneralTextCount> generalTextTable;
extern const std::array<TextPair, MessageTextCount> messageTextTable;

// The two program-wide tables in the current language.
struct ProgramTexts {
  std::array<const char*, GeneralTextCount> generalTexts{};
  std::array<const char*, MessageTextCount> messageTexts{};
  void select(const Language& lang) {
    selectLanguageTexts(generalTexts, generalTextTable, lang);
    selectLanguageTexts(messageTexts, messageTextTable, lang);
  }
};

} // namespace zv
