#include "support/profile_cases.h"

#include <algorithm>

#include "logic/plan_table.h"
#include "platform/file.h"
#include "support/memory_streams.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;
using Where = std::optional<fs::path>;

Where TheDirectory(const ScratchDir&) {
  return std::nullopt;
}

// `directory`, made below the scratch directory, with a copy of its profile.
Where WithTheProfile(const ScratchDir& dir, const fs::path& directory) {
  fs::create_directories(directory);
  fs::copy_file(dir / "kelvarin.cmp", directory / "kelvarin.cmp");
  return directory;
}

std::string Expanded(std::string text, const std::string& name, const std::string& value) {
  const std::size_t at = text.find(name);
  return at == std::string::npos ? text : text.replace(at, name.size(), value);
}

std::vector<ProfileCase> EveryCase() {
  return {
      {"PlainDirectory", kProfile, TheDirectory, Outcome::kRewritten},
      {"OverAWorkFileLeftFromEarlier", kProfile,
       [](const ScratchDir& d) {
         d.Write("kelvarin.tmp", std::string(100000, 'x'));
         return Where();
       },
       Outcome::kRewritten},
      {"WithATrailingSeparator", kProfile,
       [](const ScratchDir& d) { return Where(fs::u8path(d.Utf8() + kPathSeparator)); },
       Outcome::kRewritten},
      {"UnicodeDirectoryName", kProfile,
       [](const ScratchDir& d) {
         return WithTheProfile(d, d / "planchoice \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC "
                                      "\xF0\x9F\x93\x9E");
       },
       Outcome::kRewritten},
      {"PathOver260Characters", kProfile,
       [](const ScratchDir& d) {
         fs::path deep = d.path();
         while (deep.native().size() < 300) {
           deep /= std::string(40, 'd');
         }
         return WithTheProfile(d, deep);
       },
       Outcome::kRewritten},
#ifdef _WIN32
      {"ThroughTheDeviceForm", kProfile,
       [](const ScratchDir& d) { return Where(fs::u8path("\\\\.\\" + d.Utf8())); },
       Outcome::kRewritten},
#endif
      {"TenThousandPhone0Lines", Repeated("Phone0=11112222\r\n", 10000), TheDirectory,
       Outcome::kRewritten},
      {"CrOnlyLineEnds", "[Kelvarin]\rPhone0=11112222\rName=Kelvarin, Inc.\r", TheDirectory,
       Outcome::kRewritten},
      {"NulAndEightBitBytes", std::string("N\0me=\xE9\xFF\x80\r\nPhone0=\0\r\n\xA0\r\n", 20),
       TheDirectory, Outcome::kRewritten},
      // Windows itself would refuse to replace it.
      {"ReadOnlyProfile", kProfile,
       [](const ScratchDir& d) {
         fs::permissions(d / "kelvarin.cmp",
                         fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
         return Where();
       },
       Outcome::kRefusedOnWindows, "The profile {profile} is read-only; it was left unchanged."},
      {"Missing", std::nullopt, TheDirectory, Outcome::kRefused, "Could not open {profile}: "},
      {"Empty", "", TheDirectory, Outcome::kRefused,
       "The profile {profile} is empty; it was left unchanged."},
      {"WithoutPhone0", "[Kelvarin]\r\nphone0=1\r\nPhone1=2", TheDirectory, Outcome::kRefused,
       "The profile {profile} has no \"Phone0=\" entry; it was left unchanged."},
      {"DirectoryDoesNotExist", std::nullopt,
       [](const ScratchDir& d) { return Where(d / "missing"); }, Outcome::kRefused,
       "Could not open {profile}: "},
      {"DirectoryIsAFile", kProfile,
       [](const ScratchDir& d) {
         d.Write("not-a-directory", kProfile);
         return Where(d / "not-a-directory");
       },
       Outcome::kRefused, "Could not open {profile}: "},
      {"ArgumentOf32000Characters", kProfile,
       [](const ScratchDir& d) {
         return Where(d.path().native() + fs::path::string_type(32000, 'a'));
       },
       Outcome::kRefused, "Could not open {profile}: "},
      {"ProfileIsADirectory", std::nullopt,
       [](const ScratchDir& d) {
         fs::create_directory(d / "kelvarin.cmp");
         return Where();
       },
       Outcome::kRefused, "The profile {profile} is a directory; it was left unchanged."},
      {"ProfileWithTwoNames", kProfile,
       [](const ScratchDir& d) {
         fs::create_hard_link(d / "kelvarin.cmp", d / "kelvarin-copy.cmp");
         return Where();
       },
       Outcome::kRefused, "The profile {profile} has 2 names (hard links)"},
      {"WorkPathIsADirectory", kProfile,
       [](const ScratchDir& d) {
         fs::create_directory(d / "kelvarin.tmp");
         return Where();
       },
       Outcome::kRefused, "Could not remove {work}"},
#ifdef _WIN32
      {"HeldOpenByAnotherProcess", kProfile, TheDirectory, Outcome::kRefused,
       "Could not open {profile}: ", ExitCode::kFailed, Holder::kExclusively},
      {"BeingReadByAnotherProcess", kProfile, TheDirectory, Outcome::kRefused,
       "Could not replace {profile}: ", ExitCode::kFailed, Holder::kSharingReads},
#else
      {"ProfileIsASymbolicLink", kProfile,
       [](const ScratchDir& d) {
         fs::rename(d / "kelvarin.cmp", d / "elsewhere.cmp");
         fs::create_symlink("elsewhere.cmp", d / "kelvarin.cmp");
         return Where();
       },
       Outcome::kRefused, "The profile {profile} is a symbolic link; it was left unchanged."},
      // Opening a FIFO for reading would wait for a writer.
      {"ProfileIsAFifo", std::nullopt,
       [](const ScratchDir& d) {
         EXPECT_EQ(::mkfifo((d / "kelvarin.cmp").c_str(), 0644), 0);
         return Where();
       },
       Outcome::kRefused, "The profile {profile} is a FIFO; it was left unchanged."},
#endif
  };
}

}  // namespace

