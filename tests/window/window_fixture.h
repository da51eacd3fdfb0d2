// What the window tests share: a scratch directory with a profile in it, the
// program to start on it, the profile's expected contents, and the layout
// the window must show; for the installers' tests, their exit codes and the
// files they install.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "driver/dialogs.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"

namespace planchoice::testing {

// The access number the profiles carry before the program sets one.
inline constexpr std::string_view kNumberAsWritten = "00000000";

// A profile as setup installs it: sections, several keys, a value with a
// comma, and the "Phone0=" entry to be set.
std::string ProfileText(std::string_view number = kNumberAsWritten);

// Whether `text` holds `part`, for messages that must name something.
::testing::AssertionResult Contains(const std::wstring& text, const std::wstring& part);

// Whether a window's rectangle is the given one, within a pixel.
::testing::AssertionResult IsAt(const RECT& actual, int left, int top, int width, int height);

// Checks that a message box has `title`, shows the stop icon, offers only
// OK, and is owned by `owner` (nullptr: by no window).
void ExpectStopBox(const driver::MessageBoxView& box, const std::wstring& title, HWND owner);

// A length of the dialog's design (dialog/design.h) at `dpi`, to the
// nearest pixel.
int AtDpi(int design_pixels, unsigned dpi);

// Checks that the dialog's client area and each of its controls have the
// place and size of the design at `dpi`, within a pixel.
void ExpectLayoutAt(const driver::PlanDialog& dialog, unsigned dpi);

// The installers' exit codes, as Windows Installer defines them.
inline constexpr DWORD kInstalled = 0;
inline constexpr DWORD kCancelled = 1602;
inline constexpr DWORD kInstallFailed = 1603;
inline constexpr DWORD kAlreadyRunning = 1618;
inline constexpr DWORD kBadCommandLine = 1639;

// The profile the installers ship, with `number` in its Phone0 entry and
// every other byte as it was; as shipped when `number` is empty.
std::string ShippedProfileWith(std::string_view number);

// Checks that `folder` holds the shipped profile with `number` (see
// ShippedProfileWith) and the programs of this build.
void ExpectInstalled(const std::filesystem::path& folder, std::string_view number);

// Makes `folder` a folder in which Users may do anything, as the installers
// must refuse to install into.
void LetUsersChange(const std::filesystem::path& folder);

// The text of a log an installer wrote, in whichever form it was written:
// UTF-16 with its mark, or the ANSI code page.
std::wstring LogText(const std::filesystem::path& path);

// `text` with each `placeholder` in it replaced by `with`.
std::wstring Replaced(std::wstring text, std::wstring_view placeholder, const std::wstring& with);

// The scratch directory's name unless a test names another.
inline constexpr char kWindowDirectory[] = "planchoice-window";

class WindowTest : public ::testing::Test {
 protected:
  explicit WindowTest(const std::string& directory_name = kWindowDirectory)
      : dir_(directory_name) {}

  void WriteProfile(const std::string& bytes = ProfileText()) const {
    dir_.Write("kelvarin.cmp", bytes);
  }
  std::optional<std::string> Profile() const { return dir_.Read("kelvarin.cmp"); }
  bool WorkFileExists() const { return std::filesystem::exists(dir_ / "kelvarin.tmp"); }
  // The scratch directory as the program is given it.
  std::wstring Directory() const { return dir_.path().wstring(); }
  std::wstring ProfilePath() const { return (dir_ / "kelvarin.cmp").wstring(); }
  // Checks that the profile holds `number` and that no work file is left.
  void ExpectProfileWith(std::string_view number = kNumberAsWritten) const;
  // Checks that `run` ends with `exit_code` and leaves the profile with `number`.
  void ExpectEnded(const StartedProgram& run, ExitCode exit_code,
                   std::string_view number = kNumberAsWritten) const;

  const ScratchDir dir_;
  const std::wstring program_ = BuildOutput("PlanChoice").wstring();
};

// A dialog shown on a directory that holds the usual profile.
class ShownDialogTest : public WindowTest {
 protected:
  using WindowTest::WindowTest;
  void SetUp() override;
  // The command line after the program's quoted name.
  virtual std::wstring CommandTail() const { return L" " + Directory(); }

  std::optional<StartedProgram> run_;
  std::optional<driver::PlanDialog> dialog_;
};

}  // namespace planchoice::testing
