#include "install/InstallProcedure.h"

#include <cstdio>
#include <vector>

#include "install/Detection.h"
#include "install/FileDeployment.h"
#include "install/Shortcuts.h"
#include "res/ResourceTables.h"
#include "uninstall/InstallLog.h"

namespace install {

namespace {

constexpr const char* kOldLog = "\\install.log";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumetra 6";
constexpr const char* kConfigurationFiles[] = {"LumApp6.ini", "LumApp6.reg"};
constexpr std::size_t kNameBufferSize = 256;

struct RegistryEntry {
    const char* key;
    const char* value;
    std::string data;
};

std::string DisplayVersion(const app::ProductVersion& version) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", static_cast<int>(version.major), static_cast<int>(version.minor),
                  static_cast<int>(version.third));
    return text;
}

// The entries that register the product and its uninstaller, in the order
// they are written. The uninstall command is quoted so that a folder with
// blanks cannot make whoever runs it start another program.
std::vector<RegistryEntry> RegistrationEntries(platform::System& system, const app::SetupState& state) {
    return {
        {kProductKey, "AllUsers", state.allUsers ? "B" : "A"},
        {kProductKey, "Path", state.installDir},
        {kAppPathsKey, "", state.installDir + "\\" + kProductExecutable},
        {kUninstallKey, "Contact", "Support"},
        {kUninstallKey, "DisplayName", system.resources.LoadString(IDS_PRODUCT_NAME, kNameBufferSize)},
        {kUninstallKey, "DisplayVersion", DisplayVersion(state.productVersion)},
        {kUninstallKey, "Publisher", "Orvane Technology LLC"},
        {kUninstallKey, "UninstallString", "\"" + state.installDir + "\\OrvUnInst.exe\""},
        {kUninstallKey, "URLInfoAbout", std::string(res::kMakerWebSite)},
    };
}

void ClearEarlierInstallation(platform::System& system, const app::SetupState& state) {
    uninstall::RemoveLoggedLinks(system, state.installDir + kOldLog);
    uninstall::RemoveLoggedLinks(system, state.installDir + "\\" + kInstallLogName);
    uninstall::RemoveLoggedFiles(system, state.sourceDir + "\\" + kInstallLogName, state.installDir, uninstall::LogEntryKind::FileDel);
}

void CopyConfigurationFiles(platform::System& system, const app::SetupState& state) {
    const std::string archiveFolder = ParentFolder(system.codePage, system.env.GetEnv("sfxname").value_or(""));
    if (archiveFolder.empty()) return;
    for (const char* name : kConfigurationFiles) {
        (void)CopyFileReplacing(system, name, archiveFolder, state.installDir, std::nullopt);
    }
}

}  // namespace

bool WriteRegString(platform::System& system, platform::RegKey root, const std::string& subKey,
                    const std::string& valueName, const std::string& data) {
    platform::RegKey key = 0;
    if (system.registry.CreateKey(root, subKey, key) != platform::err::Success) return false;
    const long result =
        system.registry.SetValue(key, valueName, platform::RegType::Sz, platform::StringValueBytes(data));
    system.registry.CloseKey(key);
    return result == platform::err::Success;
}

void InstallProduct(platform::System& system, app::SetupState& state) {
    // 1. What a replaced installation left behind.
    if (!state.freshInstall) ClearEarlierInstallation(system, state);

    // 2. The product files.
    DeployManifest(system, state, state.sourceDir + "\\" + kInstallLogName);

    // 3. The new install log: the manifest, then one empty line.
    (void)CopyMatchingFiles(system, kInstallLogName, state.installDir, state.sourceDir);
    uninstall::AppendLogLine(system, state.installDir + "\\" + kInstallLogName, "");

    // 4. Program group and shortcuts (may clear state.allUsers).
    CreateProgramShortcuts(system, state);

    // 5. Registration; a failed write does not stop the next.
    for (const auto& entry : RegistrationEntries(system, state)) {
        (void)WriteRegString(system, platform::kLocalMachine, entry.key, entry.value, entry.data);
    }

    // 6. Configuration files from beside the self-extracting archive.
    CopyConfigurationFiles(system, state);
}

}  // namespace install
