#include "logic/profile_rewrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/file.h"
#include "support/scratch_dir.h"
#include "support/under_wine.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/owner.h"
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
const std::string kSuccess = "[Kelvarin]\r\nPhone0=24682468\r\nDialPrefix=9\r\n";

class RewriteProfileSucceeds : public ::testing::Test {
 protected:
  // Rewrites the profile in `dir` given as `argument`, and checks the result.
  void RewriteAndCheck(const ScratchDir& dir, const std::string& argument) {
    dir.Write("kelvarin.cmp", kProfile);
    RewriteProfile(argument, kNumber);
    EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
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
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(rewritten), {}), kSuccess);
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
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
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
  const char* wine_cannot = nullptr;  // why Wine cannot run the case, which Windows then runs
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

using SecurityDescriptor = std::unique_ptr<void, decltype(&::LocalFree)>;

// The security descriptor's parts named by `parts`, in SDDL.
std::wstring SecurityOf(const fs::path& path, SECURITY_INFORMATION parts) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  EXPECT_EQ(::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr,
                                    nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  const SecurityDescriptor owned(descriptor, &::LocalFree);
  LPWSTR text = nullptr;
  EXPECT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     parts, &text, nullptr));
  const SecurityDescriptor owned_text(text, &::LocalFree);
  return text ? text : L"";
}

// Sets what the SDDL `sddl` gives of the parts `parts` on `path`; the
// system's answer.
DWORD SetSecurity(const fs::path& path, const wchar_t* sddl, SECURITY_INFORMATION parts) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return ::GetLastError();
  }
  const SecurityDescriptor owned(descriptor, &::LocalFree);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  return ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, parts, owner,
                                 nullptr, dacl, nullptr);
}

// Only this user may change the profile, and everyone may read it: none of
// it inherited from the directory.
std::wstring PrivateDacl() {
  HANDLE token = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  const KernelObjectOwner owned_token(token);
  alignas(TOKEN_USER) BYTE buffer[256];
  DWORD size = 0;
  EXPECT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
  LPWSTR user = nullptr;
  EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &user));
  const SecurityDescriptor owned_user(user, &::LocalFree);
  return L"D:P(A;;FA;;;" + std::wstring(user ? user : L"") + L")(A;;FR;;;WD)";
}

constexpr FILETIME kLongAgo = {0x403f8000, 0x01c08d74};  // 2001-02-03

