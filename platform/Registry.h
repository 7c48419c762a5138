#pragma once
// The registry as the setup sees it. Every operation mirrors one Win32 call
// (named in its comment) with the same success and failure cases; results
// are the Win32 error codes of platform/Errors.h (0 is success).

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A key handle. The root keys are predefined handles with the values that
// Windows gives them; opened keys are handles that the backend hands out.
using RegKey = std::uintptr_t;
inline constexpr RegKey kClassesRoot = 0x80000000u;
inline constexpr RegKey kCurrentUser = 0x80000001u;
inline constexpr RegKey kLocalMachine = 0x80000002u;
inline constexpr RegKey kUsers = 0x80000003u;

// KEY_READ, KEY_QUERY_VALUE and KEY_ALL_ACCESS.
enum class RegAccess { Read, QueryValue, AllAccess };

// REG_* value types, with their Windows numbers.
enum class RegType : std::uint32_t { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7 };

// A value as RegQueryValueExA returns it: its type and its bytes exactly as
// stored (a string value written by SetStringValue ends in its zero byte).
struct RegValue {
    RegType type = RegType::None;
    std::string bytes;
};

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA(parent, subKey, 0, access, &opened). An empty subKey opens
    // the parent itself again. Fails with FileNotFound for a missing key and
    // AccessDenied when the key refuses the access asked for.
    [[nodiscard]] virtual long OpenKey(RegKey parent, const std::string& subKey, RegAccess access, RegKey& opened) = 0;

    // RegCreateKeyA(parent, subKey, &opened): opens the key, creating it and
    // any missing parents first.
    [[nodiscard]] virtual long CreateKey(RegKey parent, const std::string& subKey, RegKey& opened) = 0;

    // RegQueryValueExA(key, name, NULL, &type, buffer, &size) with a buffer of
    // bufferSize bytes. An empty name is the key's default value. Fails with
    // FileNotFound when there is no such value and MoreData when its bytes do
    // not fit in the buffer.
    [[nodiscard]] virtual long QueryValue(RegKey key, const std::string& name, std::size_t bufferSize,
                                          RegValue& value) = 0;

    // RegSetValueExA(key, name, 0, type, bytes, size): bytes are stored as
    // given, so a REG_SZ caller passes the text with its terminating zero.
    [[nodiscard]] virtual long SetValue(RegKey key, const std::string& name, RegType type,
                                        const std::string& bytes) = 0;

    // RegDeleteValueA(key, name). FileNotFound when there is no such value.
    [[nodiscard]] virtual long DeleteValue(RegKey key, const std::string& name) = 0;

    // RegDeleteKeyA(key, subKey): deletes a key without subkeys, values and
    // all. Fails for a key that has subkeys or does not exist.
    [[nodiscard]] virtual long DeleteKey(RegKey key, const std::string& subKey) = 0;

    // RegEnumKeyA(key, index, buffer, bufferSize): the name of the subkey at
    // that index. NoMoreItems once index passes the last subkey; MoreData when
    // the name and its zero do not fit in the buffer.
    [[nodiscard]] virtual long EnumKey(RegKey key, std::uint32_t index, std::size_t bufferSize,
                                       std::string& name) = 0;

    // RegCloseKey(key). Closing a root key is harmless.
    virtual long CloseKey(RegKey key) = 0;
};

// A REG_SZ value's bytes for a text: the text and its terminating zero.
inline std::string StringValueBytes(const std::string& text) { return text + '\0'; }

}  // namespace platform
