#include "logic/line_rewrite.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace planchoice {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Whether the line [begin, end) is a key line: blanks, then the key.
bool IsKeyLine(const char* begin, const char* end) {
  while (begin < end && IsBlank(*begin)) {
    ++begin;
  }
  return static_cast<std::size_t>(end - begin) >= kPhoneKey.size() &&
         std::memcmp(begin, kPhoneKey.data(), kPhoneKey.size()) == 0;
}

// Copies in pieces of at most 2 KiB. A larger memcpy takes the C library's
// string-move path, which on the benchmark machine (AMD EPYC, glibc 2.36) ran
// at a fifteenth of its speed whenever the destination lay a few bytes past
// the source modulo 4 KiB, as the output buffer often does.
void CopyInPieces(char* to, const char* from, std::size_t size) {
  constexpr std::size_t kPiece = 2048;
  while (size > kPiece) {
    std::memcpy(to, from, kPiece);
    to += kPiece;
    from += kPiece;
    size -= kPiece;
  }
  std::memcpy(to, from, size);
}

// Lines are looked at in blocks of this many bytes while they pass unchanged.
constexpr std::size_t kBlockSize = 128;

// Whether the block at `block` holds nothing but lines that pass unchanged:
// every CR is followed by LF, every LF follows a CR, and no line begins with
// a blank or with the key's first letter. Reads one byte past the block, the
// start of the next line when the block ends with an LF. Counts the LFs.
//
// Branch-free, so that the compiler checks many bytes at once.
bool IsPlainBlock(const char* block, std::uint64_t& line_ends) {
  unsigned char irregular = 0;
  unsigned char lfs = 0;
  for (std::size_t i = 0; i < kBlockSize; ++i) {
    const auto c = static_cast<unsigned char>(block[i]);
    const auto next = static_cast<unsigned char>(block[i + 1]);
    const auto cr = static_cast<unsigned char>(c == '\r');
    const auto lf = static_cast<unsigned char>(c == '\n');
    const auto next_lf = static_cast<unsigned char>(next == '\n');
    const auto next_may_start_key =
        static_cast<unsigned char>((next == ' ') | (next == '\t') | (next == kPhoneKey[0]));
    irregular = static_cast<unsigned char>(irregular | (cr ^ next_lf) | (lf & next_may_start_key));
    lfs = static_cast<unsigned char>(lfs + lf);
  }
  line_ends = lfs;
  return irregular == 0;
}

// Finds the LFs of a buffer and remembers what it searched, so that each
// byte is searched once however many lines end before the next LF: a file of
// lone CRs has none to find, however often one asks.
class LineFeedFinder {
 public:
  // The first LF in [begin, end), or `end`.
  const char* Next(const char* begin, const char* end) {
    const bool known = searched_begin_ != nullptr && searched_begin_ <= begin && begin <= found_ &&
                       (found_ < searched_end_ || end <= searched_end_);
    if (!known) {
      const void* found = std::memchr(begin, '\n', static_cast<std::size_t>(end - begin));
      searched_begin_ = begin;
      searched_end_ = end;
      found_ = found != nullptr ? static_cast<const char*>(found) : end;
    }
    return found_ < end ? found_ : end;
  }

  // For a buffer whose contents changed.
  void Forget() { searched_begin_ = nullptr; }

