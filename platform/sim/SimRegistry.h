#pragma once
// The simulated registry: a tree of keys with typed values behind the four
// predefined root keys, with handles that are handed out and closed, and the
// Win32 results of every call.
//
// What it models, as Windows does it:
// - Key and value names compare without regard to case and keep the case
//   they were created with. Subkeys enumerate in the order of their
//   upper-cased names, the order in which Windows keeps them.
// - Values keep their type and exactly the bytes that were set.
// - A handle carries the access it was opened with: values are set and
//   deleted only through KEY_ALL_ACCESS, subkeys are enumerated through
//   KEY_READ or KEY_ALL_ACCESS, and a new subkey is created only below a
//   handle with KEY_ALL_ACCESS. RegCreateKeyA asks for the most access the key
//   allows. Closed or unknown handles give InvalidHandle.
// - A key can be deleted while handles to it are open; every later operation
//   through such a handle fails with KeyDeleted, and closing it succeeds.
// - HKEY_CURRENT_USER is the current user's hive, which HKEY_USERS also shows
//   under the user's SID, beside ".Default" and the hives of other users that
//   are loaded. An unloaded hive is absent from HKEY_USERS but keeps its
//   contents until it is loaded again. Hive roots (and HKLM\SOFTWARE and
//   HKLM\SYSTEM) cannot be deleted.
// - HKEY_CLASSES_ROOT is a tree of its own here. On Windows it is a merged
//   view of HKLM\SOFTWARE\Classes and the user's Software\Classes; the setup
//   only reads, writes and deletes keys through HKEY_CLASSES_ROOT itself, so
//   the merge is not modelled.
// - A key can be marked to refuse full access, as a key whose security does
//   not grant the user more than reading: opening it with KEY_ALL_ACCESS and
//   deleting it fail with AccessDenied, reading still works.
//
// Every operation first asks the fault injection (operation names
// "RegOpenKey", "RegCreateKey", "RegQueryValue", "RegSetValue",
// "RegDeleteValue", "RegDeleteKey", "RegEnumKey", "RegCloseKey"); an injected
// failure changes nothing and returns AccessDenied, the failure that missing
// rights give, or InvalidHandle for RegCloseKey (the handle then stays open).

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/sim/Faults.h"

namespace sim {

class SimRegistry final : public platform::Registry {
public:
    explicit SimRegistry(Faults& faults);
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    // The interface operations, with the Win32 results described in
    // platform/Registry.h and above.
    [[nodiscard]] long OpenKey(platform::RegKey parent, const std::string& subKey, platform::RegAccess access,
                               platform::RegKey& opened) override;
    [[nodiscard]] long CreateKey(platform::RegKey parent, const std::string& subKey,
                                 platform::RegKey& opened) override;
    [[nodiscard]] long QueryValue(platform::RegKey key, const std::string& name, std::size_t bufferSize,
                                  platform::RegValue& value) override;
    [[nodiscard]] long SetValue(platform::RegKey key, const std::string& name, platform::RegType type,
                                const std::string& bytes) override;
    [[nodiscard]] long DeleteValue(platform::RegKey key, const std::string& name) override;
    [[nodiscard]] long DeleteKey(platform::RegKey key, const std::string& subKey) override;
    [[nodiscard]] long EnumKey(platform::RegKey key, std::uint32_t index, std::size_t bufferSize,
                               std::string& name) override;
    long CloseKey(platform::RegKey key) override;

    // Test set-up and inspection. These work on paths below a root key, need
    // no handles, create missing keys where they write, and bypass access
    // checks and fault injection.
    void AddKey(platform::RegKey root, const std::string& path);
    void SetString(platform::RegKey root, const std::string& path, const std::string& name, const std::string& text);
    void SetValue(platform::RegKey root, const std::string& path, const std::string& name, platform::RegType type,
                  const std::string& bytes);
    // The text of a value up to its first zero byte, whatever its type;
    // nullopt when the key or the value is missing.
    [[nodiscard]] std::optional<std::string> GetString(platform::RegKey root, const std::string& path,
                                                       const std::string& name) const;
    [[nodiscard]] std::optional<platform::RegValue> GetValue(platform::RegKey root, const std::string& path,
                                                            const std::string& name) const;
    [[nodiscard]] bool KeyExists(platform::RegKey root, const std::string& path) const;
    // The names of a key's subkeys in enumeration order (empty if missing).
    [[nodiscard]] std::vector<std::string> SubkeyNames(platform::RegKey root, const std::string& path) const;

    // The SID under which HKEY_USERS shows the current user's hive.
    [[nodiscard]] const std::string& CurrentUserSid() const { return currentUserSid_; }
    // Loads another user's hive below HKEY_USERS: the one unloaded earlier
    // under that SID with its contents, or a new empty one.
    void LoadUserHive(const std::string& sid);
    // Unloads a loaded hive, keeping its contents for a later load. Refused
    // (false) for the current user's hive, for a hive that is not loaded and
    // for one with open handles inside it, as RegUnLoadKey refuses.
    bool UnloadUserHive(const std::string& sid);
    // Makes an existing key refuse KEY_ALL_ACCESS and deletion; false if the
    // key does not exist.
    bool DenyFullAccess(platform::RegKey root, const std::string& path);

    // Handles handed out and not yet closed (root keys never count).
    [[nodiscard]] std::size_t OpenHandleCount() const { return handles_.size(); }

    // The whole tree with every value's type and data, one line per key or
    // value, indented by depth.
    [[nodiscard]] std::string Dump() const;

    struct Key;  // a node of the tree; defined in SimRegistry.cpp

private:
    // What a handle may do, from the access it was opened with.
    enum class Rights { QueryOnly, Read, Full };
    struct Handle {
        std::shared_ptr<Key> key;
        Rights rights;
    };
    struct Target {
        long error;
        Key* key;
        Rights rights;
    };

    [[nodiscard]] Key* RootKey(platform::RegKey root) const;
    [[nodiscard]] Target Resolve(platform::RegKey key) const;
    [[nodiscard]] Key* FindPath(platform::RegKey root, const std::string& path) const;
    Key* MakePath(platform::RegKey root, const std::string& path);
    [[nodiscard]] static Rights MaximumAllowed(const Key& key);
    platform::RegKey NewHandle(Key* key, Rights rights);
    [[nodiscard]] bool HasHandleInside(const Key* hive) const;

    Faults& faults_;
    std::shared_ptr<Key> localMachine_;
    std::shared_ptr<Key> classesRoot_;
    std::shared_ptr<Key> users_;
    std::shared_ptr<Key> currentUser_;
    std::string currentUserSid_;
    std::map<std::string, std::shared_ptr<Key>> unloadedHives_;  // by upper-cased SID
    std::map<platform::RegKey, Handle> handles_;
    platform::RegKey nextHandle_ = 0x100;
};

}  // namespace sim
