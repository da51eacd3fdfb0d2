// Where the process looks for a DLL it loads by name.
#pragma once

namespace planchoice {

// Makes the system directory the only place a DLL loaded by name is looked
// for, so that one planted beside the program, in the current directory or
// on PATH is never loaded in place of a system one. Each program calls it
// before anything else. Where Windows lacks SetDefaultDllDirectories
// (Windows 7 without update KB2533623), at least the current directory goes.
void LoadLibrariesFromSystemDirectoryOnly();

}  // namespace planchoice
