#include "support/profile_cases.h"

#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "platform/file.h"
#include "support/memory_streams.h"
#include "support/under_wine.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>

#include "platform/owner.h"
#else
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;

std::string Repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += line;
  }
  return text;
}

void SkipBecause(const std::string& reason) {
  GTEST_SKIP() << reason;
}

// `directory`, made below the scratch directory with a copy of its profile,
// as given with a trailing separator.
fs::path WithTheProfile(const ScratchDir& dir, const fs::path& directory) {
  fs::create_directories(directory);
  fs::copy_file(dir / "kelvarin.cmp", directory / "kelvarin.cmp");
  return fs::u8path(directory.u8string() + kPathSeparator);
}

std::function<fs::path(const ScratchDir&)> Named(const char* name) {
  return [name](const ScratchDir& d) { return WithTheProfile(d, d / name); };
}

std::function<void(const ScratchDir&)> MakeDirectory(const char* name) {
  return [name](const ScratchDir& d) { fs::create_directory(d / name); };
}

std::string Expanded(std::string text, const std::string& name, const std::string& value) {
  const std::size_t at = text.find(name);
  return at == std::string::npos ? text : text.replace(at, name.size(), value);
}

// The folder `link`, made a link to the folder `target` beside it that
// holds a copy of the profile: a symbolic link, or on Windows a junction,
// which any user may make, as `mklink /J` does.
fs::path LinkedFolder(const ScratchDir& d, const char* link, const char* target) {
  WithTheProfile(d, d / target);
#ifdef _WIN32
  fs::create_directory(d / link);
  const FileHandle folder(
      ::CreateFileW((d / link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  EXPECT_TRUE(folder);
  // REPARSE_DATA_BUFFER's mount point form: the NT path and the name shown,
  // each ended by a NUL that its length leaves out.
  const std::wstring substitute = L"\\??\\" + (d / target).wstring();
  const std::wstring shown = (d / target).wstring();
  struct {
    DWORD tag;
    WORD data_length;
    WORD reserved;
    WORD substitute_offset, substitute_length, shown_offset, shown_length;
    wchar_t names[2048];
  } data{};
  data.tag = IO_REPARSE_TAG_MOUNT_POINT;
  data.substitute_length = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  data.shown_offset = static_cast<WORD>(data.substitute_length + sizeof(wchar_t));
  data.shown_length = static_cast<WORD>(shown.size() * sizeof(wchar_t));
  std::memcpy(data.names, substitute.c_str(), data.substitute_length);
  std::memcpy(reinterpret_cast<char*>(data.names) + data.shown_offset, shown.c_str(),
              data.shown_length);
  data.data_length =
      static_cast<WORD>(4 * sizeof(WORD) + data.shown_offset + data.shown_length + sizeof(wchar_t));
  DWORD returned = 0;
  EXPECT_TRUE(::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, &data, data.data_length + 8u,
                                nullptr, 0, &returned, nullptr))
      << "no junction made: " << ::GetLastError();
#else
  fs::create_directory_symlink(target, d / link);
#endif
  return d / link;
}

#ifdef _WIN32
DWORD AttributesOf(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str());
}

void AddAttributes(const fs::path& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), AttributesOf(path) | attributes));
}

// The profile, or a stale file at the work file's name, given `attribute`:
// the new profile has the attributes the old one had, and none of the stale
// file's.
ProfileCase WithAttribute(const char* name, const char* file, DWORD attribute) {
  const DWORD kept = std::string(file) == "kelvarin.cmp" ? attribute : 0;
  return {name,
          kProfile,
          Outcome::kRewritten,
          "",
          [=](const ScratchDir& d) {
            if (kept == 0) {
              d.Write(file, "stale");
            }
            AddAttributes(d / file, attribute);
          },
          nullptr,
          [=](const ScratchDir& d) {
            EXPECT_EQ(AttributesOf(d / "kelvarin.cmp") &
                          (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                      kept);
          }};
}

// The security descriptor's parts named by `parts`, in SDDL.
std::wstring SecurityOf(const fs::path& path, SECURITY_INFORMATION parts) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  EXPECT_EQ(::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr,
                                    nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  const LocalMemoryOwner owned(descriptor);
  LPWSTR text = nullptr;
  EXPECT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     parts, &text, nullptr));
  const LocalMemoryOwner owned_text(text);
  return text ? text : L"";
}

