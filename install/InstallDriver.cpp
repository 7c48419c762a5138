#include "install/InstallDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "install/Detection.h"
#include "install/InstallProcedure.h"
#include "platform/Text.h"
#include "res/ResourceIds.h"
#include "res/ResourceTables.h"

namespace install {

namespace {

constexpr std::size_t kTitleBufferSize = 256;
constexpr std::size_t kMessageBufferSize = 1024;
constexpr std::size_t kHomePageLineBufferSize = 260;

const std::string kProductExe = std::string("\\") + kProductExecutable;
const std::string kManifest = std::string("\\") + kInstallLogName;
constexpr const char* kHomePageFile = "\\HomePage.url";
constexpr const char* kDefaultFolderName = "\\Lumetra 6";
constexpr const char* kDefaultGroup = "Lumetra 6";
constexpr const char* kInstallScriptPage = "/lmqx/InstScript.asp";
constexpr const char* kInstalledPage = "/lmqx/installed.asp";

constexpr std::uint32_t kQuestionFlags = platform::mb::YesNo | platform::mb::IconQuestion;
constexpr std::uint32_t kErrorFlags = platform::mb::Ok | platform::mb::IconError;

enum class Switch { RunAfter, AllUsers, AutoStart, NoDesktopIcon };

// The options that match in any letter case, and what each one sets.
struct OptionRule {
    const char* name;
    Switch effect;
};
constexpr OptionRule kSwitches[] = {
    {"-runafter", Switch::RunAfter},
    {"-allusers", Switch::AllUsers},
    {"-autostart", Switch::AutoStart},
    {"-nodeskico", Switch::NoDesktopIcon},
};

void Apply(Switch effect, app::SetupState& state) {
    switch (effect) {
        case Switch::RunAfter: state.runAfter = 1; break;
        case Switch::AllUsers: state.allUsers = 1; break;
        case Switch::AutoStart: state.autoStart = 1; break;
        case Switch::NoDesktopIcon: state.desktopIcon = 0; break;
    }
}

// printf-style formatting of a string-table text with the given numbers.
template <typename... Args>
std::string Format(const std::string& format, Args... args) {
    std::vector<char> buffer(kMessageBufferSize, '\0');
    int length = std::snprintf(buffer.data(), buffer.size(), format.c_str(), args...);
    if (length < 0) return {};
    return std::string(buffer.data(), std::min(static_cast<std::size_t>(length), buffer.size() - 1));
}

int Ask(platform::System& system, const std::string& text, std::uint32_t flags) {
    const std::string title = system.resources.LoadString(IDS_APP_TITLE, kTitleBufferSize);
    return system.ui.MessageBox(text, title, flags);
}

// The version question before replacing an installation of the same or a
// newer version; true to go on.
bool ConfirmReinstallOrDowngrade(platform::System& system, const app::ProductVersion& installed,
                                 const app::ProductVersion& offered) {
    const std::uint32_t have = VersionNumber(installed);
    const std::uint32_t want = VersionNumber(offered);
    std::string text;
    if (have > want) {
        text = Format(system.resources.LoadString(IDS_DOWNGRADE, kMessageBufferSize), installed.major,
                      installed.minor, installed.third, installed.fourth, offered.major, offered.minor, offered.third,
                      offered.fourth);
    } else {
        text = Format(system.resources.LoadString(IDS_REINSTALL, kMessageBufferSize), installed.major,
                      installed.minor, installed.third, installed.fourth);
    }
    return Ask(system, text, kQuestionFlags) == platform::answer::Yes;
}

bool SetupIsDamaged(platform::System& system, const app::SetupState& state) {
    return state.productVersion.major == 0 || !system.files.Exists(state.sourceDir + kManifest);
}

// The product's command line: its path in double quotes, so that a folder
// with blanks can never start another program (such as C:\Program.exe).
std::string ProductCommandLine(const std::string& installDir) { return "\"" + installDir + kProductExe + "\""; }

}  // namespace

std::uint32_t VersionNumber(const app::ProductVersion& version) {
    return version.major * 1000000u + version.minor * 10000u + version.third * 100u + version.fourth;
}

std::string ApplyCommandLineOptions(platform::System& system, const std::vector<std::string>& arguments,
                                    app::SetupState& state) {
    std::string folder;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-instdir" && i + 1 < arguments.size()) {
            // The folder argument is examined as an option itself next.
            folder = arguments[i + 1];
            if (!system.files.Exists(folder)) {
                folder.clear();
            } else if (platform::text::EndsWithChar(system.codePage, folder, '\\') ||
                       platform::text::EndsWithChar(system.codePage, folder, '/')) {
                folder.pop_back();
            }
            continue;
        }
        for (const auto& rule : kSwitches) {
            if (platform::text::EqualsNoCase(argument, rule.name)) Apply(rule.effect, state);
        }
    }
    return folder;
}

