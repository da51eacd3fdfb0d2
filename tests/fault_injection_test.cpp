// Makes each file operation of a rewrite fail in turn, and checks that no
// failure loses or changes the profile or leaves a work file behind; then
// lets another program act at chosen moments of a rewrite.
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "support/memory_streams.h"
#include "support/rewrite_result.h"
#include "support/scratch_dir.h"
#include "support/under_wine.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/xattr.h>

#include <cerrno>
#endif

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr long kIoError = ERROR_WRITE_FAULT;
constexpr long kDiskFull = ERROR_DISK_FULL;
#else
constexpr long kIoError = EIO;
constexpr long kDiskFull = ENOSPC;
#endif

// Several buffers' worth of lines, and one indentation longer than a buffer,
// so that reads, writes and a seek back each happen more than once.
std::string LargeProfile() {
  std::string profile = "[Kelvarin]\r\n";
  for (int i = 0; profile.size() < 300 * 1024; ++i) {
    profile += "Key" + std::to_string(i) + "=Some value, with a comma\r\n";
    if (i == 1000) {
      profile += std::string(70 * 1024, ' ') + "Phone1=11112222\r\n";
      profile += "Phone0=11112222\r\n";
    }
  }
  return profile;
}

// On POSIX the profile carries an extended attribute, so that copying one is
// among the operations walked.
void WriteProfile(const ScratchDir& dir, const std::string& profile) {
  dir.Write("kelvarin.cmp", profile);
#ifndef _WIN32
  ASSERT_EQ(::setxattr((dir / "kelvarin.cmp").c_str(), "user.planchoice", "kept", 4, 0), 0);
#endif
}

struct Mode {
  const char* name;
  long error;
  bool short_write;
  bool fail_removes;
};

void PrintTo(const Mode& mode, std::ostream* out) {
  *out << mode.name;
}

class FaultAtEveryStep : public ::testing::TestWithParam<Mode> {};

