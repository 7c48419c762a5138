#include "platform/sim/SimRegistry.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/Errors.h"

namespace sim {

using platform::RegAccess;
using platform::RegKey;
using platform::RegType;
using platform::RegValue;
namespace err = platform::err;

struct SimRegistry::Key : std::enable_shared_from_this<Key> {
    struct Value {
        std::string name;
        RegType type = RegType::None;
        std::string bytes;
    };

    std::string name;
    Key* parent = nullptr;
    std::vector<std::shared_ptr<Key>> subkeys;  // sorted by upper-cased name
    std::vector<Value> values;                  // in the order they were first set
    bool deleted = false;
    bool undeletable = false;        // a hive root, or a key the system keeps
    bool refusesFullAccess = false;  // its security grants reading only
};

namespace {

using Key = SimRegistry::Key;

// Windows compares registry names by their upper-cased form. Only ASCII
// letters are folded here; the setup's names are all ASCII.
std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool SameName(const std::string& a, const std::string& b) { return a.size() == b.size() && Upper(a) == Upper(b); }

Key* FindSubkey(const Key& key, const std::string& name) {
    for (const auto& sub : key.subkeys) {
        if (SameName(sub->name, name)) return sub.get();
    }
    return nullptr;
}

// Inserts a subkey at its place in the order of upper-cased names, which is
// the order RegEnumKeyA reports.
Key* InsertSubkey(Key& parent, std::shared_ptr<Key> sub) {
    std::string upper = Upper(sub->name);
    auto at = std::find_if(parent.subkeys.begin(), parent.subkeys.end(),
                           [&](const std::shared_ptr<Key>& other) { return Upper(other->name) > upper; });
    sub->parent = &parent;
    return parent.subkeys.insert(at, std::move(sub))->get();
}

Key* AddSubkey(Key& parent, const std::string& name) {
    auto sub = std::make_shared<Key>();
    sub->name = name;
    return InsertSubkey(parent, std::move(sub));
}

std::shared_ptr<Key> DetachSubkey(Key& parent, const Key* sub) {
    auto it = std::find_if(parent.subkeys.begin(), parent.subkeys.end(),
                           [&](const std::shared_ptr<Key>& other) { return other.get() == sub; });
    std::shared_ptr<Key> detached = *it;
    parent.subkeys.erase(it);
    detached->parent = nullptr;
    return detached;
}

Key::Value* FindValue(Key& key, const std::string& name) {
    for (auto& value : key.values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

void StoreValue(Key& key, const std::string& name, RegType type, const std::string& bytes) {
    if (Key::Value* existing = FindValue(key, name)) {
        existing->type = type;
        existing->bytes = bytes;
        return;
    }
    key.values.push_back({name, type, bytes});
}

// The names of a key path. A leading backslash is a bad path name (below
// HKEY_CLASSES_ROOT one is allowed and skipped); empty names between or
// after backslashes are skipped, as Wine does.
struct SplitPath {
    long error = err::Success;
    std::vector<std::string> names;
};

SplitPath Split(const std::string& path, bool leadingBackslashAllowed) {
    SplitPath result;
    std::size_t start = 0;
    if (!path.empty() && path[0] == '\\') {
        if (!leadingBackslashAllowed) {
            result.error = err::BadPathname;
            return result;
        }
        start = 1;
    }
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) result.names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

Key* Walk(Key* key, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        if (key == nullptr) return nullptr;
        key = FindSubkey(*key, name);
    }
    return key;
}

bool IsInside(const Key* key, const Key* ancestor) {
    for (; key != nullptr; key = key->parent) {
        if (key == ancestor) return true;
    }
    return false;
}

// The failure that an injected fault reports for each operation.
long InjectedFailure(const std::string& operation) {
    return operation == "RegCloseKey" ? err::InvalidHandle : err::AccessDenied;
}

const char* TypeName(RegType type) {
    static const std::array<std::pair<RegType, const char*>, 6> kNames = {{
        {RegType::None, "REG_NONE"},
        {RegType::Sz, "REG_SZ"},
        {RegType::ExpandSz, "REG_EXPAND_SZ"},
        {RegType::Binary, "REG_BINARY"},
        {RegType::Dword, "REG_DWORD"},
        {RegType::MultiSz, "REG_MULTI_SZ"},
    }};
    for (const auto& [value, name] : kNames) {
        if (value == type) return name;
    }
    return "REG_?";
}

std::string Hex(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

// String data in quotes, without its terminating zero; other zeros and
// unprintable bytes as \xNN, and a note when the terminating zero is missing.
std::string QuotedText(const std::string& bytes) {
    bool terminated = !bytes.empty() && bytes.back() == '\0';
    std::string body = terminated ? bytes.substr(0, bytes.size() - 1) : bytes;
    std::string out = "\"";
    for (char c : body) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x" + Hex(byte);
        } else {
            out += c;
        }
    }
    out += '"';
    if (!terminated) out += " (no terminating zero)";
    return out;
}

std::string DataText(const Key::Value& value) {
    bool text = value.type == RegType::Sz || value.type == RegType::ExpandSz || value.type == RegType::MultiSz;
    if (text) return QuotedText(value.bytes);
    if (value.type == RegType::Dword && value.bytes.size() == 4) {
        std::uint32_t number = 0;
        for (std::size_t i = 4; i-- > 0;) number = (number << 8) | static_cast<unsigned char>(value.bytes[i]);
        char out[16];
        std::snprintf(out, sizeof out, "0x%08X", static_cast<unsigned>(number));
        return out;
    }
    std::string out = "[";
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        if (i > 0) out += ' ';
        out += Hex(static_cast<unsigned char>(value.bytes[i]));
    }
    return out + "]";
}

void DumpKey(const Key& key, int depth, const Key* currentUser, std::string& out) {
    std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    for (const auto& value : key.values) {
        std::string name = value.name.empty() ? "(Default)" : "\"" + value.name + "\"";
        out += indent + name + " = " + TypeName(value.type) + " " + DataText(value) + "\n";
    }
    for (const auto& sub : key.subkeys) {
        out += indent + sub->name;
        if (sub->refusesFullAccess) out += "  [refuses full access]";
        if (sub.get() == currentUser) {
            out += "  (HKEY_CURRENT_USER, shown above)\n";
            continue;
        }
        out += "\n";
        DumpKey(*sub, depth + 1, currentUser, out);
    }
}

}  // namespace

