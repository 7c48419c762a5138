#include "install/Detection.h"

#include "platform/Errors.h"
#include "platform/Text.h"
#include "uninstall/InstallLog.h"

namespace install {

namespace {

namespace text = platform::text;

void DropOneTrailingBackslash(platform::CodePage& codePage, std::string& path) {
    if (text::EndsWithChar(codePage, path, '\\')) path.pop_back();
}

// The shell folders that hold an installation's shortcuts, by scope.
struct ShortcutFolders {
    platform::RegKey root;
    const char* programs;
    const char* startup;
};
constexpr ShortcutFolders kCurrentUserFolders{platform::kCurrentUser, "Programs", "Startup"};
constexpr ShortcutFolders kAllUsersFolders{platform::kLocalMachine, "Common Programs", "Common Startup"};

// The group of a shortcut in the programs folder: the lower-case link path
// must begin with the programs folder and hold the start-up folder nowhere.
std::optional<std::string> GroupOfLink(platform::CodePage& codePage, const std::string& link,
                                       const std::string& programs, const std::string& startup) {
    const std::string lower = text::ToLower(codePage, link);
    if (lower.compare(0, programs.size(), programs) != 0) return std::nullopt;
    if (text::FindText(codePage, lower, startup) != text::npos) return std::nullopt;
    return ParentFolder(codePage, std::string_view(link).substr(programs.size()));
}

}  // namespace

std::string ReadRegString(platform::System& system, platform::RegKey root, const std::string& subKey,
                          const std::string& valueName) {
    auto& registry = system.registry;
    platform::RegKey key = 0;
    if (registry.OpenKey(root, subKey, platform::RegAccess::Read, key) != platform::err::Success) return {};
    platform::RegValue value;
    std::string result;
    if (registry.QueryValue(key, valueName, kRegStringBuffer, value) == platform::err::Success) {
        // The text ends at its zero. Data that fills the whole buffer without
        // one is no string the buffer can hold, and reads as empty.
        const std::size_t end = value.bytes.find('\0');
        if (end != std::string::npos || value.bytes.size() < kRegStringBuffer) result = value.bytes.substr(0, end);
    }
    registry.CloseKey(key);
    return result;
}

std::string FindPreviousInstallFolder(platform::System& system) {
    std::string folder = ReadRegString(system, platform::kLocalMachine, kProductKey, "Path");
    if (folder.empty()) {
        const std::string executable = ReadRegString(system, platform::kLocalMachine, kAppPathsKey, "");
        const std::size_t at = text::FindText(system.codePage, executable, std::string("\\") + kProductExecutable);
        folder = at == text::npos ? std::string() : executable.substr(0, at);
    }
    DropOneTrailingBackslash(system.codePage, folder);
    return folder;
}

std::string GetProgramFilesFolder(platform::System& system) {
    std::string folder = ReadRegString(system, platform::kLocalMachine, kCurrentVersionKey, "ProgramFilesDir");
    if (folder.empty()) {
        // "Program Files" on the Windows folder's drive: C:\WINDOWS gives C:\.
        folder = system.files.GetWindowsDirectory();
        const std::size_t slash = text::FindChar(system.codePage, folder, '\\');
        if (slash != text::npos) folder.erase(slash + 1);
        folder += "Program Files";
    }
    DropOneTrailingBackslash(system.codePage, folder);
    return folder;
}

std::string GetSetupFolder(platform::System& system) {
    const std::string program = system.env.ModuleFileName(kModulePathBuffer);
    const std::size_t slash = text::FindLastChar(system.codePage, program, '\\');
    return slash == text::npos ? std::string() : program.substr(0, slash);
}

void ReadFileVersion(platform::System& system, app::SetupState& state, const std::string& path) {
    state.productVersion = app::ProductVersion{};
    auto& modules = system.modules;
    const std::uint32_t size = modules.GetFileVersionInfoSize(path);
    if (size == 0) return;
    std::string block;
    if (!modules.GetFileVersionInfo(path, size, block)) return;
    const auto info = modules.QueryRootVersion(block);
    if (!info) return;
    state.productVersion.major = info->fileVersionMS >> 16;
    state.productVersion.minor = info->fileVersionMS & 0xFFFFu;
    state.productVersion.third = info->fileVersionLS >> 16;
    state.productVersion.fourth = info->fileVersionLS & 0xFFFFu;
}

bool ReadPreviousScope(platform::System& system) {
    return ReadRegString(system, platform::kLocalMachine, kProductKey, "AllUsers") == "B";
}

void RecoverGroupName(platform::System& system, app::SetupState& state) {
    auto& files = system.files;
    platform::FileHandle log = files.OpenText(state.installDir + "\\" + kInstallLogName);
    if (log == 0) log = files.OpenText(state.installDir + "\\install.log");
    if (log == 0) return;

    const ShortcutFolders& scope = state.allUsers ? kAllUsersFolders : kCurrentUserFolders;
    std::string programs = ReadRegString(system, scope.root, kShellFoldersKey, scope.programs);
    std::string startup = ReadRegString(system, scope.root, kShellFoldersKey, scope.startup);
    // An empty programs folder becomes a lone backslash; the start-up folder
    // stays as read, so an empty one occurs in every line and every line is
    // passed by.
    if (!text::EndsWithChar(system.codePage, programs, '\\')) programs += '\\';
    programs = text::ToLower(system.codePage, programs);
    startup = text::ToLower(system.codePage, startup);

    const std::string_view tag = uninstall::TagOf(uninstall::LogEntryKind::ShellLink);
    std::string line;
    while (uninstall::ReadLogLine(system, log, line)) {
        if (!uninstall::BeginsWithTag(line, tag)) continue;
        if (auto group = GroupOfLink(system.codePage, line.substr(tag.size()), programs, startup))
            state.groupName = std::move(*group);
    }
    files.CloseFile(log);
}

std::string ParentFolder(platform::CodePage& codePage, std::string_view path) {
    if (text::EndsWithChar(codePage, path, '\\')) path.remove_suffix(1);
    const std::size_t slash = text::FindLastChar(codePage, path, '\\');
    if (slash == text::npos || slash == 0) return {};
    return std::string(path.substr(0, slash));
}

}  // namespace install
