#include "planset/setup_command_line.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "identity.h"
#include "logic/enclosing_quotes.h"
#include "logic/plan_table.h"
#include "logic/program_name.h"
#include "planset/arguments.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_text.h"
#endif

namespace planchoice::planset {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kFolderOption = " /D=";

// An ASCII letter in lower case; any other character as it is.
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithAnyCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return Lower(a) == Lower(b); });
}

// The arguments after the program's name (logic/program_name.h), split as
// CommandLineToArgvW splits them: blanks separate arguments outside quotes;
// 2n backslashes before a quote stand for n, and the quote opens or closes a
// quoted part, 2n+1 for n and a quote; two quotes inside a quoted part stand
// for one. Other backslashes stand for themselves.
std::vector<std::string> ArgumentsAfterProgramName(std::string_view line) {
  std::vector<std::string> arguments;
  std::string argument;
  bool in_argument = false;
  bool quoted = false;
  std::size_t backslashes = 0;
  for (std::size_t at = EndOfProgramName(line); at < line.size(); ++at) {
    const char c = line[at];
    if (c == '\\') {
      ++backslashes;
      in_argument = true;
      continue;
    }
    if (c == '"') {
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        argument += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      backslashes = 0;
      in_argument = true;
      continue;
    }
    argument.append(std::exchange(backslashes, 0), '\\');
    if (quoted || kBlanks.find(c) == std::string_view::npos) {
      argument += c;
      in_argument = true;
    } else if (in_argument) {
      arguments.push_back(std::exchange(argument, {}));
      in_argument = false;
    }
  }
  argument.append(backslashes, '\\');
  if (in_argument) {
    arguments.push_back(argument);
  }
  return arguments;
}

// Whether the setup installs into `folder`, with no blank or backslash at its
// end: a full path below a drive's root (C:\Folder) or a share
// (\\server\share\Folder), with no character that no Windows name holds.
// NSIS itself would put its default folder in place of one it cannot use.
bool IsInstallFolder(std::string_view folder) {
  if (folder.find_first_of("/\"<>|?*") != std::string_view::npos ||
      folder.find(':', 2) != std::string_view::npos ||
      std::any_of(folder.begin(), folder.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 32; })) {
    return false;
  }
  std::size_t root = 0;
  if (folder.size() >= 3 && Lower(folder[0]) >= 'a' && Lower(folder[0]) <= 'z' &&
      folder.substr(1, 2) == ":\\") {
    root = 3;
  } else if (folder.substr(0, 2) == "\\\\") {
    const std::size_t share = folder.find('\\', 2);
    root = share == std::string_view::npos ? share : folder.find('\\', share + 1);
    root = root == std::string_view::npos ? folder.size() : root + 1;
  } else {
    return false;
  }
  return root < folder.size();
}

std::string PlanExample() {
  return "/PLAN=\"" + std::string(PlanTable.front().label) + "\"";
}

std::string FolderExample() {
  return std::string("/D=C:\\") + kInstallFolder;
}

class Reader {
 public:
  SetupOptions Read(std::string_view command_line) {
    const std::size_t folder_at = command_line.find(kFolderOption);
    for (const std::string& argument :
         ArgumentsAfterProgramName(command_line.substr(0, folder_at))) {
      TakeOption(argument);
    }
    if (folder_at != std::string_view::npos) {
      TakeFolder(command_line.substr(folder_at + kFolderOption.size()));
    }
    if (plan_given_) {
      const std::string_view plan = WithoutEnclosingQuotes(std::string_view(options_.plan));
      if (plan.empty()) {
        Refuse("/PLAN= names no plan; give one, as in " + PlanExample() + ".");
      } else if (LookUpAccessNumber(plan).empty()) {
        Refuse("/PLAN= is refused: " + NoSuchPlan(plan));
      }
      options_.plan = std::string(plan);
    }
    return options_;
  }

