#include "storage/zv_list_sections.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_set>

#include "core/zv_format.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

// A piston line is eight numbers; anything near this long is not one.
constexpr int PistonTextBuffer = 8192;
// How much of a bad value the log line quotes.
constexpr std::size_t QuotedValueLength = 60;

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Tags compare like the INI engine compares them: ASCII letters without case.
std::string foldTag(std::string_view tag) {
  std::string out(tag);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string_view> splitBlanks(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i]))
      ++i;
    std::size_t start = i;
    while (i < text.size() && !isBlank(text[i]))
      ++i;
    if (i > start)
      out.push_back(text.substr(start, i - start));
  }
  return out;
}

// from_chars refuses a leading "+", which hand-edited files may carry.
std::string_view dropPlus(std::string_view token) {
  if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+')
    return token.substr(1);
  return token;
}

std::optional<std::int32_t> parseInt32(std::string_view token) {
  token = dropPlus(token);
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || end != token.data() + token.size())
    return std::nullopt;
  return value;
}

std::optional<double> parseFiniteDouble(std::string_view token) {
  token = dropPlus(token);
  double value = 0.0;
  auto [end, ec] =
      std::from_chars(token.data(), token.data() + token.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string rawValue(IniDocument* doc, std::string_view section, std::string_view tag) {
  std::string value;
  Ini_GetRawStringIntoBuffer(doc, section, tag, &value, static_cast<int>(QuotedValueLength + 1));
  return value;
}

// Walks the items of a list section in file order, passing each usable tag to read().
// Repeated keys and items past the limit are recorded as skipped here.
template <class Read>
int forEachItem(IniDocument* doc, std::string_view section, std::vector<SkippedListItem>* skipped,
                Read&& read) {
  if (!doc)
    return ListLoadNoDocument;
  if (Ini_SectionExists(doc, section) != 1)
    return ListLoadNoSection;
  const int count = Ini_NumberOfItems(doc, section);
  std::unordered_set<std::string> seen;
  for (int i = 1; i <= count; ++i) {
    std::string_view tagView, valueView;
    if (Ini_NthItemName(doc, section, i, &tagView, &valueView) != 1)
      break;
    std::string tag(tagView);
    if (i > MaxListItemsRead) {
      if (skipped)
        skipped->push_back({std::string(section), tag, {}, SkippedListItem::Reason::TooMany});
      break;
    }
    if (!seen.insert(foldTag(tag)).second) {
      // Its own value: a lookup by name would give the first item's.
      if (skipped)
        skipped->push_back({std::string(section), tag,
                            std::string(valueView.substr(0, QuotedValueLength)),
                            SkippedListItem::Reason::RepeatedKey});
      continue;
    }
    read(tag);
  }
  return 0;
}

template <class List, class Entry> int assignRead(List& list, std::vector<Entry> entries) {
  if (entries.empty())
    return ListLoadNothingUsable;
  // Sorting stably first gives the list's own stable order and keeps its insertion sort
  // linear, however the file was ordered. Equal keys keep their file order by their position
  // (without std::stable_sort, whose temporary buffer the sanitizer build of libstdc++ 12
  // frees with a mismatching call).
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const auto ka = listKey(entries[a]);
    const auto kb = listKey(entries[b]);
    return ka < kb || (!(kb < ka) && a < b);
  });
  std::vector<Entry> sorted;
  sorted.reserve(entries.size());
  for (std::size_t i : order)
    sorted.push_back(std::move(entries[i]));
  return list.assign(std::move(sorted)) == ListOk ? 0 : ListLoadNothingUsable;
}

// Speeds and areas: double values of the INI engine.
template <class List>
int loadValueList(IniDocument* doc, List& list, bool keyAsName,
                  std::vector<SkippedListItem>* skipped) {
  const std::string_view section = List::Section;
  std::vector<ListValue> entries;
  int r = forEachItem(doc, section, skipped, [&](const std::string& tag) {
    double value = 0.0;
    if (Ini_GetDouble(doc, section, tag, &value) == 1 && isValidListValue(value)) {
      entries.push_back({keyAsName ? cutToField(tag, ListValue::NameSize) : std::string(), value});
    } else if (skipped) {
      skipped->push_back({std::string(section), tag, rawValue(doc, section, tag),
                          SkippedListItem::Reason::NotAValue});
    }
  });
  if (r != 0)
    return r;
  return assignRead(list, std::move(entries));
}

template <class List> int saveValueList(IniDocument* doc, const List& list) {
  for (int i = 0; i < list.count(); ++i) {
    int r =
        Ini_PutDouble(doc, List::Section, listItemTag(List::KeyPrefix, i), list.entry(i)->value);
    if (r < 0)
      return r;
  }
  return 0;
}

struct ReasonText {
  SkippedListItem::Reason reason;
  TextPair text;
};
constexpr ReasonText reasonTexts[] = {
    {SkippedListItem::Reason::NotAValue,
     {"List entry skipped, not a number greater than 0",
      "Listeneintrag übersprungen, keine Zahl größer als 0"_l1}},
    {SkippedListItem::Reason::BadPistonLine,
     {"List entry skipped, not a valid piston line",
      "Listeneintrag übersprungen, keine gültige Kolbenzeile"_l1}},
    {SkippedListItem::Reason::RepeatedKey,
     {"List entry skipped, key used twice", "Listeneintrag übersprungen, Schlüssel doppelt"_l1}},
    {SkippedListItem::Reason::EmptyText,
     {"List entry skipped, empty text", "Listeneintrag übersprungen, leerer Text"_l1}},
    {SkippedListItem::Reason::TooMany,
     {"List entries skipped, more than 1000 in the section",
      "Listeneinträge übersprungen, mehr als 1000 im Abschnitt"_l1}},
};

} // namespace

