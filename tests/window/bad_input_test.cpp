// Hostile and unusual input through the real window: each case ends in a
// correct rewrite, or in one clear report with the profile as it was and no
// work file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "driver/window_query.h"
#include "logic/plan_table.h"
#include "platform/win32_text.h"
#include "support/memory_streams.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kPlan[] = L"Sorvel 25";

std::string Repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += line;
  }
  return text;
}

enum class Outcome { kSuccess, kRefused, kEither };

struct HostileInput {
  const char* name;
  std::string profile;  // written to the scratch directory first
  // Prepares the rest; returns the directory to start the program on.
  std::function<fs::path(const ScratchDir&)> arrange;
  Outcome outcome;
};

void PrintTo(const HostileInput& input, std::ostream* out) {
  *out << input.name;
}

fs::path TheDirectory(const ScratchDir& dir) {
  return dir.path();
}

const HostileInput kHostileInputs[] = {
    {"TenThousandPhone0Lines", Repeated("Phone0=11112222\r\n", 10000), TheDirectory,
     Outcome::kSuccess},
    {"CrOnlyLineEnds", "[Kelvarin]\rPhone0=11112222\rName=Kelvarin, Inc.\r", TheDirectory,
     Outcome::kSuccess},
    {"NulAndEightBitBytes", std::string("N\0me=\xE9\xFF\x80\r\nPhone0=\0\r\n\xA0\r\n", 20),
     TheDirectory, Outcome::kSuccess},
    {"HundredMegabyteSingleLine",
     "Phone0=11112222\r\n" + std::string(100 * 1024 * 1024, 'x') + "\r\n", TheDirectory,
     Outcome::kSuccess},
    {"PathOver260Characters", ProfileText(),
     [](const ScratchDir& dir) {
       fs::path deep = dir.path();
       while (deep.wstring().size() < 280) {
         deep /= std::string(50, 'w');
       }
       fs::create_directories(deep);
       fs::copy_file(dir / "kelvarin.cmp", deep / "kelvarin.cmp");
       return deep;
     },
     Outcome::kSuccess},
    {"ReadOnlyProfile", ProfileText(),
     [](const ScratchDir& dir) {
       fs::permissions(dir / "kelvarin.cmp",
                       fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       return dir.path();
     },
     Outcome::kEither},
    {"DirectoryIsAFile", ProfileText(),
     [](const ScratchDir& dir) {
       dir.Write("not-a-directory", ProfileText());
       return dir / "not-a-directory";
     },
     Outcome::kRefused},
    {"WorkPathIsADirectory", ProfileText(),
     [](const ScratchDir& dir) {
       fs::create_directory(dir / "kelvarin.tmp");
       return dir.path();
     },
     Outcome::kRefused},
    {"ArgumentOf32000Characters", ProfileText(),
     [](const ScratchDir& dir) {
       return fs::path(dir.path().wstring() + std::wstring(32000, L'a'));
     },
     Outcome::kRefused},
};

class DialogGivenHostileInput : public WindowTest,
                                public ::testing::WithParamInterface<HostileInput> {};

TEST_P(DialogGivenHostileInput, RewritesCorrectlyOrReportsOnceAndLosesNothing) {
  const HostileInput& input = GetParam();
  WriteProfile(input.profile);
  const fs::path directory = input.arrange(dir_);
  const fs::path profile_directory = fs::is_directory(directory) ? directory : dir_.path();

  driver::ProgramRun run(program_, L" " + directory.wstring());
  const auto dialog = driver::PlanDialog::Find(run.process_id());
  ASSERT_TRUE(dialog) << "the dialog was not shown";
  ASSERT_TRUE(dialog->PickPlan(kPlan));
  ASSERT_TRUE(dialog->ClickOk());

  std::optional<driver::MessageBoxView> box;
  ASSERT_TRUE(driver::WaitUntil(
      [&] {
        box = driver::FindMessageBox(run.process_id(), std::chrono::milliseconds(0));
        return box.has_value() || !run.IsRunning();
      },
      std::chrono::seconds(60)));

  const std::optional<std::string> profile = ReadBytes(profile_directory / "kelvarin.cmp");
  if (box) {
    EXPECT_NE(input.outcome, Outcome::kSuccess) << Narrow(box->Text());
    EXPECT_EQ(box->Title(), L"Kelvarin Plan Choice");
    EXPECT_TRUE(Contains(box->Text(), directory.wstring()));
    box->Dismiss();
    EXPECT_EQ(run.WaitForExit(), ExitCode::kFailed);
    EXPECT_TRUE(profile == input.profile) << "the profile was changed";
  } else {
    EXPECT_NE(input.outcome, Outcome::kRefused);
    EXPECT_EQ(run.WaitForExit(), ExitCode::kSuccess);
    EXPECT_TRUE(profile == RewrittenInMemory(input.profile, LookUpAccessNumber("Sorvel 25")))
        << "the profile is not as rewritten";
  }
  EXPECT_FALSE(fs::is_regular_file(profile_directory / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogGivenHostileInput, ::testing::ValuesIn(kHostileInputs),
                         [](const auto& info) { return std::string(info.param.name); });

using DialogGivenATypedPlan = ShownDialogTest;

TEST_F(DialogGivenATypedPlan, Of10000CharactersIsRefusedAndTheDialogStays) {
  const std::wstring typed(10000, L'S');
  ASSERT_TRUE(dialog_->PastePlan(typed));
  ASSERT_TRUE(dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "the plan was not refused";
  EXPECT_EQ(box->Title(), L"Unknown Plan");
  EXPECT_TRUE(Contains(box->Text(), typed));
  box->Dismiss();
  EXPECT_TRUE(driver::WaitUntil([&] { return !::IsWindowVisible(box->window()); }));
  EXPECT_TRUE(run_->IsRunning());
  EXPECT_EQ(dialog_->PlanText(), typed);
  EXPECT_EQ(Profile(), ProfileText());
  EXPECT_FALSE(WorkFileExists());
}

}  // namespace
}  // namespace planchoice::testing
