#include "logic/line_rewrite.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace planchoice {
namespace {

// Reads and writes a buffer at a time. Unchanged text, CR LF included, is not
// copied line by line: it is kept as a run of the input buffer and copied in
// one piece when something else is written or the buffer is refilled.
class LineRewriter {
 public:
  LineRewriter(ByteSource& in, ByteSink& out, std::size_t buffer_size)
      : in_(in), out_(out), input_(buffer_size), output_(buffer_size) {}

  LineCounts Run(std::string_view access_number) {
    number_ = access_number;
    LineCounts counts;
    while (HasInput()) {
      const std::uint64_t line_start = start_ + position_;
      const bool key = StartsWithKey();
      if (key) {
        Emit(kPhoneKey);
        Emit(access_number);
        Emit("\r\n");
        ++counts.replaced;
      } else if (line_start >= start_) {  // back to the line's start, to pass it on whole
        position_ = static_cast<std::size_t>(line_start - start_);
      } else {  // its start has left the buffer (a long indentation, a refill): read it again
        in_.Seek(line_start);
        start_ = line_start;
        filled_ = position_ = 0;
      }
      if (PassRestOfLine(/*keep=*/!key)) {
        ++counts.carrying;
      }
      ++counts.lines;
    }
    EmitRun();
    Flush();
    return counts;
  }

 private:
  bool HasInput() { return position_ < filled_ || Refill(); }

  bool Refill() {
    EmitRun();
    start_ += filled_;
    filled_ = in_.Read(input_.data(), input_.size());
    position_ = run_begin_ = run_end_ = next_cr_ = next_lf_ = 0;
    return filled_ > 0;
  }

  // The index of the first CR or LF from `position_` on, or `filled_`. The
  // next CR and the next LF are each remembered until passed, so that no
  // byte is searched more than once for each, however the lines end.
  std::size_t FindLineEnd() {
    const auto find = [this](char c) {
      const void* const found = std::memchr(input_.data() + position_, c, filled_ - position_);
      return found != nullptr
                 ? static_cast<std::size_t>(static_cast<const char*>(found) - input_.data())
                 : filled_;
    };
    if (next_cr_ <= position_) {
      next_cr_ = find('\r');
    }
    if (next_lf_ <= position_) {
      next_lf_ = find('\n');
    }
    return std::min(next_cr_, next_lf_);
  }

  // Consumes the leading blanks and as much of the key as matches; true when
  // the whole key followed them.
  bool StartsWithKey() {
    while (HasInput() && (input_[position_] == ' ' || input_[position_] == '\t')) {
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

  // Passes over the rest of the line and its line end. With `keep`, the text
  // goes out followed by CR LF: the line's own when it has one. Without, it
  // is compared with the number instead: true when it was exactly that.
  bool PassRestOfLine(bool keep) {
    bool crlf = false;
    bool same = !keep;
    std::size_t compared = 0;  // bytes of number_ matched so far
    while (HasInput()) {
      const std::size_t end = FindLineEnd();
      crlf = end + 1 < filled_ && input_[end] == '\r' && input_[end + 1] == '\n';
      if (keep) {
        Keep(crlf ? end + 2 : end);
      } else if (same) {
        same = Continues(end, compared);
      }
      position_ = crlf ? end + 2 : end;
      if (crlf || position_ < filled_) {
        break;  // else the line goes on in the next buffer
      }
    }
    if (keep && !crlf) {
      Emit("\r\n");
    }
    if (!crlf && position_ < filled_ && input_[position_++] == '\r' && HasInput() &&
        input_[position_] == '\n') {
      ++position_;
    }
    return same && compared == number_.size();
  }

  // Whether the text from `position_` to `end` goes on with the number from
  // its byte `compared` on, which then moves past it.
  bool Continues(std::size_t end, std::size_t& compared) const {
    const std::size_t size = end - position_;
    if (size > number_.size() - compared ||
        std::memcmp(input_.data() + position_, number_.data() + compared, size) != 0) {
      return false;
    }
    compared += size;
    return true;
  }

  // Adds the text from `position_` to `end` to the run of unchanged text.
  void Keep(std::size_t end) {
    if (run_end_ != position_) {
      EmitRun();
      run_begin_ = position_;
    }
    run_end_ = end;
  }

  void EmitRun() {
    if (run_begin_ < run_end_) {
      Copy(std::string_view(input_.data() + run_begin_, run_end_ - run_begin_));
      run_begin_ = run_end_;
    }
  }

  // Short texts are copied a byte at a time, which costs less than a call.
  void Emit(std::string_view text) {
    EmitRun();
    if (text.size() >= output_.size() - used_) {
      return Copy(text);
    }
    for (const char c : text) {
      output_[used_++] = c;
    }
  }

  // The output buffer is written only when full: a file written in whole
  // buffers reaches the disk sooner than one written in pieces of any size.
  void Copy(std::string_view text) {
    while (!text.empty()) {
      const std::size_t count = std::min(text.size(), output_.size() - used_);
      std::memcpy(output_.data() + used_, text.data(), count);
      used_ += count;
      text.remove_prefix(count);
      if (used_ == output_.size()) {
        Flush();
      }
    }
  }

  void Flush() {
    if (used_ > 0) {
      out_.Write(output_.data(), used_);
      used_ = 0;
    }
  }

  ByteSource& in_;
  ByteSink& out_;
  std::vector<char> input_;
  std::vector<char> output_;
  std::string_view number_;
  std::uint64_t start_ = 0;    // offset of input_[0] in the source
  std::size_t filled_ = 0;     // bytes of input_ that hold data
  std::size_t position_ = 0;   // next byte of input_ to look at
  std::size_t next_cr_ = 0;    // where the next CR and LF are in input_, or
  std::size_t next_lf_ = 0;    // filled_; to be sought when not past position_
  std::size_t run_begin_ = 0;  // input_[run_begin_, run_end_) is unchanged
  std::size_t run_end_ = 0;    // text not yet copied to output_
  std::size_t used_ = 0;       // bytes of output_ waiting to be written
};

}  // namespace

LineCounts RewriteLines(ByteSource& in, ByteSink& out, std::string_view access_number,
                        std::size_t buffer_size) {
  return LineRewriter(in, out, buffer_size).Run(access_number);
}

}  // namespace planchoice
