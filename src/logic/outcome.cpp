#include "logic/outcome.h"

#include <algorithm>
#include <exception>
#include <new>

#include "platform/error.h"

namespace planchoice {
namespace {

struct Meanings {
  int code;
  const char* window;
  const char* planset;
};

constexpr Meanings kExitCodes[] = {
#define PLANCHOICE_EXIT_CODE(code, name, window, planset) {code, window, planset},
#include "logic/outcome.def"
#undef PLANCHOICE_EXIT_CODE
};

constexpr std::size_t kListWidth = 79;

std::string_view For(const Meanings& meanings, Program program) {
  return program == Program::kWindow ? meanings.window : meanings.planset;
}

}  // namespace

std::string ExitCodeList(Program program) {
  std::string list;
  for (const Meanings& meanings : kExitCodes) {
    std::string_view text = For(meanings, program);
    if (text.empty()) {
      continue;
    }
    std::string line = "  " + std::to_string(meanings.code) + "  ";
    const std::size_t indent = line.size();
    while (!text.empty()) {
      const std::string_view word = text.substr(0, text.find(' '));
      text.remove_prefix(std::min(text.size(), word.size() + 1));
      if (line.size() > indent && line.size() + 1 + word.size() > kListWidth) {
        list += line + "\n";
        line.assign(indent, ' ');
      } else if (line.size() > indent) {
        line += ' ';
      }
      line += word;
    }
    list += line + "\n";
  }
  return list;
}

Failure CurrentFailure() {
  try {
    throw;
  } catch (const DurabilityError& error) {
    return {ExitCode::kNotYetOnDisk, error.what()};
  } catch (const RewriteRunningError& error) {
    return {ExitCode::kAnotherRewrite, error.what()};
  } catch (const Error& error) {
    return {ExitCode::kFailed, error.what()};
  } catch (const std::bad_alloc&) {
    return {ExitCode::kFailed, "There is not enough memory to go on; nothing was changed."};
  } catch (const std::exception& error) {
    return {ExitCode::kFailed, std::string("An unexpected error stopped the program (") +
                                   error.what() + "); nothing was changed."};
  } catch (...) {
    return {ExitCode::kFailed, "An unexpected error stopped the program; nothing was changed."};
  }
}

}  // namespace planchoice
