#include "support/scratch_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace planchoice::testing {
namespace fs = std::filesystem;

namespace {

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

}  // namespace

ScratchDir::ScratchDir(const std::string& name) {
  // Test programs run side by side, and a clock under Wine may tick only
  // once a millisecond: the process makes the name unique between them.
  static std::atomic<unsigned> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          fs::u8path(name + "-" + std::to_string(ProcessId()) + "-" + std::to_string(stamp) + "-" +
                     std::to_string(serial++));
  if (!fs::create_directories(path_)) {
    throw std::runtime_error("scratch directory exists already: " + path_.u8string());
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
#ifdef _WIN32
  // Windows removes no read-only file.
  for (fs::recursive_directory_iterator entry(path_, ignored), end; entry != end;
       entry.increment(ignored)) {
    fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
#endif
  fs::remove_all(path_, ignored);
}

fs::path ScratchDir::operator/(const std::string& name) const {
  return path_ / fs::u8path(name);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream file(*this / name, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) {
    throw std::runtime_error("cannot write test file " + name);
  }
}

std::optional<std::string> ReadBytes(const fs::path& path) {
  if (!fs::is_regular_file(path)) {
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<std::string> ScratchDir::Read(const std::string& name) const {
  return ReadBytes(*this / name);
}

}  // namespace planchoice::testing
