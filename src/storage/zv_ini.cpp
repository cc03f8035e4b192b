// INI document: storage, lookups and puts (the gets are in zv_ini_values.cpp).
#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <locale.h>

#include "storage/zv_ini_internal.hpp"

namespace zv {

using namespace ini_detail;

// ---------------------------------------------------------------------------------------------
// Building blocks

namespace {

// The eight bytes of w with ASCII capitals made small (bytes >= 0x80 untouched).
inline std::uint64_t foldWord(std::uint64_t w) {
  constexpr std::uint64_t ones = 0x0101010101010101ull;
  const std::uint64_t low7 = w & (0x7f * ones);
  const std::uint64_t atLeastA = low7 + (0x80 - 'A') * ones;
  const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * ones;
  const std::uint64_t upper = atLeastA & ~aboveZ & ~w & (0x80 * ones);
  return w | (upper >> 2);
}

inline std::uint64_t mix(std::uint64_t h, std::uint64_t w) {
  h ^= w;
  h *= 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

} // namespace

std::uint32_t ini_detail::hashFolded(std::string_view s) {
  // Eight bytes at a time: names are hashed for every section created or looked up.
  std::uint64_t h = 0x243F6A8885A308D3ull ^ s.size();
  const char* p = s.data();
  std::size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = mix(h, foldWord(w));
  }
  if (n > 0) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = mix(h, foldWord(w));
  }
  h ^= h >> 32;
  h *= 0xbf58476d1ce4e5b9ull;
  h ^= h >> 31;
  return static_cast<std::uint32_t>(h);
}

char* Arena::allocate(std::size_t n) {
  if (n > left_) {
    // Big texts get a block of their own so the current block is not wasted.
    if (n > BlockSize / 4) {
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(n));
      reserved_ += n;
      return blocks_.back().get();
    }
    // Blocks grow from small (a configuration file) to BlockSize (a data set).
    const std::size_t size = std::max(n, nextBlock_);
    nextBlock_ = std::min(nextBlock_ * 2, BlockSize);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    if (!first_) {
      first_ = blocks_.back().get();
      firstSize_ = size;
    }
    reserved_ += size;
    cur_ = blocks_.back().get();
    left_ = size;
  }
  char* p = cur_;
  cur_ += n;
  left_ -= n;
  return p;
}

void Arena::clear() {
  // Only the first block of the usual size stays; big texts had blocks of their own.
  std::unique_ptr<char[]> keep;
  for (auto& b : blocks_)
    if (b.get() == first_)
      keep = std::move(b);
  blocks_.clear();
  cur_ = first_;
  left_ = reserved_ = first_ ? firstSize_ : 0;
  if (keep)
    blocks_.push_back(std::move(keep));
}

const char* Arena::store(std::string_view a, std::string_view b) {
  char* p = allocate(a.size() + b.size());
  if (!a.empty())
    std::memcpy(p, a.data(), a.size());
  if (!b.empty())
    std::memcpy(p + a.size(), b.data(), b.size());
  return p;
}

Item* ItemPool::allocate(std::size_t n) {
  if (n > left_) {
    const std::size_t size = std::max(n, nextBlock_);
    nextBlock_ = std::min(nextBlock_ * 2, BlockItems);
    blocks_.push_back(std::make_unique_for_overwrite<Item[]>(size));
    cur_ = blocks_.back().get();
    left_ = size;
  }
  Item* p = cur_;
  cur_ += n;
  left_ -= n;
  return p;
}

bool ItemPool::extend(Item* run, std::size_t size, std::size_t newSize) {
  if (run + size != cur_ || newSize - size > left_)
    return false;
  cur_ += newSize - size;
  left_ -= newSize - size;
  return true;
}

void ItemList::append(const Item* items, std::size_t n, ItemPool& pool) {
  const std::size_t need = std::size_t{size_} + n;
  if (need > UINT32_MAX)
    throw std::bad_alloc();
  if (need > capacity_) {
    // Exactly sized for the first run (a section read from a file), doubling after that.
    const std::size_t capacity =
        capacity_ == 0
            ? need
            : std::min<std::size_t>(std::max(need, std::size_t{capacity_} * 2), UINT32_MAX);
    if (items_ && pool.extend(items_, capacity_, capacity)) {
      capacity_ = static_cast<std::uint32_t>(capacity);
    } else {
      Item* room = pool.allocate(capacity);
      if (size_)
        std::memcpy(static_cast<void*>(room), items_, size_ * sizeof(Item));
      items_ = room;
      capacity_ = static_cast<std::uint32_t>(capacity);
    }
  }
  std::memcpy(static_cast<void*>(items_ + size_), items, n * sizeof(Item));
  size_ = static_cast<std::uint32_t>(need);
}

