#pragma once
// Files and folders as the setup sees them. Every operation mirrors one
// Win32 or C run-time call (named in its comment) with the same success and
// failure cases. Paths are ANSI byte strings; names compare without regard
// to letter case and keep the case they were created with.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// FILE_ATTRIBUTE_* values.
namespace attr {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
}  // namespace attr

// One entry of a folder search: WIN32_FIND_DATAA's attributes and name.
struct FindData {
    std::uint32_t attributes = 0;
    std::string name;
};

// Search and open-file handles; 0 is "no handle".
using FindHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;

enum class IfExists { Overwrite, Fail };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // GetLastError() after the last failed call of this interface.
    [[nodiscard]] virtual long LastError() = 0;

    // GetFileAttributesA: none for a missing path.
    [[nodiscard]] virtual std::optional<std::uint32_t> GetFileAttributes(const std::string& path) = 0;
    // SetFileAttributesA. Fails for a missing path.
    [[nodiscard]] virtual bool SetFileAttributes(const std::string& path, std::uint32_t attributes) = 0;

    // CreateDirectoryA(path, NULL): one level; fails when the path exists or
    // its parent does not.
    [[nodiscard]] virtual bool CreateDirectory(const std::string& path) = 0;
    // RemoveDirectoryA: removes an empty folder only.
    [[nodiscard]] virtual bool RemoveDirectory(const std::string& path) = 0;
    // DeleteFileA: fails for a missing file, a folder, a read-only file and a
    // file in use.
    [[nodiscard]] virtual bool DeleteFile(const std::string& path) = 0;
    // MoveFileA: fails when the new name exists or the file may not be moved.
    [[nodiscard]] virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // CopyFileA(from, to, failIfExists): overwrites an existing file that is
    // not locked (not a read-only one); the copy takes the source's attributes.
    [[nodiscard]] virtual bool CopyFile(const std::string& from, const std::string& to, IfExists ifExists) = 0;
    // MoveFileExA(from, to or NULL, MOVEFILE_DELAY_UNTIL_REBOOT): registers a
    // rename (or, without a new name, a deletion) for the next system start.
    [[nodiscard]] virtual bool MoveFileAtRestart(const std::string& from, const std::optional<std::string>& to) = 0;

    // FindFirstFileA: the first entry of one folder that matches a pattern
    // with Windows wildcards ("*", "?"), folders and "." and ".." included;
    // 0 when nothing matches.
    [[nodiscard]] virtual FindHandle FindFirst(const std::string& pattern, FindData& found) = 0;
    // FindNextFileA: the next entry, in the file system's order; false at the end.
    [[nodiscard]] virtual bool FindNext(FindHandle search, FindData& found) = 0;
    // FindClose.
    virtual void FindClose(FindHandle search) = 0;

    // _access(path, 0) == 0: something (a file or a folder) exists there.
    [[nodiscard]] virtual bool Exists(const std::string& path) = 0;

    // fopen(path, "rt"): 0 when the file cannot be opened.
    [[nodiscard]] virtual FileHandle OpenText(const std::string& path) = 0;
    // fgets(buffer, bufferSize, file): at most bufferSize - 1 bytes, stopping
    // after the first line feed; text mode reads CR LF as LF. False at the end
    // of the file.
    [[nodiscard]] virtual bool ReadLine(FileHandle file, std::size_t bufferSize, std::string& line) = 0;
    // rewind(file).
    virtual void Rewind(FileHandle file) = 0;
    // fclose(file).
    virtual void CloseFile(FileHandle file) = 0;
    // fopen(path, "at"), fputs(text), fclose: appends in text mode (each LF
    // is written as CR LF), creating the file; false when it cannot be opened.
    [[nodiscard]] virtual bool AppendText(const std::string& path, const std::string& text) = 0;

    // The whole file as bytes (CreateFileA and ReadFile); none when it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // Creates or truncates the file and writes the bytes (CreateFileA with
    // CREATE_ALWAYS and WriteFile).
    [[nodiscard]] virtual bool WriteFile(const std::string& path, const std::string& bytes) = 0;

    // GetPrivateProfileSectionA(section, buffer, bufferSize, file): the
    // section's lines, each ended by a zero byte, as far as they fit; returns
    // the number of bytes copied without the final zero.
    [[nodiscard]] virtual std::uint32_t GetProfileSection(const std::string& file, const std::string& section,
                                                          std::size_t bufferSize, std::string& lines) = 0;
    // WritePrivateProfileSectionA(section, lines, file): replaces the whole
    // section with the zero-separated lines.
    [[nodiscard]] virtual bool WriteProfileSection(const std::string& file, const std::string& section,
                                                   const std::string& lines) = 0;

    // GetTempPathA: the temporary folder with its trailing backslash.
    [[nodiscard]] virtual std::string GetTempPath() = 0;
    // GetTempFileNameA(folder, prefix, 0): creates an empty file with a new
    // unique name "<prefix><hex>.tmp" in the folder and returns its path.
    [[nodiscard]] virtual std::optional<std::string> GetTempFileName(const std::string& folder,
                                                                     const std::string& prefix) = 0;
    // GetCurrentDirectoryA / SetCurrentDirectoryA.
    [[nodiscard]] virtual std::string GetCurrentDirectory() = 0;
    [[nodiscard]] virtual bool SetCurrentDirectory(const std::string& path) = 0;
    // GetWindowsDirectoryA.
    [[nodiscard]] virtual std::string GetWindowsDirectory() = 0;
};

// How another process holds a file open. Only tests use this: the logic
// meets files in use, it never makes them.
enum class InUse {
    RefuseDelete,           // like a running executable: deletion fails, renaming works
    RefuseDeleteAndRename,  // opened without sharing: deletion and renaming both fail
};

class FileLocks {
public:
    virtual ~FileLocks() = default;
    // Holds the file open in that way until Release; 0 when it cannot.
    [[nodiscard]] virtual std::uintptr_t Hold(const std::string& path, InUse how) = 0;
    virtual void Release(std::uintptr_t hold) = 0;
};

}  // namespace platform
