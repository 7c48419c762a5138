// What the setup relies on from the registry calls, stated once for both
// backends: the simulation and the real advapi32 (under Wine).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/contract/Contract.h"

namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegType;
using platform::RegValue;
using platform::StringValueBytes;
namespace err = platform::err;

platform::Registry& Reg(contract::Backend& backend) { return backend.System().registry; }

// The scratch key (or a path below it) opened with full access.
RegKey OpenScratch(contract::Backend& backend, const std::string& below = "") {
    std::string path = backend.ScratchKey();
    if (!below.empty()) path += "\\" + below;
    RegKey key = 0;
    CHECK_EQ(Reg(backend).OpenKey(platform::kCurrentUser, path, RegAccess::AllAccess, key), err::Success);
    return key;
}

void MakeKey(contract::Backend& backend, RegKey parent, const std::string& path) {
    RegKey key = 0;
    CHECK_EQ(Reg(backend).CreateKey(parent, path, key), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
}

bool Exists(contract::Backend& backend, RegKey parent, const std::string& path) {
    RegKey key = 0;
    if (Reg(backend).OpenKey(parent, path, RegAccess::Read, key) != err::Success) return false;
    CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
    return true;
}

std::vector<std::string> SubkeyNames(contract::Backend& backend, RegKey key) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t index = 0; Reg(backend).EnumKey(key, index, 512, name) == err::Success; ++index)
        names.push_back(name);
    return names;
}

// Names joined with "|", so that a failed comparison prints them.
std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : "|") + name;
    return out;
}

std::uint32_t TypeNumber(RegType type) { return static_cast<std::uint32_t>(type); }

}  // namespace

CONTRACT_TEST(Registry, OpenFailsForMissingKeysAndBadPaths) {
    RegKey key = 123;
    CHECK_EQ(Reg(backend).OpenKey(platform::kCurrentUser, backend.ScratchKey() + "\\missing", RegAccess::Read, key),
             err::FileNotFound);
    CHECK_EQ(key, RegKey{0});
    CHECK_EQ(Reg(backend).OpenKey(platform::kCurrentUser, backend.ScratchKey() + "\\missing\\deeper",
                                  RegAccess::AllAccess, key),
             err::FileNotFound);
    // Key paths are relative: a leading backslash is a bad path name.
    std::string leading(1, '\\');
    leading += backend.ScratchKey();
    CHECK_EQ(Reg(backend).OpenKey(platform::kCurrentUser, leading, RegAccess::Read, key), err::BadPathname);
}

CONTRACT_TEST(Registry, OpenWithEmptySubkeyOpensTheKeyAgain) {
    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Reg(backend).SetValue(scratch, "v", RegType::Sz, StringValueBytes("x")), err::Success);
    RegKey again = 0;
    CHECK_EQ(Reg(backend).OpenKey(scratch, "", RegAccess::Read, again), err::Success);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(again, "v", 260, value), err::Success);
    CHECK_EQ(value.bytes, StringValueBytes("x"));
    CHECK_EQ(Reg(backend).CloseKey(again), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);

    // A root key opened with an empty subkey works and closes like any other.
    for (RegKey root : {platform::kCurrentUser, platform::kClassesRoot}) {
        RegKey opened = 0;
        CHECK_EQ(Reg(backend).OpenKey(root, "", RegAccess::AllAccess, opened), err::Success);
        CHECK_EQ(Reg(backend).CloseKey(opened), err::Success);
    }
}

