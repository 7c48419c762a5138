#pragma once
// The simulated Windows file system: drives with folders and files in memory,
// with the semantics that the setup relies on and that the contract tests
// check against Wine.
//
// - Paths: "X:\..." full paths, "\..." on the current drive and relative
//   paths against the current folder; "/" counts as "\", "." and ".." are
//   resolved, repeated separators collapse, and trailing dots and blanks of
//   the last part are dropped. Separators are found character by character
//   in the ANSI code page (UseCodePage), so the second byte of a double-byte
//   character is never taken for a "\". UNC paths are not modelled.
// - Names compare with ASCII letters folded (in single-byte characters only)
//   and keep the case they were created with. Letters beyond ASCII, which
//   Windows folds through Unicode, compare exactly here.
// - Attributes are enforced: a read-only file refuses deletion and being
//   written over; a hidden or system file refuses being created over by a
//   copy or a write whose new attributes lack those flags (as CreateFile
//   with CREATE_ALWAYS does). Wine, running as root, lets both writes
//   through; real Windows refuses them, and so does this simulation.
// - Files in use: a file held like a running executable refuses deletion
//   (error 5) and writing (error 32) but can be renamed; a file held without
//   sharing refuses everything but its attributes (error 32); a file open
//   through OpenText refuses deletion, renaming and exclusive writes (error
//   32). The marks belong to the file, not its name: a renamed file stays in
//   use under its new name. The current folder cannot be removed or renamed.
// - Folder searches list "." and ".." first (not at a drive root) and then
//   the entries in order of their upper-cased names, like NTFS. Patterns
//   follow the Windows rules: "*", "?" (which, at a dot or at the end of the
//   name, also matches nothing), "*.*" for everything, "*." for names
//   without a dot. Matches against generated 8.3 short names (by which
//   "*.txt" also finds "a.txtx" on Windows and Wine) are not modelled. A
//   search lists the folder as it was when the search started.
// - Restart-time operations are queued by MoveFileAtRestart and carried out
//   by Reboot, after the "rename" section of WININIT.INI (as wineboot does).
// - Profile files are ordinary files of text, so a test reads WININIT.INI
//   with FileText.
//
// Every operation of the interface first asks the fault injector, under the
// Win32 call's name without its "A" ("DeleteFile", "fopen", "MoveFileEx"),
// and when told to fail returns the failure value with error 5.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/sim/Faults.h"

namespace sim {

// One registered restart-time operation: a deletion (no new name) or a rename.
struct RestartOperation {
    std::string from;
    std::optional<std::string> to;
};

class SimFileSystem final : public platform::FileSystem, public platform::FileLocks {
public:
    // A fresh layout like a new Wine prefix: drive C: with C:\windows,
    // C:\windows\system32, C:\Program Files and the temporary folder
    // C:\users\user\Temp; the current folder is C:\.
    explicit SimFileSystem(Faults& faults);
    ~SimFileSystem() override;
    SimFileSystem(const SimFileSystem&) = delete;
    SimFileSystem& operator=(const SimFileSystem&) = delete;

    // --- Test set-up. These bypass attributes, locks and fault injection. ---

    // Paths are split in this code page from now on (single-byte without one).
    void UseCodePage(platform::CodePage& codePage) { codePage_ = &codePage; }
    // Adds an empty drive (a letter A to Z); false when it exists already.
    bool AddDrive(char letter);
    // Creates the folder and its missing parents; true when it exists afterwards.
    bool AddFolder(const std::string& path);
    // Creates or replaces the file, creating missing parent folders.
    bool AddFile(const std::string& path, const std::string& bytes,
                 std::uint32_t attributes = platform::attr::Archive);
    // The file's bytes; none for a missing path or a folder.
    [[nodiscard]] std::optional<std::string> FileText(const std::string& path) const;
    // Marks the file as in use by another process until ClearInUse or Reboot.
    bool SetInUse(const std::string& path, platform::InUse how);
    void ClearInUse(const std::string& path);
    // The folder GetTempPath reports; a trailing backslash is added if missing.
    void SetTempFolder(const std::string& folder);
    // The folder GetWindowsDirectory reports and profile files default to.
    void SetWindowsFolder(const std::string& folder) { windowsFolder_ = folder; }
    // Without the service MoveFileAtRestart fails with error 5, as on systems
    // that lack it or for a user without the rights.
    void SetRestartServiceAvailable(bool available) { restartServiceAvailable_ = available; }
    [[nodiscard]] const std::vector<RestartOperation>& PendingRestartOperations() const { return pending_; }

    // The next system start: every process ends (locks and open files go),
    // the "rename" section of WININIT.INI is carried out line by line and the
    // file renamed to WININIT.BAK, then the registered operations run in the
    // order registered. A deletion removes a file that is not read-only, or
    // an empty folder; a rename fails when the new name exists. WININIT.INI
    // lines "NUL=path" delete, "new=old" move old to new, replacing it. (This
    // is what `wineboot -r` does.)
    void Reboot();

    // Every folder and file with attributes and sizes, the in-use marks and
    // the pending restart operations, one per line.
    [[nodiscard]] std::string Dump() const;

