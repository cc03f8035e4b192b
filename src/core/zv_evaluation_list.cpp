#include "core/zv_evaluation_list.hpp"

#include <algorithm>

#include "core/zv_crc16.hpp"
#include "core/zv_dataset.hpp"

namespace zv {

namespace {
constexpr TextPair DuplicateText{"The name mustn't be available twice, please enter newly",
                                 "Der Name existiert bereits, bitte neu eingeben"};
constexpr TextPair Title{"Setup - Evaluation List", "Setup - Bewertungsliste"};
constexpr TextPair ListLabel{"List of Evaluations", "Liste der Bewertungen"};
constexpr TextPair AddLabel{"Add Evaluation", "Ausriss einfügen"_l1};
constexpr TextPair DeleteLabel{"Delete Evaluation", "Ausriss löschen"_l1};
constexpr TextPair EntryLabel{"Entry field", "Eingabefeld"};
constexpr TextPair CloseLabel{"Close", "Schließen"_l1};
constexpr TextPair OkLabel{"OK", "OK"};
constexpr TextPair AbortLabel{"Abort", "Abbruch"};

std::string asStored(std::string_view text) {
  return cutToField(text, EvaluationList::FieldSize);
}
} // namespace

void EvaluationList::createDefaults() {
  entries_ = {"AU", "AX", "AZ"};
  current_ = 0;
}

const std::string* EvaluationList::textAt(int index) const {
  return index >= 0 && index < count() ? &entries_[static_cast<std::size_t>(index)] : nullptr;
}

int EvaluationList::find(std::string_view text) const {
  const std::string key = asStored(text);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i] == key)
      return static_cast<int>(i) + 1;
  return 0;
}

void EvaluationList::sortEntries() {
  // std::string compares bytes as unsigned char, so umlauts sort after every ASCII letter.
  // Equal entries are equal texts, so no order among them needs keeping.
  std::sort(entries_.begin(), entries_.end());
}

int EvaluationList::insert(std::string_view text) {
  std::string entry = asStored(text);
  if (entry.empty())
    return EvaluationEmptyText;
  if (find(entry) != 0)
    return EvaluationDuplicate;
  entries_.push_back(entry);
  sortEntries();
  current_ = find(entry) - 1;
  return ListOk;
}

int EvaluationList::removeAt(int index, std::string* removed) {
  if (entries_.empty())
    return ListNoEntries;
  if (entries_.size() == 1)
    return ListLastEntry;
  index = std::clamp(index, 0, count() - 1);
  auto it = entries_.begin() + index;
  if (removed)
    *removed = std::move(*it);
  entries_.erase(it);
  return ListOk;
}

int EvaluationList::selectedIndex() const {
  if (entries_.empty())
    return 0;
  return std::clamp(current_, 0, count() - 1);
}

std::vector<ListItem> EvaluationList::items() const {
  std::vector<ListItem> out;
  out.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    out.push_back({entries_[i], double(i)});
  return out;
}

int EvaluationList::assign(const std::vector<std::string>& texts) {
  if (texts.empty())
    return ListNothingUsable;
  entries_.clear();
  for (const auto& t : texts) {
    std::string entry = asStored(t);
    if (find(entry) == 0)
      entries_.push_back(std::move(entry));
  }
  sortEntries();
  current_ = 0;
  takeSavedChecksum();
  return ListOk;
}

std::uint16_t EvaluationList::checksum() const {
  Crc16 crc;
  for (const auto& e : entries_)
    crc.addField(e, FieldSize);
  return crc.value();
}

int addEvaluation(EvaluationList& list, std::string_view text, Ui& ui, const Language& lang) {
  int r = list.insert(text);
  if (r == EvaluationDuplicate)
    ui.popup(lang.pick(listtexts::InputErrorTitle), lang.pick(DuplicateText));
  return r;
}

int deleteEvaluation(EvaluationList& list, int index, Ui& ui, const Language& lang,
                     std::string* removed) {
  int r = list.removeAt(index, removed);
  if (r == ListLastEntry)
    showLastEntryPopup(ui, lang);
  return r;
}

int setCurrentStorageEvaluation(DataSetModel& model, std::string_view text) {
  StorageCondition* storage = model.currentStorage();
  if (!storage)
    return -1;
  storage->evaluation = cutToField(text, StorageCondition::EvaluationSize);
  model.markChanged(*storage);
  return 0;
}

EvaluationListEditor::EvaluationListEditor(EvaluationList& list, Ui& ui, const Language& lang)
    : list_(list), ui_(ui), lang_(lang), original_(list) {}

int EvaluationListEditor::add(std::string_view entryField) {
  int r = addEvaluation(list_, entryField.substr(0, EvaluationList::FieldSize), ui_, lang_);
  updateChanged();
  return r;
}

std::optional<std::string> EvaluationListEditor::deleteCurrent() {
  std::string removed;
  int r = deleteEvaluation(list_, list_.currentIndex(), ui_, lang_, &removed);
  updateChanged();
  if (r != ListOk)
    return std::nullopt;
  return removed;
}

void EvaluationListEditor::updateChanged() {
  // Once set, the flag stays: undoing an edit by hand still offers Abort.
  if (list_.changed())
    changed_ = true;
}

const char* EvaluationListEditor::okLabel() const {
  return lang_.pick(changed_ ? OkLabel : CloseLabel);
}

void EvaluationListEditor::abort() {
  if (changed_)
    list_ = original_;
}

EvaluationListEditor::Captions EvaluationListEditor::captions() const {
  return {lang_.pick(Title),       lang_.pick(ListLabel),  lang_.pick(AddLabel),
          lang_.pick(DeleteLabel), lang_.pick(EntryLabel), lang_.pick(AbortLabel)};
}

} // namespace zv
