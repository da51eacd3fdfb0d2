#include "window_fixture.h"

#include <sddl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "dialog/design.h"
#include "driver/window_query.h"
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

void ExpectStopBox(const driver::MessageBoxView& box, const std::wstring& title, HWND owner) {
  EXPECT_EQ(box.Title(), title);
  EXPECT_TRUE(box.ShowsIcon(IDI_HAND));
  EXPECT_EQ(box.Buttons(), std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(driver::Owner(box.window()), owner);
}

int AtDpi(int design_pixels, unsigned dpi) {
  return static_cast<int>(std::lround(design_pixels * dpi / 96.0));
}

void ExpectLayoutAt(const driver::PlanDialog& dialog, unsigned dpi) {
  EXPECT_TRUE(IsAt(driver::ClientRect(dialog.window()), 0, 0, AtDpi(kClientSize.width, dpi),
                   AtDpi(kClientSize.height, dpi)))
      << "the client area";
  for (const ControlDesign& design : kControls) {
    const PixelRect& rect = design.rect;
    EXPECT_TRUE(IsAt(driver::RectInParent(::GetDlgItem(dialog.window(), design.id)),
                     AtDpi(rect.left, dpi), AtDpi(rect.top, dpi), AtDpi(rect.width, dpi),
                     AtDpi(rect.height, dpi)))
        << "the " << Narrow(design.class_name) << " control " << design.id;
  }
}

std::string ShippedProfileWith(std::string_view number) {
  constexpr std::string_view kShippedEntry = "Phone0=00000000\r\n";
  std::string profile = ReadBytes(BuildOutput("shipped-profile")).value_or("");
  if (!number.empty()) {
    profile.replace(profile.find(kShippedEntry), kShippedEntry.size(),
                    "Phone0=" + std::string(number) + "\r\n");
  }
  return profile;
}

void LetUsersChange(const std::filesystem::path& folder) {
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  PSECURITY_DESCRIPTOR open = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;OICI;FA;;;BU)", SDDL_REVISION_1, &open, nullptr));
  const LocalMemoryOwner owned(open);
  ASSERT_TRUE(::SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, open));
}

void ExpectInstalled(const std::filesystem::path& folder, std::string_view number) {
  EXPECT_EQ(ReadBytes(folder / "kelvarin.cmp"), ShippedProfileWith(number)) << "the profile";
  for (const char* program : {"PlanChoice", "planset"}) {
    const std::filesystem::path built = BuildOutput(program);
    ASSERT_TRUE(ReadBytes(built)) << built << " was not built";
    EXPECT_EQ(ReadBytes(folder / built.filename()), ReadBytes(built))
        << built << " is not the build's";
  }
}

// The installer's log, in whichever form it was written: UTF-16 with its
// mark, or the ANSI code page.
std::wstring LogText(const std::filesystem::path& path) {
  const std::string bytes = ReadBytes(path).value_or("");
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                        (bytes.size() - 2) / sizeof(wchar_t));
  }
  std::wstring text(bytes.size(), L'\0');
  text.resize(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    text.data(), static_cast<int>(text.size())));
  return text;
}

std::wstring Replaced(std::wstring text, std::wstring_view placeholder, const std::wstring& with) {
  for (std::size_t at = text.find(placeholder); at != std::wstring::npos;
       at = text.find(placeholder, at + with.size())) {
    text.replace(at, placeholder.size(), with);
  }
  return text;
}

void WindowTest::ExpectProfileWith(std::string_view number) const {
  EXPECT_EQ(Profile(), ProfileText(number));
  EXPECT_FALSE(WorkFileExists());
}

void WindowTest::ExpectEnded(const StartedProgram& run, ExitCode exit_code,
                             std::string_view number) const {
  EXPECT_EQ(run.WaitForExit(), exit_code);
  ExpectProfileWith(number);
}

void ShownDialogTest::SetUp() {
  WriteProfile();
  run_.emplace(program_, CommandTail());
  dialog_ = driver::PlanDialog::Find(run_->process_id());
  ASSERT_TRUE(dialog_) << "the dialog was not shown";
}

}  // namespace planchoice::testing