CONTRACT_TEST(Registry, HandleAccessLimitsWhatItMayDo) {
    MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\child");
    RegKey full = OpenScratch(backend);
    CHECK_EQ(Reg(backend).SetValue(full, "v", RegType::Sz, StringValueBytes("x")), err::Success);

    struct Case {
        const char* what;
        RegAccess access;
        long query, enumerate, set, deleteValue;
    };
    const Case cases[] = {
        {"KEY_READ", RegAccess::Read, err::Success, err::Success, err::AccessDenied, err::AccessDenied},
        {"KEY_QUERY_VALUE", RegAccess::QueryValue, err::Success, err::AccessDenied, err::AccessDenied,
         err::AccessDenied},
        {"KEY_ALL_ACCESS", RegAccess::AllAccess, err::Success, err::Success, err::Success, err::Success},
    };
    for (const Case& c : cases) {
        RegKey key = 0;
        CHECK_EQ(Reg(backend).OpenKey(platform::kCurrentUser, backend.ScratchKey(), c.access, key), err::Success);
        RegValue value;
        std::string name;
        CHECK_EQ(std::string(c.what) + " query " + std::to_string(Reg(backend).QueryValue(key, "v", 260, value)),
                 std::string(c.what) + " query " + std::to_string(c.query));
        CHECK_EQ(std::string(c.what) + " enum " + std::to_string(Reg(backend).EnumKey(key, 0, 512, name)),
                 std::string(c.what) + " enum " + std::to_string(c.enumerate));
        CHECK_EQ(std::string(c.what) + " set " +
                     std::to_string(Reg(backend).SetValue(key, "w", RegType::Sz, StringValueBytes("y"))),
                 std::string(c.what) + " set " + std::to_string(c.set));
        CHECK_EQ(std::string(c.what) + " delete " + std::to_string(Reg(backend).DeleteValue(key, "w")),
                 std::string(c.what) + " delete " + std::to_string(c.deleteValue));
        CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
    }
    CHECK_EQ(Reg(backend).CloseKey(full), err::Success);
}

CONTRACT_TEST(Registry, CreateMakesMissingParentsAndOpensExistingKeys) {
    RegKey key = 0;
    CHECK_EQ(Reg(backend).CreateKey(platform::kCurrentUser, backend.ScratchKey() + "\\a\\b\\c", key), err::Success);
    // The created key is open with full access: values can be set at once.
    CHECK_EQ(Reg(backend).SetValue(key, "Path", RegType::Sz, StringValueBytes("C:\\x")), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
    CHECK(Exists(backend, platform::kCurrentUser, backend.ScratchKey() + "\\a"));
    CHECK(Exists(backend, platform::kCurrentUser, backend.ScratchKey() + "\\a\\b"));

    // Creating it again opens it, values and all.
    CHECK_EQ(Reg(backend).CreateKey(platform::kCurrentUser, backend.ScratchKey() + "\\a\\b\\c", key), err::Success);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(key, "Path", 260, value), err::Success);
    CHECK_EQ(value.bytes, StringValueBytes("C:\\x"));
    CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
}