SimRegistry::SimRegistry(Faults& faults)
    : faults_(faults),
      localMachine_(std::make_shared<Key>()),
      classesRoot_(std::make_shared<Key>()),
      users_(std::make_shared<Key>()),
      currentUserSid_("S-1-5-21-1004336348-1177238915-682003330-1000") {
    localMachine_->name = "HKEY_LOCAL_MACHINE";
    classesRoot_->name = "HKEY_CLASSES_ROOT";
    users_->name = "HKEY_USERS";
    for (const char* hive : {"SOFTWARE", "SYSTEM"}) AddSubkey(*localMachine_, hive)->undeletable = true;
    Key* defaultHive = AddSubkey(*users_, ".Default");
    defaultHive->undeletable = true;
    AddSubkey(*defaultHive, "Software");
    Key* user = AddSubkey(*users_, currentUserSid_);
    user->undeletable = true;
    AddSubkey(*user, "Software");
    currentUser_ = user->shared_from_this();
}

SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::RootKey(RegKey root) const {
    switch (root) {
        case platform::kClassesRoot: return classesRoot_.get();
        case platform::kCurrentUser: return currentUser_.get();
        case platform::kLocalMachine: return localMachine_.get();
        case platform::kUsers: return users_.get();
        default: return nullptr;
    }
}

