// Waiting for another process: conditions are polled against a deadline, so
// a test neither sleeps for a fixed time nor hangs.
#pragma once

#include <chrono>
#include <thread>

namespace planchoice::testing {

// How long any one thing may take to happen, generous for a loaded machine.
inline constexpr std::chrono::milliseconds kPatience{10000};
inline constexpr std::chrono::milliseconds kPollInterval{20};

// Polls `condition` until it holds or `patience` has passed; returns whether
// it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace planchoice::testing