CONTRACT_TEST(Registry, NamesCompareWithoutCaseAndKeepTheirCase) {
    MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\MixedCase");
    MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\MIXEDCASE");
    CHECK(Exists(backend, platform::kCurrentUser, backend.ScratchKey() + "\\mixedcase"));
    std::string upperPath = backend.ScratchKey();
    for (char& c : upperPath) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    CHECK(Exists(backend, platform::kCurrentUser, upperPath + "\\MIXEDcase"));

    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Joined(SubkeyNames(backend, scratch)), std::string("MixedCase"));

    // Value names too: the second set replaces the first.
    CHECK_EQ(Reg(backend).SetValue(scratch, "Path", RegType::Sz, StringValueBytes("one")), err::Success);
    CHECK_EQ(Reg(backend).SetValue(scratch, "PATH", RegType::Sz, StringValueBytes("two")), err::Success);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(scratch, "path", 260, value), err::Success);
    CHECK_EQ(value.bytes, StringValueBytes("two"));
    CHECK_EQ(Reg(backend).DeleteValue(scratch, "pAtH"), err::Success);
    CHECK_EQ(Reg(backend).QueryValue(scratch, "Path", 260, value), err::FileNotFound);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, QueryNeedsRoomForEveryByteOfTheValue) {
    RegKey scratch = OpenScratch(backend);
    struct Case {
        const char* name;
        RegType type;
        std::string bytes;
    };
    const Case cases[] = {
        {"text", RegType::Sz, StringValueBytes("abc")},
        {"binary", RegType::Binary, std::string("\x01\x00\x02", 3)},
        {"259 characters", RegType::Sz, StringValueBytes(std::string(259, 'p'))},
        {"511 characters", RegType::Sz, StringValueBytes(std::string(511, 'q'))},
    };
    for (const Case& c : cases) {
        CHECK_EQ(Reg(backend).SetValue(scratch, c.name, c.type, c.bytes), err::Success);
        RegValue value;
        CHECK_EQ(Reg(backend).QueryValue(scratch, c.name, c.bytes.size(), value), err::Success);
        CHECK_EQ(value.bytes, c.bytes);
        CHECK_EQ(TypeNumber(value.type), TypeNumber(c.type));
        CHECK_EQ(std::string(c.name) + " " + std::to_string(Reg(backend).QueryValue(scratch, c.name,
                                                                                      c.bytes.size() - 1, value)),
                 std::string(c.name) + " " + std::to_string(err::MoreData));
        CHECK_EQ(Reg(backend).QueryValue(scratch, c.name, 0, value), err::MoreData);
    }
    // The fixed buffers of the setup: 259 characters and the zero fill 260
    // bytes; 260 characters do not.
    CHECK_EQ(Reg(backend).SetValue(scratch, "long", RegType::Sz, StringValueBytes(std::string(260, 'r'))),
             err::Success);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(scratch, "long", 260, value), err::MoreData);
    CHECK_EQ(Reg(backend).QueryValue(scratch, "long", 512, value), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, ValuesKeepTheirTypeAndBytes) {
    RegKey scratch = OpenScratch(backend);
    struct Case {
        const char* name;
        RegType type;
        std::string bytes;
    };
    const Case cases[] = {
        {"", RegType::Sz, StringValueBytes("C:\\Apps\\Lumetra 6\\LumApp6.exe")},  // the default value
        {"expand", RegType::ExpandSz, StringValueBytes("%SystemRoot%\\x")},
        {"number", RegType::Dword, std::string("\x2A\x00\x00\x00", 4)},
        {"binary", RegType::Binary, std::string("\x00\xFF", 2)},
        {"multi", RegType::MultiSz, std::string("a\0b\0\0", 5)},
        {"empty", RegType::Sz, StringValueBytes("")},
    };
    for (const Case& c : cases) CHECK_EQ(Reg(backend).SetValue(scratch, c.name, c.type, c.bytes), err::Success);
    for (const Case& c : cases) {
        RegValue value;
        CHECK_EQ(Reg(backend).QueryValue(scratch, c.name, 512, value), err::Success);
        CHECK_EQ(std::string(c.name) + ": " + value.bytes, std::string(c.name) + ": " + c.bytes);
        CHECK_EQ(TypeNumber(value.type), TypeNumber(c.type));
    }
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, MissingValuesAreNotFound) {
    RegKey scratch = OpenScratch(backend);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(scratch, "missing", 260, value), err::FileNotFound);
    // A key has no default value until one is set.
    CHECK_EQ(Reg(backend).QueryValue(scratch, "", 260, value), err::FileNotFound);
    CHECK_EQ(Reg(backend).DeleteValue(scratch, "missing"), err::FileNotFound);
    CHECK_EQ(Reg(backend).DeleteValue(scratch, ""), err::FileNotFound);

    CHECK_EQ(Reg(backend).SetValue(scratch, "", RegType::Sz, StringValueBytes("x")), err::Success);
    CHECK_EQ(Reg(backend).DeleteValue(scratch, ""), err::Success);
    CHECK_EQ(Reg(backend).QueryValue(scratch, "", 260, value), err::FileNotFound);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, DeleteKeyRemovesOnlyKeysWithoutSubkeys) {
    MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\parent\\child");
    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "parent"), err::AccessDenied);
    CHECK(Exists(backend, scratch, "parent\\child"));
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "missing"), err::FileNotFound);

    // A key with values but no subkeys goes, values and all; a path names a
    // key further down.
    RegKey child = OpenScratch(backend, "parent\\child");
    CHECK_EQ(Reg(backend).SetValue(child, "v", RegType::Sz, StringValueBytes("x")), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(child), err::Success);
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "parent\\child"), err::Success);
    CHECK(!Exists(backend, scratch, "parent\\child"));
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "parent\\child"), err::FileNotFound);

    // An empty subkey deletes the handle's own key.
    RegKey parent = OpenScratch(backend, "parent");
    CHECK_EQ(Reg(backend).DeleteKey(parent, ""), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(parent), err::Success);
    CHECK(!Exists(backend, scratch, "parent"));
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, HandleOfADeletedKeyReportsKeyDeleted) {
    RegKey open = 0;
    CHECK_EQ(Reg(backend).CreateKey(platform::kCurrentUser, backend.ScratchKey() + "\\doomed", open), err::Success);
    CHECK_EQ(Reg(backend).SetValue(open, "v", RegType::Sz, StringValueBytes("x")), err::Success);
    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "doomed"), err::Success);

    RegValue value;
    std::string name;
    RegKey other = 0;
    CHECK_EQ(Reg(backend).QueryValue(open, "v", 260, value), err::KeyDeleted);
    CHECK_EQ(Reg(backend).SetValue(open, "w", RegType::Sz, StringValueBytes("y")), err::KeyDeleted);
    CHECK_EQ(Reg(backend).DeleteValue(open, "v"), err::KeyDeleted);
    CHECK_EQ(Reg(backend).EnumKey(open, 0, 512, name), err::KeyDeleted);
    CHECK_EQ(Reg(backend).CreateKey(open, "sub", other), err::KeyDeleted);
    CHECK_EQ(Reg(backend).OpenKey(open, "", RegAccess::Read, other), err::KeyDeleted);
    CHECK_EQ(Reg(backend).DeleteKey(open, ""), err::KeyDeleted);
    CHECK_EQ(Reg(backend).CloseKey(open), err::Success);
    CHECK(!Exists(backend, scratch, "doomed"));
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, EnumerationIsSortedWithoutCaseAndEndsWithNoMoreItems) {
    // Created out of order; they come back in alphabetical order without
    // regard to case. (Names with characters between 'Z' and 'a' are left
    // out: Windows sorts by upper case, Wine by lower case.)
    for (const char* name : {"b", "Zeta", "a1", "C d", "ab", "A", "a b"})
        MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\" + name);
    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Joined(SubkeyNames(backend, scratch)), std::string("A|a b|a1|ab|b|C d|Zeta"));
    std::string name = "stale";
    CHECK_EQ(Reg(backend).EnumKey(scratch, 7, 512, name), err::NoMoreItems);
    CHECK_EQ(Reg(backend).EnumKey(scratch, 1000, 512, name), err::NoMoreItems);

    // Deleting the subkey at an index moves the next one up to it, which is
    // what a depth-first deletion that steps its index back relies on.
    CHECK_EQ(Reg(backend).DeleteKey(scratch, "A"), err::Success);
    CHECK_EQ(Reg(backend).EnumKey(scratch, 0, 512, name), err::Success);
    CHECK_EQ(name, std::string("a b"));
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);

    RegKey empty = 0;
    CHECK_EQ(Reg(backend).CreateKey(platform::kCurrentUser, backend.ScratchKey() + "\\b", empty), err::Success);
    CHECK_EQ(Reg(backend).EnumKey(empty, 0, 512, name), err::NoMoreItems);
    CHECK_EQ(Reg(backend).CloseKey(empty), err::Success);
}

