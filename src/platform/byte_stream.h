// What the rewrite reads its lines from and writes them to: the profile's
// files (platform/file.h), or memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace planchoice {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; returns 0 only at the end.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // Goes back to `offset` bytes from the start, a place already read.
  virtual void Seek(std::uint64_t offset) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all `size` bytes or throws.
  virtual void Write(const char* data, std::size_t size) = 0;
};

}  // namespace planchoice
