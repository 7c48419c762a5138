// Generic Windows code only: each operation is one Win32 or C run-time call
// with its result passed on; no decisions of the setup belong here.
#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/WinApi.h"

#include <io.h>

#include <cstdio>
#include <vector>

namespace platform::win32 {

namespace {

HANDLE AsHandle(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::FILE* AsFile(platform::FileHandle file) { return reinterpret_cast<std::FILE*>(file); }

platform::FindData FromFindData(const WIN32_FIND_DATAA& data) {
    return {static_cast<std::uint32_t>(data.dwFileAttributes), data.cFileName};
}

// A text the API fills, of at most `size` bytes with its zero.
std::string FromBuffer(const std::vector<char>& buffer, DWORD length) {
    if (length >= buffer.size()) return {};
    return std::string(buffer.data(), length);
}

}  // namespace

long Win32FileSystem::LastError() { return static_cast<long>(GetLastError()); }

std::optional<std::uint32_t> Win32FileSystem::GetFileAttributes(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<std::uint32_t>(attributes);
}

bool Win32FileSystem::SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != FALSE; }

bool Win32FileSystem::DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool Win32FileSystem::MoveFile(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to, platform::IfExists ifExists) {
    BOOL failIfExists = ifExists == platform::IfExists::Fail ? TRUE : FALSE;
    return CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

bool Win32FileSystem::MoveFileAtRestart(const std::string& from, const std::optional<std::string>& to) {
    return MoveFileExA(from.c_str(), to ? to->c_str() : nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

platform::FindHandle Win32FileSystem::FindFirst(const std::string& pattern, platform::FindData& found) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    found = FromFindData(data);
    return reinterpret_cast<platform::FindHandle>(search);
}

bool Win32FileSystem::FindNext(platform::FindHandle search, platform::FindData& found) {
    WIN32_FIND_DATAA data{};
    if (!FindNextFileA(AsHandle(search), &data)) return false;
    found = FromFindData(data);
    return true;
}

void Win32FileSystem::FindClose(platform::FindHandle search) { ::FindClose(AsHandle(search)); }

bool Win32FileSystem::Exists(const std::string& path) { return _access(path.c_str(), 0) == 0; }

platform::FileHandle Win32FileSystem::OpenText(const std::string& path) {
    return reinterpret_cast<platform::FileHandle>(std::fopen(path.c_str(), "rt"));
}

bool Win32FileSystem::ReadLine(platform::FileHandle file, std::size_t bufferSize, std::string& line) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    if (std::fgets(buffer.data(), static_cast<int>(bufferSize), AsFile(file)) == nullptr) return false;
    line = buffer.data();
    return true;
}

void Win32FileSystem::Rewind(platform::FileHandle file) { std::rewind(AsFile(file)); }

void Win32FileSystem::CloseFile(platform::FileHandle file) { std::fclose(AsFile(file)); }

bool Win32FileSystem::AppendText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "at");
    if (file == nullptr) return false;
    bool written = std::fputs(text.c_str(), file) >= 0;
    return std::fclose(file) == 0 && written;
}

std::optional<std::string> Win32FileSystem::ReadFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    BOOL ok = bytes.empty() || ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

bool Win32FileSystem::WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::uint32_t Win32FileSystem::GetProfileSection(const std::string& file, const std::string& section,
                                                 std::size_t bufferSize, std::string& lines) {
    std::vector<char> buffer(bufferSize + 2, '\0');
    DWORD length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(bufferSize),
                                             file.c_str());
    lines.assign(buffer.data(), length);
    return static_cast<std::uint32_t>(length);
}

bool Win32FileSystem::WriteProfileSection(const std::string& file, const std::string& section,
                                          const std::string& lines) {
    // The call reads up to a double zero, which c_str() alone does not promise.
    std::string block = lines + std::string(2, '\0');
    return WritePrivateProfileSectionA(section.c_str(), block.c_str(), file.c_str()) != FALSE;
}

std::string Win32FileSystem::GetTempPath() {
    std::vector<char> buffer(MAX_PATH + 1, '\0');
    return FromBuffer(buffer, GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data()));
}

std::optional<std::string> Win32FileSystem::GetTempFileName(const std::string& folder, const std::string& prefix) {
    std::vector<char> buffer(MAX_PATH, '\0');
    if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer.data()) == 0) return std::nullopt;
    return std::string(buffer.data());
}

std::string Win32FileSystem::GetCurrentDirectory() {
    std::vector<char> buffer(MAX_PATH, '\0');
    return FromBuffer(buffer, GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data()));
}

bool Win32FileSystem::SetCurrentDirectory(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
}

std::string Win32FileSystem::GetWindowsDirectory() {
    std::vector<char> buffer(MAX_PATH, '\0');
    return FromBuffer(buffer, GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size())));
}

Win32FileLocks::~Win32FileLocks() {
    while (!held_.empty()) Release(held_.begin()->first);
}

std::uintptr_t Win32FileLocks::Hold(const std::string& path, platform::InUse how) {
    std::uintptr_t hold = 0;
    if (how == platform::InUse::RefuseDelete) {
        HMODULE module = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        hold = reinterpret_cast<std::uintptr_t>(module);
    } else {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) hold = reinterpret_cast<std::uintptr_t>(file);
    }
    if (hold != 0) {
        // Loading the same file again hands out the same module, counted once more.
        auto& entry = held_[hold];
        entry.how = how;
        ++entry.count;
    }
    return hold;
}

void Win32FileLocks::Release(std::uintptr_t hold) {
    auto it = held_.find(hold);
    if (it == held_.end()) return;
    if (it->second.how == platform::InUse::RefuseDelete) {
        FreeLibrary(reinterpret_cast<HMODULE>(hold));
    } else {
        CloseHandle(AsHandle(hold));
    }
    if (--it->second.count == 0) held_.erase(it);
}

}  // namespace platform::win32