    // --- platform::FileSystem ---
    long LastError() override { return lastError_; }
    std::optional<std::uint32_t> GetFileAttributes(const std::string& path) override;
    bool SetFileAttributes(const std::string& path, std::uint32_t attributes) override;
    bool CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool CopyFile(const std::string& from, const std::string& to, platform::IfExists ifExists) override;
    bool MoveFileAtRestart(const std::string& from, const std::optional<std::string>& to) override;
    platform::FindHandle FindFirst(const std::string& pattern, platform::FindData& found) override;
    bool FindNext(platform::FindHandle search, platform::FindData& found) override;
    void FindClose(platform::FindHandle search) override;
    bool Exists(const std::string& path) override;
    platform::FileHandle OpenText(const std::string& path) override;
    bool ReadLine(platform::FileHandle file, std::size_t bufferSize, std::string& line) override;
    void Rewind(platform::FileHandle file) override;
    void CloseFile(platform::FileHandle file) override;
    bool AppendText(const std::string& path, const std::string& text) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    bool WriteFile(const std::string& path, const std::string& bytes) override;
    std::uint32_t GetProfileSection(const std::string& file, const std::string& section, std::size_t bufferSize,
                                    std::string& lines) override;
    bool WriteProfileSection(const std::string& file, const std::string& section,
                             const std::string& lines) override;
    std::string GetTempPath() override;
    std::optional<std::string> GetTempFileName(const std::string& folder, const std::string& prefix) override;
    std::string GetCurrentDirectory() override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::string GetWindowsDirectory() override;

    // --- platform::FileLocks ---
    // RefuseDelete needs an executable image (a file that starts with "MZ"),
    // as loading a file as a module does; RefuseDeleteAndRename any file.
    std::uintptr_t Hold(const std::string& path, platform::InUse how) override;
    void Release(std::uintptr_t hold) override;

private:
    struct Node {
        std::string name;                // as created
        bool directory = false;
        std::uint32_t attributes = 0;    // FILE_ATTRIBUTE_* bits without Directory
        std::string bytes;
        std::map<std::string, std::shared_ptr<Node>> children;  // keyed by the folded name
        Node* parent = nullptr;
        int imageHolds = 0;              // held like a running executable
        int exclusiveHolds = 0;          // held open without sharing
        int textReaders = 0;             // open through OpenText
    };
    // A full path split into its drive and its parts, as spelled.
    struct Path {
        char drive = 'C';
        std::vector<std::string> parts;
        bool trailingSeparator = false;
    };
    // Where a path leads: the folder that holds (or would hold) its last
    // part, and the entry itself. `error` says why `node` (or also `folder`)
    // is missing.
    struct Lookup {
        Node* folder = nullptr;
        Node* node = nullptr;
        std::string leaf;
        long error = 0;
    };
    struct TextFile {
        std::shared_ptr<Node> node;
        std::size_t position = 0;
        bool atEnd = false;  // a Ctrl-Z was read; only Rewind clears it
    };
    struct Search {
        std::vector<platform::FindData> entries;
        std::size_t next = 0;
    };
    struct Held {
        std::shared_ptr<Node> node;
        platform::InUse how;
    };
    // What an operation does to a file, for the sharing checks.
    enum class Access { Read, Delete, Rename, SharedWrite, ExclusiveWrite };

    [[nodiscard]] std::optional<Path> Split(const std::string& path) const;
    [[nodiscard]] Lookup Resolve(const std::string& path) const;
    [[nodiscard]] Lookup Resolve(const Path& path) const;
    [[nodiscard]] std::string FullPath(const Path& path) const;
    [[nodiscard]] std::string Key(const std::string& name) const;
    [[nodiscard]] std::vector<std::string> Characters(const std::string& text) const;
    [[nodiscard]] bool IsCurrentFolder(const Node& node) const;
    [[nodiscard]] long SharingError(const Node& node, Access access) const;
    [[nodiscard]] std::shared_ptr<Node> Shared(Node& node) const;
    [[nodiscard]] static std::uint32_t Reported(const Node& node);
    static void DumpNode(const Node& node, const std::string& path, std::string& out);
    void ForceDelete(const std::string& path);
    void ForceMove(const std::string& from, const std::string& to, bool replace);
    std::uintptr_t AddHold(Node& node, platform::InUse how);
    Node* MakeFolders(const std::string& path);
    Node* AddChild(Node& folder, const std::string& name, bool directory);
    std::shared_ptr<Node> Detach(Node& node);
    void ApplyWininit();
    void ApplyPending();
    [[nodiscard]] std::string ProfilePath(const std::string& file) const;
    bool Fail(long error);
    bool Injected(const char* operation);

    Faults& faults_;
    platform::CodePage* codePage_ = nullptr;
    std::map<char, std::shared_ptr<Node>> drives_;
    std::string currentFolder_ = "C:\\";
    std::string tempFolder_ = "C:\\users\\user\\Temp\\";
    std::string windowsFolder_ = "C:\\windows";
    bool restartServiceAvailable_ = true;
    std::vector<RestartOperation> pending_;
    std::map<std::uintptr_t, TextFile> textFiles_;
    std::map<std::uintptr_t, Search> searches_;
    std::map<std::uintptr_t, Held> holds_;
    std::uintptr_t nextHandle_ = 1;
    unsigned nextTempNumber_ = 1;
    long lastError_ = 0;
};

}  // namespace sim
