// Reading INI text: the line reader, line classification and joining of split long values.
#include <algorithm>
#include <new>

#include "storage/zv_ini_internal.hpp"

namespace zv {

using namespace ini_detail;

// ---------------------------------------------------------------------------------------------
// LineFile

LineFile::LineFile(ReadableFile& file, std::size_t chunkSize)
    : file_(file), chunk_(std::max<std::size_t>(chunkSize, 1)) {}

bool LineFile::refill() {
  pos_ = end_ = 0;
  if (eof_ || error_)
    return false;
  std::size_t got = 0;
  error_ = file_.read(chunk_.data(), chunk_.size(), got);
  if (error_)
    return false;
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ = got;
  return true;
}

namespace {

bool isLineEnd(char c) {
  return static_cast<unsigned char>(c) <= '\r' && (c == '\r' || c == '\n' || c == '\0');
}

// The first CR, LF or NUL in [p, stop), or stop. Tests eight bytes at a time.
const char* findLineEnd(const char* p, const char* stop) {
  constexpr std::uint64_t ones = 0x0101010101010101ull;
  constexpr std::uint64_t highs = 0x8080808080808080ull;
  while (stop - p >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint64_t cr = w ^ ('\r' * ones);
    const std::uint64_t lf = w ^ ('\n' * ones);
    // Flags every zero byte of w, cr or lf (and perhaps bytes above one): enough to know
    // that this word holds a line end; the byte loop below finds it.
    const std::uint64_t hit = ((w - ones) & ~w) | ((cr - ones) & ~cr) | ((lf - ones) & ~lf);
    if (hit & highs)
      break;
    p += 8;
  }
  while (p != stop && !isLineEnd(*p))
    ++p;
  return p;
}

} // namespace

int LineFile::next(std::string_view& line) {
  if (error_)
    return -1;
  bool inLine = false; // bytes of the current line were carried over from earlier chunks
  carryLen_ = 0;
  for (;;) {
    if (pos_ == end_ && !refill()) {
      if (error_)
        return -1;
      if (!inLine)
        return 0;
      ++lineNumber_;
      line = std::string_view(carry_, carryLen_);
      return 1;
    }
    if (partner_) {
      // Second byte of a CR LF or LF CR pair that straddled the chunk boundary.
      if (chunk_[pos_] == partner_)
        ++pos_;
      partner_ = 0;
      continue;
    }
    const char* begin = chunk_.data() + pos_;
    const char* stop = chunk_.data() + end_;
    const char* p = findLineEnd(begin, stop);
    const std::size_t len = static_cast<std::size_t>(p - begin);
    if (p == stop) {
      // No line end in this chunk: keep what fits of the line and read on.
      const std::size_t take = std::min(len, MaxLine - carryLen_);
      std::memcpy(carry_ + carryLen_, begin, take);
      carryLen_ += take;
      inLine = true;
      pos_ = end_;
      continue;
    }
    if (inLine) {
      const std::size_t take = std::min(len, MaxLine - carryLen_);
      std::memcpy(carry_ + carryLen_, begin, take);
      carryLen_ += take;
      line = std::string_view(carry_, carryLen_);
    } else {
      line = std::string_view(begin, std::min(len, MaxLine));
    }
    pos_ += len + 1;
    const char terminator = *p;
    partner_ = terminator == '\r' ? '\n' : terminator == '\n' ? '\r' : 0;
    if (partner_ && pos_ < end_) {
      if (chunk_[pos_] == partner_)
        ++pos_;
      partner_ = 0;
    }
    ++lineNumber_;
    return 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Reader

namespace {

enum class LineKind { Other, Comment, Header, Item };

struct Classified {
  LineKind kind = LineKind::Other;
  std::string_view name;  // header name or item tag
  std::string_view value; // item value, quotes removed
  bool quoted = false;
};

Classified classify(std::string_view line) {
  Classified c;
  std::size_t i = 0;
  while (i < line.size() && isBlank(static_cast<unsigned char>(line[i])))
    ++i;
  if (i == line.size())
    return c;
  const std::string_view rest = line.substr(i);
  if (rest.front() == ';') {
    c.kind = LineKind::Comment;
    return c;
  }
  if (rest.front() == '[') {
    const std::size_t close = rest.rfind(']');
    if (close != std::string_view::npos) {
      const std::string_view name = trim(rest.substr(1, close - 1));
      if (name.empty() || !trim(rest.substr(close + 1)).empty())
        return c;
      c.kind = LineKind::Header;
      c.name = name;
      return c;
    }
  }
  const std::size_t eq = rest.find('=');
  if (eq == std::string_view::npos)
    return c;
  const std::string_view tag = trim(rest.substr(0, eq));
  std::string_view value = trim(rest.substr(eq + 1));
  if (tag.empty() || value.empty())
    return c;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
    c.quoted = true;
  }
  c.kind = LineKind::Item;
  c.name = tag;
  c.value = value;
  return c;
}

class Reader {
public:
  explicit Reader(IniDocument& doc) : doc_(doc) {}

  int run(ReadableFile& file) {
    LineFile lines(file);
    std::string_view line;
    int r;
    while ((r = lines.next(line)) == 1)
      take(line);
    commitItems();
    doc_.reserveIndex();
    if (r < 0)
      return IniReadError;
    if (havePending_)
      doc_.trailerComment = std::move(pending_);
    joinLongValues(doc_);
    return 0;
  }

  // Puts the items collected for the current section into it (exactly sized).
  void commitItems() {
    if (current_ != None && !scratch_.empty()) {
      doc_.sections[current_].items.append(scratch_.data(), scratch_.size(), doc_.itemPool);
    }
    scratch_.clear();
  }

private:
  std::uint32_t takeComment() {
    if (!havePending_)
      return 0;
    havePending_ = false;
    return doc_.addComment(std::move(pending_));
  }

  void take(std::string_view line) {
    const Classified c = classify(line);
    switch (c.kind) {
    case LineKind::Comment:
      if (havePending_) {
        pending_.append("\r\n");
        pending_.append(line);
      } else {
        pending_.assign(line);
        havePending_ = true;
      }
      break;
    case LineKind::Header:
      commitItems();
      current_ = doc_.appendSection(c.name, takeComment(), true);
      sawSection_ = true;
      break;
    case LineKind::Item: {
      if (current_ == None) {
        havePending_ = false; // items before the first section are dropped with their comment
        break;
      }
      const std::uint32_t comment = takeComment();
      scratch_.push_back(Item::make(doc_.arena.store(c.name, c.value), c.name.size(),
                                    c.value.size(), c.quoted, comment));
      if (c.name.find(" Line") != std::string_view::npos)
        doc_.noteLineTag(current_);
      break;
    }
    case LineKind::Other:
      if (!sawSection_ && havePending_ && doc_.headerComment.empty()) {
        doc_.headerComment = std::move(pending_);
        havePending_ = false;
      }
      break;
    }
  }

  IniDocument& doc_;
  std::vector<Item> scratch_;
  std::string pending_;
  bool havePending_ = false;
  bool sawSection_ = false;
  std::uint32_t current_ = None;
};

// Splits "<base> Line<digits>" at the first " Line". number is 0 for values that do not fit.
bool splitLineTag(std::string_view tag, std::string_view& base, std::uint32_t& number) {
  const std::size_t at = tag.find(" Line");
  if (at == std::string_view::npos)
    return false;
  std::string_view digits = tag.substr(at + 5);
  if (digits.empty())
    return false;
  for (char ch : digits)
    if (ch < '0' || ch > '9')
      return false;
  base = trim(tag.substr(0, at));
  while (digits.size() > 1 && digits.front() == '0')
    digits.remove_prefix(1);
  number = 0;
  if (digits.size() <= 9)
    for (char ch : digits)
      number = number * 10 + static_cast<std::uint32_t>(ch - '0');
  return true;
}

} // namespace

std::size_t ini_detail::joinItems(Item* items, std::size_t count, Arena& arena, bool& left) {
  std::size_t out = 0;
  left = false;
  for (std::size_t i = 0; i < count;) {
    std::string_view base;
    std::uint32_t number = 0;
    if (!splitLineTag(items[i].tag(), base, number) || number != 1) {
      left = left || items[i].tag().find(" Line") != std::string_view::npos;
      items[out++] = items[i++];
      continue;
    }
    // The run takes every following piece that is not a first piece again; neither the
    // base names nor the order of the numbers are looked at, as files of other programs
    // rely on.
    std::size_t j = i + 1;
    std::size_t total = items[i].valLen;
    for (; j < count; ++j) {
      std::string_view b;
      std::uint32_t n = 0;
      if (!splitLineTag(items[j].tag(), b, n) || n == 1)
        break;
      total += items[j].valLen;
    }
    if (total > UINT32_MAX)
      throw std::bad_alloc();
    char* text = arena.allocate(base.size() + total);
    std::memcpy(text, base.data(), base.size());
    char* v = text + base.size();
    for (std::size_t k = i; k < j; ++k) {
      std::memcpy(v, items[k].text + items[k].tagLen(), items[k].valLen);
      v += items[k].valLen;
    }
    Item joined = items[i];
    joined.text = text;
    joined.setTagLen(base.size());
    joined.valLen = static_cast<std::uint32_t>(total);
    left = left || base.find(" Line") != std::string_view::npos;
    items[out++] = joined;
    i = j;
  }
  return out;
}

void ini_detail::joinLongValues(IniDocument& doc) {
  std::vector<std::uint32_t> keep;
  for (std::uint32_t idx : doc.lineTagSections) {
    Section& s = doc.sections[idx];
    if (s.removed)
      continue;
    bool left = false;
    s.items.shrink(joinItems(s.items.begin(), s.items.size(), doc.arena, left));
    s.lineTags = left;
    if (s.lineTags)
      keep.push_back(idx);
  }
  doc.lineTagSections = std::move(keep);
}

int Ini_ReadFromFile(IniDocument* document, ReadableFile& file) {
  if (!document)
    return IniNoDocument;
  Reader reader(*document);
  try {
    return reader.run(file);
  } catch (const std::bad_alloc&) {
    try {
      reader.commitItems();
      document->reserveIndex();
    } catch (const std::bad_alloc&) {
      // what fits stays; the caller disposes the document anyway
    }
    return IniOutOfMemory;
  }
}

int Ini_ReadFromFile(IniDocument* document, const std::filesystem::path& path, FileSystem& fs) {
  if (!document)
    return IniNoDocument;
  std::unique_ptr<ReadableFile> file;
  if (fs.openRead(path, file))
    return IniCannotOpen;
  return Ini_ReadFromFile(document, *file);
}

// ---------------------------------------------------------------------------------------------
// Section by section

IniSectionReader::IniSectionReader(ReadableFile& file)
    : lines_(file), text_(std::make_unique<Arena>()) {}

IniSectionReader::~IniSectionReader() = default;

int IniSectionReader::next() {
  try {
    text_->clear();
    items_.clear();
    std::string_view line;
    int r = 1;
    if (!started_) {
      started_ = true;
      // Items before the first section belong to none and are dropped, as a document does.
      while ((r = lines_.next(line)) == 1) {
        const Classified c = classify(line);
        if (c.kind == LineKind::Header) {
          nextName_.assign(c.name);
          haveNext_ = true;
          break;
        }
      }
      if (r < 0)
        return IniReadError;
    }
    if (!haveNext_)
      return 0;
    name_.swap(nextName_);
    haveNext_ = false;
    bool lineTags = false;
    while ((r = lines_.next(line)) == 1) {
      const Classified c = classify(line);
      if (c.kind == LineKind::Item) {
        items_.push_back(
            Item::make(text_->store(c.name, c.value), c.name.size(), c.value.size(), c.quoted));
        lineTags = lineTags || c.name.find(" Line") != std::string_view::npos;
      } else if (c.kind == LineKind::Header) {
        nextName_.assign(c.name);
        haveNext_ = true;
        break;
      }
    }
    if (r < 0)
      return IniReadError;
    if (lineTags) {
      bool left = false;
      items_.resize(joinItems(items_.data(), items_.size(), *text_, left));
    }
    return 1;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

IniSection IniSectionReader::section() const {
  return IniSection(name_, items_.data(), items_.size());
}

int IniSectionReader::copyTo(IniDocument* document) const {
  if (!document)
    return IniNoDocument;
  try {
    const std::uint32_t idx = document->appendSection(name_, 0);
    for (const Item& it : items_) {
      Item copy = it;
      copy.text = document->arena.store(it.tag(), it.value());
      document->sections[idx].items.push_back(copy, document->itemPool);
    }
    return 0;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

} // namespace zv
