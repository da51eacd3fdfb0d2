// A profile that cannot be rewritten: one report, over the dialog, and the
// profile as it was.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/window_query.h"
#include "platform/file.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

enum class Holder { kNobody, kExclusively, kSharingReads };

struct BrokenProfile {
  const char* name;
  std::optional<std::string> bytes;  // nothing: there is no profile
  Holder held_open_by;               // another process, while the program runs
};

void PrintTo(const BrokenProfile& profile, std::ostream* out) {
  *out << profile.name;
}

class RewriteFails : public WindowTest, public ::testing::WithParamInterface<BrokenProfile> {
 protected:
  FileHandle Hold() const {
    if (GetParam().held_open_by == Holder::kNobody) {
      return FileHandle();
    }
    const DWORD share = GetParam().held_open_by == Holder::kSharingReads ? FILE_SHARE_READ : 0;
    const HANDLE file = ::CreateFileW(ProfilePath().c_str(), GENERIC_READ, share, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file);
  }
};

TEST_P(RewriteFails, ReportsItOnceAndLeavesTheProfileAsItWas) {
  const std::optional<std::string>& bytes = GetParam().bytes;
  if (bytes) {
    WriteProfile(*bytes);
  }
  FileHandle held = Hold();
  ASSERT_EQ(static_cast<bool>(held), GetParam().held_open_by != Holder::kNobody);

  driver::ProgramRun run(program_, L" " + Directory());
  const auto dialog = driver::PlanDialog::Find(run.process_id());
  ASSERT_TRUE(dialog) << "the dialog was not shown";
  ASSERT_TRUE(dialog->PickPlan(L"Sorvel 25"));
  ASSERT_TRUE(dialog->ClickOk());

  const auto box = driver::FindMessageBox(run.process_id());
  ASSERT_TRUE(box) << "no error was reported";
  EXPECT_EQ(box->Title(), L"Kelvarin Plan Choice");
  EXPECT_TRUE(Contains(box->Text(), ProfilePath()));
  EXPECT_TRUE(box->ShowsIcon(IDI_HAND));
  EXPECT_EQ(box->Buttons(), std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(driver::Owner(box->window()), dialog->window()) << "the report is not the dialog's own";
  EXPECT_TRUE(dialog->IsOpen()) << "the dialog went before the report";

  box->Dismiss();
  EXPECT_EQ(run.WaitForExit(), ExitCode::kFailed) << "a second report, or the program hangs";
  held.Reset();
  EXPECT_EQ(Profile(), bytes);
  EXPECT_FALSE(WorkFileExists());
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, RewriteFails,
    ::testing::Values(
        BrokenProfile{"Missing", std::nullopt, Holder::kNobody},
        BrokenProfile{"Empty", "", Holder::kNobody},
        BrokenProfile{"WithoutPhone0", "[Profile]\r\nName=Kelvarin Online\r\nPhone1=12345678\r\n",
                      Holder::kNobody},
        BrokenProfile{"HeldOpenByAnotherProcess", ProfileText(), Holder::kExclusively},
        BrokenProfile{"BeingReadByAnotherProcess", ProfileText(), Holder::kSharingReads}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice::testing
