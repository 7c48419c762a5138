#include "install/FileDeployment.h"

#include <array>

#include "platform/Text.h"
#include "uninstall/InstallLog.h"

namespace install {

namespace {

namespace text = platform::text;
using uninstall::LogEntryKind;

// What the deployment does with a manifest line of each kind, in the order
// in which the tags are tested. Lines of any other kind are ignored.
enum class ManifestAction { Copy, CopyOn64BitWindows, CopyUnlessSystemHasLibrary, MakeFolder };

struct ManifestRule {
    LogEntryKind kind;
    ManifestAction action;
};

constexpr std::array<ManifestRule, 4> kManifestRules{{
    {LogEntryKind::FileCopy, ManifestAction::Copy},
    {LogEntryKind::FileCopyX64, ManifestAction::CopyOn64BitWindows},
    {LogEntryKind::FileCopyInd, ManifestAction::CopyUnlessSystemHasLibrary},
    {LogEntryKind::MakeDir, ManifestAction::MakeFolder},
}};

// A folder with the separator before a name in it: a "\" unless the folder
// ends in "\" or "/", so that an empty folder becomes "\".
std::string WithSeparator(platform::CodePage& codePage, const std::string& folder) {
    if (text::EndsWithChar(codePage, folder, '\\') || text::EndsWithChar(codePage, folder, '/')) return folder;
    return folder + "\\";
}

// Creates the folder and its missing parents: each level of the normalised
// path from the left, then the folder as the caller spelled it. Levels that
// exist already, or cannot be made, are passed by.
void CreateFolderPath(platform::System& system, const std::string& folder) {
    std::string levels = folder;
    app::NormalizePath(system.codePage, levels);
    for (std::size_t slash = text::FindChar(system.codePage, levels, '\\'); slash != text::npos;
         slash = text::FindChar(system.codePage, levels, '\\', slash + 1)) {
        if (slash > 0) (void)system.files.CreateDirectory(levels.substr(0, slash));
    }
    (void)system.files.CreateDirectory(folder);
}

// Clears the read-only and hidden flags and keeps the others.
void ClearReadOnlyAndHidden(platform::FileSystem& files, const std::string& path) {
    if (auto attributes = files.GetFileAttributes(path))
        (void)files.SetFileAttributes(path, *attributes & ~(platform::attr::ReadOnly | platform::attr::Hidden));
}

bool Copy(platform::FileSystem& files, const std::string& from, const std::string& to) {
    return files.CopyFile(from, to, platform::IfExists::Overwrite);
}

// The target is in use: move it aside and copy onto the freed name, or,
// when it cannot be moved, leave the new file beside it for the next start.
// The deletion of the target is registered before its replacement, because
// the system carries the operations out in the order registered.
bool ReplaceFileInUse(platform::System& system, const std::string& source, const std::string& target) {
    auto& files = system.files;
    std::string aside = target + kAsideSuffix;
    if (files.Exists(aside) && !files.DeleteFile(aside)) {
        (void)DeleteAtRestart(system, aside);
        aside = target + kSecondAsideSuffix;
        (void)files.DeleteFile(aside);
    }
    if (files.MoveFile(target, aside)) {
        (void)DeleteAtRestart(system, aside);
        return Copy(files, source, target);
    }
    // The target's deletion is registered only with a new copy to take its
    // place, so that a failed copy never leaves the next start deleting the
    // installed file with nothing instead.
    const std::string waiting = target + kWaitingCopySuffix;
    (void)files.DeleteFile(waiting);
    if (Copy(files, source, waiting)) {
        (void)DeleteAtRestart(system, target);
        (void)ReplaceAtRestart(system, waiting, target);
    }
    // The copy onto the target itself fails while it stays in use; its
    // result is the answer.
    return Copy(files, source, target);
}

// Adds one line to the "rename" section of WININIT.INI, which the system
// carries out at its next start.
bool AppendWininitLine(platform::System& system, const std::string& line) {
    std::string section;
    const std::uint32_t length =
        system.files.GetProfileSection(kWininitFile, kWininitSection, kWininitSectionBuffer, section);
    // The section, the new line with its zero and the final zero must fit in
    // the section buffer together. When they do not, nothing is written and
    // the registration fails: writing back a section cut to the buffer would
    // silently drop restart operations that it already holds.
    if (length + line.size() + 2 > kWininitSectionBuffer) return false;
    section.resize(length);
    section += line;
    section += '\0';
    return system.files.WriteProfileSection(kWininitFile, kWininitSection, section);
}

// Step 4 of a manifest line: a "source > target" goes to its target, a name
// or pattern keeps its name and relative folder.
void CopyOperand(platform::System& system, const app::SetupState& state, const std::string& operand) {
    if (text::FindChar(system.codePage, operand, '>') != text::npos) {
        const uninstall::CopyOperand halves = uninstall::SplitInstallOperand(system.codePage, operand);
        (void)CopyFileReplacing(system, halves.source, state.sourceDir, state.installDir, halves.target);
    } else {
        (void)CopyMatchingFiles(system, operand, state.installDir, state.sourceDir);
    }
}

void ApplyManifestRule(platform::System& system, const app::SetupState& state, ManifestAction action,
                       const std::string& operand) {
    switch (action) {
        case ManifestAction::Copy:
        case ManifestAction::CopyOn64BitWindows:
            CopyOperand(system, state, operand);
            break;
        case ManifestAction::CopyUnlessSystemHasLibrary:
            if (!SystemHasLibrary(system, state, operand)) CopyOperand(system, state, operand);
            break;
        case ManifestAction::MakeFolder:
            // One level only: an existing folder or a missing parent leaves it as it is.
            (void)system.files.CreateDirectory(state.installDir + "\\" + operand);
            break;
    }
}

}  // namespace

bool RunningOnWow64(platform::System& system, const app::SetupState& state) {
    if (state.isWow64Process == 0) return false;
    return system.env.CallIsWow64Process(state.isWow64Process).value_or(false);
}

void DeployManifest(platform::System& system, const app::SetupState& state, const std::string& manifestPath) {
    const bool wow64 = RunningOnWow64(system, state);
    platform::FileHandle manifest = system.files.OpenText(manifestPath);
    if (manifest == 0) return;
    std::string line;
    while (uninstall::ReadLogLine(system, manifest, line)) {
        for (const ManifestRule& rule : kManifestRules) {
            // On a 32-bit system "File Copy x64: " lines are not even tested.
            if (rule.action == ManifestAction::CopyOn64BitWindows && !wow64) continue;
            const std::string_view tag = uninstall::TagOf(rule.kind);
            if (!uninstall::BeginsWithTag(line, tag)) continue;
            ApplyManifestRule(system, state, rule.action, line.substr(tag.size()));
            break;
        }
    }
    system.files.CloseFile(manifest);
}

int CopyMatchingFiles(platform::System& system, const std::string& pattern, const std::string& destinationFolder,
                      const std::string& sourceFolder) {
    auto& files = system.files;
    const std::string searchPath = WithSeparator(system.codePage, sourceFolder) + pattern;
    platform::FindData found;
    platform::FindHandle search = files.FindFirst(searchPath, found);
    if (search == 0) return 0;

    if (!files.GetFileAttributes(destinationFolder)) CreateFolderPath(system, destinationFolder);

    // A pattern below a sub-folder copies from that sub-folder of the source
    // into the same sub-folder of the destination, which is not created here.
    std::string fromFolder = sourceFolder;
    std::string toFolder = destinationFolder;
    const std::size_t patternSlash = text::FindLastChar(system.codePage, pattern, '\\');
    if (patternSlash != text::npos) {
        fromFolder = searchPath.substr(0, text::FindLastChar(system.codePage, searchPath, '\\'));
        toFolder = destinationFolder + "\\" + pattern.substr(0, patternSlash);
    }

    int copied = 0;
    do {
        if (found.name == "." || found.name == "..") continue;
        // The first file that cannot be copied ends the pattern; a sub-folder
        // among the matches cannot be, and so stops the copy there.
        if (!CopyFileReplacing(system, found.name, fromFolder, toFolder)) break;
        ++copied;
    } while (files.FindNext(search, found));
    files.FindClose(search);
    return copied;
}

bool CopyFileReplacing(platform::System& system, const std::string& fileName, const std::string& sourceFolder,
                       const std::string& destinationFolder, const std::optional<std::string>& targetName) {
    auto& files = system.files;
    std::string source = WithSeparator(system.codePage, sourceFolder);
    std::string target = WithSeparator(system.codePage, destinationFolder);
    const bool sameFolder = text::EqualsNoCase(source, target);
    if (sameFolder && !targetName) return true;

    source += fileName;
    // Only a file can be copied. A folder fails here, before anything of the
    // same name in the destination (an installed folder) could be moved aside.
    const std::optional<std::uint32_t> sourceAttributes = files.GetFileAttributes(source);
    if (!sourceAttributes || (*sourceAttributes & platform::attr::Directory) != 0) return false;
    target += targetName ? *targetName : fileName;
    // A target that is the source itself is already in place; deleting it
    // would lose the only copy.
    if (text::EqualsNoCase(source, target)) return true;

    // A copy under another name in the same folder replaces the target only
    // when it can be deleted.
    if (sameFolder && files.Exists(target) && !files.DeleteFile(target)) return true;
    if (!files.Exists(target)) return Copy(files, source, target);

    ClearReadOnlyAndHidden(files, target);
    if (files.DeleteFile(target)) return Copy(files, source, target);
    return ReplaceFileInUse(system, source, target);
}

bool DeleteAtRestart(platform::System& system, const std::string& path) {
    if (system.files.MoveFileAtRestart(path, std::nullopt)) return true;
    // No test of the Windows version: the refusal alone selects the fallback.
    return AppendWininitLine(system, "NUL=" + path);
}

bool ReplaceAtRestart(platform::System& system, const std::string& newFile, const std::string& fileToReplace) {
    if (system.files.MoveFileAtRestart(newFile, fileToReplace)) return true;
    return AppendWininitLine(system, fileToReplace + "=" + newFile);
}

bool SystemHasLibrary(platform::System& system, const app::SetupState& state, const std::string& operand) {
    auto& files = system.files;
    const std::string name = uninstall::SplitInstallOperand(system.codePage, operand).source;
    const std::string ownCopy = WithSeparator(system.codePage, state.sourceDir) + name;
    const std::string probeName = ownCopy + kProbeSuffix;

    // The setup's folder comes first in the search; its copy steps aside so
    // that only the system's folders answer. Neither rename is checked: a
    // missing copy has nothing to move.
    (void)files.MoveFile(ownCopy, probeName);
    const platform::ModuleHandle library = system.modules.LoadLibraryAsDataFile(name);
    (void)files.MoveFile(probeName, ownCopy);

    if (library == 0) return false;
    system.modules.FreeLibrary(library);
    return true;
}

}  // namespace install
