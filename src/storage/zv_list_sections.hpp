#pragma once
// The selection lists in INI documents. Each list is one section whose items are written as
// "<prefix>-1", "<prefix>-2", ... in list order; on reading, the item names do not matter:
// the items are taken in file order and the list is sorted afterwards.
//
// Reading never lets a bad item into a list: a value that is not a finite number greater
// than 0, a piston line that does not parse, a key that appears twice in the section (only
// its first value can be read by name) or an empty evaluation text is skipped and handed
// back in `skipped` so the caller can log it. When no usable item remains the list keeps its
// entries and the load fails like an empty section.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_area_list.hpp"
#include "core/zv_evaluation_list.hpp"
#include "core/zv_piston_list.hpp"
#include "core/zv_speed_list.hpp"
#include "storage/zv_ini.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Results of the list loads.
enum ListSectionsCode : int {
  ListLoadNoDocument = -2,
  ListLoadNoSection = -3,
  ListLoadNothingUsable = -4, // the section holds no usable item; list unchanged
};

// Items read from one list section at most; the rest is skipped. Lists are edited by hand
// in a dialog and hold a handful of entries, and this bounds the work a damaged file causes.
constexpr int MaxListItemsRead = 1000;

struct SkippedListItem {
  enum class Reason {
    NotAValue,     // not a finite number greater than 0
    BadPistonLine, // not eight numbers, or a range or input range that is not usable
    RepeatedKey,   // the key appeared before in the section
    EmptyText,     // an empty evaluation text
    TooMany        // beyond MaxListItemsRead; tag is the first item left out
  };
  std::string section;
  std::string tag;
  std::string value;
  Reason reason = Reason::NotAValue;
};

// The log line that tells about a skipped item, in the current language.
std::string skippedItemText(const SkippedListItem& item, const Language& lang);

// "Kolben-3": the key of the entry at 0-based position index.
std::string listItemTag(std::string_view prefix, int index);

// A piston as its file text: "%d %d %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f" with calFlags,
// calDate, range, rangeVolts, calForce1, calForce2, calVolts1, calVolts2.
std::string formatPistonEntry(const PistonRange& piston);
// The reverse: eight whitespace-separated numbers, two integers first. nullopt when the text
// has another shape, a number does not fit, a value is not finite, or the range or the input
// range is not greater than 0. The name stays empty.
std::optional<PistonRange> parsePistonEntry(std::string_view text);

// Loads replace the list by the section's items: 0, or ListLoadNoDocument,
// ListLoadNoSection, ListLoadNothingUsable with the list unchanged.
int loadPistonList(IniDocument* document, PistonList& list,
                   std::vector<SkippedListItem>* skipped = nullptr);
int loadSpeedList(IniDocument* document, SpeedList& list,
                  std::vector<SkippedListItem>* skipped = nullptr);
// Each area keeps the key it was read under as its name.
int loadAreaList(IniDocument* document, AreaList& list,
                 std::vector<SkippedListItem>* skipped = nullptr);
// Texts are cut to 19 characters; repeated texts are dropped silently. On success the
// current index is 0 and the list counts as saved.
int loadEvaluationList(IniDocument* document, EvaluationList& list,
                       std::vector<SkippedListItem>* skipped = nullptr);

// Saves write the section's items in list order and stop at the first put that fails,
// returning its code. Speeds and areas are double values, pistons and evaluation texts
// strings. Into a fresh document the section lands at the end.
int savePistonList(IniDocument* document, const PistonList& list);
int saveSpeedList(IniDocument* document, const SpeedList& list);
int saveAreaList(IniDocument* document, const AreaList& list);
// Removes every section of the name first, so an updated file holds exactly the list; on
// success the list counts as saved.
int saveEvaluationList(IniDocument* document, EvaluationList& list);

} // namespace zv
