// Generic Windows code only: each operation is one Win32 call with its
// result passed on; no decisions of the setup belong here.
#include "platform/win32/Win32Modules.h"

#include "platform/win32/WinApi.h"

#include <winver.h>

namespace platform::win32 {

long Win32Modules::LastError() { return static_cast<long>(GetLastError()); }

std::uint32_t Win32Modules::GetFileVersionInfoSize(const std::string& path) {
    DWORD unused = 0;
    return GetFileVersionInfoSizeA(path.c_str(), &unused);
}

bool Win32Modules::GetFileVersionInfo(const std::string& path, std::uint32_t size, std::string& block) {
    block.assign(size, '\0');
    return GetFileVersionInfoA(path.c_str(), 0, size, block.data()) != FALSE;
}

std::optional<platform::FixedFileInfo> Win32Modules::QueryRootVersion(const std::string& block) {
    // VerQueryValueA may write into the block it is given, so it gets a copy.
    std::string copy = block;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(copy.data(), "\\", &value, &length) || value == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    return platform::FixedFileInfo{info->dwSignature,     info->dwStrucVersion,     info->dwFileVersionMS,
                                   info->dwFileVersionLS, info->dwProductVersionMS, info->dwProductVersionLS};
}

platform::ModuleHandle Win32Modules::LoadLibraryAsDataFile(const std::string& name) {
    return reinterpret_cast<platform::ModuleHandle>(LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

void Win32Modules::FreeLibrary(platform::ModuleHandle module) {
    ::FreeLibrary(reinterpret_cast<HMODULE>(module));
}

}  // namespace platform::win32