 private:
  void Refuse(std::string sentence) {
    if (options_.refusal.empty()) {
      options_.refusal = std::move(sentence);
    }
  }

  void TakeOption(const std::string& argument) {
    if (argument == "/S") {
      options_.silent = true;
    } else if (argument == "/NCRC") {
      // NSIS's own: no check of the installer's integrity.
    } else if (StartsWithAnyCase(argument, "/PLAN=")) {
      if (std::exchange(plan_given_, true)) {
        Refuse("/PLAN= is given more than once; give it once.");
      }
      options_.plan = argument.substr(6);
    } else if (StartsWithAnyCase(argument, "/PLAN:")) {
      Refuse(argument + " is not taken: write /PLAN= with an equals sign, as in " + PlanExample() +
             ".");
    } else if (argument.size() == 5 && StartsWithAnyCase(argument, "/PLAN")) {
      Refuse("/PLAN needs a plan after an equals sign, as in " + PlanExample() + ".");
    } else if (StartsWithAnyCase(argument, "/LOG=")) {
      if (std::exchange(log_given_, true)) {
        Refuse("/LOG= is given more than once; give it once.");
      }
      options_.log = argument.substr(5);
      if (options_.log.empty()) {
        Refuse("/LOG= names no file; give one, as in /LOG=C:\\Logs\\kelvarin-setup.log.");
      }
    } else if (StartsWithAnyCase(argument, "/D=")) {
      Refuse(argument + " is not taken: /D= must come last, in capitals and without quotes, " +
             "even when the folder has a blank, as in " + FolderExample() + ".");
    } else {
      Refuse(argument +
             " is not an option of this setup. It takes /S, /PLAN=<plan>, /LOG=<file> and, "
             "last, /D=<folder>; /S and /D= in capitals.");
    }
  }

  void TakeFolder(std::string_view given) {
    // NSIS drops the blanks and backslashes at the end.
    const std::string_view folder = given.substr(0, given.find_last_not_of(" \\") + 1);
    if (given.find(" /") != std::string_view::npos) {
      Refuse("/D= must come last: everything after it is taken as the folder, here \"" +
             std::string(given) + "\".");
    } else if (given.find('"') != std::string_view::npos) {
      Refuse("/D= must not be in quotes, even when the folder has a blank, as in " +
             FolderExample() + ".");
    } else if (!IsInstallFolder(folder)) {
      Refuse("/D=" + std::string(given) +
             " is not a folder this setup can install into; it must be a full path with "
             "backslashes, such as " +
             FolderExample().substr(3) + ", and not a drive's root.");
    } else {
      options_.folder = folder;
    }
  }

  SetupOptions options_;
  bool plan_given_ = false;
  bool log_given_ = false;
};

}  // namespace

SetupOptions ReadSetupCommandLine(std::string_view command_line) {
  return Reader().Read(command_line);
}

#ifdef _WIN32
std::string ReadSetupText(const std::string& path) {
  // Longer than any command line Windows passes on.
  std::wstring text(32768, L'\0');
  DWORD read = 0;
  const FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || !::ReadFile(file.get(), text.data(),
                           static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr)) {
    throw FileError("read", path, SystemMessage(::GetLastError()));
  }
  text.resize(read / sizeof(wchar_t));
  if (text.empty() || text.front() != L'\xFEFF') {
    throw Error("The file " + path + " does not begin with UTF-16's byte order mark.");
  }
  return Narrow(std::wstring_view(text).substr(1));
}

void RefuseUnwritableLog(SetupOptions& options) {
  if (options.log.empty()) {
    return;
  }
  const FileHandle log(::CreateFileW(Widen(options.log).c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) {
    if (options.refusal.empty()) {
      options.refusal = "The log file " + options.log +
                        " cannot be written: " + AsSentenceEnd(SystemMessage(::GetLastError()));
    }
    options.log.clear();
  }
}
#endif

}  // namespace planchoice::planset
