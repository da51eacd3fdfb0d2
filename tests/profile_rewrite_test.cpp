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
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
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

#ifdef _WIN32
TEST_F(RewriteProfileSucceeds, ThroughTheDeviceForm) {
  const ScratchDir dir;
  RewriteAndCheck(dir, "\\\\.\\" + dir.Utf8());
}
#else
// The rewrite needs to write the directory, never to list it: a run as
// another user where the tests run as root.
TEST_F(RewriteProfileSucceeds, InADirectoryItMayWriteButNotRead) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const bool as_root = ::geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (as_root) {
    ASSERT_EQ(::chown(dir.path().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chown((dir / "kelvarin.cmp").c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(dir.path(), fs::perms(0333));
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    bool rewritten = false;
    if (!as_root || (::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)) {
      try {
        RewriteProfile(dir.Utf8(), kNumber);
        rewritten = true;
      } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
      }
    }
    ::_exit(rewritten ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  fs::permissions(dir.path(), fs::perms::owner_all);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kRewritten);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}
#endif

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
     std::nullopt, "kelvarin.cmp", "is a directory"},
    {"ProfileWithTwoNames",
     [](const ScratchDir& d) {
       d.Write("kelvarin.cmp", kProfile);
       fs::create_hard_link(d / "kelvarin.cmp", d / "kelvarin-copy.cmp");
     },
     kProfile, "kelvarin.cmp", "has 2 names (hard links)"},
    {"WorkPathIsADirectory",
     [](const ScratchDir& d) {
       d.Write("kelvarin.cmp", kProfile);
       fs::create_directory(d / "kelvarin.tmp");
     },
     kProfile, "kelvarin.tmp", "Could not remove"},
#ifdef _WIN32
    {"ReadOnlyProfile",
     [](const ScratchDir& d) {
       d.Write("kelvarin.cmp", kProfile);
       ::SetFileAttributesW((d / "kelvarin.cmp").c_str(), FILE_ATTRIBUTE_READONLY);
     },
     kProfile, "kelvarin.cmp", "is read-only"},
#else
    {"ProfileIsASymbolicLink",
     [](const ScratchDir& d) {
       d.Write("elsewhere.cmp", kProfile);
       fs::create_symlink("elsewhere.cmp", d / "kelvarin.cmp");
     },
     kProfile, "kelvarin.cmp", "is a symbolic link"},
    // Opening a FIFO for reading would wait for a writer.
    {"ProfileIsAFifo",
     [](const ScratchDir& d) { ASSERT_EQ(::mkfifo((d / "kelvarin.cmp").c_str(), 0644), 0); },
     std::nullopt, "kelvarin.cmp", "is a FIFO"},
#endif
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

// Whatever stands at the work file's name beforehand, and whatever the
// profile has of its own, the new profile differs from the old one only in
// its text.
struct Surroundings {
  const char* name;
  std::function<void(const ScratchDir&)> arrange;  // the profile is written already
  std::function<void(const ScratchDir&)> check;    // after the rewrite
  bool needs_root = false;
};

void PrintTo(const Surroundings& surroundings, std::ostream* out) {
  *out << surroundings.name;
}

#ifdef _WIN32
DWORD AttributesOf(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str());
}

void AddAttributes(const fs::path& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), AttributesOf(path) | attributes));
}

Surroundings ProfileWith(const char* name, DWORD attribute) {
  return {name, [=](const ScratchDir& d) { AddAttributes(d / "kelvarin.cmp", attribute); },
          [=](const ScratchDir& d) { EXPECT_TRUE(AttributesOf(d / "kelvarin.cmp") & attribute); }};
}

Surroundings StaleWorkFileWith(const char* name, DWORD attribute) {
  return {name,
          [=](const ScratchDir& d) {
            d.Write("kelvarin.tmp", "stale");
            AddAttributes(d / "kelvarin.tmp", attribute);
          },
          [](const ScratchDir& d) {
            EXPECT_EQ(AttributesOf(d / "kelvarin.cmp") &
                          (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                      0u);
          }};
}

const Surroundings kSurroundings[] = {
    ProfileWith("HiddenProfile", FILE_ATTRIBUTE_HIDDEN),
    ProfileWith("SystemProfile", FILE_ATTRIBUTE_SYSTEM),
    StaleWorkFileWith("ReadOnlyStaleWorkFile", FILE_ATTRIBUTE_READONLY),
    StaleWorkFileWith("HiddenStaleWorkFile", FILE_ATTRIBUTE_HIDDEN),
    StaleWorkFileWith("SystemStaleWorkFile", FILE_ATTRIBUTE_SYSTEM),
};
#else
struct stat StatusOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status;
}