CONTRACT_TEST(Registry, EnumerationNeedsRoomForTheNameAndItsZero) {
    MakeKey(backend, platform::kCurrentUser, backend.ScratchKey() + "\\abcd");
    // The longest key name Windows allows, made relative to the scratch key:
    // Wine's ANSI calls refuse paths longer than MAX_PATH as a whole.
    std::string longName(255, 'n');
    RegKey scratch = OpenScratch(backend);
    MakeKey(backend, scratch, longName);
    std::string name;
    CHECK_EQ(Reg(backend).EnumKey(scratch, 0, 4, name), err::MoreData);
    CHECK_EQ(Reg(backend).EnumKey(scratch, 0, 5, name), err::Success);
    CHECK_EQ(name, std::string("abcd"));
    CHECK_EQ(Reg(backend).EnumKey(scratch, 1, 255, name), err::MoreData);
    CHECK_EQ(Reg(backend).EnumKey(scratch, 1, 512, name), err::Success);
    CHECK_EQ(name, longName);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
}

CONTRACT_TEST(Registry, ClosedHandlesAreInvalidAndRootsCloseHarmlessly) {
    RegKey key = OpenScratch(backend);
    CHECK_EQ(Reg(backend).CloseKey(key), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(key), err::InvalidHandle);
    RegValue value;
    CHECK_EQ(Reg(backend).QueryValue(key, "v", 260, value), err::InvalidHandle);
    CHECK_EQ(Reg(backend).CloseKey(0), err::InvalidHandle);
    for (RegKey root : {platform::kLocalMachine, platform::kCurrentUser, platform::kUsers, platform::kClassesRoot})
        CHECK_EQ(Reg(backend).CloseKey(root), err::Success);
    // The roots still work after being "closed".
    CHECK(Exists(backend, platform::kCurrentUser, backend.ScratchKey()));
}

