#include "support/build_output.h"

#include <fstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace planchoice::testing {
namespace fs = std::filesystem;

namespace {

fs::path RunningProgram() {
#ifdef _WIN32
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
#else
  return fs::read_symlink("/proc/self/exe");
#endif
}

}  // namespace

fs::path BuildOutput(const std::string& name) {
  const fs::path program = RunningProgram();
  for (fs::path directory = program.parent_path();; directory = directory.parent_path()) {
    const fs::path table = directory / kFilesUnderTest;
    if (std::ifstream lines{table}) {
      const std::string key = name + "=";
      for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, key.size(), key) == 0) {
          return (directory / fs::u8path(line.substr(key.size()))).lexically_normal();
        }
      }
      throw std::runtime_error(table.u8string() + " names no file \"" + name + "\"");
    }
    if (directory == directory.parent_path()) {
      throw std::runtime_error(std::string("no ") + kFilesUnderTest + " beside " +
                               program.u8string() + " or above it");
    }
  }
}

}  // namespace planchoice::testing