const Surroundings kSurroundings[] = {
    ProfileWith("HiddenProfile", FILE_ATTRIBUTE_HIDDEN),
    ProfileWith("SystemProfile", FILE_ATTRIBUTE_SYSTEM),
    StaleWorkFileWith("ReadOnlyStaleWorkFile", FILE_ATTRIBUTE_READONLY),
    StaleWorkFileWith("HiddenStaleWorkFile", FILE_ATTRIBUTE_HIDDEN),
    StaleWorkFileWith("SystemStaleWorkFile", FILE_ATTRIBUTE_SYSTEM),
    {"ProfileWithItsOwnPermissions",
     [](const ScratchDir& d) {
       ASSERT_EQ(SetSecurity(d / "kelvarin.cmp", PrivateDacl().c_str(),
                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION),
                 static_cast<DWORD>(ERROR_SUCCESS));
     },
     [](const ScratchDir& d) {
       EXPECT_EQ(SecurityOf(d / "kelvarin.cmp", DACL_SECURITY_INFORMATION), PrivateDacl());
     },
     false, "Wine keeps no security descriptor of a file"},
    {"ProfileOwnedByTheAdministrators",
     [](const ScratchDir& d) {
       if (SetSecurity(d / "kelvarin.cmp", L"O:BA", OWNER_SECURITY_INFORMATION) != ERROR_SUCCESS) {
         GTEST_SKIP() << "this account may not give a file to the Administrators; an "
                         "administrator's elevated prompt may";
       }
     },
     [](const ScratchDir& d) {
       EXPECT_EQ(SecurityOf(d / "kelvarin.cmp", OWNER_SECURITY_INFORMATION), L"O:BA");
     },
     false, "Wine keeps no owner of a file"},
    {"ProfileCreatedLongAgo",
     [](const ScratchDir& d) {
       const FileHandle profile(::CreateFileW((d / "kelvarin.cmp").c_str(), FILE_WRITE_ATTRIBUTES,
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
       ASSERT_TRUE(::SetFileTime(profile.get(), &kLongAgo, nullptr, nullptr));
     },
     [](const ScratchDir& d) {
       WIN32_FILE_ATTRIBUTE_DATA data{};
       ASSERT_TRUE(
           ::GetFileAttributesExW((d / "kelvarin.cmp").c_str(), GetFileExInfoStandard, &data));
       EXPECT_EQ(data.ftCreationTime.dwHighDateTime, kLongAgo.dwHighDateTime);
       EXPECT_EQ(data.ftCreationTime.dwLowDateTime, kLongAgo.dwLowDateTime);
     },
     false, "Wine keeps no creation time of a file"},
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
  if (GetParam().wine_cannot && testing::UnderWine()) {
    GTEST_SKIP() << GetParam().wine_cannot << "; the test kit runs this on Windows";
  }
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  GetParam().arrange(dir);
  if (IsSkipped()) {
    return;
  }
  RewriteProfile(dir.Utf8(), kNumber);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
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
// A rewrite whose thread ended while it held the lock leaves the lock's mutex
// abandoned, which the next rewrite takes over rather than being kept out.
TEST(RewriteLock, IsTakenOverFromARunThatEndedHoldingIt) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  std::unique_ptr<ProfileFile> abandoned;
  std::thread([&] { abandoned = std::make_unique<ProfileFile>(ProfilePath(dir.Utf8())); }).join();
  EXPECT_NO_THROW(ProfileFile next(ProfilePath(dir.Utf8())));
}

// Another program holds the profile open without letting it be deleted, as a
// virus scanner does for a moment after a file changes: the copy can be made,
// but it can take the profile's place only once the profile is let go.
struct Holding {
  const char* name;
  std::chrono::milliseconds held_for;
  bool rewritten;
};

void PrintTo(const Holding& holding, std::ostream* out) {
  *out << holding.name;
}

// Holds `path` open, reading and sharing only reads, from another thread,
// for `period` or until dropped.
class HeldOpen {
 public:
  HeldOpen(const fs::path& path, std::chrono::milliseconds period)
      : file_(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr)),
        holder_([this, period] {
          std::unique_lock<std::mutex> lock(mutex_);
          released_.wait_for(lock, period, [this] { return dropped_; });
          file_.Reset();
        }) {}
  ~HeldOpen() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      dropped_ = true;
    }
    released_.notify_one();
    holder_.join();
  }
  explicit operator bool() const { return static_cast<bool>(file_); }

 private:
  FileHandle file_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool dropped_ = false;
  std::thread holder_;
};

class RewriteWhileTheProfileIsHeld : public ::testing::TestWithParam<Holding> {};

TEST_P(RewriteWhileTheProfileIsHeld, WaitsBrieflyForItAndNeverLosesIt) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  std::optional<FileError> failure;
  {
    const HeldOpen held(dir / "kelvarin.cmp", GetParam().held_for);
    ASSERT_TRUE(held);
    try {
      RewriteProfile(dir.Utf8(), kNumber);
    } catch (const FileError& error) {
      failure = error;
    }
  }
  if (GetParam().rewritten) {
    EXPECT_FALSE(failure) << failure->what();
    EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
  } else {
    ASSERT_TRUE(failure) << "no error";
    EXPECT_EQ(failure->operation(), "replace");
    EXPECT_EQ(failure->path(), ProfilePath(dir.Utf8()));
    EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  }
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Holders, RewriteWhileTheProfileIsHeld,
                         ::testing::Values(Holding{"ForAMoment", std::chrono::milliseconds(300),
                                                   true},
                                           Holding{"ForLong", std::chrono::seconds(5), false}),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
}  // namespace planchoice
