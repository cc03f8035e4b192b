#pragma once
// The program's evaluation list: the short codes ("AU", "AX", ...) from which a storage's
// evaluation text is chosen. Texts are unique and kept in byte-wise ascending order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_value_list.hpp"

namespace zv {

class DataSetModel;

enum EvaluationListCode : int {
  EvaluationEmptyText = -2,
  EvaluationDuplicate = -3,
};

class EvaluationList {
public:
  static constexpr std::size_t FieldSize = 20; // at most 19 characters
  static constexpr const char* Section = "ABRISS_LISTE";
  static constexpr const char* KeyPrefix = "Abriss";

  // Starts with the built-in entries, counted as saved.
  EvaluationList() {
    createDefaults();
    takeSavedChecksum();
  }
  // "AU", "AX", "AZ"; the current index becomes 0.
  void createDefaults();

  int count() const { return static_cast<int>(entries_.size()); }
  const std::vector<std::string>& entries() const { return entries_; }
  // nullptr past the end.
  const std::string* textAt(int index) const;
  // 1-based position of text (compared as it would be stored), or 0.
  int find(std::string_view text) const;

  // Adds text (cut to 19 characters): EvaluationEmptyText for an empty text,
  // EvaluationDuplicate when it is present already; otherwise 0, and the new entry becomes
  // the current one.
  int insert(std::string_view text);
  // Removes the entry at index (below 0 means the first, past the end the last) and hands its
  // text back; the last entry is never removed (ListLastEntry).
  int removeAt(int index, std::string* removed = nullptr);

  // The remembered selection of the list control.
  int currentIndex() const { return current_; }
  void setCurrentIndex(int index) { current_ = index; }
  // The current index clamped into the list, as the list control selects it.
  int selectedIndex() const;
  // Items of the list control: label = text, value = position.
  std::vector<ListItem> items() const;

  // Replaces the list by stored texts: each cut to 19 characters, repeated texts dropped,
  // then sorted; the current index becomes 0 and the list counts as saved.
  // ListNothingUsable (list unchanged) when texts is empty.
  int assign(const std::vector<std::string>& texts);

  // CRC-16 over the entries' 20-byte fields in list order.
  std::uint16_t checksum() const;
  void takeSavedChecksum() { saved_ = checksum(); }
  std::uint16_t savedChecksum() const { return saved_; }
  bool changed() const { return checksum() != saved_; }

  friend bool operator==(const EvaluationList&, const EvaluationList&) = default;

private:
  void sortEntries();

  std::vector<std::string> entries_;
  int current_ = 0;
  std::uint16_t saved_ = 0;
};

// The dialog's add: an empty text does nothing, a duplicate is refused with a popup.
int addEvaluation(EvaluationList& list, std::string_view text, Ui& ui, const Language& lang);
// The dialog's delete: the last entry is refused with a popup.
int deleteEvaluation(EvaluationList& list, int index, Ui& ui, const Language& lang,
                     std::string* removed = nullptr);

// Copies text (at most 19 characters) into the evaluation of the data set's current storage
// and counts the storage as changed. -1 when there is no current storage.
int setCurrentStorageEvaluation(DataSetModel& model, std::string_view text);

// The logic of the "Setup - Evaluation List" dialog: it works on the list directly and puts
// the copy taken at opening back when aborted after a change.
class EvaluationListEditor {
public:
  EvaluationListEditor(EvaluationList& list, Ui& ui, const Language& lang);

  // The user selected an entry of the list control.
  void select(int index) { list_.setCurrentIndex(index); }
  // "Add Evaluation" with the text of the entry field (at most 20 characters are read).
  int add(std::string_view entryField);
  // "Delete Evaluation": deletes the current entry; its text goes back into the entry field.
  std::optional<std::string> deleteCurrent();

  bool changed() const { return changed_; }
  // "Close" while unchanged, "OK" once changed; the abort button is shown only once changed.
  const char* okLabel() const;
  bool abortVisible() const { return changed_; }

  // OK keeps the list; abort (also the close box) restores it when something changed.
  void ok() {}
  void abort();

  struct Captions {
    const char* title;
    const char* list;
    const char* addButton;
    const char* deleteButton;
    const char* entryField;
    const char* abortButton;
  };
  Captions captions() const;

private:
  void updateChanged();

  EvaluationList& list_;
  Ui& ui_;
  const Language& lang_;
  EvaluationList original_;
  bool changed_ = false;
};

} // namespace zv
