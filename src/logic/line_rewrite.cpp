#include "logic/line_rewrite.h"

#include <cstring>
#include <vector>

namespace planchoice {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The first CR or LF in [begin, end), or `end`.
const char* FindLineEnd(const char* begin, const char* end) {
  const void* lf = std::memchr(begin, '\n', static_cast<std::size_t>(end - begin));
  const char* limit = lf != nullptr ? static_cast<const char*>(lf) : end;
  const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(limit - begin));
  return cr != nullptr ? static_cast<const char*>(cr) : limit;
}

class LineRewriter {
 public:
  LineRewriter(ByteSource& in, ByteSink& out, std::string_view access_number,
               std::size_t buffer_size)
      : in_(in),
        out_(out),
        access_number_(access_number),
        input_(buffer_size),
        output_(buffer_size) {}

  LineCounts Run() {
    LineCounts counts;
    while (HasInput()) {
      const std::uint64_t line_start = Offset();
      if (StartsWithKey()) {
        Emit(kPhoneKey);
        Emit(access_number_);
        PassRestOfLine(/*keep=*/false);
        ++counts.replaced;
      } else {
        Rewind(line_start);
        PassRestOfLine(/*keep=*/true);
      }
      Emit(kLineEnd);
      ++counts.lines;
    }
    FlushOutput();
    return counts;
  }

 private:
  bool HasInput() { return position_ < filled_ || Refill(); }

  bool Refill() {
    start_ += filled_;
    filled_ = in_.Read(input_.data(), input_.size());
    position_ = 0;
    return filled_ > 0;
  }

  std::uint64_t Offset() const { return start_ + position_; }

  // Returns to a place of the current line. Only a line whose start has left
  // the buffer (a long indentation, or a line across a refill) is read again.
  void Rewind(std::uint64_t offset) {
    if (offset >= start_) {
      position_ = static_cast<std::size_t>(offset - start_);
      return;
    }
    in_.Seek(offset);
    start_ = offset;
    filled_ = 0;
    position_ = 0;
  }

  // Consumes the leading blanks and as much of the key as matches; true when
  // the whole key followed them.
  bool StartsWithKey() {
    while (HasInput() && IsBlank(input_[position_])) {
      ++position_;
    }
    for (const char expected : kPhoneKey) {
      if (!HasInput() || input_[position_] != expected) {
        return false;
      }
      ++position_;
    }
    return true;
  }

  // Passes over the rest of the line and its line end, copying the text when
  // `keep` is set.
  void PassRestOfLine(bool keep) {
    while (HasInput()) {
      const char* begin = input_.data() + position_;
      const char* end = FindLineEnd(begin, input_.data() + filled_);
      if (keep) {
        Emit(std::string_view(begin, static_cast<std::size_t>(end - begin)));
      }
      position_ += static_cast<std::size_t>(end - begin);
      if (position_ < filled_) {
        const bool cr = input_[position_++] == '\r';
        if (cr && HasInput() && input_[position_] == '\n') {
          ++position_;
        }
        return;
      }
    }
  }

  void Emit(std::string_view text) {
    if (text.empty()) {
      return;
    }
    if (text.size() > output_.size() - used_) {
      FlushOutput();
      if (text.size() >= output_.size()) {
        out_.Write(text.data(), text.size());
        return;
      }
    }
    std::memcpy(output_.data() + used_, text.data(), text.size());
    used_ += text.size();
  }

  void FlushOutput() {
    if (used_ > 0) {
      out_.Write(output_.data(), used_);
      used_ = 0;
    }
  }

  ByteSource& in_;
  ByteSink& out_;
  const std::string_view access_number_;
  std::vector<char> input_;
  std::vector<char> output_;
  std::uint64_t start_ = 0;   // offset of input_[0] in the source
  std::size_t filled_ = 0;    // bytes of input_ that hold data
  std::size_t position_ = 0;  // next byte of input_ to look at
  std::size_t used_ = 0;      // bytes of output_ waiting to be written
};

}  // namespace

LineCounts RewriteLines(ByteSource& in, ByteSink& out, std::string_view access_number,
                        std::size_t buffer_size) {
  return LineRewriter(in, out, access_number, buffer_size).Run();
}

}  // namespace planchoice
