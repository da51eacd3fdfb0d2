// Makes each file operation of a rewrite fail in turn, and checks that no
// failure loses or changes the profile or leaves a work file behind.
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "logic/profile_rewrite.h"
#include "platform/error.h"
#include "platform/file.h"
#include "support/scratch_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace planchoice {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

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

// What the message says for each operation that can fail.
const char* VerbOf(FileOperation operation) {
  return operation == FileOperation::kSeek ? "read" : NameOf(operation);
}

struct Mode {
  const char* name;
  FaultPlan plan;  // fail_at is set by the walk
};

void PrintTo(const Mode& mode, std::ostream* out) {
  *out << mode.name;
}

class FaultAtEveryStep : public ::testing::TestWithParam<Mode> {};

TEST_P(FaultAtEveryStep, LeavesTheProfileIntact) {
  const std::string original = LargeProfile();
  const Mode& mode = GetParam();
  int covered = 0;
  int work_files_left = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("file operation " + std::to_string(n));
    const ScratchDir dir;
    dir.Write("kelvarin.cmp", original);
    FaultPlan plan = mode.plan;
    plan.fail_at = n;
    InjectFaults(plan);

    try {
      RewriteProfile(dir.Utf8(), "24682468");
    } catch (const Error& error) {
      ++covered;
      const std::string message = error.what();
      const FileOperation failed = PlannedFaultOperation();
      EXPECT_NE(message.find(std::string("Could not ") + VerbOf(failed) + " " + dir.Utf8()),
                std::string::npos)
          << message;
      EXPECT_EQ(dir.Read("kelvarin.cmp"), original);
      const bool work_file_left = fs::exists(dir / "kelvarin.tmp");
      if (work_file_left) {
        ++work_files_left;
        EXPECT_TRUE(mode.plan.fail_removes) << message;
        EXPECT_NE(message.find("could not be removed"), std::string::npos) << message;
      }
      continue;
    }
    // The first run that gets through has passed every fault point.
    EXPECT_EQ(CountedFileOperations(), n - 1);
    const std::optional<std::string> rewritten = dir.Read("kelvarin.cmp");
    ASSERT_TRUE(rewritten.has_value());
    EXPECT_NE(rewritten->find("\r\nPhone0=24682468\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
    break;
  }
  InjectFaults({});
  EXPECT_GE(covered, 12);
  // When removal fails, every failure after the work file exists leaves it.
  EXPECT_EQ(work_files_left > 0, mode.plan.fail_removes);
  std::printf("%s: %d fault points covered\n", mode.name, covered);
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultAtEveryStep,
                         ::testing::Values(Mode{"SystemError", {0, kIoError, false, false}},
                                           Mode{"ShortWriteOnAFullDisk",
                                                {0, kDiskFull, true, false}},
                                           Mode{"CleanupFailsToo", {0, kIoError, false, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FaultInjection, EveryKindOfOperationIsReached) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", LargeProfile());
  bool seen[9] = {};
  for (int n = 1;; ++n) {
    InjectFaults({n, kIoError, false, false});
    try {
      RewriteProfile(dir.Utf8(), "24682468");
      break;
    } catch (const Error&) {
      seen[static_cast<int>(PlannedFaultOperation())] = true;
    }
  }
  InjectFaults({});
  for (FileOperation op : {FileOperation::kOpen, FileOperation::kCreate, FileOperation::kRead,
                           FileOperation::kSeek, FileOperation::kWrite, FileOperation::kFlush,
                           FileOperation::kClose, FileOperation::kReplace}) {
    EXPECT_TRUE(seen[static_cast<int>(op)]) << NameOf(op);
  }
}

}  // namespace
}  // namespace planchoice
