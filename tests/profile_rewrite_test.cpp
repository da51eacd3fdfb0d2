#include "logic/profile_rewrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "logic/plan_table.h"
#include "platform/file.h"
#include "support/profile_cases.h"
#include "support/rewrite_result.h"
#include "support/scratch_dir.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;
const std::string kSuccess = "[Kelvarin]\r\nPhone0=24682468\r\nName=Kelvarin, Inc.\r\n";

class RewriteProfileGiven : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(RewriteProfileGiven, RewritesItOrRefusesAndLeavesItAsItWas) {
  const ScratchDir dir;
  ArrangedCase arranged(GetParam(), dir);
  if (IsSkipped()) {
    return;
  }
  const RewriteResult result = RewriteIn(arranged.argument().u8string(), LookUpAccessNumber(kPlan));
  arranged.Release();
  const bool refused = result.outcome != Rewrite::kDone;
  EXPECT_EQ(refused, arranged.ShouldBeRefused()) << result.message;
  if (refused) {
    arranged.ExpectMessage(result.message);
  }
  arranged.ExpectProfileLeft(refused);
}

INSTANTIATE_TEST_SUITE_P(EveryCase, RewriteProfileGiven,
                         ::testing::ValuesIn(ProfileCasesFor(FrontEnd::kLogic)), CaseName);

#ifndef _WIN32
// The rewrite needs to write the directory, never to list it: a run as
// another user where the tests run as root.
TEST(RewriteProfileSucceeds, InADirectoryItMayWriteButNotRead) {
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
      const RewriteResult result = RewriteIn(dir.Utf8());
      rewritten = result.outcome == Rewrite::kDone;
      std::fprintf(stderr, "%s\n", rewritten ? "rewritten" : result.message.c_str());
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

TEST(RewriteProfileFailsWhen, TheAccessNumberIsEmpty) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  EXPECT_EQ(RewriteIn(dir.Utf8(), "").outcome, Rewrite::kRefused);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

#ifndef _WIN32
TEST(RewriteProfileFailsWhen, AnotherRewriteIsRunning) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  dir.Write("kelvarin.tmp", "the other rewrite's work");
  const Folder folder(ProfilePath(dir.Utf8()), WorkPath(dir.Utf8()));
  const ProfileFile other(folder);

  const RewriteResult result = RewriteIn(dir.Utf8());
  EXPECT_EQ(result.outcome, Rewrite::kRefused);
  EXPECT_NE(result.message.find("Another rewrite"), std::string::npos) << result.message;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_EQ(dir.Read("kelvarin.tmp"), "the other rewrite's work");
}
#endif

// A check (a deployment tool's, say) may run at any moment: it does not wait
// for a rewrite, nor take the lock that would turn one away.
TEST(CheckProfile, ReadsWhileARewriteHoldsTheProfile) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const Folder folder(ProfilePath(dir.Utf8()), WorkPath(dir.Utf8()));
  const ProfileFile rewrite(folder);
  const LineCounts counts = CheckProfile(dir.Utf8(), "11112222");
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(counts.carrying, 1u);
}

// A rewrite whose process ended while it held the lock (killed, say) leaves
// its work file, and the system closes its handles, which lets the lock go:
// the next rewrite takes the profile over and removes that file.
TEST(RewriteLock, IsTakenOverFromARunThatEndedHoldingIt) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  {
    const Folder folder(ProfilePath(dir.Utf8()), WorkPath(dir.Utf8()));
    ProfileFile ended(folder);
    WorkFile work(ended);
    work.Write("[Kelvarin]\r\n", 12);
  }  // Closed as the system closes them, without the rewrite's own cleanup.
  ASSERT_EQ(dir.Read("kelvarin.tmp"), "[Kelvarin]\r\n");
  const RewriteResult result = RewriteIn(dir.Utf8());
  EXPECT_EQ(result.outcome, Rewrite::kDone) << result.message;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

#ifdef _WIN32
// Another program holds the profile open for a moment without letting it be
// deleted, as a virus scanner does after a file changes: the copy takes the
// profile's place once the profile is let go. (Held for long, the rewrite is
// refused: one of the profile cases.)
TEST(RewriteProfile, WaitsBrieflyForAProfileHeldOpen) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  FileHandle held(::CreateFileW((dir / "kelvarin.cmp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  std::thread releaser([&held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held.Reset();
  });
  EXPECT_NO_THROW(RewriteProfile(dir.Utf8(), kNumber));
  releaser.join();
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kSuccess);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}
#endif

}  // namespace
}  // namespace planchoice::testing
