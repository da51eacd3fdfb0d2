#include "profiles.h"

#include <algorithm>
#include <cstdio>

#include "platform/file.h"

namespace planchoice::bench {
namespace {

constexpr std::uint64_t kPieceSize = 1 << 20;

const char* const kTypicalProfile =
    "[Profile]\r\nName=Kelvarin Online\r\nVersion=3\r\n"
    "Description=Dial-up access to Kelvarin Online for the Sorvel plans, analog and ISDN\r\n\r\n"
    "[Kelvarin Online]\r\nServiceName=Kelvarin, Inc.\r\nDialAreaCode=0\r\nPhone0=00000000\r\n"
    "Phone1=\r\nRedialCount=3\r\nRedialPause=5\r\nIdleDisconnect=20\r\nCompression=1\r\n"
    "Support=Help desk, Monday to Friday, 9:00 to 18:00, Saturday 10:00 to "
    "14:00\r\nSupportPhone=0800 000 000\r\n"
    "LogonPrompt=1\r\nLogonScript=C:\\Program Files\\Kelvarin\\kelvarin.scp\r\nWelcome=Welcome to "
    "Kelvarin Online, "
    "the network of the Sorvel plans; your mail and news are waiting\r\n\r\n"
    "[TCP/IP]\r\nSpecifyIP=0\r\nSpecifyServers=1\r\nDNS1=10.0.0.1\r\nDNS2=10.0.0.2\r\n"
    "WINS1=\r\nGateway=1\r\nHeaderCompression=1\r\n\r\n"
    "[Server]\r\nType=PPP\r\nNetBEUI=0\r\nIPX=0\r\nTCPIP=1\r\nEncryptedPassword=1\r\n"
    "SoftwareCompression=1\r\nNegotiateLogon=0\r\nFrameSize=1500\r\nLCPExtensions=1\r\n"
    "Comment=Written by the setup program; the dial-in number is set after the plan is "
    "chosen. Do not edit by hand: a new setup writes this file again.\r\n";

// Appends profile text to a piece in memory; hands full pieces on.
class ProfileMaker {
 public:
  ProfileMaker(Shape shape, std::uint64_t size, std::string_view line_end)
      : shape_(shape), size_(size), line_end_(line_end) {}

  // Fills `piece` with the next part; false when the profile is complete.
  bool NextPiece(std::string& piece) {
    piece.clear();
    if (written_ == 0) {
      Append(piece, "[Kelvarin Online]");
      Append(piece, "Phone0=00000000");
    }
    while (written_ < size_ && piece.size() < kPieceSize) {
      if (shape_ == Shape::kOneLongLine) {
        AppendLongLinePart(piece);
      } else {
        AppendOrdinaryLine(piece);
      }
    }
    if (written_ >= size_ && shape_ == Shape::kOneLongLine && !piece.empty()) {
      piece += line_end_;
      ++lines_;
    }
    return !piece.empty();
  }

  std::uint64_t lines() const { return lines_; }

 private:
  void Append(std::string& piece, std::string_view line) {
    piece.append(line).append(line_end_);
    written_ += line.size() + line_end_.size();
    ++lines_;
  }

  void AppendOrdinaryLine(std::string& piece) {
    char line[80];
    const std::uint64_t n = lines_;
    if (n % 25 == 0) {
      std::snprintf(line, sizeof line, "[Section %llu]", static_cast<unsigned long long>(n));
    } else if (n % 3 == 0) {
      std::snprintf(line, sizeof line, "Entry%llu=A longer value, with a comma and %llu",
                    static_cast<unsigned long long>(n), static_cast<unsigned long long>(n * 7));
    } else {
      std::snprintf(line, sizeof line, "Key%llu=%llu", static_cast<unsigned long long>(n),
                    static_cast<unsigned long long>(n % 1000));
    }
    Append(piece, line);
  }

  void AppendLongLinePart(std::string& piece) {
    if (!long_line_started_) {
      piece += "Data=";
      written_ += 5;
      long_line_started_ = true;
    }
    static constexpr std::string_view kText = "0123456789abcdefghijklmnopqrstuvwxyz, ";
    const std::uint64_t count = std::min<std::uint64_t>(kText.size(), size_ - written_);
    piece.append(kText.substr(0, static_cast<std::size_t>(count)));
    written_ += count;
  }

  const Shape shape_;
  const std::uint64_t size_;
  const std::string_view line_end_;
  std::uint64_t written_ = 0;
  std::uint64_t lines_ = 0;
  bool long_line_started_ = false;
};

}  // namespace

ProfileText MakeProfile(Shape shape, std::uint64_t size, std::string_view line_end) {
  ProfileText text;
  if (shape == Shape::kTypical) {
    text.bytes = kTypicalProfile;
    text.lines = static_cast<std::uint64_t>(std::count(text.bytes.begin(), text.bytes.end(), '\n'));
    return text;
  }
  ProfileMaker maker(shape, size, line_end);
  std::string piece;
  while (maker.NextPiece(piece)) {
    text.bytes += piece;
  }
  text.lines = maker.lines();
  return text;
}

std::uint64_t WriteProfile(const std::string& path, Shape shape, std::uint64_t size) {
  WorkFile file(path);
  std::uint64_t lines = 0;
  if (shape == Shape::kTypical) {
    const ProfileText text = MakeProfile(shape, size);
    file.Write(text.bytes.data(), text.bytes.size());
    lines = text.lines;
  } else {
    ProfileMaker maker(shape, size, "\r\n");
    std::string piece;
    while (maker.NextPiece(piece)) {
      file.Write(piece.data(), piece.size());
    }
    lines = maker.lines();
  }
  file.Flush();
  return lines;
}

}  // namespace planchoice::bench
