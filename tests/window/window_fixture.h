// What the window tests share: a scratch directory with a profile in it, the
// program to start on it, and the profile's expected contents.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "driver/dialogs.h"
#include "driver/program_run.h"
#include "support/scratch_dir.h"

namespace planchoice::testing {

// A profile as setup installs it: sections, several keys, a value with a
// comma, and the "Phone0=" entry to be set.
std::string ProfileText(std::string_view number = "00000000");

// Whether `text` holds `part`, for messages that must name something.
::testing::AssertionResult Contains(const std::wstring& text, const std::wstring& part);

// Whether a window's rectangle is the given one, within a pixel.
::testing::AssertionResult IsAt(const RECT& actual, int left, int top, int width, int height);

class WindowTest : public ::testing::Test {
 protected:
  explicit WindowTest(const std::string& directory_name = "planchoice-window");

  void WriteProfile(const std::string& bytes = ProfileText()) const;
  std::optional<std::string> Profile() const;
  bool WorkFileExists() const;
  // The scratch directory as the program is given it.
  std::wstring Directory() const;
  std::wstring ProfilePath() const;

  const ScratchDir dir_;
  const std::wstring program_ = driver::PlanChoicePath();
};

// A dialog shown on a directory that holds the usual profile.
class ShownDialogTest : public WindowTest {
 protected:
  void SetUp() override;

  std::optional<driver::ProgramRun> run_;
  std::optional<driver::PlanDialog> dialog_;
};

}  // namespace planchoice::testing
