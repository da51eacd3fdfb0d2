#include "window_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "platform/win32_text.h"

namespace planchoice::testing {

std::string ProfileText(std::string_view number) {
  return "[Profile]\r\n"
         "Name=Kelvarin Online\r\n"
         "\r\n"
         "[Kelvarin Online]\r\n"
         "ServiceName=Kelvarin, Inc.\r\n"
         "Phone0=" +
         std::string(number) +
         "\r\n"
         "RedialCount=3\r\n";
}

::testing::AssertionResult Contains(const std::wstring& text, const std::wstring& part) {
  if (text.find(part) != std::wstring::npos) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "\"" << Narrow(text) << "\" does not contain \"" << Narrow(part) << "\"";
}

::testing::AssertionResult IsAt(const RECT& actual, int left, int top, int width, int height) {
  const int actual_width = actual.right - actual.left;
  const int actual_height = actual.bottom - actual.top;
  const bool within_a_pixel =
      std::abs(actual.left - left) <= 1 && std::abs(actual.top - top) <= 1 &&
      std::abs(actual_width - width) <= 1 && std::abs(actual_height - height) <= 1;
  if (within_a_pixel) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "at " << actual.left << ", " << actual.top << ", "
                                       << actual_width << " x " << actual_height << " rather than "
                                       << left << ", " << top << ", " << width << " x " << height;
}

WindowTest::WindowTest(const std::string& directory_name) : dir_(directory_name) {}

void WindowTest::WriteProfile(const std::string& bytes) const {
  dir_.Write("kelvarin.cmp", bytes);
}

std::optional<std::string> WindowTest::Profile() const {
  return dir_.Read("kelvarin.cmp");
}

bool WindowTest::WorkFileExists() const {
  return std::filesystem::exists(dir_ / "kelvarin.tmp");
}

std::wstring WindowTest::Directory() const {
  return dir_.path().wstring();
}

std::wstring WindowTest::ProfilePath() const {
  return (dir_ / "kelvarin.cmp").wstring();
}

void ShownDialogTest::SetUp() {
  WriteProfile();
  run_.emplace(program_, L" " + Directory());
  dialog_ = driver::PlanDialog::Find(run_->process_id());
  ASSERT_TRUE(dialog_) << "the dialog was not shown";
}

}  // namespace planchoice::testing
