// The example installer's command line (examples/setup/kelvarin.nsi), read
// whole for planset --setup-command-line: the installer itself finds /S and
// /PLAN= only unquoted, and puts its default folder in place of a /D= it
// cannot use without a word, so it asks planset what the line says.
#pragma once

#include <string>
#include <string_view>

namespace planchoice::planset {

struct SetupOptions {
  std::string plan;     // as planset names it; empty when /PLAN= is not given
  std::string folder;   // of /D=, without blanks and backslashes at its end
  std::string log;      // the file of /LOG=
  bool silent = false;  // /S, quoted or not
  std::string refusal;  // the first reason the line is not taken; empty when it is
};

// Reads `command_line` as the system hands it to the installer, its
// program's name first. Like NSIS, it takes everything after the first
// " /D=" as the install folder; the arguments before it are split as Windows
// programs split theirs (CommandLineToArgvW). The installer takes /S and
// /NCRC as written, /PLAN=<plan> and /LOG=<file> once each in any letter
// case, and last /D=<folder>: a full path with backslashes, without quotes,
// and not a drive's root. A plan is taken without one pair of quotes that
// encloses it, and must be a plan. The log file and /S are read even from a
// line that is refused, so that the installer can report the refusal.
SetupOptions ReadSetupCommandLine(std::string_view command_line);

#ifdef _WIN32
// The text of the file `path`, in UTF-16 with a byte order mark, as a setup
// script writes it (NSIS's FileWriteUTF16LE /BOM). Throws Error otherwise.
std::string ReadSetupText(const std::string& path);

// Refuses, where it is the first reason, a log file that cannot be opened to
// add to it (it is made where it is not there), and then leaves it out, so
// that the setup logs the refusal in its own log instead.
void RefuseUnwritableLog(SetupOptions& options);
#endif

}  // namespace planchoice::planset
