#pragma once
// The registry on the real Windows. Generic Windows code only: each
// operation is one advapi32 call with its result passed on; no decisions of
// the setup belong here.

#include "platform/Registry.h"

namespace platform::win32 {

class Win32Registry final : public platform::Registry {
public:
    // RegOpenKeyExA with KEY_READ, KEY_QUERY_VALUE or KEY_ALL_ACCESS.
    [[nodiscard]] long OpenKey(RegKey parent, const std::string& subKey, RegAccess access, RegKey& opened) override;
    // RegCreateKeyA.
    [[nodiscard]] long CreateKey(RegKey parent, const std::string& subKey, RegKey& opened) override;
    // RegQueryValueExA into a buffer of bufferSize bytes.
    [[nodiscard]] long QueryValue(RegKey key, const std::string& name, std::size_t bufferSize,
                                  RegValue& value) override;
    // RegSetValueExA with the bytes as given.
    [[nodiscard]] long SetValue(RegKey key, const std::string& name, RegType type, const std::string& bytes) override;
    // RegDeleteValueA.
    [[nodiscard]] long DeleteValue(RegKey key, const std::string& name) override;
    // RegDeleteKeyA.
    [[nodiscard]] long DeleteKey(RegKey key, const std::string& subKey) override;
    // RegEnumKeyA into a buffer of bufferSize bytes.
    [[nodiscard]] long EnumKey(RegKey key, std::uint32_t index, std::size_t bufferSize, std::string& name) override;
    // RegCloseKey.
    long CloseKey(RegKey key) override;
};

}  // namespace platform::win32
