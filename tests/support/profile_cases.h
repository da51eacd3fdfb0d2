// The profile cases that every front end meets, from the rewrite itself to
// the window: how a case arranges the scratch directory, and what must come
// of it. Each front end runs the rows through its own checks.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "logic/outcome.h"
#include "platform/file.h"
#include "support/scratch_dir.h"

namespace planchoice::testing {

// The profile a case starts from unless it brings its own.
extern const std::string kProfile;
// The plan every case chooses.
inline constexpr char kPlan[] = "Sorvel 25";

// kRefusedOnWindows: refused there and rewritten on POSIX.
enum class Outcome { kRewritten, kRefused, kRefusedOnWindows };

// Who else has the profile or its work file while the case runs: another
// process holding the profile open (exclusively, or sharing reads), or a
// reader holding a work file left from earlier open (Windows only); or
// another rewrite of the profile, under way.
enum class Holder { kNobody, kExclusively, kSharingReads, kReaderOfALeftoverWorkFile, kARewrite };

enum class FrontEnd { kLogic, kPlanset, kWindow };

struct ProfileCase {
  const char* name;
  std::optional<std::string> profile;  // written as kelvarin.cmp first; nothing: no profile
  Outcome outcome;
  // How the refusal's message starts, with {profile} and {work} for the
  // profile's and the work file's paths in the directory passed.
  const char* says = "";
  std::function<void(const ScratchDir&)> arrange = nullptr;  // the rest of the directory
  // Makes the directory to pass ready; none: the scratch directory itself.
  std::function<std::filesystem::path(const ScratchDir&)> argument = nullptr;
  // Checks what the rewritten profile has kept besides its text.
  std::function<void(const ScratchDir&)> keeps = nullptr;
  ExitCode exit_code = ExitCode::kFailed;  // a program's, when refused
  Holder held_open_by = Holder::kNobody;
  const char* wine_cannot = nullptr;  // why Wine cannot run the case, which Windows then runs
  bool needs_root = false;
};

void PrintTo(const ProfileCase& profile_case, std::ostream* out);
std::string CaseName(const ::testing::TestParamInfo<ProfileCase>& info);

// The rows the front end runs.
std::vector<ProfileCase> ProfileCasesFor(FrontEnd front_end);

// One row set up in a scratch directory: the profile written, the rest
// arranged and the profile held open if the row says so. Where the row
// cannot run, it marks the test skipped instead (see Test::IsSkipped).
class ArrangedCase {
 public:
  ArrangedCase(const ProfileCase& profile_case, const ScratchDir& dir);

  bool ShouldBeRefused() const;
  const std::filesystem::path& argument() const { return argument_; }
  // Checks a refusal's message: how it starts, and that it ends a sentence.
  void ExpectMessage(const std::string& message) const;
  // Lets go of the profile, when it was held open.
  void Release();
  // Checks the profile, as it was when refused and rewritten otherwise, and
  // that no work file is left (a directory in its place stays, and so does
  // a file that a reader held open).
  void ExpectProfileLeft(bool refused) const;

 private:
  const ProfileCase& case_;
  const ScratchDir& dir_;
  std::filesystem::path argument_;
  std::filesystem::path profile_directory_;
  bool argument_existed_ = false;
  bool work_stays_ = false;
  FileHandle held_;
  std::optional<Folder> rewrite_folder_;
  std::optional<ProfileFile> rewrite_;
};

}  // namespace planchoice::testing
