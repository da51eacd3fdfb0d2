#include "planset/console.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "platform/win32_text.h"
#endif

namespace planchoice::planset {

void Write(std::FILE* stream, std::string_view text) {
#ifdef _WIN32
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
