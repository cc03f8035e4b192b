// INI document: reading values (numbers, texts) and the section views.
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/zv_number_text.hpp"
#include "storage/zv_ini_internal.hpp"

namespace zv {

using namespace ini_detail;

// ---------------------------------------------------------------------------------------------
// Gets

namespace {

bool allBlank(std::string_view s) {
  for (unsigned char c : s)
    if (!isBlank(c))
      return false;
  return true;
}

} // namespace

int ini_detail::itemInt(const Item& item, std::int32_t* value) {
  const std::string_view v = item.value();
  if (allBlank(v))
    return 0;
  // Optional blanks, one optional sign, digits, optional blanks; within int32.
  std::size_t i = 0;
  while (i < v.size() && isBlank(static_cast<unsigned char>(v[i])))
    ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-'))
    negative = v[i++] == '-';
  const std::size_t digitsStart = i;
  std::int64_t magnitude = 0;
  while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
    if (magnitude <= (std::int64_t{1} << 32))
      magnitude = magnitude * 10 + (v[i] - '0');
    ++i;
  }
  if (i == digitsStart)
    return IniNotAnInteger;
  while (i < v.size() && isBlank(static_cast<unsigned char>(v[i])))
    ++i;
  if (i != v.size())
    return IniNotAnInteger;
  const std::int64_t n = negative ? -magnitude : magnitude;
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
    return IniNotAnInteger;
  *value = static_cast<std::int32_t>(n);
  return 1;
}

int ini_detail::itemDouble(const Item& item, double* value) {
  const std::string_view v = item.value();
  if (allBlank(v))
    return 0;
  // Read as glibc's strtod reads it, on every system, so a file reads the same everywhere.
  const NumberRead n = readNumber(v);
  *value = n.value;
  if (n.used != v.size() || (n.outOfRange && std::isinf(n.value)))
    return IniNotANumber;
  return 1;
}

int Ini_GetInt(IniDocument* document, std::string_view section, std::string_view tag,
               std::int32_t* value) {
  if (!document || !value)
    return IniNoDocument;
  const Item* it = lookup(document, section, tag);
  return it ? itemInt(*it, value) : 0;
}

int Ini_GetDouble(IniDocument* document, std::string_view section, std::string_view tag,
                  double* value) {
  if (!document || !value)
    return IniNoDocument;
  const Item* it = lookup(document, section, tag);
  return it ? itemDouble(*it, value) : 0;
}

int Ini_GetRawStringIntoBuffer(IniDocument* document, std::string_view section,
                               std::string_view tag, char* buffer, int bufferSize) {
  if (!document || !buffer || bufferSize < 1)
    return IniNoDocument;
  buffer[0] = '\0';
  const Item* it = lookup(document, section, tag);
  if (!it)
    return 0;
  const std::size_t n = std::min<std::size_t>(it->valLen, static_cast<std::size_t>(bufferSize) - 1);
  std::memcpy(buffer, it->text + it->tagLen(), n);
  buffer[n] = '\0';
  return 1;
}

int Ini_GetRawStringIntoBuffer(IniDocument* document, std::string_view section,
                               std::string_view tag, std::string* buffer, int bufferSize) {
  if (!document || !buffer || bufferSize < 1)
    return IniNoDocument;
  buffer->clear();
  const Item* it = lookup(document, section, tag);
  if (!it)
    return 0;
  buffer->assign(it->value().substr(0, static_cast<std::size_t>(bufferSize) - 1));
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Keys and sections

IniKey::IniKey(std::string_view text) {
  std::string scratch;
  text_ = lookupName(text, scratch);
  validTag_ = ini_detail::validTag(text_);
}

const Item* IniSection::find(const IniKey& tag) const {
  return found_ ? ini_detail::findItem(items_, count_, tag.text()) : nullptr;
}

int IniSection::getInt(const IniKey& tag, std::int32_t* value) const {
  if (!value)
    return IniNoDocument;
  const Item* it = find(tag);
  return it ? itemInt(*it, value) : 0;
}

int IniSection::getDouble(const IniKey& tag, double* value) const {
  if (!value)
    return IniNoDocument;
  const Item* it = find(tag);
  return it ? itemDouble(*it, value) : 0;
}

int IniSection::getRawString(const IniKey& tag, std::string* buffer, int bufferSize) const {
  if (!buffer || bufferSize < 1)
    return IniNoDocument;
  buffer->clear();
  const Item* it = find(tag);
  if (!it)
    return 0;
  buffer->assign(it->value().substr(0, static_cast<std::size_t>(bufferSize) - 1));
  return 1;
}

bool Ini_SameName(std::string_view a, std::string_view b) {
  return equalsFolded(a, b);
}

IniSection Ini_FindSection(IniDocument* document, std::string_view section) {
  if (!document)
    return {};
  std::string scratch;
  const Section* s = document->find(lookupName(section, scratch));
  if (!s)
    return {};
  return IniSection(s->nameView(), s->items.data(), s->items.size());
}

} // namespace zv