TEST_P(FaultAtEveryStep, LeavesTheProfileIntact) {
  const std::string original = LargeProfile();
  const std::string rewritten = RewrittenInMemory(original, kNumber);
  const Mode& mode = GetParam();
  int covered = 0;
  int work_files_left = 0;
  bool seen[kFileOperationKinds] = {};
  for (int n = 1;; ++n) {
    SCOPED_TRACE("file operation " + std::to_string(n));
    const ScratchDir dir;
    WriteProfile(dir, original);
    FaultPlan plan;
    plan.fail_at = n;
    plan.error = mode.error;
    plan.short_write = mode.short_write;
    plan.fail_removes = mode.fail_removes;
    InjectFaults(plan);
    const RewriteResult result = RewriteIn(dir.Utf8());
    const std::string& message = result.message;
    // Only the sync after the replace comes too late to keep the old profile.
    EXPECT_TRUE(dir.Read("kelvarin.cmp") ==
                (result.outcome == Rewrite::kRefused ? original : rewritten));
    if (result.outcome == Rewrite::kDone) {
      // The first run that gets through has passed every fault point.
      EXPECT_EQ(CountedFileOperations(), n - 1);
      EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
      break;
    }
    ++covered;
    const FileOperation failed = PlannedFaultOperation();
    seen[static_cast<int>(failed)] = true;
    EXPECT_EQ(result.outcome == Rewrite::kNotYetOnDisk, failed == FileOperation::kSyncReplace)
        << message;
    if (result.outcome == Rewrite::kNotYetOnDisk) {
      EXPECT_NE(message.find("holds the new number, but it may not be on disk yet"),
                std::string::npos)
          << message;
      EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
      continue;
    }
    EXPECT_NE(message.find(std::string("Could not ") + VerbOf(failed) + " " + dir.Utf8()),
              std::string::npos)
        << message;
    if (fs::exists(dir / "kelvarin.tmp")) {
      ++work_files_left;
      EXPECT_TRUE(mode.fail_removes) << message;
      EXPECT_NE(message.find("could not be removed"), std::string::npos) << message;
    }
  }
  InjectFaults({});
  EXPECT_GE(covered, 20);
  // When removal fails, every failure after the work file exists leaves it.
  EXPECT_EQ(work_files_left > 0, mode.fail_removes);
  for (int kind = 0; kind < kFileOperationKinds; ++kind) {
    const auto operation = static_cast<FileOperation>(kind);
    // A removal happens only after another failure; Windows gives an owner only where it differs.
    const bool reachable = operation != FileOperation::kRemove
#ifdef _WIN32
                           && operation != FileOperation::kSetOwner
#endif
        ;
    EXPECT_EQ(seen[kind], reachable)
        << "operation kind " << kind << " (" << VerbOf(operation) << ")";
  }
  std::printf("%s: %d fault points covered\n", mode.name, covered);
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultAtEveryStep,
                         ::testing::Values(Mode{"SystemError", kIoError, false, false},
                                           Mode{"ShortWriteOnAFullDisk", kDiskFull, true, false},
                                           Mode{"CleanupFailsToo", kIoError, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Another program, or the system, acts at one moment of a rewrite.
const std::string kProfile = "[Kelvarin]\r\nPhone0=11112222\r\n";
const std::string kNewerProfile = "[Kelvarin]\r\nPhone0=33334444\r\nNewer=1\r\n";

struct Interference {
  const char* name;
  FileOperation at;  // the first operation of this kind
  std::function<long(const ScratchDir&)> act;
  Rewrite outcome;
  const char* message_part;              // for a rewrite that fails
  std::string profile;                   // as it must be afterwards
  std::optional<std::string> work_file;  // what stands at the work file's name afterwards
  const char* wine_cannot = nullptr;     // why Wine cannot run the case, which Windows then runs
  // Installs the lines of this profile to install, from "new.cmp", rather
  // than rewriting the profile; with the number, or as they are when it is
  // empty.
  std::optional<std::string> source = std::nullopt;
  std::string_view number = kNumber;
};

void PrintTo(const Interference& interference, std::ostream* out) {
  *out << interference.name;
}

// Leaves the first line of the profile to install.
long CutNewProfileShort(const ScratchDir& dir) {
  fs::resize_file(dir / "new.cmp", 12);
  return 0;
}

long InstallNewerProfile(const ScratchDir& dir) {
  dir.Write("kelvarin.new", kNewerProfile);
  fs::rename(dir / "kelvarin.new", dir / "kelvarin.cmp");
  return 0;
}

const Interference kInterferences[] = {
    {"ANewerProfileIsInstalledBeforeTheLock", FileOperation::kLock, InstallNewerProfile,
     Rewrite::kDone, "", RewrittenInMemory(kNewerProfile, kNumber), std::nullopt},
    // By the time the work file is closed on POSIX and the profile on Windows,
    // the new profile is written and about to take the profile's place.
    {"ANewerProfileIsInstalledBeforeTheReplace", FileOperation::kClose, InstallNewerProfile,
     Rewrite::kRefused, "was replaced by another program", kNewerProfile, std::nullopt},
    {"TheWorkFileNameIsTakenAtOnce", FileOperation::kCreate,
     [](const ScratchDir& dir) {
       dir.Write("kelvarin.tmp", "another program's");
       return 0L;
     },
     Rewrite::kRefused, "Another program made a file of that name", kProfile, "another program's"},
    {"TheSyncAfterTheReplaceFails", FileOperation::kSyncReplace,
     [](const ScratchDir&) { return kIoError; }, Rewrite::kNotYetOnDisk,
     "holds the new number, but it may not be on disk yet", RewrittenInMemory(kProfile, kNumber),
     std::nullopt},
    // A profile to install that another program writes to, or cuts short,
    // as it is read: the first read sees the new size, and the last one ends
    // away from the size the file had when it was opened.
    {"TheProfileToInstallGrowsWhileItIsRead", FileOperation::kRead,
     [](const ScratchDir& dir) {
       std::ofstream(dir / "new.cmp", std::ios::binary | std::ios::app) << "Added=1\r\n";
       return 0L;
     },
     Rewrite::kRefused, "changed while it was read; ", kProfile, std::nullopt, nullptr,
     kNewerProfile},
    {"TheProfileToInstallShrinksWhileItIsRead", FileOperation::kRead, CutNewProfileShort,
     Rewrite::kRefused, "changed while it was read; ", kProfile, std::nullopt, nullptr,
     kNewerProfile},
    // Installed as it is, the profile to install is read twice: its lines are
    // counted, and then copied from its start.
    {"TheProfileToInstallShrinksBeforeItIsCopied", FileOperation::kSeek, CutNewProfileShort,
     Rewrite::kRefused, "changed while it was read; ", kProfile, std::nullopt, nullptr,
     kNewerProfile, ""},
#ifdef _WIN32
    // Past the check at the start, so that only Windows itself refuses it.
    {"TheProfileIsMadeReadOnlyBeforeTheReplace", FileOperation::kClose,
     [](const ScratchDir& dir) {
       ::SetFileAttributesW((dir / "kelvarin.cmp").c_str(), FILE_ATTRIBUTE_READONLY);
       return 0L;
     },
     Rewrite::kRefused, "Could not replace", kProfile, std::nullopt,
     "Wine replaces a read-only file, which Windows refuses"},
#endif
};

class RewriteWhile : public ::testing::TestWithParam<Interference> {};

TEST_P(RewriteWhile, AnotherProgramActs) {
  const Interference& interference = GetParam();
  if (interference.wine_cannot && UnderWine()) {
    GTEST_SKIP() << interference.wine_cannot << "; the test kit runs this on Windows";
  }
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  if (interference.source) {
    dir.Write("new.cmp", *interference.source);
  }
  FaultPlan plan;
  plan.interfere_at = interference.at;
  plan.interference = [&] { return interference.act(dir); };
  InjectFaults(plan);

  const RewriteResult result = ResultOf([&] {
    if (interference.source) {
      InstallProfile((dir / "new.cmp").u8string(), dir.Utf8(), interference.number);
    } else {
      RewriteProfile(dir.Utf8(), interference.number);
    }
  });
  InjectFaults({});

  EXPECT_EQ(result.outcome, interference.outcome) << result.message;
  EXPECT_NE(result.message.find(interference.message_part), std::string::npos) << result.message;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), interference.profile);
  EXPECT_EQ(dir.Read("kelvarin.tmp"), interference.work_file);
}

INSTANTIATE_TEST_SUITE_P(Moments, RewriteWhile, ::testing::ValuesIn(kInterferences),
                         [](const auto& info) { return std::string(info.param.name); });

// Whoever may rename what holds the folder (or switch a link or junction on
// its path) can put another folder at its path while a rewrite runs, once
// the folder is open: the rewrite stays in the folder it opened, and the
// other folder's files are not touched.
TEST(RewriteWhileTheFolderIsSwitched, StaysInTheFolderItOpened) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine keeps the path a folder was opened by after the folder is renamed, and "
                    "fails as it tells where a file opened in it lies; the test kit runs this on "
                    "Windows";
  }
  const ScratchDir dir;
  fs::create_directory(dir / "setup");
  dir.Write("setup/kelvarin.cmp", kProfile);
  FaultPlan plan;
  plan.interfere_at = FileOperation::kLock;
  plan.interference = [&] {
    fs::rename(dir / "setup", dir / "opened");
    fs::create_directory(dir / "setup");
    dir.Write("setup/kelvarin.cmp", kNewerProfile);
    return 0L;
  };
  InjectFaults(plan);
  const RewriteResult result = RewriteIn((dir / "setup").u8string());
  InjectFaults({});

  EXPECT_EQ(result.outcome, Rewrite::kDone) << result.message;
  EXPECT_EQ(dir.Read("opened/kelvarin.cmp"), RewrittenInMemory(kProfile, kNumber));
  EXPECT_EQ(dir.Read("setup/kelvarin.cmp"), kNewerProfile);
  EXPECT_FALSE(fs::exists(dir / "opened" / "kelvarin.tmp"));
  EXPECT_FALSE(fs::exists(dir / "setup" / "kelvarin.tmp"));
}

}  // namespace
}  // namespace planchoice::testing
