#include "platform/zv_clock.hpp"

#include <thread>

namespace zv {

std::tm localTime(std::time_t when) {
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &when);
#else
  localtime_r(&when, &tm);
#endif
  return tm;
}

std::time_t SystemClock::now() const {
  return std::time(nullptr);
}

double SystemClock::monotonicSeconds() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::wait(double seconds) {
  if (seconds > 0)
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace zv
