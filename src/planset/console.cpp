#include "planset/console.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_text.h"
#endif

namespace planchoice::planset {

#ifdef _WIN32
namespace {

FileHandle& OutputFile() {
  static FileHandle file;
  return file;
}

void WriteWide(HANDLE file, std::wstring_view text) {
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
}

}  // namespace

void SendOutputTo(const std::string& path) {
  FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    throw FileError("make", path, SystemMessage(::GetLastError()));
  }
  WriteWide(file.get(), L"\xFEFF");
  OutputFile() = std::move(file);
}
#endif

void Write(std::FILE* stream, std::string_view text) {
#ifdef _WIN32
  if (OutputFile()) {
    std::string lines;
    for (const char c : text) {
      if (c == '\n') {
        lines += '\r';
      }
      lines += c;
    }
    WriteWide(OutputFile().get(), Widen(lines));
    return;
  }
  // The standard handles belong to the process: never closed here.
  const HANDLE console = ::GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!text.empty() && ::GetConsoleMode(console, &mode)) {
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace planchoice::planset