SectionIndex::Slot* SectionIndex::find(std::string_view name, std::uint32_t hash,
                                       const ChunkedVector<Section>& sections) {
  if (slots_.empty())
    return nullptr;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (s.first == None)
      return nullptr;
    if (s.hash == hash && equalsFolded(sections[s.first].nameView(), name))
      return &s;
  }
}

void SectionIndex::rehash(std::size_t slotCount) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(slotCount, Slot{0, None, None});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.first == None)
      continue;
    std::size_t i = s.hash & mask;
    while (slots_[i].first != None)
      i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void SectionIndex::reserve(std::size_t more) {
  std::size_t size = slots_.empty() ? 64 : slots_.size();
  while ((used_ + more) * 2 > size)
    size *= 2;
  if (size > slots_.size())
    rehash(size);
}

void SectionIndex::add(std::uint32_t index, std::string_view name, std::uint32_t hash,
                       ChunkedVector<Section>& sections) {
  if (Slot* s = find(name, hash, sections)) {
    sections[s->last].nextSame = index;
    s->last = index;
    return;
  }
  reserve(1);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i].first != None)
    i = (i + 1) & mask;
  slots_[i] = Slot{hash, index, index};
  ++used_;
}

void SectionIndex::removeFirst(Slot* slot, ChunkedVector<Section>& sections) {
  const std::uint32_t next = sections[slot->first].nextSame;
  if (next != None) {
    slot->first = next;
    return;
  }
  // Last section of that name: delete the slot and shift later ones of the probe run back.
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = static_cast<std::size_t>(slot - slots_.data());
  for (std::size_t j = (hole + 1) & mask; slots_[j].first != None; j = (j + 1) & mask) {
    const std::size_t home = slots_[j].hash & mask;
    // Move j into the hole unless its home lies cyclically in (hole, j].
    const bool homeInRange = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!homeInRange) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot{0, None, None};
  --used_;
}

Section* IniDocument::find(std::string_view name) {
  if (lastSection != None) {
    Section& s = sections[lastSection];
    if (!s.removed && equalsFolded(s.nameView(), name))
      return &s;
  }
  SectionIndex::Slot* slot = slotOf(name);
  if (!slot)
    return nullptr;
  lastSection = slot->first;
  return &sections[slot->first];
}

SectionIndex::Slot* IniDocument::slotOf(std::string_view name) {
  indexPending();
  return index.find(name, hashFolded(name), sections);
}

std::uint32_t IniDocument::appendSection(std::string_view name, std::uint32_t comment,
                                         bool deferIndex) {
  if (sections.size() >= None || name.size() > Section::MaxName)
    throw std::bad_alloc();
  const auto idx = static_cast<std::uint32_t>(sections.size());
  Section s;
  s.name = arena.store(name);
  s.nameLen = static_cast<std::uint32_t>(name.size());
  s.comment = comment;
  const std::uint32_t hash = hashFolded(name);
  s.hash = hash;
  sections.push_back(std::move(s));
  if (!deferIndex && indexed == idx) {
    index.add(idx, name, hash, sections);
    indexed = idx + 1;
  }
  return idx;
}

void IniDocument::reserveIndex() {
  index.reserve(sections.size() - indexed);
}

void IniDocument::indexPending() {
  const auto total = static_cast<std::uint32_t>(sections.size());
  if (indexed == total)
    return;
  index.reserve(total - indexed);
  // Prefetch the slots a few sections ahead, so the random slot accesses of a million
  // sections overlap instead of waiting one after the other.
  constexpr std::uint32_t Ahead = 16;
  for (std::uint32_t i = indexed; i < total && i < indexed + Ahead; ++i)
    index.prefetch(sections[i].hash);
  for (std::uint32_t i = indexed; i < total; ++i) {
    if (i + Ahead < total)
      index.prefetch(sections[i + Ahead].hash);
    Section& s = sections[i];
    if (!s.removed)
      index.add(i, s.nameView(), s.hash, sections);
    indexed = i + 1;
  }
}

