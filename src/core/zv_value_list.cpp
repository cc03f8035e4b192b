#include "core/zv_value_list.hpp"

#include "core/zv_format.hpp"

namespace zv {

std::string listValueLabel(double value) {
  return formatFixed(value, 8, 3);
}

void showLastEntryPopup(Ui& ui, const Language& lang) {
  ui.popup(lang.pick(listtexts::InputErrorTitle), lang.pick(listtexts::LastEntry));
}

std::optional<double> promptListValue(Ui& ui, const Language& lang, const TextPair& prompt,
                                      int& result) {
  constexpr int MaxEntry = 79;
  auto text =
      ui.promptText(lang.pick(listtexts::SetupPromptTitle), lang.pick(prompt), "", MaxEntry);
  if (!text || text->empty()) {
    result = ListPromptCancelled;
    return std::nullopt;
  }
  auto value = parseFirstNumber(cutToField(*text, MaxEntry + 1));
  if (!value || !isValidListValue(*value)) {
    ui.popup(lang.pick(listtexts::InputErrorTitle), lang.pick(listtexts::NotAPositiveNumber));
    result = ListInvalidValue;
    return std::nullopt;
  }
  result = ListOk;
  return value;
}

} // namespace zv
