#include "logic/profile_rewrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/file.h"
#include "support/scratch_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace planchoice {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

constexpr std::string_view kNumber = "24682468";
const std::string kProfile = "[Kelvarin]\r\nPhone0=11112222\r\nDialPrefix=9\r\n";
const std::string kRewritten = "[Kelvarin]\r\nPhone0=24682468\r\nDialPrefix=9\r\n";

class RewriteProfileSucceeds : public ::testing::Test {
 protected:
  // Rewrites the profile in `dir` given as `argument`, and checks the result.
  void RewriteAndCheck(const ScratchDir& dir, const std::string& argument) {
    dir.Write("kelvarin.cmp", kProfile);
    RewriteProfile(argument, kNumber);
    EXPECT_EQ(dir.Read("kelvarin.cmp"), kRewritten);
    EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
  }
};

TEST_F(RewriteProfileSucceeds, InAPlainDirectory) {
  const ScratchDir dir;
  RewriteAndCheck(dir, dir.Utf8());
}

TEST_F(RewriteProfileSucceeds, OverAWorkFileLeftFromEarlier) {
  const ScratchDir dir;
  dir.Write("kelvarin.tmp", std::string(100000, 'x'));
  RewriteAndCheck(dir, dir.Utf8());
}

TEST_F(RewriteProfileSucceeds, WithATrailingSeparator) {
  const ScratchDir dir;
  RewriteAndCheck(dir, dir.Utf8() + kPathSeparator);
}

TEST_F(RewriteProfileSucceeds, InADirectoryWithAUnicodeName) {
  const ScratchDir dir("planchoice \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E");
  RewriteAndCheck(dir, dir.Utf8());
}

TEST_F(RewriteProfileSucceeds, OnAPathLongerThan260Characters) {
  const ScratchDir top;
  fs::path deep = top.path();
  while (deep.u8string().size() < 300) {
    deep /= std::string(40, 'd');
  }
  fs::create_directories(deep);
  const std::string argument = deep.u8string();
  ASSERT_GT(ProfilePath(argument).size(), 260u);

  std::ofstream(deep / "kelvarin.cmp", std::ios::binary) << kProfile;
  RewriteProfile(argument, kNumber);
  std::ifstream rewritten(deep / "kelvarin.cmp", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(rewritten), {}), kRewritten);
  EXPECT_FALSE(fs::exists(deep / "kelvarin.tmp"));
}

TEST(ProfilePath, AppendsTheNameWithOneSeparatorAndTrimsNothing) {
  const std::string s(1, kPathSeparator);
  EXPECT_EQ(ProfilePath("dir"), "dir" + s + "kelvarin.cmp");
  EXPECT_EQ(WorkPath("dir"), "dir" + s + "kelvarin.tmp");
  EXPECT_EQ(ProfilePath("dir" + s), "dir" + s + s + "kelvarin.cmp");
  EXPECT_EQ(ProfilePath(" dir "), " dir " + s + "kelvarin.cmp");
}

// A failure leaves the profile exactly as it was (or still absent), leaves no
// work file, and names the file it concerns.
struct Failure {
  const char* name;
  std::function<void(const ScratchDir&)> arrange;
  std::optional<std::string> profile;  // as it must stay; nothing when absent
  const char* named_file;              // the file the message must name
  const char* reason;                  // a part of the message
};

void PrintTo(const Failure& failure, std::ostream* out) {
  *out << failure.name;
}

const Failure kFailures[] = {
    {"MissingProfile", [](const ScratchDir&) {}, std::nullopt, "kelvarin.cmp", "Could not open"},
    {"EmptyProfile", [](const ScratchDir& d) { d.Write("kelvarin.cmp", ""); }, "", "kelvarin.cmp",
     "is empty"},
    {"ProfileWithoutPhone0",
     [](const ScratchDir& d) { d.Write("kelvarin.cmp", "[Kelvarin]\r\nphone0=1\r\nPhone1=2"); },
     "[Kelvarin]\r\nphone0=1\r\nPhone1=2", "kelvarin.cmp", "has no \"Phone0=\" entry"},
    {"ProfileIsADirectory", [](const ScratchDir& d) { fs::create_directory(d / "kelvarin.cmp"); },
     std::nullopt, "kelvarin.cmp", "Could not"},
    {"WorkPathIsADirectory",
     [](const ScratchDir& d) {
       d.Write("kelvarin.cmp", kProfile);
       fs::create_directory(d / "kelvarin.tmp");
     },
     kProfile, "kelvarin.tmp", "Could not create"},
};

class RewriteProfileFails : public ::testing::TestWithParam<Failure> {};

TEST_P(RewriteProfileFails, AndLeavesTheProfileAsItWas) {
  const Failure& failure = GetParam();
  const ScratchDir dir;
  failure.arrange(dir);
  const bool work_was_directory = fs::is_directory(dir / "kelvarin.tmp");

  try {
    RewriteProfile(dir.Utf8(), kNumber);
    FAIL() << "no error";
  } catch (const Error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(dir.Utf8() + kPathSeparator + failure.named_file), std::string::npos)
        << message;
    EXPECT_NE(message.find(failure.reason), std::string::npos) << message;
    EXPECT_EQ(message.back(), '.') << message;
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), failure.profile);
  EXPECT_EQ(fs::exists(dir / "kelvarin.tmp"), work_was_directory);
}

INSTANTIATE_TEST_SUITE_P(EachCause, RewriteProfileFails, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RewriteProfileFailsWhen, TheDirectoryDoesNotExist) {
  const ScratchDir dir;
  const std::string missing = (dir / "missing").u8string();
  try {
    RewriteProfile(missing, kNumber);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.operation(), "open");
    EXPECT_EQ(error.path(), ProfilePath(missing));
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(RewriteProfileFailsWhen, TheAccessNumberIsEmpty) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  EXPECT_THROW(RewriteProfile(dir.Utf8(), ""), Error);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

#ifndef _WIN32
TEST(RewriteProfileFailsWhen, AnotherRewriteIsRunning) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  dir.Write("kelvarin.tmp", "the other rewrite's work");
  const DirectoryLock other(ProfilePath(dir.Utf8()));

  try {
    RewriteProfile(dir.Utf8(), kNumber);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("Another rewrite"), std::string::npos);
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_EQ(dir.Read("kelvarin.tmp"), "the other rewrite's work");
}
#endif

#ifdef _WIN32
// Another program holds the profile open without letting it be deleted: the
// copy can be made, but it cannot take the profile's place.
TEST(RewriteProfileFailsWhen, TheProfileCannotBeReplaced) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const HANDLE holder = ::CreateFileW((dir / "kelvarin.cmp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const FileHandle holding(holder);

  try {
    RewriteProfile(dir.Utf8(), kNumber);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.operation(), "replace");
    EXPECT_EQ(error.path(), ProfilePath(dir.Utf8()));
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}
#endif

}  // namespace
}  // namespace planchoice