std::string skippedItemText(const SkippedListItem& item, const Language& lang) {
  std::string text;
  for (const auto& r : reasonTexts)
    if (r.reason == item.reason)
      text = lang.pick(r.text);
  text += ": [" + item.section + "] " + item.tag;
  if (item.reason == SkippedListItem::Reason::TooMany)
    return text + " ...";
  std::string value = item.value.substr(0, QuotedValueLength);
  if (value.size() < item.value.size())
    value += "...";
  return text + " = \"" + value + "\"";
}

std::string listItemTag(std::string_view prefix, int index) {
  std::string tag(prefix);
  tag += '-';
  appendInt(tag, index + 1);
  return tag;
}

std::string formatPistonEntry(const PistonRange& p) {
  std::string out;
  appendInt(out, p.calFlags);
  out += ' ';
  appendInt(out, p.calDate);
  for (double v : {p.range, p.rangeVolts, p.calForce1, p.calForce2, p.calVolts1, p.calVolts2}) {
    out += ' ';
    appendFixed(out, v, 8, 3);
  }
  return out;
}

std::optional<PistonRange> parsePistonEntry(std::string_view text) {
  const auto tokens = splitBlanks(text);
  if (tokens.size() != 8)
    return std::nullopt;
  PistonRange p;
  auto flags = parseInt32(tokens[0]);
  auto date = parseInt32(tokens[1]);
  if (!flags || !date)
    return std::nullopt;
  p.calFlags = *flags;
  p.calDate = *date;
  double* targets[] = {&p.range,     &p.rangeVolts, &p.calForce1,
                       &p.calForce2, &p.calVolts1,  &p.calVolts2};
  for (std::size_t i = 0; i < 6; ++i) {
    auto v = parseFiniteDouble(tokens[i + 2]);
    if (!v)
      return std::nullopt;
    *targets[i] = *v;
  }
  if (!isValidListValue(p.range) || !isValidListValue(p.rangeVolts))
    return std::nullopt;
  return p;
}

int loadPistonList(IniDocument* doc, PistonList& list, std::vector<SkippedListItem>* skipped) {
  const std::string_view section = PistonList::Section;
  std::vector<PistonRange> entries;
  int r = forEachItem(doc, section, skipped, [&](const std::string& tag) {
    std::string text;
    Ini_GetRawStringIntoBuffer(doc, section, tag, &text, PistonTextBuffer);
    std::optional<PistonRange> p;
    if (text.size() < static_cast<std::size_t>(PistonTextBuffer - 1))
      p = parsePistonEntry(text);
    if (p)
      entries.push_back(*p);
    else if (skipped)
      skipped->push_back(
          {std::string(section), tag, std::move(text), SkippedListItem::Reason::BadPistonLine});
  });
  if (r != 0)
    return r;
  return assignRead(list, std::move(entries));
}

int loadSpeedList(IniDocument* doc, SpeedList& list, std::vector<SkippedListItem>* skipped) {
  return loadValueList(doc, list, false, skipped);
}

int loadAreaList(IniDocument* doc, AreaList& list, std::vector<SkippedListItem>* skipped) {
  return loadValueList(doc, list, true, skipped);
}

int loadEvaluationList(IniDocument* doc, EvaluationList& list,
                       std::vector<SkippedListItem>* skipped) {
  const std::string_view section = EvaluationList::Section;
  std::vector<std::string> texts;
  int r = forEachItem(doc, section, skipped, [&](const std::string& tag) {
    std::string text;
    Ini_GetRawStringIntoBuffer(doc, section, tag, &text,
                               static_cast<int>(EvaluationList::FieldSize));
    if (!text.empty())
      texts.push_back(std::move(text));
    else if (skipped)
      skipped->push_back({std::string(section), tag, {}, SkippedListItem::Reason::EmptyText});
  });
  if (r != 0)
    return r;
  if (texts.empty())
    return ListLoadNothingUsable;
  return list.assign(texts) == ListOk ? 0 : ListLoadNothingUsable;
}

int savePistonList(IniDocument* doc, const PistonList& list) {
  for (int i = 0; i < list.count(); ++i) {
    int r = Ini_PutRawString(doc, PistonList::Section, listItemTag(PistonList::KeyPrefix, i),
                             std::string_view(formatPistonEntry(*list.piston(i))));
    if (r < 0)
      return r;
  }
  return 0;
}

int saveSpeedList(IniDocument* doc, const SpeedList& list) {
  return saveValueList(doc, list);
}

int saveAreaList(IniDocument* doc, const AreaList& list) {
  return saveValueList(doc, list);
}

int saveEvaluationList(IniDocument* doc, EvaluationList& list) {
  if (!doc)
    return IniNoDocument;
  while (Ini_RemoveSection(doc, EvaluationList::Section) == 1) {
  }
  for (int i = 0; i < list.count(); ++i) {
    int r =
        Ini_PutRawString(doc, EvaluationList::Section, listItemTag(EvaluationList::KeyPrefix, i),
                         std::string_view(*list.textAt(i)));
    if (r < 0)
      return r;
  }
  list.takeSavedChecksum();
  return 0;
}

} // namespace zv