// Sets what the SDDL `sddl` gives of the parts `parts` on `path`; the
// system's answer.
DWORD SetSecurity(const fs::path& path, const wchar_t* sddl, SECURITY_INFORMATION parts) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return ::GetLastError();
  }
  const LocalMemoryOwner owned(descriptor);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  return ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, parts, owner,
                                 nullptr, dacl, nullptr);
}

// Only this user may change the profile, and everyone may read it: none of
// it inherited from the directory.
std::wstring PrivateDacl() {
  HANDLE token = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  const KernelObjectOwner owned_token(token);
  alignas(TOKEN_USER) BYTE buffer[256];
  DWORD size = 0;
  EXPECT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
  LPWSTR user = nullptr;
  EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &user));
  const LocalMemoryOwner owned_user(user);
  return L"D:P(A;;FA;;;" + std::wstring(user ? user : L"") + L")(A;;FR;;;WD)";
}

constexpr FILETIME kLongAgo = {0x403f8000, 0x01c08d74};  // 2001-02-03
#else
struct stat StatusOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status;
}

std::function<void(const ScratchDir&)> ModeIs(mode_t mode) {
  return [mode](const ScratchDir& d) {
    EXPECT_EQ(StatusOf(d / "kelvarin.cmp").st_mode & 07777, mode);
  };
}

constexpr uid_t kNobody = 65534;
#endif