SimRegistry::Target SimRegistry::Resolve(RegKey key) const {
    if (Key* root = RootKey(key)) return {err::Success, root, Rights::Full};
    auto it = handles_.find(key);
    if (it == handles_.end()) return {err::InvalidHandle, nullptr, Rights::QueryOnly};
    return {err::Success, it->second.key.get(), it->second.rights};
}

namespace {

// The access check of a handle, then the check that its key still exists:
// Windows checks the handle's access before it looks at the key.
long Usable(long resolveError, const Key* key, bool allowed) {
    if (resolveError != err::Success) return resolveError;
    if (!allowed) return err::AccessDenied;
    if (key->deleted) return err::KeyDeleted;
    return err::Success;
}

}  // namespace

// RegCreateKeyA asks for MAXIMUM_ALLOWED: full access, or reading only
// where the key's security grants no more.
SimRegistry::Rights SimRegistry::MaximumAllowed(const Key& key) {
    return key.refusesFullAccess ? Rights::Read : Rights::Full;
}

RegKey SimRegistry::NewHandle(Key* key, Rights rights) {
    RegKey handle = nextHandle_;
    nextHandle_ += 4;  // handle values are multiples of four and never reused, so a stale one stays invalid
    handles_[handle] = {key->shared_from_this(), rights};
    return handle;
}

long SimRegistry::OpenKey(RegKey parent, const std::string& subKey, RegAccess access, RegKey& opened) {
    opened = 0;
    if (faults_.ShouldFail("RegOpenKey")) return InjectedFailure("RegOpenKey");
    Target from = Resolve(parent);
    if (long error = Usable(from.error, from.key, true)) return error;
    SplitPath path = Split(subKey, parent == platform::kClassesRoot);
    if (path.error != err::Success) return path.error;
    Key* target = Walk(from.key, path.names);
    if (target == nullptr) return err::FileNotFound;
    if (access == RegAccess::AllAccess && target->refusesFullAccess) return err::AccessDenied;
    // Opening a root key itself gives back the predefined handle, as Wine does.
    if (path.names.empty() && RootKey(parent) != nullptr) {
        opened = parent;
        return err::Success;
    }
    static const std::array<std::pair<RegAccess, Rights>, 3> kRights = {{
        {RegAccess::Read, Rights::Read},
        {RegAccess::QueryValue, Rights::QueryOnly},
        {RegAccess::AllAccess, Rights::Full},
    }};
    Rights rights = Rights::QueryOnly;
    for (const auto& [asked, granted] : kRights) {
        if (asked == access) rights = granted;
    }
    opened = NewHandle(target, rights);
    return err::Success;
}

long SimRegistry::CreateKey(RegKey parent, const std::string& subKey, RegKey& opened) {
    opened = 0;
    if (faults_.ShouldFail("RegCreateKey")) return InjectedFailure("RegCreateKey");
    Target from = Resolve(parent);
    if (long error = Usable(from.error, from.key, true)) return error;
    SplitPath path = Split(subKey, parent == platform::kClassesRoot);
    if (path.error != err::Success) return path.error;
    // A missing key is created only below a key that grants creating
    // subkeys: through the handle's own access for the first level, and the
    // most access each key allows below that. (Wine does not check this;
    // Windows does.)
    Key* key = from.key;
    Rights rights = from.rights;
    for (const auto& name : path.names) {
        Key* sub = FindSubkey(*key, name);
        if (sub == nullptr) {
            if (rights != Rights::Full) return err::AccessDenied;
            sub = AddSubkey(*key, name);
        }
        key = sub;
        rights = MaximumAllowed(*key);
    }
    if (path.names.empty() && RootKey(parent) != nullptr) {
        opened = parent;
        return err::Success;
    }
    opened = NewHandle(key, MaximumAllowed(*key));
    return err::Success;
}