 private:
  const char* searched_begin_ = nullptr;  // [searched_begin_, found_) holds no LF;
  const char* searched_end_ = nullptr;    // found_ is one, or searched_end_
  const char* found_ = nullptr;
};

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
    while (HasInput()) {
      PassWholeLines();
      if (position_ < filled_) {
        PassLineAcrossRefills();
      }
    }
    FlushOutput();
    return counts_;
  }

 private:
  bool HasInput() { return position_ < filled_ || Refill(); }

  bool Refill() {
    start_ += filled_;
    filled_ = in_.Read(input_.data(), input_.size());
    position_ = 0;
    ForgetLineEnds();
    return filled_ > 0;
  }

  std::uint64_t Offset() const { return start_ + position_; }

  void ForgetLineEnds() { next_lf_.Forget(); }

  // The first CR or LF in [begin, end), or `end`. The search for a CR stops
  // at the next LF, so it covers each byte once too.
  const char* FindLineEnd(const char* begin, const char* end) {
    const char* const lf = next_lf_.Next(begin, end);
    const void* const cr = std::memchr(begin, '\r', static_cast<std::size_t>(lf - begin));
    return cr != nullptr ? static_cast<const char*>(cr) : lf;
  }

  // Passes every line that lies whole in the buffer, line end included. Runs
  // of lines that stay as they are (not key lines, ended by CR LF) go out in
  // one piece.
  void PassWholeLines() {
    const char* const data = input_.data();
    const char* const end = data + filled_;
    const char* line = data + position_;
    const char* unchanged = line;  // start of the run not yet emitted
    const char* one_by_one_until = line;
    while (line < end) {
      if (line >= one_by_one_until) {
        const char* const skipped_to = SkipPlainLines(line, end, one_by_one_until);
        if (skipped_to != line) {
          line = skipped_to;
          continue;
        }
      }
      const char* const text_end = FindLineEnd(line, end);
      if (text_end == end || (*text_end == '\r' && text_end + 1 == end)) {
        break;  // the line, or its CR LF, may go on in the next buffer
      }
      const bool crlf = *text_end == '\r' && text_end[1] == '\n';
      const char* const next = text_end + (crlf ? 2 : 1);
      if (IsKeyLine(line, text_end)) {
        Emit(std::string_view(unchanged, static_cast<std::size_t>(line - unchanged)));
        EmitKeyLine();
        unchanged = next;
      } else if (!crlf) {
        Emit(std::string_view(unchanged, static_cast<std::size_t>(text_end - unchanged)));
        Emit(kLineEnd);
        unchanged = next;
      }
      ++counts_.lines;
      line = next;
    }
    Emit(std::string_view(unchanged, static_cast<std::size_t>(line - unchanged)));
    position_ = static_cast<std::size_t>(line - data);
  }

  // Skips whole blocks of lines that pass unchanged, counting them, and
  // returns the start of the first line not known to be one. Lines up to
  // `one_by_one_until` are then looked at one by one; that stretch grows
  // while the skipping fails at once, as it does on every line of a file
  // with other line ends than CR LF.
  const char* SkipPlainLines(const char* line, const char* end, const char*& one_by_one_until) {
    const char first = *line;
    const bool may_change = first == ' ' || first == '\t' || first == kPhoneKey[0] || first == '\n';
    const char* block = line;
    std::uint64_t line_ends = 0;
    while (!may_change && static_cast<std::size_t>(end - block) > kBlockSize &&
           IsPlainBlock(block, line_ends)) {
      counts_.lines += line_ends;
      block += kBlockSize;
    }
    one_by_one_stretch_ =
        block == line ? std::min(one_by_one_stretch_ * 2, kLongestStretch) : kBlockSize;
    one_by_one_until = block + std::min(one_by_one_stretch_, static_cast<std::size_t>(end - block));
    const char* start = block;  // back to the start of the line that `block` is in
    while (start > line && start[-1] != '\n') {
      --start;
    }
    return start;
  }

  // Passes one line that the buffer does not hold whole: it reads on as far
  // as the line goes.
  void PassLineAcrossRefills() {
    const std::uint64_t line_start = Offset();
    if (StartsWithKey()) {
      EmitKeyLine();
      PassRestOfLine(/*keep=*/false);
    } else {
      Rewind(line_start);
      PassRestOfLine(/*keep=*/true);
      Emit(kLineEnd);
    }
    ++counts_.lines;
  }

  void EmitKeyLine() {
    Emit(kPhoneKey);
    Emit(access_number_);
    Emit(kLineEnd);
    ++counts_.replaced;
  }

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

  // Text goes out through the output buffer, which is written only when
  // full: writes of whole buffers at offsets that are multiples of the
  // buffer size reach the disk faster than a mix of small and unaligned ones.
  void Emit(std::string_view text) {
    if (text.size() < output_.size() - used_) {
      CopyInPieces(output_.data() + used_, text.data(), text.size());
      used_ += text.size();
      return;
    }
    while (!text.empty()) {
      const std::size_t count = std::min(text.size(), output_.size() - used_);
      CopyInPieces(output_.data() + used_, text.data(), count);
      used_ += count;
      text.remove_prefix(count);
      if (used_ == output_.size()) {
        FlushOutput();
      }
    }
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
  static constexpr std::size_t kLongestStretch = 64 * kBlockSize;
  std::size_t one_by_one_stretch_ = kBlockSize;
  LineFeedFinder next_lf_;
  LineCounts counts_;
};

}  // namespace

LineCounts RewriteLines(ByteSource& in, ByteSink& out, std::string_view access_number,
                        std::size_t buffer_size) {
  return LineRewriter(in, out, access_number, buffer_size).Run();
}

}  // namespace planchoice