std::vector<ProfileCase> EveryCase() {
  return {
      {"PlainDirectory", kProfile, Outcome::kRewritten},
      {"OverAWorkFileLeftFromEarlier", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) { d.Write("kelvarin.tmp", std::string(100000, 'x')); }},
      {"WithATrailingSeparator", kProfile, Outcome::kRewritten, "", nullptr,
       [](const ScratchDir& d) { return fs::u8path(d.Utf8() + kPathSeparator); }},
      // Names that a command line must carry through intact.
      {"NameWithBlanksACommaAndPercents", kProfile, Outcome::kRewritten, "", nullptr,
       Named("planset with  blanks, a comma & %PATH%")},
      {"UnicodeName", kProfile, Outcome::kRewritten, "", nullptr,
       Named("planchoice \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E")},
      {"PathOver260Characters", kProfile, Outcome::kRewritten, "", nullptr,
       [](const ScratchDir& d) {
         fs::path deep = d.path();
         while (deep.native().size() < 300) {
           deep /= std::string(40, 'd');
         }
         return WithTheProfile(d, deep);
       }},
      {"TenThousandPhone0Lines", Repeated("Phone0=11112222\r\n", 10000), Outcome::kRewritten},
      {"CrOnlyLineEnds", "[Kelvarin]\rPhone0=11112222\rName=Kelvarin, Inc.\r", Outcome::kRewritten},
      {"NulAndEightBitBytes", std::string("N\0me=\xE9\xFF\x80\r\nPhone0=\0\r\n\xA0\r\n", 20),
       Outcome::kRewritten},
      // Windows itself would refuse to replace it.
      {"ReadOnlyProfile", kProfile, Outcome::kRefusedOnWindows,
       "The profile {profile} is read-only; it was left unchanged.",
       [](const ScratchDir& d) {
         fs::permissions(d / "kelvarin.cmp",
                         fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
       }},
      {"Missing", std::nullopt, Outcome::kRefused, "Could not open {profile}: "},
      {"Empty", "", Outcome::kRefused, "The profile {profile} is empty; it was left unchanged."},
      {"WithoutPhone0", "[Kelvarin]\r\nphone0=1\r\nPhone1=2", Outcome::kRefused,
       "The profile {profile} has no \"Phone0=\" entry; it was left unchanged."},
      {"DirectoryDoesNotExist", std::nullopt, Outcome::kRefused,
       "Could not open {profile}: ", nullptr, [](const ScratchDir& d) { return d / "missing"; }},
      {"DirectoryIsAFile", kProfile, Outcome::kRefused, "Could not open {profile}: ", nullptr,
       [](const ScratchDir& d) {
         d.Write("not-a-directory", kProfile);
         return d / "not-a-directory";
       }},
      {"ArgumentOf32000Characters", kProfile, Outcome::kRefused,
       "Could not open {profile}: ", nullptr,
       [](const ScratchDir& d) {
         return fs::path(d.path().native() + fs::path::string_type(32000, 'a'));
       }},
      {"ProfileIsADirectory", std::nullopt, Outcome::kRefused,
       "The profile {profile} is a directory; it was left unchanged.",
       MakeDirectory("kelvarin.cmp")},
      {"ProfileWithTwoNames", kProfile, Outcome::kRefused,
       "The profile {profile} has 2 names (hard links)",
       [](const ScratchDir& d) {
         fs::create_hard_link(d / "kelvarin.cmp", d / "kelvarin-copy.cmp");
       }},
      {"WorkPathIsADirectory", kProfile, Outcome::kRefused, "Could not remove {work}",
       MakeDirectory("kelvarin.tmp")},
      // Whoever may change what the folder's name leads to could send a
      // rewrite, a privileged one too, to a folder of their choosing.
      {"FolderIsALink", kProfile, Outcome::kRefused,
       "The profile {profile} is in a folder that is a ", nullptr,
       [](const ScratchDir& d) { return LinkedFolder(d, "linked", "real"); }, nullptr,
       ExitCode::kFailed, Holder::kNobody,
       "Wine makes no junction (FSCTL_SET_REPARSE_POINT is not supported)"},
      {"AnotherRewriteHoldsIt", kProfile, Outcome::kRefused,
       "Another rewrite of the profile {profile} is running; it was left unchanged.", nullptr,
       nullptr, nullptr, ExitCode::kAnotherRewrite, Holder::kARewrite},
#ifdef _WIN32
      // A reader may hold a file it may only read, but the rewrite does not
      // take that for another rewrite, which would hold it so as to delete it.
      {"LeftoverWorkFileHeldOpenByAReader", kProfile, Outcome::kRefused,
       "Could not remove {work}: ",
       [](const ScratchDir& d) { d.Write("kelvarin.tmp", "left over"); }, nullptr, nullptr,
       ExitCode::kFailed, Holder::kReaderOfALeftoverWorkFile},
      {"HeldOpenByAnotherProcess", kProfile, Outcome::kRefused, "Could not open {profile}: ",
       nullptr, nullptr, nullptr, ExitCode::kFailed, Holder::kExclusively},
      {"BeingReadByAnotherProcess", kProfile, Outcome::kRefused, "Could not replace {profile}: ",
       nullptr, nullptr, nullptr, ExitCode::kFailed, Holder::kSharingReads},
      {"ThroughTheDeviceForm", kProfile, Outcome::kRewritten, "", nullptr,
       [](const ScratchDir& d) { return fs::u8path("\\\\.\\" + d.Utf8()); }},
      // Whatever the profile has of its own, and whatever stands at the work
      // file's name beforehand, the new profile differs from the old one only
      // in its text.
      WithAttribute("HiddenProfile", "kelvarin.cmp", FILE_ATTRIBUTE_HIDDEN),
      WithAttribute("SystemProfile", "kelvarin.cmp", FILE_ATTRIBUTE_SYSTEM),
      WithAttribute("ReadOnlyStaleWorkFile", "kelvarin.tmp", FILE_ATTRIBUTE_READONLY),
      WithAttribute("HiddenStaleWorkFile", "kelvarin.tmp", FILE_ATTRIBUTE_HIDDEN),
      WithAttribute("SystemStaleWorkFile", "kelvarin.tmp", FILE_ATTRIBUTE_SYSTEM),
      {"ProfileWithItsOwnPermissions", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         ASSERT_EQ(SetSecurity(d / "kelvarin.cmp", PrivateDacl().c_str(),
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION),
                   static_cast<DWORD>(ERROR_SUCCESS));
       },
       nullptr,
       [](const ScratchDir& d) {
         EXPECT_EQ(SecurityOf(d / "kelvarin.cmp", DACL_SECURITY_INFORMATION), PrivateDacl());
       },
       ExitCode::kFailed, Holder::kNobody, "Wine keeps no security descriptor of a file"},
      {"ProfileOwnedByTheAdministrators", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         if (SetSecurity(d / "kelvarin.cmp", L"O:BA", OWNER_SECURITY_INFORMATION) !=
             ERROR_SUCCESS) {
           SkipBecause(
               "this account may not give a file to the Administrators; an "
               "administrator's elevated prompt may");
         }
       },
       nullptr,
       [](const ScratchDir& d) {
         EXPECT_EQ(SecurityOf(d / "kelvarin.cmp", OWNER_SECURITY_INFORMATION), L"O:BA");
       },
       ExitCode::kFailed, Holder::kNobody, "Wine keeps no owner of a file"},
      {"ProfileCreatedLongAgo", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         const FileHandle profile(::CreateFileW((d / "kelvarin.cmp").c_str(), FILE_WRITE_ATTRIBUTES,
                                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                                nullptr));
         ASSERT_TRUE(::SetFileTime(profile.get(), &kLongAgo, nullptr, nullptr));
       },
       nullptr,
       [](const ScratchDir& d) {
         WIN32_FILE_ATTRIBUTE_DATA data{};
         ASSERT_TRUE(
             ::GetFileAttributesExW((d / "kelvarin.cmp").c_str(), GetFileExInfoStandard, &data));
         EXPECT_EQ(data.ftCreationTime.dwHighDateTime, kLongAgo.dwHighDateTime);
         EXPECT_EQ(data.ftCreationTime.dwLowDateTime, kLongAgo.dwLowDateTime);
       },
       ExitCode::kFailed, Holder::kNobody, "Wine keeps no creation time of a file"},
