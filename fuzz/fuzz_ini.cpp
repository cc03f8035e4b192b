// Feeds arbitrary bytes to the INI reader, then checks that the document is usable and that
// its text is stable: written, read again and written again it gives the same bytes (for
// documents the writer can represent; see representable()); and that the section reader
// finds the same sections and items in the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/zv_ini_internal.hpp"

namespace {

using namespace zv;
using namespace zv::ini_detail;

// Long tags do not fit a line once split, " Line" tags join with their neighbours, unquoted
// values lose blanks at the ends of split pieces, and a tag that starts with '[' makes a line
// that ends in ']' a section header (joined pieces can give one such a value): all of these
// read back differently by design of the format.
bool representable(const IniDocument& doc) {
  for (std::size_t i = 0; i < doc.sections.size(); ++i) {
    const Section& s = doc.sections[i];
    if (s.removed)
      continue;
    for (const Item& it : s.items) {
      if (it.tagLen() > IniMaxTag || it.tag().find(" Line") != std::string_view::npos)
        return false;
      if (it.tag().front() == '[' && it.value().find(']') != std::string_view::npos)
        return false;
      if (!it.quoted()) {
        const std::string_view v = it.value();
        if (v.size() > 80 || v.empty() || isBlank(static_cast<unsigned char>(v.front())) ||
            isBlank(static_cast<unsigned char>(v.back())))
          return false;
      }
    }
  }
  return true;
}

void exercise(IniDocument* doc) {
  // Every lookup and conversion on the first sections must be safe on any content.
  for (std::size_t i = 0; i < doc->sections.size() && i < 16; ++i) {
    const std::string name(doc->sections[i].nameView());
    const int n = Ini_NumberOfItems(doc, name);
    for (int k = 1; k <= n && k <= 32; ++k) {
      std::string_view tagView;
      if (Ini_NthItemName(doc, name, k, &tagView) != 1)
        std::abort();
      const std::string tag(tagView);
      std::int32_t iv;
      double dv;
      char buf[40];
      Ini_GetInt(doc, name, tag, &iv);
      Ini_GetDouble(doc, name, tag, &dv);
      if (Ini_GetRawStringIntoBuffer(doc, name, tag, buf, sizeof buf) != 1)
        std::abort();
    }
  }
  if (doc->sections.size() > 0) {
    const std::string first(doc->sections[0].nameView());
    Ini_PutRawString(doc, first, "fuzz", "value");
    Ini_RemoveSection(doc, first);
  }
}

// Read section by section, the same bytes give the document's sections one after the other,
// with the same items.
void compareWithSectionReader(const IniDocument& doc, std::string_view bytes, std::size_t chunk) {
  MemoryFile file(bytes, chunk);
  IniSectionReader reader(file);
  IniHandle copy = Ini_New(0);
  std::size_t i = 0;
  int r;
  while ((r = reader.next()) == 1) {
    if (i >= doc.sections.size() || reader.copyTo(copy) != 0)
      std::abort();
    const Section& a = doc.sections[i];
    const Section& b = copy.get()->sections[i];
    if (a.nameView() != b.nameView() || a.items.size() != b.items.size())
      std::abort();
    for (std::size_t k = 0; k < a.items.size(); ++k)
      if (a.items[k].tag() != b.items[k].tag() || a.items[k].value() != b.items[k].value() ||
          a.items[k].quoted() != b.items[k].quoted())
        std::abort();
    ++i;
  }
  if (r != 0 || i != doc.sections.size())
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte also picks how many bytes each read returns, to hit chunk boundaries.
  const std::size_t chunk = size > 0 ? 1 + data[0] % 64 : 1;

  IniHandle doc = Ini_New(0);
  MemoryFile file(bytes, chunk);
  if (Ini_ReadFromFile(doc, file) != 0)
    std::abort();

  std::string first;
  if (Ini_WriteToString(doc, first) != 0)
    std::abort();
  if (representable(*doc.get())) {
    IniHandle again = Ini_New(0);
    MemoryFile text(first, chunk);
    if (Ini_ReadFromFile(again, text) != 0)
      std::abort();
    std::string second;
    Ini_WriteToString(again, second);
    if (second != first)
      std::abort();
  }
  compareWithSectionReader(*doc.get(), bytes, chunk);
  exercise(doc);
  return 0;
}