std::uint32_t IniDocument::addComment(std::string text) {
  if (comments.size() >= Item::MaxComments)
    throw std::bad_alloc();
  comments.push_back(std::move(text));
  return static_cast<std::uint32_t>(comments.size());
}

void IniDocument::noteLineTag(std::uint32_t sectionIndex) {
  Section& s = sections[sectionIndex];
  if (!s.lineTags) {
    s.lineTags = true;
    lineTagSections.push_back(sectionIndex);
  }
}

// ---------------------------------------------------------------------------------------------
// Handle

IniHandle::IniHandle() noexcept = default;
IniHandle::IniHandle(std::unique_ptr<IniDocument> document) noexcept : doc_(std::move(document)) {}
IniHandle::IniHandle(IniHandle&&) noexcept = default;
IniHandle& IniHandle::operator=(IniHandle&&) noexcept = default;
IniHandle::~IniHandle() = default;
void IniHandle::reset() noexcept {
  doc_.reset();
}

IniHandle Ini_New(int automaticSorting) {
  if (automaticSorting != 0)
    return {};
  try {
    return IniHandle(std::make_unique<IniDocument>());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

void Ini_Dispose(IniHandle& document) {
  document.reset();
}

int Ini_SetDuplicateChecking(IniDocument* document, int on) {
  if (!document)
    return IniNoDocument;
  const int previous = document->duplicateChecking ? 1 : 0;
  document->duplicateChecking = on != 0;
  return previous;
}

// ---------------------------------------------------------------------------------------------
// Lookups

// A name or text as it can be stored in a line: cut at a NUL, line breaks made blanks.
// Returns the input itself when it needs no change.
std::string_view ini_detail::lineSafe(std::string_view s, std::string& scratch) {
  std::size_t i = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (static_cast<unsigned char>(c) <= '\r' && (c == '\0' || c == '\r' || c == '\n'))
      break;
  }
  if (i == s.size())
    return s;
  scratch.assign(s.substr(0, s.find('\0', i)));
  for (char& c : scratch)
    if (c == '\r' || c == '\n')
      c = ' ';
  return scratch;
}

std::string_view ini_detail::lookupName(std::string_view s, std::string& scratch) {
  return trim(lineSafe(s, scratch));
}

const Item* ini_detail::findItem(const Item* items, std::size_t count, std::string_view tag) {
  for (std::size_t i = 0; i < count; ++i)
    if (items[i].tagLen() == tag.size() && equalsFolded(items[i].tag(), tag))
      return &items[i];
  return nullptr;
}

const Item* ini_detail::lookup(IniDocument* doc, std::string_view section, std::string_view tag) {
  std::string s1, s2;
  Section* s = doc->find(lookupName(section, s1));
  if (!s)
    return nullptr;
  return findItem(s->items.data(), s->items.size(), lookupName(tag, s2));
}

int Ini_SectionExists(IniDocument* document, std::string_view section) {
  if (!document)
    return 0;
  std::string scratch;
  return document->find(lookupName(section, scratch)) ? 1 : 0;
}

int Ini_ItemExists(IniDocument* document, std::string_view section, std::string_view tag) {
  if (!document)
    return IniNoDocument;
  return lookup(document, section, tag) ? 1 : 0;
}

int Ini_NumberOfItems(IniDocument* document, std::string_view section) {
  if (!document)
    return 0;
  std::string scratch;
  const Section* s = document->find(lookupName(section, scratch));
  if (!s)
    return 0;
  return s->items.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(s->items.size());
}

int Ini_NthItemName(IniDocument* document, std::string_view section, int index,
                    std::string_view* tag, std::string_view* value) {
  if (!document)
    return 0;
  if (!tag)
    return IniNoDocument;
  std::string scratch;
  const Section* s = document->find(lookupName(section, scratch));
  if (!s || index < 1 || static_cast<std::size_t>(index) > s->items.size())
    return 0;
  const Item& item = s->items[static_cast<std::size_t>(index) - 1];
  *tag = item.tag();
  if (value)
    *value = item.value();
  return 1;
}

int Ini_RemoveSection(IniDocument* document, std::string_view section) {
  if (!document)
    return 0;
  std::string scratch;
  const std::string_view name = lookupName(section, scratch);
  SectionIndex::Slot* slot = document->slotOf(name);
  if (!slot)
    return 0;
  const std::uint32_t idx = slot->first;
  document->index.removeFirst(slot, document->sections);
  Section& s = document->sections[idx];
  s.removed = true;
  s.nextSame = None;
  s.items.clear();
  if (document->lastSection == idx)
    document->lastSection = None;
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Puts

bool ini_detail::validTag(std::string_view tag) {
  return !tag.empty() && tag.size() <= IniMaxTag && tag.front() != ';' && tag.front() != '[' &&
         tag.find('=') == std::string_view::npos;
}

namespace {

int put(IniDocument* doc, std::string_view section, std::string_view tag, std::string_view value,
        bool quoted) {
  if (!doc)
    return IniNoDocument;
  try {
    std::string s1, s2, s3;
    const std::string_view name = lookupName(section, s1);
    const std::string_view key = lookupName(tag, s2);
    if (name.empty() || name.size() > IniMaxSectionName || !validTag(key))
      return IniNoDocument;
    value = lineSafe(value, s3);
    if (value.size() > UINT32_MAX)
      return IniOutOfMemory;

    const Item item = Item::make(doc->arena.store(key, value), key.size(), value.size(), quoted);
    const bool lineTag = key.find(" Line") != std::string_view::npos;

    Section* s = doc->find(name);
    std::uint32_t idx;
    if (!s) {
      idx = doc->appendSection(name, 0);
      doc->lastSection = idx;
      s = &doc->sections[idx];
      s->items.push_back(item, doc->itemPool);
    } else {
      idx = doc->lastSection;
      ItemList& items = s->items;
      std::size_t first = items.size();
      if (doc->duplicateChecking) {
        for (std::size_t i = 0; i < items.size(); ++i)
          if (items[i].tagLen() == key.size() && equalsFolded(items[i].tag(), key)) {
            first = i;
            break;
          }
      }
      if (first == items.size()) {
        items.push_back(item, doc->itemPool);
      } else {
        // Replace the first equal tag in place and drop the later ones.
        items[first] = item;
        std::size_t out = first + 1;
        for (std::size_t i = first + 1; i < items.size(); ++i)
          if (!(items[i].tagLen() == key.size() && equalsFolded(items[i].tag(), key)))
            items[out++] = items[i];
        items.shrink(out);
      }
    }
    if (lineTag)
      doc->noteLineTag(idx);
    return 0;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

} // namespace

int Ini_PutInt(IniDocument* document, std::string_view section, std::string_view tag,
               std::int32_t value) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return put(document, section, tag, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)),
             false);
}

std::size_t Ini_FormatDouble(double value, char* buffer) {
  // printf("%.16g") in the C locale, without depending on the process locale; "%.17g" for
  // the values 16 digits do not bring back, so every double reads back as itself.
  char* const end = buffer + 32;
  auto r = std::to_chars(buffer, end, value, std::chars_format::general, 16);
  if (std::isfinite(value)) {
    double back = 0.0;
    const auto parsed = std::from_chars(buffer, r.ptr, back);
    if (parsed.ec != std::errc() ||
        std::bit_cast<std::uint64_t>(back) != std::bit_cast<std::uint64_t>(value))
      r = std::to_chars(buffer, end, value, std::chars_format::general, 17);
  }
  return static_cast<std::size_t>(r.ptr - buffer);
}

int Ini_PutDouble(IniDocument* document, std::string_view section, std::string_view tag,
                  double value) {
  char buf[32];
  return put(document, section, tag, std::string_view(buf, Ini_FormatDouble(value, buf)), false);
}

int Ini_PutRawString(IniDocument* document, std::string_view section, std::string_view tag,
                     std::string_view text) {
  return put(document, section, tag, text, true);
}

int Ini_PutRawString(IniDocument* document, std::string_view section, std::string_view tag,
                     const char* text) {
  return put(document, section, tag, text ? std::string_view(text) : std::string_view(), true);
}

} // namespace zv
