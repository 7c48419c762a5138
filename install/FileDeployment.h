#pragma once
// File deployment: carries out the manifest by copying the product files
// from the source folder into the installation folder and creating the
// folders that it lists. Files in use are renamed aside or replaced at the
// next system start. Every failure is silent: a copy that fails leaves the
// file as it was and the next manifest line follows.

#include <cstddef>
#include <optional>
#include <string>

#include "app/SetupState.h"
#include "platform/System.h"

namespace install {

// Side names derived from a target path.
inline constexpr const char* kAsideSuffix = ".old";
inline constexpr const char* kSecondAsideSuffix = ".old2";
inline constexpr const char* kWaitingCopySuffix = ".new";
inline constexpr const char* kProbeSuffix = ".toinst";

// The restart-time fallback: the "rename" section of WININIT.INI in the
// Windows folder, read whole into a buffer of this size.
inline constexpr const char* kWininitFile = "WININIT.INI";
inline constexpr const char* kWininitSection = "rename";
inline constexpr std::size_t kWininitSectionBuffer = 16384;

// True when the setup, a 32-bit program, runs on 64-bit Windows: the answer
// of the IsWow64Process looked up at load, false where the system lacks the
// function or the call fails.
[[nodiscard]] bool RunningOnWow64(platform::System& system, const app::SetupState& state);

// Processes the manifest line by line: "File Copy: " lines are copied,
// "File Copy x64: " lines only on 64-bit Windows, "File Copy ind: " lines
// only when the system has no library of that name already, and "Make Dir: "
// lines create one folder level below the installation folder. Other lines
// are ignored; a manifest that cannot be opened does nothing.
void DeployManifest(platform::System& system, const app::SetupState& state, const std::string& manifestPath);

// Copies every file of the source folder that the pattern matches (a name
// or wildcards, optionally below a relative sub-folder, which must exist in
// the destination already) into the destination folder, creating that
// folder and its missing parents when something matches. Stops at the first
// match that cannot be copied (a sub-folder among them). Returns the number
// of files copied.
[[nodiscard]] int CopyMatchingFiles(platform::System& system, const std::string& pattern,
                                    const std::string& destinationFolder, const std::string& sourceFolder);

// Copies the source folder's file of that name into the destination folder,
// under the target name when one is given (a relative path is allowed).
// A read-only or hidden target is replaced; a target in use is renamed aside
// to ".old" (".old2" when an ".old" is itself in use) or, when it cannot be
// moved, copied to ".new" and replaced at the next start (the target's
// restart-time deletion is registered only when that ".new" copy exists).
// A source that is missing or a folder fails without touching the target.
// True when the copy onto the target worked. Within one folder (source and
// destination equal apart from letter case) it is also true without a copy:
// when no target name is given, when the target is the source itself, and
// when the target named cannot be deleted.
[[nodiscard]] bool CopyFileReplacing(platform::System& system, const std::string& fileName,
                                     const std::string& sourceFolder, const std::string& destinationFolder,
                                     const std::optional<std::string>& targetName = std::nullopt);

// Registers the file for deletion at the next system start; where the
// system refuses (no such service, or no rights), adds "NUL=" and the path
// to the "rename" section of WININIT.INI. True when registered.
[[nodiscard]] bool DeleteAtRestart(platform::System& system, const std::string& path);

// Registers that the new file replaces the other at the next system start,
// with the same WININIT.INI fallback (a line of the file to replace, "=" and
// the new file). True when registered.
[[nodiscard]] bool ReplaceAtRestart(platform::System& system, const std::string& newFile,
                                    const std::string& fileToReplace);

// The library probe of a "File Copy ind: " operand: true when the system can
// find a library of the operand's source name on its own search path. The
// setup's own copy in the source folder, which the search would find first,
// is renamed out of the way (to ".toinst") for the search and back after it.
// The library is looked for as a data file, so none of its code runs; the
// search is the one LoadLibraryA makes.
[[nodiscard]] bool SystemHasLibrary(platform::System& system, const app::SetupState& state,
                                    const std::string& operand);

}  // namespace install