#else
      {"NameWithQuotesAndBackslashes", kProfile, Outcome::kRewritten, "", nullptr,
       Named("planset \"quoted\" \\ back\\\\slashes")},
      {"ProfileIsASymbolicLink", kProfile, Outcome::kRefused,
       "The profile {profile} is a symbolic link; it was left unchanged.",
       [](const ScratchDir& d) {
         fs::rename(d / "kelvarin.cmp", d / "elsewhere.cmp");
         fs::create_symlink("elsewhere.cmp", d / "kelvarin.cmp");
       }},
      // Opening a FIFO for reading would wait for a writer.
      {"ProfileIsAFifo", std::nullopt, Outcome::kRefused,
       "The profile {profile} is a FIFO; it was left unchanged.",
       [](const ScratchDir& d) { ASSERT_EQ(::mkfifo((d / "kelvarin.cmp").c_str(), 0644), 0); }},
      // What the profile has of its own, and whatever stands at the work
      // file's name beforehand: the new profile differs from the old one
      // only in its text.
      {"PrivateProfile", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) { ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0600), 0); },
       nullptr, ModeIs(0600)},
      {"ProfileOfAnotherOwner", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         ASSERT_EQ(::chown((d / "kelvarin.cmp").c_str(), kNobody, kNobody), 0);
         ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0640), 0);
       },
       nullptr,
       [](const ScratchDir& d) {
         const struct stat status = StatusOf(d / "kelvarin.cmp");
         EXPECT_EQ(status.st_uid, kNobody);
         EXPECT_EQ(status.st_gid, kNobody);
         EXPECT_EQ(status.st_mode & 07777, 0640u);
       },
       ExitCode::kFailed, Holder::kNobody, nullptr, true},
      {"ProfileWithAnExtendedAttribute", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         ASSERT_EQ(::setxattr((d / "kelvarin.cmp").c_str(), "user.planchoice", "kept", 4, 0), 0);
       },
       nullptr,
       [](const ScratchDir& d) {
         char value[8] = {};
         EXPECT_EQ(::getxattr((d / "kelvarin.cmp").c_str(), "user.planchoice", value, sizeof value),
                   4);
         EXPECT_STREQ(value, "kept");
       }},
      {"ReadOnlyStaleWorkFile", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         ASSERT_EQ(::chmod((d / "kelvarin.cmp").c_str(), 0640), 0);
         d.Write("kelvarin.tmp", "stale");
         ASSERT_EQ(::chmod((d / "kelvarin.tmp").c_str(), 0444), 0);
       },
       nullptr, ModeIs(0640)},
      // Another user who may write the directory plants a link to a file only
      // the rewrite's user may write.
      {"LinkPlantedAsWorkFile", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) {
         d.Write("victim", "precious");
         fs::create_symlink(d / "victim", d / "kelvarin.tmp");
       },
       nullptr,
       [](const ScratchDir& d) {
         EXPECT_EQ(d.Read("victim"), "precious");
         EXPECT_TRUE(S_ISREG(StatusOf(d / "kelvarin.cmp").st_mode));
       }},
      // Opening a FIFO for writing would wait for a reader.
      {"FifoAsWorkFile", kProfile, Outcome::kRewritten, "",
       [](const ScratchDir& d) { ASSERT_EQ(::mkfifo((d / "kelvarin.tmp").c_str(), 0644), 0); }},
