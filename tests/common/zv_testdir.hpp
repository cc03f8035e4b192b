#pragma once
// A fresh temporary directory for one test, removed with everything in it when the
// object goes out of scope. It lives under the system temporary directory (TMPDIR),
// which ctest points at a sandbox, so tests never touch the user's files.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zv::test {

class TestDir {
public:
  TestDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device rd;
    std::mt19937_64 gen((static_cast<std::uint64_t>(rd()) << 32) ^ rd());
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path candidate = base / ("zvtest-" + std::to_string(gen() % 1000000000ULL));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("TestDir: cannot create a temporary directory in " + base.string());
  }
  ~TestDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path inside the directory (the file need not exist).
  std::filesystem::path file(std::string_view name) const { return path_ / std::string(name); }

  // Writes bytes exactly as given (binary mode, no line-end translation).
  std::filesystem::path write(std::string_view name, std::string_view bytes) const {
    std::filesystem::path p = file(name);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
      throw std::runtime_error("TestDir: cannot write " + p.string());
    return p;
  }
  // The whole file as bytes; empty when it cannot be read.
  static std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string read(std::string_view name) const { return readFile(file(name)); }
  // The names below a directory, sorted, folders ending in '/': "Backup/ Backup/X.BAK A.INI".
  static std::string listing(const std::filesystem::path& d) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(d, ec))
      names.push_back(e.path().lexically_relative(d).generic_string() +
                      (e.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names)
      out += (out.empty() ? "" : " ") + n;
    return out;
  }

private:
  std::filesystem::path path_;
};

} // namespace zv::test
