// In-memory ends for RewriteLines, for the tests and the benchmark: a source
// that hands out bytes it does not own in pieces of a chosen size, and a sink
// that collects what it is given.
#pragma once

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "logic/line_rewrite.h"

namespace planchoice::testing {

class MemorySource : public ByteSource {
 public:
  // `data` must outlive the source.
  explicit MemorySource(std::string_view data, std::size_t piece = std::string::npos)
      : data_(data), piece_(piece) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, piece_, data_.size() - position_});
    std::memcpy(buffer, data_.data() + position_, count);
    position_ += count;
    return count;
  }

  void Seek(std::uint64_t offset) override {
    if (offset > position_) {
      throw std::logic_error("seek forward past what was read");
    }
    position_ = static_cast<std::size_t>(offset);
    ++seeks_;
  }

  int seeks() const { return seeks_; }

 private:
  std::string_view data_;
  std::size_t piece_;
  std::size_t position_ = 0;
  int seeks_ = 0;
};

class StringSink : public ByteSink {
 public:
  void Write(const char* data, std::size_t size) override { text_.append(data, size); }
  const std::string& text() const { return text_; }
  // Empties the text but keeps its storage, for a sink used again and again.
  void Clear() { text_.clear(); }

 private:
  std::string text_;
};

// What RewriteLines made of a text, all in memory.
struct InMemoryRewrite {
  std::string text;
  LineCounts counts;
  int seeks = 0;  // how often the rewrite read back
};

// Rewrites `profile` through a buffer of `buffer_size`, reading it in
// pieces of `piece` bytes.
inline InMemoryRewrite RewriteInMemory(std::string_view profile, std::string_view access_number,
                                       std::size_t buffer_size = kDefaultBufferSize,
                                       std::size_t piece = std::string::npos) {
  MemorySource in(profile, piece);
  StringSink out;
  const LineCounts counts = RewriteLines(in, out, access_number, buffer_size);
  return {out.text(), counts, in.seeks()};
}

// What RewriteLines makes of `profile`, all in memory.
inline std::string RewrittenInMemory(const std::string& profile, std::string_view access_number) {
  return RewriteInMemory(profile, access_number).text;
}

}  // namespace planchoice::testing
