// Randomised check: the indexed document behaves exactly like a plain list scanned from the
// front.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/zv_testdir.hpp"
#include "storage/zv_ini.hpp"

namespace zv {
namespace {

struct ModelItem {
  std::string tag, value;
  bool quoted;
};
struct ModelSection {
  std::string name;
  std::string key; // folded, for the comparisons
  std::vector<ModelItem> items;
};

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
std::string trimmed(std::string s) {
  while (!s.empty() && isBlank(s.back()))
    s.pop_back();
  std::size_t b = 0;
  while (b < s.size() && isBlank(s[b]))
    ++b;
  return s.substr(b);
}
std::string folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 32);
  return s;
}
bool same(const std::string& a, const std::string& b) {
  return folded(trimmed(a)) == folded(trimmed(b));
}

// The behaviour described for the document, written as plainly as possible.
struct Model {
  std::vector<ModelSection> sections;
  bool checking = true;

  ModelSection* find(const std::string& name) {
    const std::string key = folded(trimmed(name));
    for (auto& s : sections)
      if (s.key == key)
        return &s;
    return nullptr;
  }
  void put(const std::string& section, const std::string& tag, const std::string& value,
           bool quoted) {
    ModelItem item{trimmed(tag), value, quoted};
    ModelSection* s = find(section);
    if (!s) {
      sections.push_back({trimmed(section), folded(trimmed(section)), {item}});
      return;
    }
    if (checking) {
      std::vector<ModelItem> kept;
      bool placed = false;
      for (auto& it : s->items) {
        if (same(it.tag, tag)) {
          if (!placed)
            kept.push_back(item);
          placed = true;
        } else {
          kept.push_back(it);
        }
      }
      if (placed) {
        s->items = kept;
        return;
      }
    }
    s->items.push_back(item);
  }
  bool remove(const std::string& name) {
    const std::string key = folded(trimmed(name));
    for (auto it = sections.begin(); it != sections.end(); ++it)
      if (it->key == key) {
        sections.erase(it);
        return true;
      }
    return false;
  }
  std::string text() const {
    std::string out;
    for (const auto& s : sections) {
      out += "[" + s.name + "]\r\n";
      for (const auto& it : s.items) {
        auto line = [&](const std::string& tag, const std::string& v) {
          out += tag + " = " + (it.quoted ? "\"" + v + "\"" : v) + "\r\n";
        };
        if (it.value.size() <= 80) {
          line(it.tag, it.value);
        } else {
          for (std::size_t at = 0, n = 1; at < it.value.size(); at += 80, ++n) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, " Line%04zu", n);
            line(it.tag + suffix, it.value.substr(at, 80));
          }
        }
      }
      out += "\r\n";
    }
    return out;
  }
};

std::string docText(IniDocument* doc) {
  std::string s;
  EXPECT_EQ(Ini_WriteToString(doc, s), 0);
  return s;
}

class Gen {
public:
  explicit Gen(unsigned seed) : rng_(seed) {}
  int below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  // Names from a small pool, with case and blank variations, so that lookups collide.
  std::string name(const char* stem, int pool) {
    std::string n = std::string(stem) + std::to_string(below(pool));
    if (below(3) == 0)
      n[0] = static_cast<char>(n[0] - 32);
    if (below(4) == 0)
      n = " " + n + "\t";
    return n;
  }

private:
  std::mt19937 rng_;
};

TEST(IniProperty, IndexedDocumentMatchesAPlainList) {
  // Many sections, frequent removals and re-creations: exercises the hash index, its
  // deletions and the lastSection cache against straightforward first-match scanning.
  Gen g(4242);
  Model model;
  IniHandle doc = Ini_New(0);
  for (int op = 0; op < 40000; ++op) {
    const std::string section = g.name("s", 3000);
    const std::string tag = g.name("k", 4);
    switch (g.below(10)) {
    case 0:
    case 1:
    case 2:
    case 3: {
      const std::string v = std::to_string(op);
      ASSERT_EQ(Ini_PutRawString(doc, section, tag, v), 0);
      model.put(section, tag, v, true);
      break;
    }
    case 4:
      ASSERT_EQ(Ini_RemoveSection(doc, section), model.remove(section) ? 1 : 0) << op;
      break;
    case 5: {
      const bool on = g.below(2) == 0;
      ASSERT_EQ(Ini_SetDuplicateChecking(doc, on), model.checking ? 1 : 0);
      model.checking = on;
      break;
    }
    case 6: {
      const ModelSection* s = model.find(section);
      ASSERT_EQ(Ini_NumberOfItems(doc, section), s ? static_cast<int>(s->items.size()) : 0);
      break;
    }
    case 7: {
      const ModelSection* s = model.find(section);
      ASSERT_EQ(Ini_SectionExists(doc, section), s ? 1 : 0) << op;
      break;
    }
    default: {
      const ModelSection* s = model.find(section);
      const ModelItem* found = nullptr;
      if (s) {
        for (const auto& it : s->items) {
          if (same(it.tag, tag)) {
            found = &it;
            break;
          }
        }
      }
      std::string v;
      ASSERT_EQ(Ini_GetRawStringIntoBuffer(doc, section, tag, &v, 100), found ? 1 : 0) << op;
      if (found) {
        ASSERT_EQ(v, found->value) << op;
      }
    }
    }
  }
  EXPECT_EQ(docText(doc), model.text());
}

} // namespace
} // namespace zv
