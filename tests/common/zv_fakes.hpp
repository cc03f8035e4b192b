#pragma once
// Recording stand-ins for the clock, the log window and the refresh requests. No test
// framework needed, so window tests can use them too.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/zv_clock.hpp"
#include "platform/zv_refresh.hpp"
#include "support/zv_message.hpp"

namespace zv::test {

class FakeClock : public Clock {
public:
  std::time_t wallTime = 1'700'000'000;
  double monotonic = 0; // advanced by wait() only
  std::time_t now() const override { return wallTime; }
  double monotonicSeconds() const override { return monotonic; }
  void wait(double seconds) override { monotonic += seconds; }
};

class RecordingLog : public LogSink {
public:
  std::string text;
  std::vector<std::string> lines;
  void appendText(std::string_view t) override { text += t; }
  void appendLine(std::string_view l) override {
    lines.emplace_back(l);
    text += std::string(l) + "\n";
  }
};

class RecordingRefresh : public RefreshSink {
public:
  std::vector<std::pair<WindowId, std::uint32_t>> requests;
  void requestRefresh(WindowId w, std::uint32_t bits) override { requests.emplace_back(w, bits); }
};

} // namespace zv::test