long SimRegistry::QueryValue(RegKey key, const std::string& name, std::size_t bufferSize, RegValue& value) {
    value = {};
    if (faults_.ShouldFail("RegQueryValue")) return InjectedFailure("RegQueryValue");
    Target target = Resolve(key);
    if (long error = Usable(target.error, target.key, true)) return error;
    const Key::Value* found = FindValue(*target.key, name);
    if (found == nullptr) return err::FileNotFound;
    if (found->bytes.size() > bufferSize) return err::MoreData;
    value = {found->type, found->bytes};
    return err::Success;
}

long SimRegistry::SetValue(RegKey key, const std::string& name, RegType type, const std::string& bytes) {
    if (faults_.ShouldFail("RegSetValue")) return InjectedFailure("RegSetValue");
    Target target = Resolve(key);
    if (long error = Usable(target.error, target.key, target.rights == Rights::Full)) return error;
    StoreValue(*target.key, name, type, bytes);
    return err::Success;
}

long SimRegistry::DeleteValue(RegKey key, const std::string& name) {
    if (faults_.ShouldFail("RegDeleteValue")) return InjectedFailure("RegDeleteValue");
    Target target = Resolve(key);
    if (long error = Usable(target.error, target.key, target.rights == Rights::Full)) return error;
    auto& values = target.key->values;
    auto it = std::find_if(values.begin(), values.end(), [&](const Key::Value& v) { return SameName(v.name, name); });
    if (it == values.end()) return err::FileNotFound;
    values.erase(it);
    return err::Success;
}

long SimRegistry::DeleteKey(RegKey key, const std::string& subKey) {
    if (faults_.ShouldFail("RegDeleteKey")) return InjectedFailure("RegDeleteKey");
    Target from = Resolve(key);
    if (long error = Usable(from.error, from.key, true)) return error;
    SplitPath path = Split(subKey, key == platform::kClassesRoot);
    if (path.error != err::Success) return path.error;
    // An empty subkey deletes the key of the handle itself.
    Key* target = Walk(from.key, path.names);
    if (target == nullptr) return err::FileNotFound;
    // Windows refuses to delete a key with subkeys (STATUS_CANNOT_DELETE),
    // a hive root or root key, and a key whose security withholds deletion;
    // all three come back as AccessDenied.
    bool refused = target->parent == nullptr || target->undeletable || target->refusesFullAccess ||
                   !target->subkeys.empty();
    if (refused) return err::AccessDenied;
    std::shared_ptr<Key> removed = DetachSubkey(*target->parent, target);
    removed->deleted = true;
    return err::Success;
}

long SimRegistry::EnumKey(RegKey key, std::uint32_t index, std::size_t bufferSize, std::string& name) {
    name.clear();
    if (faults_.ShouldFail("RegEnumKey")) return InjectedFailure("RegEnumKey");
    Target target = Resolve(key);
    if (long error = Usable(target.error, target.key, target.rights != Rights::QueryOnly)) return error;
    const auto& subkeys = target.key->subkeys;
    if (index >= subkeys.size()) return err::NoMoreItems;
    const std::string& found = subkeys[index]->name;
    if (found.size() + 1 > bufferSize) return err::MoreData;
    name = found;
    return err::Success;
}

long SimRegistry::CloseKey(RegKey key) {
    if (faults_.ShouldFail("RegCloseKey")) return InjectedFailure("RegCloseKey");
    if (RootKey(key) != nullptr) return err::Success;
    return handles_.erase(key) == 1 ? err::Success : err::InvalidHandle;
}

// --- test set-up and inspection ---

SimRegistry::Key* SimRegistry::FindPath(RegKey root, const std::string& path) const {
    return Walk(RootKey(root), Split(path, true).names);
}

SimRegistry::Key* SimRegistry::MakePath(RegKey root, const std::string& path) {
    Key* key = RootKey(root);
    if (key == nullptr) return nullptr;
    for (const auto& name : Split(path, true).names) {
        Key* sub = FindSubkey(*key, name);
        key = sub != nullptr ? sub : AddSubkey(*key, name);
    }
    return key;
}