void ExpectMode(const ScratchDir& d, mode_t mode) {
  EXPECT_EQ(StatusOf(d / "kelvarin.cmp").st_mode & 07777, mode);
}

constexpr uid_t kNobody = 65534;

const Surroundings kSurroundings[] = {
    {"PrivateProfile",
     [](const ScratchDir& d) { ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0600), 0); },
     [](const ScratchDir& d) { ExpectMode(d, 0600); }},
    {"ProfileOfAnotherOwner",
     [](const ScratchDir& d) {
       ASSERT_EQ(::chown((d / "kelvarin.cmp").c_str(), kNobody, kNobody), 0);
       ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0640), 0);
     },
     [](const ScratchDir& d) {
       const struct stat status = StatusOf(d / "kelvarin.cmp");
       EXPECT_EQ(status.st_uid, kNobody);
       EXPECT_EQ(status.st_gid, kNobody);
       EXPECT_EQ(status.st_mode & 07777, 0640u);
     },
     true},
    {"ProfileWithAnExtendedAttribute",
     [](const ScratchDir& d) {
       ASSERT_EQ(::setxattr((d / "kelvarin.cmp").c_str(), "user.planchoice", "kept", 4, 0), 0);
     },
     [](const ScratchDir& d) {
       char value[8] = {};
       EXPECT_EQ(::getxattr((d / "kelvarin.cmp").c_str(), "user.planchoice", value, sizeof value),
                 4);
       EXPECT_STREQ(value, "kept");
     }},
    {"ReadOnlyStaleWorkFile",
     [](const ScratchDir& d) {
       ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0640), 0);
       d.Write("kelvarin.tmp", "stale");
       ASSERT_EQ(::chmod((d / "kelvarin.tmp").c_str(), 0444), 0);
     },
     [](const ScratchDir& d) { ExpectMode(d, 0640); }},
    // Another user who may write the directory plants a link to a file only
    // the rewrite's user may write.
    {"LinkPlantedAsWorkFile",
     [](const ScratchDir& d) {
       d.Write("victim", "precious");
       fs::create_symlink(d / "victim", d / "kelvarin.tmp");
     },
     [](const ScratchDir& d) {
       EXPECT_EQ(d.Read("victim"), "precious");
       EXPECT_TRUE(S_ISREG(StatusOf(d / "kelvarin.cmp").st_mode));
     }},
    // Opening a FIFO for writing would wait for a reader.
    {"FifoAsWorkFile",
     [](const ScratchDir& d) { ASSERT_EQ(::mkfifo((d / "kelvarin.tmp").c_str(), 0644), 0); },
     [](const ScratchDir&) {}},
};
#endif

class RewriteProfileKeeps : public ::testing::TestWithParam<Surroundings> {};

TEST_P(RewriteProfileKeeps, WhatIsTheProfilesOwnAndNothingOfAStaleWorkFile) {
#ifndef _WIN32
  if (GetParam().needs_root && ::geteuid() != 0) {
    GTEST_SKIP() << "only root may give a file to another owner";
  }
#endif
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  GetParam().arrange(dir);
  RewriteProfile(dir.Utf8(), kNumber);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kRewritten);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "kelvarin.tmp")));
  GetParam().check(dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, RewriteProfileKeeps, ::testing::ValuesIn(kSurroundings),
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
  const ProfileFile other(ProfilePath(dir.Utf8()));

  try {
    RewriteProfile(dir.Utf8(), kNumber);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("Another rewrite"), std::string::npos);
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_EQ(dir.Read("kelvarin.tmp"), "the other rewrite's work");
}
#endif

// A check (a deployment tool's, say) may run at any moment: it does not wait
// for a rewrite, nor take the lock that would turn one away.
TEST(CheckProfile, ReadsWhileARewriteHoldsTheProfile) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const ProfileFile rewrite(ProfilePath(dir.Utf8()));
  const LineCounts counts = CheckProfile(dir.Utf8(), "11112222");
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(counts.carrying, 1u);
}

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
