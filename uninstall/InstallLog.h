#pragma once
// The install log: the line-oriented format of the manifest that comes with
// the product files, of the log that an installation leaves in its folder
// (the manifest plus the program group folder and every shortcut) and of
// the older install.log. Lines are ANSI text; an entry is one line that
// begins, at its first byte, with one of the tags below. This file also
// holds the line reader and writer that every reader and writer of the
// format uses, and the removal operations that undo what a log records.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace uninstall {

enum class LogEntryKind { FileCopy, FileCopyX64, FileCopyInd, FileOverwrite, FileDel, MakeDir, MadeDir, ShellLink };

// How an entry's operand reads: a copy operand (a name or pattern, or a
// source ">" target), a folder relative to the installation folder, or an
// absolute path.
enum class OperandForm { Copy, RelativeFolder, AbsolutePath };

struct LogTag {
    LogEntryKind kind;
    std::string_view tag;  // exact, case-sensitive, with its colon and one blank
    OperandForm operand;
};

inline constexpr std::array<LogTag, 8> kLogTags{{
    {LogEntryKind::FileCopy, "File Copy: ", OperandForm::Copy},
    {LogEntryKind::FileCopyX64, "File Copy x64: ", OperandForm::Copy},
    {LogEntryKind::FileCopyInd, "File Copy ind: ", OperandForm::Copy},
    {LogEntryKind::FileOverwrite, "File Overwrite: ", OperandForm::Copy},
    {LogEntryKind::FileDel, "File Del: ", OperandForm::Copy},
    {LogEntryKind::MakeDir, "Make Dir: ", OperandForm::RelativeFolder},
    {LogEntryKind::MadeDir, "Made Dir: ", OperandForm::AbsolutePath},
    {LogEntryKind::ShellLink, "Shell Link: ", OperandForm::AbsolutePath},
}};

// The tag of a kind, as the table gives it.
[[nodiscard]] std::string_view TagOf(LogEntryKind kind);

// The size of the line buffer: a line is read in pieces of at most 511 bytes.
inline constexpr std::size_t kLogLineBuffer = 512;

// A parsed line. For copy operands, the source is the text before the first
// ">" without its trailing white space (or the whole operand), and the
// target the text after it without its leading white space (none without a
// ">"). Other kinds leave both empty.
struct LogEntry {
    LogEntryKind kind;
    std::string operand;
    std::string source;
    std::optional<std::string> target;
};

// The two halves of a copy operand as the installer reads it.
struct CopyOperand {
    std::string source;
    std::optional<std::string> target;
};

// Reads the next line of a log opened with FileSystem::OpenText: at most 511
// bytes, up to and including the first line feed, so that a longer line
// comes in pieces that are lines of their own. Trailing bytes of value 0x20
// or less are removed, but never the line's first byte. False at the end of
// the file.
[[nodiscard]] bool ReadLogLine(platform::System& system, platform::FileHandle log, std::string& line);

// Appends the text and a line end to the log in text mode, creating the file
// when it is missing. A log that cannot be opened loses the entry silently.
void AppendLogLine(platform::System& system, const std::string& logPath, const std::string& text);

// True when the line begins, at its very first byte, with the tag, compared
// byte for byte and case-sensitively.
[[nodiscard]] bool BeginsWithTag(std::string_view line, std::string_view tag);
// The kind whose tag begins the line; none for every other line.
[[nodiscard]] std::optional<LogEntryKind> EntryKindOf(std::string_view line);
// The line as an entry; none when no tag begins it.
[[nodiscard]] std::optional<LogEntry> ParseLogEntry(platform::CodePage& codePage, std::string_view line);

// The installer's reading of a copy operand: split at the first ">" (found
// character by character, so that the second byte of a double-byte
// character is never taken for it); the source loses its trailing and the
// target its leading white space (blank and 0x09 to 0x0D). The installer
// knows no annotation: a " | " stays part of the operand.
[[nodiscard]] CopyOperand SplitInstallOperand(platform::CodePage& codePage, std::string_view operand);

// The uninstaller's reading of a line of that tag: the line is cut at its
// first " | " (an annotation), the tag is dropped, and of a "source >
// target" only the target is kept, without its leading white space. The
// result names the installed file or files.
[[nodiscard]] std::string SplitRemovalOperand(platform::CodePage& codePage, std::string_view line,
                                              std::string_view tag);

// Deletes the shortcut that every "Shell Link: " entry names, then, reading
// the log again from its start, removes the folder of every "Made Dir: "
// entry and its parents for as long as each removal succeeds. A log that
// cannot be opened is skipped.
void RemoveLoggedLinks(platform::System& system, const std::string& logPath);

// Deletes from the folder every file that the log's copy entries name or
// match (only entries of `only` when it is given; otherwise "File Copy: ",
// "File Copy x64: ", "File Copy ind: ", "File Overwrite: " and "File Del: "),
// then, reading the log again, removes the folder of every "Make Dir: "
// entry below the folder when it is empty. Failures are ignored.
void RemoveLoggedFiles(platform::System& system, const std::string& logPath, const std::string& folder,
                       std::optional<LogEntryKind> only = std::nullopt);

// Deletes every file of the folder that the pattern (a name or wildcards,
// optionally below a relative sub-folder) matches, clearing its read-only
// and hidden attributes first. Folders and files in use stay. Returns the
// number of files deleted.
[[nodiscard]] int DeleteMatchingFiles(platform::System& system, const std::string& pattern,
                                      const std::string& folder);

}  // namespace uninstall
