#pragma once
// The one value the program keeps outside its files: where the user directory is.
#include <optional>
#include <string>

namespace zv {

class Registry {
public:
  virtual ~Registry() = default;
  // The value IniFilePath; nullopt when it cannot be read (missing).
  virtual std::optional<std::string> readIniFilePath() = 0;
  // false when writing failed.
  virtual bool writeIniFilePath(const std::string& value) = 0;
};

// An in-memory registry, for tests and for tools that have no settings store.
class MemoryRegistry final : public Registry {
public:
  explicit MemoryRegistry(std::optional<std::string> value = std::nullopt)
      : value_(std::move(value)) {}
  std::optional<std::string> readIniFilePath() override { return value_; }
  bool writeIniFilePath(const std::string& value) override {
    if (failWrites)
      return false;
    value_ = value;
    return true;
  }
  bool failWrites = false;

private:
  std::optional<std::string> value_;
};

} // namespace zv
