#include "install/Shortcuts.h"

#include "install/Detection.h"
#include "platform/Text.h"
#include "res/ResourceIds.h"
#include "uninstall/InstallLog.h"

namespace install {

namespace {


const std::string kInstalledLog = std::string("\\") + kInstallLogName;
constexpr const char* kAppData = "%APPDATA%";
const std::string kProductExe = std::string("\\") + kProductExecutable;
constexpr std::size_t kNameBufferSize = 256;
// The shell link's path and target limits: a 260-byte path buffer and the
// 512-byte target buffer, each with its terminating zero.
constexpr std::size_t kMaxLinkPath = 259;
constexpr std::size_t kMaxTarget = 511;
// Shorter "Common Programs" values cannot name a real folder.
constexpr std::size_t kMinAllUsersProgramsLength = 4;

// The Shell Folders values for each scope.
struct ShellFolderNames {
    platform::RegKey root;
    const char* programs;
    const char* desktop;
    const char* startup;
};
constexpr ShellFolderNames kAllUsersFolders{platform::kLocalMachine, "Common Programs", "Common Desktop",
                                            "Common Startup"};
constexpr ShellFolderNames kCurrentUserFolders{platform::kCurrentUser, "Programs", "Desktop", "Startup"};

const ShellFolderNames& FoldersFor(const app::SetupState& state) {
    return state.allUsers ? kAllUsersFolders : kCurrentUserFolders;
}

// The four shortcuts of the program group, in the order they are made.
struct GroupShortcut {
    std::uint32_t nameId;
    const char* target;
    bool workInAppData;
};
constexpr GroupShortcut kGroupShortcuts[] = {
    {IDS_PRODUCT_NAME, "\\LumApp6.exe", true},
    {IDS_HELP_SHORTCUT, "\\LumApp6Man.chm", false},
    {IDS_ABOUT_SHORTCUT, "\\readme.txt", false},
    {IDS_UNINSTALL_SHORTCUT, "\\OrvUnInst.exe", false},
};

std::string LinkName(platform::System& system, std::uint32_t nameId) {
    return system.resources.LoadString(nameId, kNameBufferSize) + ".lnk";
}

std::optional<std::string> AppDataIf(bool wanted) {
    return wanted ? std::optional<std::string>(kAppData) : std::nullopt;
}

void Notify(platform::System& system, const std::string& text) {
    system.ui.MessageBox(text, system.resources.LoadString(IDS_APP_TITLE, kNameBufferSize), platform::mb::Ok);
}

std::string StripOneQuoteEachEnd(std::string target) {
    if (!target.empty() && target.front() == '"') target.erase(0, 1);
    if (!target.empty() && target.back() == '"') target.pop_back();
    return target;
}

std::string ProgramsFolder(platform::System& system, app::SetupState& state) {
    if (state.allUsers) {
        std::string common = ReadRegString(system, kAllUsersFolders.root, kShellFoldersKey, kAllUsersFolders.programs);
        if (common.size() >= kMinAllUsersProgramsLength) return common;
        state.allUsers = 0;
    }
    return ReadRegString(system, kCurrentUserFolders.root, kShellFoldersKey, kCurrentUserFolders.programs);
}

// Creates each level of the group name below the programs folder but the last.
void CreateIntermediateGroupFolders(platform::System& system, const std::string& programs, const std::string& group) {
    for (std::size_t at = platform::text::FindChar(system.codePage, group, '\\'); at != platform::text::npos;
         at = platform::text::FindChar(system.codePage, group, '\\', at + 1)) {
        if (at > 0) (void)system.files.CreateDirectory(programs + "\\" + group.substr(0, at));
    }
}

void CreateProductShortcutIn(platform::System& system, app::SetupState& state, const char* folderValue) {
    const ShellFolderNames& names = FoldersFor(state);
    const std::string folder = ReadRegString(system, names.root, kShellFoldersKey, folderValue);
    (void)CreateShortcut(system, state, state.installDir + kProductExe,
                         folder + "\\" + LinkName(system, IDS_PRODUCT_NAME), AppDataIf(true));
}

}  // namespace

void CreateProgramShortcuts(platform::System& system, app::SetupState& state) {
    // 1. The programs folder, and with it the scope.
    const std::string programs = ProgramsFolder(system, state);

    // 2. to 4. The group folder and its intermediate levels.
    app::NormalizePath(system.codePage, state.groupName);
    CreateIntermediateGroupFolders(system, programs, state.groupName);
    const std::string groupFolder = programs + "\\" + state.groupName;
    (void)system.files.CreateDirectory(groupFolder);

    // 5. Logged whether or not it could be created.
    uninstall::AppendLogLine(system, state.installDir + kInstalledLog, "Made Dir: " + groupFolder);

    // 6. The four group shortcuts.
    if (system.files.Exists(groupFolder)) {
        for (const auto& shortcut : kGroupShortcuts) {
            (void)CreateShortcut(system, state, state.installDir + shortcut.target,
                                 groupFolder + "\\" + LinkName(system, shortcut.nameId),
                                 AppDataIf(shortcut.workInAppData));
        }
    }

    // 7. and 8. Desktop and start-up shortcuts.
    if (state.desktopIcon) CreateProductShortcutIn(system, state, FoldersFor(state).desktop);
    if (state.autoStart) CreateProductShortcutIn(system, state, FoldersFor(state).startup);
}

platform::HResult CreateShortcut(platform::System& system, app::SetupState& state, const std::string& target,
                    const std::string& linkPath, const std::optional<std::string>& workingFolder) {
    // Paths past the link's buffers are not saved rather than cut.
    if (linkPath.size() > kMaxLinkPath || target.size() > kMaxTarget) return platform::hr::Fail;

    // 1. The component system, once per process. An initialisation that
    // failed is not remembered, so the next shortcut tries again instead of
    // every later one failing too.
    if (!state.comInitialized) state.comInitialized = !platform::hr::Failed(system.shell.CoInitialize());

    // 2. and 3. The link object and its persist-file interface.
    platform::ComObject link = 0;
    platform::HResult result = system.shell.CreateShellLink(link);
    if (platform::hr::Failed(result)) return result;
    platform::ComObject file = 0;
    result = system.shell.QueryPersistFile(link, file);
    if (platform::hr::Failed(result)) {
        system.shell.Release(link);
        return result;
    }

    // 4. to 8. Path, empty description, working folder.
    if (platform::hr::Failed(system.shell.SetLinkPath(link, StripOneQuoteEachEnd(target))))
        Notify(system, "SetPath failed!");
    if (platform::hr::Failed(system.shell.SetLinkDescription(link, ""))) Notify(system, "SetDescription failed!");
    if (workingFolder) (void)system.shell.SetLinkWorkingDirectory(link, *workingFolder);

    // 9. and 10. Save, and log what was saved.
    result = system.shell.SaveLink(file, linkPath);
    if (!platform::hr::Failed(result))
        uninstall::AppendLogLine(system, state.installDir + kInstalledLog, "Shell Link: " + linkPath);

    // 11.
    system.shell.Release(file);
    system.shell.Release(link);
    return result;
}

}  // namespace install