CONTRACT_TEST(Registry, CurrentUserHiveAppearsBelowHkeyUsers) {
    RegKey scratch = OpenScratch(backend);
    CHECK_EQ(Reg(backend).SetValue(scratch, "marker", RegType::Sz, StringValueBytes(backend.ScratchKey())),
             err::Success);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);

    // Walk HKEY_USERS as the uninstaller does: every user's key with full
    // access, then the same path as below HKEY_CURRENT_USER.
    std::vector<std::string> users = SubkeyNames(backend, platform::kUsers);
    CHECK(!users.empty());
    int mirrors = 0;
    for (const auto& user : users) {
        RegKey userKey = 0;
        if (Reg(backend).OpenKey(platform::kUsers, user, RegAccess::AllAccess, userKey) != err::Success) continue;
        RegKey mirrored = 0;
        if (Reg(backend).OpenKey(userKey, backend.ScratchKey(), RegAccess::AllAccess, mirrored) == err::Success) {
            RegValue value;
            CHECK_EQ(Reg(backend).QueryValue(mirrored, "marker", 512, value), err::Success);
            CHECK_EQ(value.bytes, StringValueBytes(backend.ScratchKey()));
            // A change made there shows under HKEY_CURRENT_USER: it is one key.
            CHECK_EQ(Reg(backend).SetValue(mirrored, "back", RegType::Sz, StringValueBytes(user)), err::Success);
            CHECK_EQ(Reg(backend).CloseKey(mirrored), err::Success);
            ++mirrors;
        }
        CHECK_EQ(Reg(backend).CloseKey(userKey), err::Success);
    }
    CHECK_EQ(mirrors, 1);
    scratch = OpenScratch(backend);
    RegValue back;
    CHECK_EQ(Reg(backend).QueryValue(scratch, "back", 512, back), err::Success);
    CHECK_EQ(Reg(backend).CloseKey(scratch), err::Success);
    CHECK(Exists(backend, platform::kUsers, ".Default"));
}