const std::string kProfile = "[Kelvarin]\r\nPhone0=11112222\r\nName=Kelvarin, Inc.\r\n";

std::string Repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += line;
  }
  return text;
}

void PrintTo(const ProfileCase& profile_case, std::ostream* out) {
  *out << profile_case.name;
}

std::string CaseName(const ::testing::TestParamInfo<ProfileCase>& info) {
  return info.param.name;
}

std::vector<ProfileCase> ProfileCasesFor(FrontEnd front_end) {
  std::vector<ProfileCase> cases = EveryCase();
  // Built only where it runs: the window's memory holds it whole, while
  // planset's bounded-memory test streams its own.
  if (front_end == FrontEnd::kWindow) {
    cases.push_back({"HundredMegabyteSingleLine",
                     "Phone0=11112222\r\n" + std::string(100 * 1024 * 1024, 'x') + "\r\n",
                     TheDirectory, Outcome::kRewritten});
  }
  cases.erase(std::remove_if(cases.begin(), cases.end(),
                             [&](const ProfileCase& c) {
                               return std::count(c.skipped_by.begin(), c.skipped_by.end(),
                                                 front_end) > 0;
                             }),
              cases.end());
  return cases;
}

ArrangedCase::ArrangedCase(const ProfileCase& profile_case, const ScratchDir& dir)
    : case_(profile_case) {
  if (case_.profile) {
    dir.Write("kelvarin.cmp", *case_.profile);
  }
  argument_ = case_.arrange(dir).value_or(dir.path());
  std::error_code error;
  argument_existed_ = fs::exists(argument_, error);
  profile_directory_ = fs::is_directory(argument_, error) ? argument_ : dir.path();
  work_was_directory_ = fs::is_directory(profile_directory_ / "kelvarin.tmp");
#ifdef _WIN32
  if (case_.held_open_by != Holder::kNobody) {
    const DWORD share = case_.held_open_by == Holder::kSharingReads ? FILE_SHARE_READ : 0;
    held_ =
        FileHandle(::CreateFileW((profile_directory_ / "kelvarin.cmp").c_str(), GENERIC_READ, share,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(held_) << "the profile could not be held open";
  }
#endif
}

bool ArrangedCase::ShouldBeRefused() const {
#ifdef _WIN32
  return case_.outcome != Outcome::kRewritten;
#else
  return case_.outcome == Outcome::kRefused;
#endif
}

void ArrangedCase::ExpectMessage(const std::string& message) const {
  const std::string directory = argument_.u8string() + kPathSeparator;
  const std::string start = Expanded(Expanded(case_.says, "{profile}", directory + "kelvarin.cmp"),
                                     "{work}", directory + "kelvarin.tmp");
  EXPECT_EQ(message.rfind(start, 0), 0u) << message << "\ndoes not start with\n" << start;
  EXPECT_EQ(message.back(), '.') << message;
}

void ArrangedCase::Release() {
#ifdef _WIN32
  held_.Reset();
#endif
}

void ArrangedCase::ExpectProfileLeft(bool refused) const {
  const std::optional<std::string> profile = ReadBytes(profile_directory_ / "kelvarin.cmp");
  if (refused) {
    EXPECT_TRUE(profile == case_.profile) << "the profile was changed";
  } else {
    EXPECT_TRUE(profile == RewrittenInMemory(*case_.profile, LookUpAccessNumber(kPlan)))
        << "the profile is not as rewritten";
  }
  EXPECT_EQ(fs::exists(fs::symlink_status(profile_directory_ / "kelvarin.tmp")),
            work_was_directory_);
  std::error_code error;
  EXPECT_EQ(fs::exists(argument_, error), argument_existed_);
}

}  // namespace planchoice::testing
