#include "program/zv_help_pages.hpp"

#include <algorithm>
#include <array>
#include <system_error>

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "program/zv_program.hpp"

namespace zv {

namespace {
const TextPair HelpTitle{"Help", "Hilfe"};
const TextPair NotFoundText{"Help file not found: ", "Hilfedatei nicht gefunden: "};

constexpr HelpTopic FirstSeries(std::string_view section) {
  return {"first-series.html", section};
}
constexpr HelpTopic Tables(std::string_view section) {
  return {"tables.html", section};
}
constexpr HelpTopic Files(std::string_view section) {
  return {"files.html", section};
}
constexpr HelpTopic Calibration(std::string_view section) {
  return {"calibration.html", section};
}

const std::array<HelpWindowTopic, 18> windowTopics = {{
    {"LOG", {"index.html", "log-window"}},
    {"HELP_INFO", HelpContents},
    {"NEW_AUFTRAG", FirstSeries("new-data-set")},
    {"SETUP_MEAS", FirstSeries("parameters")},
    {"HARD", FirstSeries("acquisition")},
    {"MEAS", FirstSeries("measuring")},
    {"AUFTRAG", Tables("order-table")},
    {"LAGER", Tables("storage-table")},
    {"COPY", Tables("editing")},
    {"DELETE", Tables("editing")},
    {"ABRISS", Tables("evaluations")},
    {"SETUP_UNITS", Tables("statistics")},
    {"DEVICE1", Calibration("devices")},
    {"DEVICE2", Calibration("devices")},
    {"CALIBRATION", Calibration("calibrating")},
    {"OPT_DATA", Files("data-sets")},
    {"OPT_PROGRAM", Files("user-directory")},
    {"EXIT", Files("data-sets")},
}};
} // namespace

std::string_view helpLanguageFolder(int language) {
  return language == 0 ? "de" : "en";
}

std::span<const HelpWindowTopic> helpWindowTopics() {
  return windowTopics;
}

HelpTopic helpTopicForWindows(std::span<const std::string> windowNames) {
  for (const std::string& name : windowNames) {
    const auto it = std::find_if(windowTopics.begin(), windowTopics.end(),
                                 [&](const HelpWindowTopic& w) { return w.windowName == name; });
    if (it != windowTopics.end())
      return it->topic;
  }
  return HelpContents;
}

std::filesystem::path helpPagePath(const std::filesystem::path& helpDirectory,
                                   const HelpTopic& topic, int language) {
  return helpDirectory / helpLanguageFolder(language) / pathFromBytes(topic.page);
}

int showHelp(Program& program, const HelpTopic& topic) {
  const auto page = helpPagePath(program.helpDirectory, topic, program.lang.language);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec) ||
      !program.ui.openDocument(page, std::string(topic.section)))
    return program.reporter.reportMessage(
        report::Popup, 0, program.lang.pick(HelpTitle),
        program.lang.pick(NotFoundText) + pathText(pathBytes(page)), -1);
  return 0;
}

} // namespace zv
