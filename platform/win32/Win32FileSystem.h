#pragma once
// Bindings of files and folders. Generic Windows code only: one Win32 or C
// run-time call per operation (a whole-file read or write is CreateFileA
// with its ReadFile or WriteFile), results passed on, no decisions.

#include <cstdint>
#include <map>

#include "platform/FileSystem.h"

namespace platform::win32 {

class Win32FileSystem final : public platform::FileSystem {
public:
    long LastError() override;
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
};

// Files held in use for tests. RefuseDelete loads the file as a module
// without running it (LoadLibraryExA with DONT_RESOLVE_DLL_REFERENCES), which
// maps it as an executable image: like a running program, deletion fails
// with error 5, writing with error 32, renaming works. This needs a valid
// executable image. (A mapped view of a plain data file does not do it:
// Wine then lets the file be deleted, and only refuses truncating it with
// error 1224.) RefuseDeleteAndRename opens the file without sharing
// (CreateFileA with share mode 0).
class Win32FileLocks final : public platform::FileLocks {
public:
    Win32FileLocks() = default;
    Win32FileLocks(const Win32FileLocks&) = delete;
    Win32FileLocks& operator=(const Win32FileLocks&) = delete;
    ~Win32FileLocks() override;

    std::uintptr_t Hold(const std::string& path, platform::InUse how) override;
    void Release(std::uintptr_t hold) override;

private:
    struct Entry {
        platform::InUse how = platform::InUse::RefuseDelete;
        int count = 0;
    };
    std::map<std::uintptr_t, Entry> held_;  // module or file handle, and how it is held
};

}  // namespace platform::win32
