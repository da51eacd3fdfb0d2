#include "profiles.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace planchoice::bench {
namespace {

constexpr std::size_t kPieceSize = 1 << 20;

std::string Start(std::string_view line_end) {
  std::string text = "[Kelvarin Online]";
  text += line_end;
  text += "Phone0=00000000";
  text += line_end;
  return text;
}

// Lines, or text without line ends for the one long line, until `text`
// holds at least `size` bytes.
void AppendBody(std::string& text, Shape shape, std::size_t size, std::string_view line_end) {
  for (std::uint64_t n = 0; text.size() < size; ++n) {
    if (shape == Shape::kOneLongLine) {
      text += "0123456789abcdefghijklmnopqrstuvwxyz, ";
    } else if (n % 25 == 0) {
      text.append("[Section ").append(std::to_string(n)).append("]").append(line_end);
    } else if (n % 3 == 0) {
      text.append("Entry").append(std::to_string(n)).append("=A longer value, with a comma and ");
      text.append(std::to_string(n * 7)).append(line_end);
    } else {
      text.append("Key").append(std::to_string(n)).append("=");
      text.append(std::to_string(n % 1000)).append(line_end);
    }
  }
}

}  // namespace

std::string MakeProfile(Shape shape, std::uint64_t size, std::string_view line_end) {
  std::string text = Start(line_end);
  AppendBody(text, shape, static_cast<std::size_t>(size), line_end);
  if (shape == Shape::kOneLongLine) {
    text += line_end;
  }
  return text;
}

void WriteProfile(const std::string& path, Shape shape, std::uint64_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  const std::string start = Start("\r\n");
  file << start;
  std::string piece;
  AppendBody(piece, shape, static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, size)),
             "\r\n");
  for (std::uint64_t written = start.size(); written < size; written += piece.size()) {
    file << piece;
  }
  if (shape == Shape::kOneLongLine) {
    file << "\r\n";
  }
  if (!file.flush()) {
    throw std::runtime_error("cannot write the profile " + path);
  }
}

}  // namespace planchoice::bench
