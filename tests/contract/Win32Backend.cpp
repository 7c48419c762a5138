// The contract tests' backend on the real Windows: a scratch folder in the
// temporary folder and a scratch key under HKEY_CURRENT_USER for each test,
// both removed again when the test ends.
#include "platform/win32/WinApi.h"

#include <memory>
#include <string>

#include "platform/win32/Win32System.h"
#include "tests/contract/Contract.h"

namespace contract {

namespace {

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    std::string folder(buffer, length);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

// Removes a folder and everything in it, clearing attributes on the way.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool RunningOn64BitWindows() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

class Win32Backend final : public Backend {
public:
    explicit Win32Backend(int number) {
        std::string base = TempFolder() + "\\contract";
        CreateDirectoryA(base.c_str(), nullptr);
        scratch_ = base + "\\t" + std::to_string(number);
        RemoveTree(scratch_);
        CreateDirectoryA(scratch_.c_str(), nullptr);
        key_ = "Software\\ContractTests\\t" + std::to_string(number);
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, key_.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
    }
    ~Win32Backend() override {
        RemoveTree(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    }

    platform::System& System() override { return system_.System(); }
    platform::FileLocks& Locks() override { return system_.locks; }
    std::string Scratch() override { return scratch_; }
    std::string ScratchKey() override { return key_; }
    bool Is64BitWindows() override { return RunningOn64BitWindows(); }

private:
    platform::win32::Win32System system_;
    std::string scratch_;
    std::string key_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend(int testNumber) { return std::make_unique<Win32Backend>(testNumber); }
const char* BackendName() { return "win32"; }

}  // namespace contract
