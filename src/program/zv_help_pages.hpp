#pragma once
// The program's help: HTML pages in one folder per language below the help directory
// ("en/tables.html", "de/tables.html"). Which page belongs to which window, and opening it.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace zv {

class Program;

// A place in the help: a page of a language's folder and a section of it ("" for the top).
struct HelpTopic {
  std::string_view page;
  std::string_view section;
  bool operator==(const HelpTopic&) const = default;
};

// A window or dialog, by the object name its class gives it ("AUFTRAG", "CALIBRATION"), and
// the topic F1 opens there.
struct HelpWindowTopic {
  std::string_view windowName;
  HelpTopic topic;
};

inline constexpr HelpTopic HelpContents{"index.html", ""};

// The folder of a language's pages: "de" for 0, "en" otherwise.
std::string_view helpLanguageFolder(int language);
// Every window that has a topic of its own.
std::span<const HelpWindowTopic> helpWindowTopics();
// The topic of the first window in `windowNames` (the window F1 was pressed in, then the
// windows it belongs to) that has one; the contents for none.
HelpTopic helpTopicForWindows(std::span<const std::string> windowNames);
// The file of a topic's page in a language.
std::filesystem::path helpPagePath(const std::filesystem::path& helpDirectory,
                                   const HelpTopic& topic, int language);

// Shows the topic in the program's language through the Ui port. A page that does not exist
// or that the port cannot show is a popup "Help file not found: <path>"; returns -1 then.
int showHelp(Program& program, const HelpTopic& topic);

} // namespace zv
