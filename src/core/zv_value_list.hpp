#pragma once
// The common shape of the device's value lists (pistons, speeds, areas): entries kept in
// ascending order of their value by a stable insertion sort (equal values keep their order),
// never fewer than one entry once filled, and only finite values greater than 0 (a zero area
// or speed would make bond tensions infinite and trigger thresholds meaningless).
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/zv_latin1.hpp"
#include "platform/zv_ui.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Results of the list operations.
constexpr int ListOk = 0;
enum ValueListCode : int {
  ListNoEntries = -1, // the list holds nothing to work on
  ListIndexOutOfRange = -2,
  ListLastEntry = -3,     // deleting the last entry is refused
  ListNothingUsable = -4, // a fill brought no usable entry; the list is unchanged
  ListInvalidValue = -6,  // not a finite number greater than 0
};
constexpr int ListPromptCancelled = 1;

// Two values are the same list entry when they differ by less than this.
constexpr double ListMatchTolerance = 1e-20;

inline bool isValidListValue(double v) {
  return std::isfinite(v) && v > 0.0;
}

// "%8.3f": how a value entry is shown in list controls and rings.
std::string listValueLabel(double value);

// One item of a list control or ring.
struct ListItem {
  std::string label;
  double value = 0.0;
};

// What the item value of a list control is: the entry's value or its position.
enum class ItemValue { EntryValue, EntryIndex };

// A speed or area entry. The name is not shown anywhere; the area list keeps the key it was
// read under in it.
struct ListValue {
  static constexpr std::size_t NameSize = 24;
  std::string name;
  double value = 0.0;
  friend bool operator==(const ListValue&, const ListValue&) = default;
};
inline double listKey(const ListValue& e) {
  return e.value;
}
inline void cutEntryFields(ListValue& e) {
  e.name = cutToField(e.name, ListValue::NameSize);
}

template <class Entry> class SortedValueList {
public:
  int count() const { return static_cast<int>(entries_.size()); }
  bool empty() const { return entries_.empty(); }
  const std::vector<Entry>& entries() const { return entries_; }

  // nullptr for an index outside the list.
  const Entry* entry(int index) const {
    return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
  }
  Entry* entry(int index) {
    return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
  }

  std::optional<double> valueAt(int index) const {
    const Entry* e = entry(index);
    return e ? std::optional<double>(listKey(*e)) : std::nullopt;
  }
  // The "%8.3f" label of an entry.
  std::optional<std::string> labelAt(int index) const {
    const Entry* e = entry(index);
    return e ? std::optional<std::string>(listValueLabel(listKey(*e))) : std::nullopt;
  }

  // Position of the first entry equal to value, or -1.
  int find(double value) const {
    for (int i = 0; i < count(); ++i)
      if (std::fabs(listKey(entries_[static_cast<std::size_t>(i)]) - value) < ListMatchTolerance)
        return i;
    return -1;
  }

  // A value that is not in the list becomes the first entry; true when it was found.
  bool validate(double& value) const {
    if (find(value) >= 0)
      return true;
    if (!entries_.empty())
      value = listKey(entries_.front());
    return false;
  }

  // Adds an entry in sorted position (after entries of equal value). ListInvalidValue leaves
  // the list unchanged.
  int insertEntry(Entry e) {
    if (!isValidListValue(listKey(e)))
      return ListInvalidValue;
    cutEntryFields(e);
    entries_.push_back(std::move(e));
    sortEntries(entries_);
    return ListOk;
  }

  // Removes the entry at index (below 0 means the first, past the end the last) and hands it
  // back. The last remaining entry is never removed (ListLastEntry).
  int removeAt(int index, Entry* removed = nullptr) {
    if (entries_.empty())
      return ListNoEntries;
    if (entries_.size() == 1)
      return ListLastEntry;
    if (index < 0)
      index = 0;
    if (index >= count())
      index = count() - 1;
    auto it = entries_.begin() + index;
    if (removed)
      *removed = std::move(*it);
    entries_.erase(it);
    return ListOk;
  }

  // Clamps index into the list: -1 when it was below 0, 1 when past the end, else 0.
  int clampIndex(int& index) const {
    if (index < 0) {
      index = 0;
      return -1;
    }
    if (index > count() - 1) {
      index = count() > 0 ? count() - 1 : 0;
      return 1;
    }
    return 0;
  }

  // The items a list control shows, in list order.
  std::vector<ListItem> items(ItemValue mode = ItemValue::EntryValue) const {
    std::vector<ListItem> out;
    out.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
      out.push_back({listValueLabel(listKey(entries_[i])),
                     mode == ItemValue::EntryValue ? listKey(entries_[i]) : double(i)});
    return out;
  }

  // Replaces the whole list by entries (in the given order, then sorted stably), the way a
  // stored list is read. Entries whose value is not usable are left out and counted in
  // skipped; when none is usable the list keeps its entries and ListNothingUsable results.
  int assign(std::vector<Entry> entries, int* skipped = nullptr) {
    std::vector<Entry> kept;
    kept.reserve(entries.size());
    int dropped = 0;
    for (auto& e : entries) {
      if (!isValidListValue(listKey(e))) {
        ++dropped;
        continue;
      }
      cutEntryFields(e);
      kept.push_back(std::move(e));
    }
    if (skipped)
      *skipped = dropped;
    if (kept.empty())
      return ListNothingUsable;
    sortEntries(kept);
    entries_ = std::move(kept);
    return ListOk;
  }

  friend bool operator==(const SortedValueList&, const SortedValueList&) = default;

protected:
  // Stable insertion sort, ascending by value.
  static void sortEntries(std::vector<Entry>& v) {
    for (std::size_t i = 1; i < v.size(); ++i) {
      if (!(listKey(v[i]) < listKey(v[i - 1])))
        continue;
      Entry moving = std::move(v[i]);
      std::size_t j = i;
      while (j > 0 && listKey(moving) < listKey(v[j - 1])) {
        v[j] = std::move(v[j - 1]);
        --j;
      }
      v[j] = std::move(moving);
    }
  }
  void setEntries(std::vector<Entry> v) {
    sortEntries(v);
    entries_ = std::move(v);
  }

  std::vector<Entry> entries_;
};

// Texts shared by the list operations.
namespace listtexts {
inline constexpr TextPair InputErrorTitle{"Input Error", "Eingabefehler"};
inline constexpr TextPair LastEntry{"The list must at least contain one element",
                                    "Die Liste muß mindestens ein Element enthalten"_l1};
inline constexpr TextPair NotAPositiveNumber{"Please enter a number greater than 0",
                                             "Bitte eine Zahl größer als 0 eingeben"_l1};
inline constexpr TextPair SetupPromptTitle{"Setup - Data acquisition", "Setup - Datenerfassung"};
} // namespace listtexts

// Shows the popup that refuses deleting the last entry of a list.
void showLastEntryPopup(Ui& ui, const Language& lang);

// Asks for a value with the device setup prompt. Returns the value, or nullopt with result
// set: ListPromptCancelled for Abort or an empty entry, ListInvalidValue (after a popup)
// for a text without a usable number.
std::optional<double> promptListValue(Ui& ui, const Language& lang, const TextPair& prompt,
                                      int& result);

// Deletes an entry of a value list as the setup dialogs do: the last entry is refused with a
// popup. removed receives the deleted entry.
template <class List, class Entry>
int deleteListEntry(List& list, int index, Ui& ui, const Language& lang, Entry* removed) {
  int r = list.removeAt(index, removed);
  if (r == ListLastEntry)
    showLastEntryPopup(ui, lang);
  return r;
}

} // namespace zv
