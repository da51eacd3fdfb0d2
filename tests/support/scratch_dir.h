// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace planchoice::testing {

// The bytes of the file at `path`, or nothing when there is no such file.
std::optional<std::string> ReadBytes(const std::filesystem::path& path);

class ScratchDir {
 public:
  // `name` may hold any Unicode text, in UTF-8.
  explicit ScratchDir(const std::string& name = "planchoice-test");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory as the program takes it: UTF-8, native separators.
  std::string Utf8() const { return path_.u8string(); }

  std::filesystem::path operator/(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  // The file's bytes, or nothing when there is no such file.
  std::optional<std::string> Read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace planchoice::testing
