#pragma once
// The inside of an IniDocument, shared by zv_ini*.cpp only.
//
// Sized for the largest text data set (about a million sections and eight million items):
// names, tags and values live in one append-only arena of big blocks, an item is 24 bytes
// pointing into it, each section keeps its items in one run of a shared item pool (no
// allocation per section), and sections are found through an open-addressing hash index on
// the folded name, so no lookup walks the section list.
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
  static constexpr std::size_t MaxTag = 255; // a line holds no longer one
  static constexpr std::uint32_t MaxComments = (1u << 23) - 1;

  const char* text; // the tag, directly followed by the value
  std::uint32_t valLen;
  std::uint32_t bits; // bits 0..7: tag length; bit 8: quoted; bits 9..31: comment number + 1

  // tagLen <= MaxTag, comment <= MaxComments (comment number + 1, 0: none).
  static Item make(const char* text, std::size_t tagLen, std::size_t valLen, bool quoted,
                   std::uint32_t comment = 0) {
    return Item{text, static_cast<std::uint32_t>(valLen),
                static_cast<std::uint32_t>(tagLen) | (quoted ? 0x100u : 0u) | (comment << 9)};
  }
  std::size_t tagLen() const { return bits & 0xFFu; }
  std::string_view tag() const { return {text, tagLen()}; }
  std::string_view value() const { return {text + tagLen(), valLen}; }
  bool quoted() const { return (bits & 0x100u) != 0; }
  std::uint32_t comment() const { return bits >> 9; }
  void setTagLen(std::size_t n) { bits = (bits & ~0xFFu) | static_cast<std::uint32_t>(n); }
};
static_assert(sizeof(Item) == 16);

// Room for items in blocks that grow from small (a configuration file) to big (a data set), so
// that a section needs no allocation of its own.
class ItemPool {
public:
  // Uninitialised room for n items.
  Item* allocate(std::size_t n);
  // Grows the run [run, run + size) to newSize in place when it ends where the free room
  // begins; false when it does not.
  bool extend(Item* run, std::size_t size, std::size_t newSize);

private:
  static constexpr std::size_t BlockItems = 65536;
  std::vector<std::unique_ptr<Item[]>> blocks_;
  Item* cur_ = nullptr;
  std::size_t left_ = 0;
  std::size_t nextBlock_ = 64;
};

// The items of one section: one run in the document's item pool. Growing moves the run to new
// room (unless it can grow in place); the old room stays unused until the document goes.
class ItemList {
public:
  Item* begin() { return items_; }
  Item* end() { return items_ + size_; }
  const Item* begin() const { return items_; }
  const Item* end() const { return items_ + size_; }
  const Item* data() const { return items_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Item& operator[](std::size_t i) { return items_[i]; }
  const Item& operator[](std::size_t i) const { return items_[i]; }

  void append(const Item* items, std::size_t n, ItemPool& pool);
  void push_back(const Item& item, ItemPool& pool) { append(&item, 1, pool); }
  // Keeps the first n items (n <= size()).
  void shrink(std::size_t n) { size_ = static_cast<std::uint32_t>(n); }
  void clear() { items_ = nullptr, size_ = capacity_ = 0; }

private:
  Item* items_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

struct Section {
  static constexpr std::size_t MaxName = (std::size_t{1} << 30) - 1;

  const char* name = nullptr;
  std::uint32_t nameLen : 30 = 0; // at most MaxName
  std::uint32_t removed : 1 = 0;
  std::uint32_t lineTags : 1 = 0; // some tag contains " Line" (candidate for joining)
  std::uint32_t comment = 0;      // comment number + 1, 0: none
  std::uint32_t nextSame = None;  // next live section with the same folded name
  // hashFolded of the name, taken when the section is made, while its name is in the cache:
  // indexing a million sections later then never reads their names again.
  std::uint32_t hash = 0;
  ItemList items;

  std::string_view nameView() const { return {name, nameLen}; }
};
static_assert(sizeof(void*) != 8 || sizeof(Section) == 40);

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
  void rehash(std::size_t slotCount);
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

} // namespace ini_detail

class IniDocument {
public:
  ini_detail::ChunkedVector<ini_detail::Section> sections;
  ini_detail::SectionIndex index;
  ini_detail::Arena arena;
  ini_detail::ItemPool itemPool;
  std::vector<std::string> comments;
  std::string headerComment;
  std::string trailerComment;
  // Sections that may hold " Line" items to join after a read.
  std::vector<std::uint32_t> lineTagSections;
  std::uint32_t lastSection = ini_detail::None;
  // Sections [0, indexed) are in the index. The reader appends without indexing; the first
  // lookup by name indexes the rest in a batch that hides the memory latency, so a document
  // that is only walked, copied or written back never pays for the index.
  std::uint32_t indexed = 0;
  bool duplicateChecking = true;

  // The first live section of that (trimmed) name, through the lastSection cache.
  ini_detail::Section* find(std::string_view name);
  // The index slot of a (trimmed) name, or nullptr.
  ini_detail::SectionIndex::Slot* slotOf(std::string_view name);
  // Appends a section; name must be trimmed and non-empty. Unless deferred, it is indexed.
  std::uint32_t appendSection(std::string_view name, std::uint32_t comment,
                              bool deferIndex = false);
  // Takes the index's room for the sections appended with deferIndex, so that indexing them
  // later allocates nothing.
  void reserveIndex();
  // Indexes the sections appended with deferIndex.
  void indexPending();
  std::uint32_t addComment(std::string text);
  // Marks a section as holding a tag with " Line" (once).
  void noteLineTag(std::uint32_t sectionIndex);
};

namespace ini_detail {
// Joins runs of "<tag> Line0001", "<tag> Line0002", ... in the marked sections.
void joinLongValues(IniDocument& doc);
// The same for the items of one section, the joined texts stored in arena; returns the new
// number of items and in left whether any " Line" tag is left.
std::size_t joinItems(Item* items, std::size_t count, Arena& arena, bool& left);
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
// The item a section name and tag (both normalised here) name, or nullptr.
const Item* lookup(IniDocument* doc, std::string_view section, std::string_view tag);
// A tag a line can hold as a key: not empty, not too long, no '=' and not read as a comment
// or a section.
bool validTag(std::string_view tag);
} // namespace ini_detail

} // namespace zv
