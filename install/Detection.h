#pragma once
// What the install driver asks before anything is installed: whether and
// where the product is installed already, where a new installation goes by
// default, where the setup runs from, which version a product executable
// carries, and for an existing installation its scope and program group.
// Everything here only reads; only the operations that say so write fields
// of the setup state.

#include <cstddef>
#include <string>
#include <string_view>

#include "app/SetupState.h"
#include "platform/System.h"

namespace install {

// The registry entries of an installation and of the system that are read here.
inline constexpr const char* kProductKey = "SOFTWARE\\Orvane\\Lumetra 6";
inline constexpr const char* kProductExecutable = "LumApp6.exe";
// The manifest in the setup folder and, copied, the install log in the installation folder.
inline constexpr const char* kInstallLogName = "OrvUnInst.log";
inline constexpr const char* kAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LumApp6.exe";
inline constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The registry string buffer: a value of at most 259 characters and its zero.
inline constexpr std::size_t kRegStringBuffer = 260;
// The module path buffer.
inline constexpr std::size_t kModulePathBuffer = 260;

// The text of one registry value (an empty name is the key's default
// value), whatever its type; empty when the key cannot be opened, the value
// is missing or it does not fit in 260 bytes with its terminating zero.
[[nodiscard]] std::string ReadRegString(platform::System& system, platform::RegKey root, const std::string& subKey,
                                        const std::string& valueName);

// The folder of an existing installation: its "Path" entry, or else the
// text before "\LumApp6.exe" (exact case) in the application path of the
// product; one trailing backslash removed. Empty when none is registered.
[[nodiscard]] std::string FindPreviousInstallFolder(platform::System& system);

// The Program Files folder: "ProgramFilesDir" of the system, or else
// "Program Files" on the drive of the Windows folder; one trailing
// backslash removed.
[[nodiscard]] std::string GetProgramFilesFolder(platform::System& system);

// The folder of the running setup executable, without the backslash before
// its name; empty when the path has none.
[[nodiscard]] std::string GetSetupFolder(platform::System& system);

// Sets the four parts of the state's product version from the file's
// version resource; all four are 0 when none can be read.
void ReadFileVersion(platform::System& system, app::SetupState& state, const std::string& path);

// True when the existing installation was made for all users: its
// "AllUsers" entry is exactly "B".
[[nodiscard]] bool ReadPreviousScope(platform::System& system);

// Sets the state's group name to the program group under which the
// installation in the state's installation folder placed its shortcuts,
// read from the "Shell Link: " entries of its OrvUnInst.log (or of its
// install.log when that cannot be opened) below the programs folder of the
// state's scope; start-up shortcuts name no group and are passed by. The
// last matching entry decides; without one the group name stays unchanged.
void RecoverGroupName(platform::System& system, app::SetupState& state);

// The folder part of a path: one trailing backslash dropped, then the text
// before the last backslash when that stands after the first character;
// otherwise empty. Backslashes are found in the ANSI code page.
[[nodiscard]] std::string ParentFolder(platform::CodePage& codePage, std::string_view path);

}  // namespace install