#endif
  };
}

}  // namespace

const std::string kProfile = "[Kelvarin]\r\nPhone0=11112222\r\nName=Kelvarin, Inc.\r\n";

void PrintTo(const ProfileCase& profile_case, std::ostream* out) {
  *out << profile_case.name;
}

std::string CaseName(const ::testing::TestParamInfo<ProfileCase>& info) {
  return info.param.name;
}

std::vector<ProfileCase> ProfileCasesFor(FrontEnd front_end) {
  std::vector<ProfileCase> cases = EveryCase();
  // Made only where it runs: planset's test of bounded memory streams its own.
  if (front_end == FrontEnd::kWindow) {
    cases.push_back({"HundredMegabyteSingleLine",
                     "Phone0=11112222\r\n" + std::string(100 * 1024 * 1024, 'x') + "\r\n",
                     Outcome::kRewritten});
  }
  return cases;
}

ArrangedCase::ArrangedCase(const ProfileCase& profile_case, const ScratchDir& dir)
    : case_(profile_case), dir_(dir) {
#ifndef _WIN32
  if (case_.needs_root && ::geteuid() != 0) {
    SkipBecause("only root may give a file to another owner");
    return;
  }
#endif
  if (case_.wine_cannot && UnderWine()) {
    SkipBecause(std::string(case_.wine_cannot) + "; the test kit runs this on Windows");
    return;
  }
  if (case_.profile) {
    dir.Write("kelvarin.cmp", *case_.profile);
  }
  if (case_.arrange) {
    case_.arrange(dir);
  }
  argument_ = case_.argument ? case_.argument(dir) : dir.path();
  std::error_code error;
  argument_existed_ = fs::exists(argument_, error);
  profile_directory_ = fs::is_directory(argument_, error) ? argument_ : dir.path();
  work_stays_ = fs::is_directory(profile_directory_ / "kelvarin.tmp") ||
                case_.held_open_by == Holder::kReaderOfALeftoverWorkFile;
  if (case_.held_open_by == Holder::kARewrite) {
    const std::string directory = profile_directory_.u8string();
    rewrite_folder_.emplace(ProfilePath(directory), WorkPath(directory));
    rewrite_.emplace(*rewrite_folder_);
  }
#ifdef _WIN32
  const bool reads_work_file = case_.held_open_by == Holder::kReaderOfALeftoverWorkFile;
  if (reads_work_file || case_.held_open_by == Holder::kExclusively ||
      case_.held_open_by == Holder::kSharingReads) {
    const DWORD share = case_.held_open_by == Holder::kExclusively ? 0 : FILE_SHARE_READ;
    const fs::path file = profile_directory_ / (reads_work_file ? "kelvarin.tmp" : "kelvarin.cmp");
    held_ = FileHandle(::CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(held_) << file << " could not be held open";
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
  held_.Reset();
  rewrite_.reset();
  rewrite_folder_.reset();
}

void ArrangedCase::ExpectProfileLeft(bool refused) const {
  const std::optional<std::string> profile = ReadBytes(profile_directory_ / "kelvarin.cmp");
  if (refused) {
    EXPECT_TRUE(profile == case_.profile) << "the profile was changed";
  } else {
    EXPECT_TRUE(profile == RewrittenInMemory(*case_.profile, LookUpAccessNumber(kPlan)))
        << "the profile is not as rewritten";
    if (case_.keeps) {
      case_.keeps(dir_);
    }
  }
  EXPECT_EQ(fs::exists(fs::symlink_status(profile_directory_ / "kelvarin.tmp")), work_stays_);
  std::error_code error;
  EXPECT_EQ(fs::exists(argument_, error), argument_existed_);
}

}  // namespace planchoice::testing
