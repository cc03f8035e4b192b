#pragma once
// The inside of an IniDocument, shared by zv_ini*.cpp only.
//
// Sized for the largest text data set (about a million sections and eight million items):
// names, tags and values live in one append-only arena of big blocks, an item is 24 bytes
// pointing into it, each section keeps its items in one exactly sized vector, and sections
// are found through an open-addressing hash index on the folded name, so no lookup walks
// the section list.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/zv_ini.hpp"

namespace zv {
namespace ini_detail {

inline constexpr std::uint32_t None = UINT32_MAX;

// White space as the C library's isspace() in the C locale.
inline bool isBlank(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline std::string_view trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && isBlank(static_cast<unsigned char>(s[e - 1])))
    --e;
  return s.substr(b, e - b);
}

inline bool equalsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  if (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0) // usual: same spelling
    return true;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y && fold(x) != fold(y))
      return false;
  }
  return true;
}

std::uint32_t hashFolded(std::string_view s);

// Append-only storage for text. Pointers stay valid until the arena is destroyed.
class Arena {
public:
  // Stores a followed by b contiguously; returns the start.
  const char* store(std::string_view a, std::string_view b = {});
  // Uninitialised room for n bytes.
  char* allocate(std::size_t n);
  std::size_t bytesReserved() const { return reserved_; }
  // Forgets every text stored; the first block is kept for the texts that follow.
  void clear();

private:
  static constexpr std::size_t BlockSize = std::size_t{1} << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* first_ = nullptr; // the first block of the usual size, kept by clear()
  std::size_t firstSize_ = 0;
  char* cur_ = nullptr;
  std::size_t left_ = 0;
  std::size_t nextBlock_ = 4096;
  std::size_t reserved_ = 0;
};

struct Item {
  const char* text; // the tag, directly followed by the value
  std::uint32_t tagLen;
  std::uint32_t valLen;
  std::uint32_t line; // source line, 0 for a put
  std::uint32_t meta; // bit 31: quoted; bits 0..30: comment number + 1 (0: none)

  static constexpr std::uint32_t QuotedBit = 0x80000000u;
  std::string_view tag() const { return {text, tagLen}; }
  std::string_view value() const { return {text + tagLen, valLen}; }
  bool quoted() const { return (meta & QuotedBit) != 0; }
  std::uint32_t comment() const { return meta & ~QuotedBit; }
};
static_assert(sizeof(Item) == 24);

struct Section {
  const char* name = nullptr;
  std::uint32_t nameLen = 0;
  std::uint32_t comment = 0;     // comment number + 1, 0: none
  std::uint32_t nextSame = None; // next live section with the same folded name
  bool removed = false;
  bool lineTags = false; // some tag contains " Line" (candidate for joining)
  std::vector<Item> items;

  std::string_view nameView() const { return {name, nameLen}; }
};

// A vector that grows in fixed chunks: elements never move, and growing never copies the
// whole list (which would double the peak memory at data set scale).
template <class T> class ChunkedVector {
public:
  static constexpr std::size_t ChunkBits = 12;
  static constexpr std::size_t ChunkSize = std::size_t{1} << ChunkBits;

  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return chunks_[i >> ChunkBits][i & (ChunkSize - 1)]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> ChunkBits][i & (ChunkSize - 1)]; }
  T& push_back(T&& value) {
    if ((size_ & (ChunkSize - 1)) == 0) {
      chunks_.emplace_back();
      chunks_.back().reserve(ChunkSize);
    }
    chunks_.back().push_back(std::move(value));
    ++size_;
    return chunks_.back().back();
  }

private:
  std::vector<std::vector<T>> chunks_;
  std::size_t size_ = 0;
};

// Folded section name -> first and last live section of that name (in document order).
class SectionIndex {
public:
  struct Slot {
    std::uint32_t hash;
    std::uint32_t first; // None: empty slot
    std::uint32_t last;
  };
  // The slot of a name, or nullptr.
  Slot* find(std::string_view name, std::uint32_t hash, const ChunkedVector<Section>& sections);
  // Records a new section (appended at the end of the document).
  void add(std::uint32_t index, std::string_view name, std::uint32_t hash,
           ChunkedVector<Section>& sections);
  // Forgets the first section of the slot's chain.
  void removeFirst(Slot* slot, ChunkedVector<Section>& sections);
  // Makes room for `more` further names without growing on the way.
  void reserve(std::size_t more);
  // Starts loading the home slot of a hash into the cache.
  void prefetch(std::uint32_t hash) const {
#if defined(__GNUC__)
    if (!slots_.empty())
      __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#else
    (void)hash;
#endif
  }

private:
  void grow();
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

} // namespace ini_detail

class IniDocument {
public:
  ini_detail::ChunkedVector<ini_detail::Section> sections;
  ini_detail::SectionIndex index;
  ini_detail::Arena arena;
  std::vector<std::string> comments;
  std::string headerComment;
  std::string trailerComment;
  // Sections that may hold " Line" items to join after a read.
  std::vector<std::uint32_t> lineTagSections;
  std::uint32_t lastSection = ini_detail::None;
  // Sections [0, indexed) are in the index; the reader appends without indexing and
  // indexes the whole file at the end, in a batch that hides the memory latency.
  std::uint32_t indexed = 0;
  bool duplicateChecking = true;

  // The first live section of that (trimmed) name, through the lastSection cache.
  ini_detail::Section* find(std::string_view name);
  // The index slot of a (trimmed) name, or nullptr.
  ini_detail::SectionIndex::Slot* slotOf(std::string_view name);
  // Appends a section; name must be trimmed and non-empty. Unless deferred, it is indexed.
  std::uint32_t appendSection(std::string_view name, std::uint32_t comment,
                              bool deferIndex = false);
  // Indexes the sections appended with deferIndex.
  void indexPending();
  std::uint32_t addComment(std::string text);
  // Marks a section as holding a tag with " Line" (once).
  void noteLineTag(std::uint32_t sectionIndex);
};

namespace ini_detail {
// Joins runs of "<tag> Line0001", "<tag> Line0002", ... in the marked sections.
void joinLongValues(IniDocument& doc);
// The same for the items of one section, the joined texts stored in arena; returns whether
// any " Line" tag is left.
bool joinItems(std::vector<Item>& items, Arena& arena);
// The first item of that (normalised) tag, or nullptr.
const Item* findItem(const Item* items, std::size_t count, std::string_view tag);
// The conversions of the Ini_Get functions on one item.
int itemInt(const Item& item, std::int32_t* value);
int itemDouble(const Item& item, double* value);
// A name or text as a line can hold it: cut at a NUL, line breaks made blanks; scratch holds
// it when it differs from s.
std::string_view lineSafe(std::string_view s, std::string& scratch);
// The normalised form of a section name or tag (cut at a NUL, line breaks made blanks,
// trimmed); scratch holds it when it differs from s.
std::string_view lookupName(std::string_view s, std::string& scratch);
} // namespace ini_detail

} // namespace zv
