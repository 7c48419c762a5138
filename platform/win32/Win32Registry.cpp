// Generic Windows code only: each operation is one advapi32 call with its
// result passed on; no decisions of the setup belong here. The only work
// besides the call is converting between the interface's types and Win32's.
#include "platform/win32/Win32Registry.h"

#include <vector>

#include "platform/win32/WinApi.h"

namespace platform::win32 {

namespace {

HKEY Native(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey Portable(HKEY key) { return reinterpret_cast<RegKey>(key); }

REGSAM NativeAccess(RegAccess access) {
    switch (access) {
        case RegAccess::Read: return KEY_READ;
        case RegAccess::QueryValue: return KEY_QUERY_VALUE;
        case RegAccess::AllAccess: return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

// A buffer of the size the caller asked for; one byte more is allocated so
// that a size of 0 still has a valid address, but the call is told the
// caller's size.
std::vector<char> Buffer(std::size_t size) { return std::vector<char>(size + 1, '\0'); }

}  // namespace

long Win32Registry::OpenKey(RegKey parent, const std::string& subKey, RegAccess access, RegKey& opened) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(Native(parent), subKey.c_str(), 0, NativeAccess(access), &key);
    opened = result == ERROR_SUCCESS ? Portable(key) : 0;
    return result;
}

long Win32Registry::CreateKey(RegKey parent, const std::string& subKey, RegKey& opened) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyA(Native(parent), subKey.c_str(), &key);
    opened = result == ERROR_SUCCESS ? Portable(key) : 0;
    return result;
}

long Win32Registry::QueryValue(RegKey key, const std::string& name, std::size_t bufferSize, RegValue& value) {
    std::vector<char> buffer = Buffer(bufferSize);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(bufferSize);
    LONG result =
        RegQueryValueExA(Native(key), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result == ERROR_SUCCESS) {
        value = {static_cast<RegType>(type), std::string(buffer.data(), size)};
    } else {
        value = {};
    }
    return result;
}

long Win32Registry::SetValue(RegKey key, const std::string& name, RegType type, const std::string& bytes) {
    return RegSetValueExA(Native(key), name.c_str(), 0, static_cast<DWORD>(type),
                          reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

long Win32Registry::DeleteValue(RegKey key, const std::string& name) {
    return RegDeleteValueA(Native(key), name.c_str());
}

long Win32Registry::DeleteKey(RegKey key, const std::string& subKey) {
    return RegDeleteKeyA(Native(key), subKey.c_str());
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, std::size_t bufferSize, std::string& name) {
    std::vector<char> buffer = Buffer(bufferSize);
    LONG result = RegEnumKeyA(Native(key), index, buffer.data(), static_cast<DWORD>(bufferSize));
    name = result == ERROR_SUCCESS ? std::string(buffer.data()) : std::string();
    return result;
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(Native(key)); }

}  // namespace platform::win32