void SimRegistry::AddKey(RegKey root, const std::string& path) { MakePath(root, path); }

void SimRegistry::SetString(RegKey root, const std::string& path, const std::string& name, const std::string& text) {
    SetValue(root, path, name, RegType::Sz, platform::StringValueBytes(text));
}

void SimRegistry::SetValue(RegKey root, const std::string& path, const std::string& name, RegType type,
                           const std::string& bytes) {
    if (Key* key = MakePath(root, path)) StoreValue(*key, name, type, bytes);
}

std::optional<RegValue> SimRegistry::GetValue(RegKey root, const std::string& path, const std::string& name) const {
    Key* key = FindPath(root, path);
    if (key == nullptr) return std::nullopt;
    const Key::Value* value = FindValue(*key, name);
    if (value == nullptr) return std::nullopt;
    return RegValue{value->type, value->bytes};
}

std::optional<std::string> SimRegistry::GetString(RegKey root, const std::string& path,
                                                  const std::string& name) const {
    std::optional<RegValue> value = GetValue(root, path, name);
    if (!value) return std::nullopt;
    return value->bytes.substr(0, value->bytes.find('\0'));
}

bool SimRegistry::KeyExists(RegKey root, const std::string& path) const { return FindPath(root, path) != nullptr; }

std::vector<std::string> SimRegistry::SubkeyNames(RegKey root, const std::string& path) const {
    std::vector<std::string> names;
    if (Key* key = FindPath(root, path)) {
        for (const auto& sub : key->subkeys) names.push_back(sub->name);
    }
    return names;
}

void SimRegistry::LoadUserHive(const std::string& sid) {
    if (FindSubkey(*users_, sid) != nullptr) return;
    auto stored = unloadedHives_.find(Upper(sid));
    if (stored != unloadedHives_.end()) {
        InsertSubkey(*users_, stored->second);
        unloadedHives_.erase(stored);
        return;
    }
    AddSubkey(*users_, sid)->undeletable = true;
}

bool SimRegistry::HasHandleInside(const Key* hive) const {
    return std::any_of(handles_.begin(), handles_.end(),
                       [&](const auto& entry) { return IsInside(entry.second.key.get(), hive); });
}

bool SimRegistry::UnloadUserHive(const std::string& sid) {
    Key* hive = FindSubkey(*users_, sid);
    if (hive == nullptr || hive == currentUser_.get() || HasHandleInside(hive)) return false;
    unloadedHives_[Upper(sid)] = DetachSubkey(*users_, hive);
    return true;
}

bool SimRegistry::DenyFullAccess(RegKey root, const std::string& path) {
    Key* key = FindPath(root, path);
    if (key == nullptr) return false;
    key->refusesFullAccess = true;
    return true;
}

std::string SimRegistry::Dump() const {
    std::string out;
    const std::array<std::pair<const char*, const Key*>, 4> roots = {{
        {"HKEY_LOCAL_MACHINE", localMachine_.get()},
        {"HKEY_CURRENT_USER", currentUser_.get()},
        {"HKEY_USERS", users_.get()},
        {"HKEY_CLASSES_ROOT", classesRoot_.get()},
    }};
    for (const auto& [name, key] : roots) {
        out += name;
        if (key == currentUser_.get()) out += "  (HKEY_USERS\\" + currentUserSid_ + ")";
        out += "\n";
        DumpKey(*key, 1, key == currentUser_.get() ? nullptr : currentUser_.get(), out);
    }
    for (const auto& [upperSid, hive] : unloadedHives_) {
        out += "unloaded user hive " + hive->name + "\n";
        DumpKey(*hive, 1, nullptr, out);
    }
    out += "open handles: " + std::to_string(handles_.size()) + "\n";
    return out;
}

}  // namespace sim
