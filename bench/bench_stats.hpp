#pragma once
// Timing and the small statistics every benchmark reports. The machine is shared with other
// work, so every figure is given as wall time and as CPU time (user + system, what the code
// itself costs), several rounds of it as minimum and median, with the load average at the time.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace zv::bench {

using Timer = std::chrono::steady_clock;

inline double secondsSince(Timer::time_point start) {
  return std::chrono::duration<double>(Timer::now() - start).count();
}

inline double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// CPU seconds (user + system) this process has used so far.
inline double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// CPU seconds of the child processes waited for so far.
inline double childCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Wall and CPU seconds of one piece of work.
struct Span {
  double wall = 0;
  double cpu = 0;
};

class Stopwatch {
public:
  Stopwatch() : wall_(Timer::now()), cpu_(cpuSeconds()) {}
  Span elapsed() const { return {secondsSince(wall_), cpuSeconds() - cpu_}; }

private:
  Timer::time_point wall_;
  double cpu_;
};

// The value below which a share p (0..1) of the values lie; p = 1 is the largest.
inline double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double minimum(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// Rounds of one figure, in wall and CPU time.
struct Series {
  std::vector<double> wall, cpu;
  void add(const Span& s) {
    wall.push_back(s.wall);
    cpu.push_back(s.cpu);
  }
  // "min / median wall   min / median CPU", scaled (1 for seconds, 1e3 for ms).
  std::string text(double scale = 1.0, const char* format = "%7.3f") const {
    char w[2][32], c[2][32];
    std::snprintf(w[0], sizeof w[0], format, minimum(wall) * scale);
    std::snprintf(w[1], sizeof w[1], format, median(wall) * scale);
    std::snprintf(c[0], sizeof c[0], format, minimum(cpu) * scale);
    std::snprintf(c[1], sizeof c[1], format, median(cpu) * scale);
    return std::string(w[0]) + " /" + w[1] + "   " + c[0] + " /" + c[1];
  }
};

// The 1, 5 and 15 minute load averages, as uptime shows them.
inline std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return "load average " + a + ", " + b + ", " + c;
}

} // namespace zv::bench
