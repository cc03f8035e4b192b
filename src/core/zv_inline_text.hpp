#pragma once
// A text of at most Size - 1 bytes kept inside the record that owns it, the way a fixed-size
// field of a data set file keeps it. A record holding one needs no memory of its own for the
// text, whatever its length: loading a million measurements makes no million small
// allocations for their device names. A longer text keeps its first Size - 1 bytes; every
// byte below that is kept as it is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zv {

template <std::size_t Size> class InlineText {
  static_assert(Size >= 2 && Size - 1 <= UINT8_MAX, "the length is kept in one byte");

public:
  static constexpr std::size_t MaxLength = Size - 1;

  InlineText() = default;
  InlineText(std::string_view text) { assign(text); }
  InlineText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }

  void assign(std::string_view text) {
    length_ = static_cast<std::uint8_t>(std::min(text.size(), MaxLength));
    std::memcpy(bytes_, text.data(), length_);
    bytes_[length_] = '\0';
  }

  std::string_view view() const { return {bytes_, length_}; }
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(view()); }
  const char* c_str() const { return bytes_; }
  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }

  friend bool operator==(const InlineText& a, std::string_view b) { return a.view() == b; }

private:
  char bytes_[Size] = {}; // the text and a NUL after it
  std::uint8_t length_ = 0;
};

} // namespace zv
