// Timing and the summaries the report prints.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace planchoice::bench {

inline constexpr double kMebibyte = 1024.0 * 1024.0;

// Seconds that `work` takes.
template <typename Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline double MebibytesPerSecond(double bytes, double seconds) {
  return bytes / kMebibyte / seconds;
}

}  // namespace planchoice::bench
