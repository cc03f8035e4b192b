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

// The entries of the general table, by name.
enum class GeneralText : std::size_t {
  ProgramTitle, // 0
  SampleRing,
  StorageRing,
  MeasuringRing,
  Sample,
  Storage, // 5
  Measuring,
  Range,
  Area,
  Speed,
  IdentNumber, // 10
  IdentName,
  Channel,
  Force,
  Tension,
  Status, // 15
  Evaluation,
  Ok,
  Abort,
  Close,
  TypeOver, // 20
  RejectChanges,
  Number,
  Ready,
  Order,
  RecentFile, // 25
  CopiedToClipboard,
  Mean,
  SaPlusMinus,
  VbPlusMinus,
  Yes, // 30
  No,
  BackToProgram,
};

// The entries of the message table that the program uses, by name.
enum class MessageText : std::size_t {
  InputErrorTitle = 11,
  ListNeedsOneEntry = 12,
  StopMeasuringFirst = 16,
  SeriesStopError = 18,
  NewIndexError = 19,
  CloseDataSetTitle = 23,
  DataSetChanged = 24,
  OpenDataSetTitle = 26,
  DeleteLogTitle = 28,
  FileNotAvailable = 29,
  SaveTitle = 30,
  SaveAsTitle = 31,
  LoadTitle = 32,
  SaveError = 35,
  BadDataFileName = 36,
  BinaryOpenError = 37,
  DataFileOpenError = 39,
  GraphFileOpenError = 40,
  SetupOpenError = 43,
  SetupSaveError = 44,
  PercentReady = 45,
  StopButton = 46,
  SaveDataSetButton = 47,
  RejectChangesButton = 48,
  SaveCancelled = 49,
  LoadCancelled = 50,
  GraphSaveError = 51,
  BackupSaveError = 52,
  BadExtension = 53,
  DataSetInitError = 54,
  ReadError = 55,
  ReallyDeleteLog = 56,
  LogMissing = 57,
};

extern const std::array<TextPair, GeneralTextCount> generalTextTable;
extern const std::array<TextPair, MessageTextCount> messageTextTable;

// The two program-wide tables in the current language.
class ProgramTexts {
public:
  void select(const Language& lang) {
    selectLanguageTexts(general_, generalTextTable, lang);
    selectLanguageTexts(messages_, messageTextTable, lang);
  }
  const char* operator[](GeneralText id) const { return general_[static_cast<std::size_t>(id)]; }
  const char* operator[](MessageText id) const { return messages_[static_cast<std::size_t>(id)]; }

private:
  std::array<const char*, GeneralTextCount> general_{};
  std::array<const char*, MessageTextCount> messages_{};
};

} // namespace zv