std::string ReadHomePageQuery(platform::System& system, const std::string& path) {
    platform::FileHandle file = system.files.OpenText(path);
    if (file == 0) return {};
    std::string query;
    std::string line;
    while (system.files.ReadLine(file, kHomePageLineBufferSize, line)) {
        if (line.rfind("URL=http://", 0) != 0) continue;
        std::size_t mark = platform::text::FindChar(system.codePage, line, '?');
        if (mark != platform::text::npos) query = line.substr(mark);
        break;
    }
    system.files.CloseFile(file);
    return query;
}

std::string WebPageAfterInstall(bool upgrade, const std::string& query) {
    const std::string site(res::kMakerWebSite);
    if (!upgrade && !query.empty()) return site + kInstallScriptPage + query;
    return site + kInstalledPage;
}

void ReportDamagedSetup(platform::System& system) {
    Ask(system, system.resources.LoadString(IDS_SETUP_DAMAGED, kMessageBufferSize), kErrorFlags);
    system.shell.OpenDocument(std::string(res::kMakerWebSite));
    system.env.ExitProcess(1);
    std::abort();  // not reached: the process has ended
}

int RunInstallDriver(platform::System& system, app::SetupState& state, const RunWizard& runWizard) {
    // 1. Folders.
    state.upgrade = 0;
    state.installDir = FindPreviousInstallFolder(system);
    state.sourceDir = GetSetupFolder(system);
    if (state.installDir.empty()) {
        state.installDir = GetProgramFilesFolder(system) + kDefaultFolderName;
        state.freshInstall = 1;
    }

    // 2. and 3. Options; a valid "-instdir" folder replaces the destination.
    const std::string folder = ApplyCommandLineOptions(system, system.env.Arguments(), state);
    if (!folder.empty()) state.installDir = folder;

    // 4. The default program group.
    state.groupName = kDefaultGroup;

    // 5. and 6. Versions: the installed one against the one in the setup folder.
    if (!state.freshInstall) {
        ReadFileVersion(system, state, state.installDir + kProductExe);
        const app::ProductVersion installed = state.productVersion;
        ReadFileVersion(system, state, state.sourceDir + kProductExe);
        if (state.silent || VersionNumber(installed) < VersionNumber(state.productVersion)) {
            state.upgrade = 1;
        } else if (!ConfirmReinstallOrDowngrade(system, installed, state.productVersion)) {
            return 1;
        }
        state.allUsers = ReadPreviousScope(system) ? 1 : 0;
        RecoverGroupName(system, state);
    } else {
        ReadFileVersion(system, state, state.sourceDir + kProductExe);
    }

    // 7. Damaged setup.
    if (SetupIsDamaged(system, state)) ReportDamagedSetup(system);

    // 8. Installation.
    if (state.silent) {
        if (state.freshInstall) state.allUsers = 1;
        InstallProduct(system, state);
    } else if (!runWizard()) {
        return 1;
    }

    // 9. The installation folder becomes current.
    (void)system.files.SetCurrentDirectory(state.installDir);

    // 10. Web page.
    if (!state.silent && (state.freshInstall || state.upgrade)) {
        const std::string query = ReadHomePageQuery(system, state.installDir + kHomePageFile);
        system.shell.OpenDocument(WebPageAfterInstall(state.upgrade != 0, query));
    }

    // 11. Product start.
    if (state.runAfter) (void)system.shell.StartProgram(ProductCommandLine(state.installDir), state.installDir);

    // 12.
    return 0;
}

}  // namespace install
