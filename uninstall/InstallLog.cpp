#include "uninstall/InstallLog.h"

#include <array>

#include "install/Detection.h"
#include "platform/Text.h"

namespace uninstall {

namespace {

namespace text = platform::text;

// A path is built in a buffer of 260 bytes: at most 259 characters.
constexpr std::size_t kPathBuffer = 260;

// The entries that the uninstaller deletes files for, in the order it tests them.
constexpr std::array kFileTags{LogEntryKind::FileCopy, LogEntryKind::FileCopyX64, LogEntryKind::FileCopyInd,
                               LogEntryKind::FileOverwrite, LogEntryKind::FileDel};

// The blank and the control characters 0x09 to 0x0D, as isspace() in the C locale.
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view WithoutTrailingWhiteSpace(std::string_view s) {
    while (!s.empty() && IsWhiteSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view WithoutLeadingWhiteSpace(std::string_view s) {
    while (!s.empty() && IsWhiteSpace(s.front())) s.remove_prefix(1);
    return s;
}

// The text after a ">" loses its leading white space.
std::string TargetAfter(std::string_view operand, std::size_t separator) {
    return std::string(WithoutLeadingWhiteSpace(operand.substr(separator + 1)));
}

// The folder and the separator before a name in it: the folder, then a "\"
// unless the folder is empty or already ends in one ("/" counts too).
std::string FolderPrefix(platform::CodePage& codePage, const std::string& folder) {
    if (folder.empty() || text::EndsWithChar(codePage, folder, '\\') || text::EndsWithChar(codePage, folder, '/'))
        return folder;
    return folder + "\\";
}

// Runs `action` on the operand of every entry of that kind, in file order.
template <typename Action>
void ForEachEntry(platform::System& system, platform::FileHandle log, LogEntryKind kind, Action action) {
    const std::string_view tag = TagOf(kind);
    std::string line;
    while (ReadLogLine(system, log, line)) {
        if (BeginsWithTag(line, tag)) action(line.substr(tag.size()));
    }
}

// Removes the folder, then its parent, and so on while each removal works.
// The walk ends at the first folder that is not empty, is in use or does
// not exist; the empty path of a folder without a parent always fails.
void RemoveFolderAndEmptyParents(platform::System& system, std::string folder) {
    while (system.files.RemoveDirectory(folder)) folder = install::ParentFolder(system.codePage, folder);
}

}  // namespace

std::string_view TagOf(LogEntryKind kind) {
    for (const auto& entry : kLogTags) {
        if (entry.kind == kind) return entry.tag;
    }
    return {};
}

bool ReadLogLine(platform::System& system, platform::FileHandle log, std::string& line) {
    if (!system.files.ReadLine(log, kLogLineBuffer, line)) return false;
    while (line.size() > 1 && static_cast<unsigned char>(line.back()) <= 0x20) line.pop_back();
    return true;
}

void AppendLogLine(platform::System& system, const std::string& logPath, const std::string& text) {
    // Each entry is its own open, write and close; a failure drops the entry.
    (void)system.files.AppendText(logPath, text + "\n");
}

bool BeginsWithTag(std::string_view line, std::string_view tag) { return line.substr(0, tag.size()) == tag; }

std::optional<LogEntryKind> EntryKindOf(std::string_view line) {
    for (const auto& entry : kLogTags) {
        if (BeginsWithTag(line, entry.tag)) return entry.kind;
    }
    return std::nullopt;
}

std::optional<LogEntry> ParseLogEntry(platform::CodePage& codePage, std::string_view line) {
    for (const auto& entry : kLogTags) {
        if (!BeginsWithTag(line, entry.tag)) continue;
        LogEntry parsed{entry.kind, std::string(line.substr(entry.tag.size())), {}, std::nullopt};
        if (entry.operand == OperandForm::Copy) {
            CopyOperand halves = SplitInstallOperand(codePage, parsed.operand);
            parsed.source = std::move(halves.source);
            parsed.target = std::move(halves.target);
        }
        return parsed;
    }
    return std::nullopt;
}

CopyOperand SplitInstallOperand(platform::CodePage& codePage, std::string_view operand) {
    const std::size_t separator = text::FindChar(codePage, operand, '>');
    if (separator == text::npos) return {std::string(operand), std::nullopt};
    return {std::string(WithoutTrailingWhiteSpace(operand.substr(0, separator))), TargetAfter(operand, separator)};
}

std::string SplitRemovalOperand(platform::CodePage& codePage, std::string_view line, std::string_view tag) {
    // The annotation is found byte by byte, as the tags are.
    line = line.substr(0, line.find(" | "));
    if (line.size() < tag.size()) return {};
    const std::string_view operand = line.substr(tag.size());
    const std::size_t separator = text::FindChar(codePage, operand, '>');
    if (separator == text::npos) return std::string(operand);
    return TargetAfter(operand, separator);
}

void RemoveLoggedLinks(platform::System& system, const std::string& logPath) {
    platform::FileHandle log = system.files.OpenText(logPath);
    if (log == 0) return;
    // Shortcuts first, so that their folders are empty when the second pass
    // comes to them.
    ForEachEntry(system, log, LogEntryKind::ShellLink,
                 [&](const std::string& link) { (void)system.files.DeleteFile(link); });
    system.files.Rewind(log);
    ForEachEntry(system, log, LogEntryKind::MadeDir,
                 [&](const std::string& folder) { RemoveFolderAndEmptyParents(system, folder); });
    system.files.CloseFile(log);
}

void RemoveLoggedFiles(platform::System& system, const std::string& logPath, const std::string& folder,
                       std::optional<LogEntryKind> only) {
    platform::FileHandle log = system.files.OpenText(logPath);
    if (log == 0) return;
    std::string line;
    while (ReadLogLine(system, log, line)) {
        for (LogEntryKind kind : kFileTags) {
            if (only && *only != kind) continue;
            const std::string_view tag = TagOf(kind);
            if (BeginsWithTag(line, tag))
                (void)DeleteMatchingFiles(system, SplitRemovalOperand(system.codePage, line, tag), folder);
        }
    }
    // Files before folders: a listed folder can only go once it is empty.
    system.files.Rewind(log);
    ForEachEntry(system, log, LogEntryKind::MakeDir, [&](const std::string& subFolder) {
        (void)system.files.RemoveDirectory(folder + "\\" + subFolder);
    });
    system.files.CloseFile(log);
}

int DeleteMatchingFiles(platform::System& system, const std::string& pattern, const std::string& folder) {
    auto& files = system.files;
    const std::string base = FolderPrefix(system.codePage, folder);
    platform::FindData found;
    platform::FindHandle search = files.FindFirst(base + pattern, found);
    if (search == 0) return 0;

    // Matches lie in the pattern's sub-folder, if it names one.
    const std::size_t lastSlash = text::FindLastChar(system.codePage, pattern, '\\');
    const std::string matchFolder = base + (lastSlash == text::npos ? std::string() : pattern.substr(0, lastSlash + 1));
    int deleted = 0;
    do {
        // Folders, "." and ".." among them, cannot be deleted as files; they
        // are passed by without touching their attributes, which for "." and
        // ".." would be those of the folder itself and of its parent.
        if (found.attributes & platform::attr::Directory) continue;
        const std::string path = matchFolder + found.name;
        // A path that the 260-byte buffer cannot hold is not deleted.
        if (path.size() >= kPathBuffer) continue;
        if (auto attributes = files.GetFileAttributes(path))
            (void)files.SetFileAttributes(path, *attributes & ~(platform::attr::ReadOnly | platform::attr::Hidden));
        if (files.DeleteFile(path)) ++deleted;
    } while (files.FindNext(search, found));
    files.FindClose(search);
    return deleted;
}

}  // namespace uninstall
