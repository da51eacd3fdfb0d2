// In-memory ends for RewriteLines, so that its own cost can be measured
// apart from the file system: a source over bytes it does not copy, and a
// sink that only counts.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "logic/line_rewrite.h"

namespace planchoice::bench {

class ViewSource : public ByteSource {
 public:
  explicit ViewSource(std::string_view bytes) : bytes_(bytes) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  void Seek(std::uint64_t offset) override { position_ = static_cast<std::size_t>(offset); }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

class CountingSink : public ByteSink {
 public:
  void Write(const char*, std::size_t size) override { bytes_ += size; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::uint64_t bytes_ = 0;
};

}  // namespace planchoice::bench
