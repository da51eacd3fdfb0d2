// The directory as setup programs spell it on the command line.
#include <gtest/gtest.h>

#include <string>

#include "access_numbers.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

struct Spelling {
  const char* name;
  const char* directory_name;  // UTF-8
  // The command line after the program's quoted name, for `directory`.
  std::wstring (*command_tail)(const std::wstring& directory);
};

void PrintTo(const Spelling& spelling, std::ostream* out) {
  *out << spelling.name;
}

class DirectoryArgument : public WindowTest, public ::testing::WithParamInterface<Spelling> {
 protected:
  DirectoryArgument() : WindowTest(GetParam().directory_name) {}
};

TEST_P(DirectoryArgument, NamesTheDirectoryWhoseProfileIsRewritten) {
  WriteProfile();
  StartedProgram run(program_, GetParam().command_tail(Directory()));
  const auto dialog = driver::PlanDialog::Find(run.process_id());
  ASSERT_TRUE(dialog) << "the dialog was not shown";
  ASSERT_TRUE(dialog->PickPlan(L"Sorvel 10"));
  ASSERT_TRUE(dialog->ClickOk());
  ExpectEnded(run, ExitCode::kSuccess, kAccessNumberA);
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, DirectoryArgument,
    ::testing::Values(Spelling{"QuotedWithSpaces", "plan choice with spaces",
                               [](const std::wstring& d) { return L" \"" + d + L"\""; }},
                      Spelling{"QuotedThenABlank", "plan choice with spaces",
                               [](const std::wstring& d) { return L" \"" + d + L"\" "; }},
                      Spelling{"UnquotedWithSpaces", "plan choice with spaces",
                               [](const std::wstring& d) { return L" " + d; }},
                      Spelling{"TrailingBackslash", "planchoice-window",
                               [](const std::wstring& d) { return L" " + d + L"\\"; }},
                      Spelling{"QuotedWithTrailingBackslash", "plan choice with spaces",
                               [](const std::wstring& d) { return L" \"" + d + L"\\\""; }},
                      Spelling{"BlanksBeforeIt", "planchoice-window",
                               [](const std::wstring& d) { return L" \t  " + d; }},
                      Spelling{
                          "NonAsciiName",
                          "planchoice \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E",
                          [](const std::wstring& d) { return L" " + d; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice::testing
