#include "figures.h"

#include <cstdio>

namespace planchoice::bench {

std::filesystem::path FreshDirectory(const Settings& settings, const std::string& name) {
  const std::filesystem::path directory = settings.scratch / name;
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  return directory;
}

std::string SizeText(std::uint64_t bytes) {
  const char* const units[] = {"bytes", "KiB", "MiB", "GiB"};
  int unit = 0;
  while (unit < 3 && bytes >= 1024 && bytes % 1024 == 0) {
    bytes /= 1024;
    ++unit;
  }
  return std::to_string(bytes) + " " + units[unit];
}

}  // namespace planchoice::bench
