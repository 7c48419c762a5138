// The parts of the simulated registry that the contract tests cannot reach
// on a real machine: other users' hives, keys that refuse full access, keys
// the system keeps, handle counting, fault injection and the dump. The Win32
// behaviour that both backends share is in tests/contract/RegistryContract.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/sim/SimRegistry.h"

namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegType;
using platform::RegValue;
namespace err = platform::err;

const char kProductKey[] = "SOFTWARE\\Orvane\\Lumetra 6";
const char kOtherUser[] = "S-1-5-21-1004336348-1177238915-682003330-1001";

class SimRegistryTest : public ::testing::Test {
protected:
    std::vector<std::string> Users() {
        std::vector<std::string> names;
        std::string name;
        for (std::uint32_t i = 0; registry.EnumKey(platform::kUsers, i, 512, name) == err::Success; ++i)
            names.push_back(name);
        return names;
    }

    sim::Faults faults;
    sim::SimRegistry registry{faults};
};

TEST_F(SimRegistryTest, UnloadedHiveIsAbsentButKeepsItsContentsForTheNextLoad) {
    registry.LoadUserHive(kOtherUser);
    registry.SetString(platform::kUsers, std::string(kOtherUser) + "\\" + kProductKey, "Path", "C:\\x");
    EXPECT_EQ(Users(), (std::vector<std::string>{".Default", registry.CurrentUserSid(), kOtherUser}));

    ASSERT_TRUE(registry.UnloadUserHive(kOtherUser));
    EXPECT_EQ(Users(), (std::vector<std::string>{".Default", registry.CurrentUserSid()}));
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(platform::kUsers, kOtherUser, RegAccess::Read, key), err::FileNotFound);
    EXPECT_FALSE(registry.UnloadUserHive(kOtherUser));

    registry.LoadUserHive(kOtherUser);
    EXPECT_EQ(registry.GetString(platform::kUsers, std::string(kOtherUser) + "\\" + kProductKey, "Path"), "C:\\x");
}

TEST_F(SimRegistryTest, HiveWithOpenHandlesOrOfTheCurrentUserCannotBeUnloaded) {
    EXPECT_FALSE(registry.UnloadUserHive(registry.CurrentUserSid()));

    registry.LoadUserHive(kOtherUser);
    registry.AddKey(platform::kUsers, std::string(kOtherUser) + "\\Software");
    RegKey inside = 0;
    ASSERT_EQ(registry.OpenKey(platform::kUsers, std::string(kOtherUser) + "\\Software", RegAccess::Read, inside),
              err::Success);
    EXPECT_FALSE(registry.UnloadUserHive(kOtherUser));
    EXPECT_EQ(registry.CloseKey(inside), err::Success);
    EXPECT_TRUE(registry.UnloadUserHive(kOtherUser));
}

TEST_F(SimRegistryTest, KeyRefusingFullAccessCanOnlyBeRead) {
    registry.SetString(platform::kUsers, std::string(".Default\\") + kProductKey, "Path", "C:\\x");
    registry.AddKey(platform::kUsers, std::string(".Default\\") + kProductKey + "\\Child");
    ASSERT_TRUE(registry.DenyFullAccess(platform::kUsers, std::string(".Default\\") + kProductKey));
    EXPECT_FALSE(registry.DenyFullAccess(platform::kUsers, ".Default\\missing"));
    RegKey parent = 0;
    ASSERT_EQ(registry.OpenKey(platform::kUsers, ".Default\\SOFTWARE\\Orvane", RegAccess::AllAccess, parent),
              err::Success);

    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(parent, "Lumetra 6", RegAccess::AllAccess, key), err::AccessDenied);
    EXPECT_EQ(key, RegKey{0});
    ASSERT_EQ(registry.OpenKey(parent, "Lumetra 6", RegAccess::Read, key), err::Success);
    RegValue value;
    EXPECT_EQ(registry.QueryValue(key, "Path", 260, value), err::Success);
    EXPECT_EQ(registry.CloseKey(key), err::Success);

    // RegCreateKeyA asks for the most access allowed: it opens the key, but
    // only for reading, and cannot make a new subkey below it.
    ASSERT_EQ(registry.CreateKey(parent, "Lumetra 6", key), err::Success);
    EXPECT_EQ(registry.SetValue(key, "Path", RegType::Sz, platform::StringValueBytes("D:\\y")), err::AccessDenied);
    RegKey child = 0;
    EXPECT_EQ(registry.CreateKey(key, "New", child), err::AccessDenied);
    EXPECT_EQ(registry.CreateKey(parent, "Lumetra 6\\New", child), err::AccessDenied);
    EXPECT_EQ(registry.CloseKey(key), err::Success);

    // The refusal is the key's own: its subkey opens with full access and
    // goes, the key itself stays.
    ASSERT_EQ(registry.OpenKey(parent, "Lumetra 6\\Child", RegAccess::AllAccess, child), err::Success);
    EXPECT_EQ(registry.CloseKey(child), err::Success);
    EXPECT_EQ(registry.DeleteKey(parent, "Lumetra 6\\Child"), err::Success);
    EXPECT_EQ(registry.DeleteKey(parent, "Lumetra 6"), err::AccessDenied);
    EXPECT_EQ(registry.GetString(platform::kUsers, std::string(".Default\\") + kProductKey, "Path"), "C:\\x");
    EXPECT_EQ(registry.CloseKey(parent), err::Success);
}

TEST_F(SimRegistryTest, RootsAndHivesCannotBeDeleted) {
    struct Case {
        RegKey root;
        std::string path;
    };
    const std::vector<Case> cases = {
        {platform::kUsers, ".Default"},  {platform::kUsers, registry.CurrentUserSid()},
        {platform::kLocalMachine, "SOFTWARE"}, {platform::kLocalMachine, "SYSTEM"},
        {platform::kLocalMachine, ""},   {platform::kClassesRoot, ""},
    };
    for (const Case& c : cases) {
        // Empty them first, so that only their being hives refuses deletion.
        if (!c.path.empty()) {
            for (const auto& sub : registry.SubkeyNames(c.root, c.path)) {
                EXPECT_EQ(registry.DeleteKey(c.root, c.path + "\\" + sub), err::Success);
            }
        }
        EXPECT_EQ(registry.DeleteKey(c.root, c.path), err::AccessDenied) << c.path;
        EXPECT_TRUE(registry.KeyExists(c.root, c.path)) << c.path;
    }
}

// Where Wine's registry differs from Windows', the simulation keeps to Windows.
TEST_F(SimRegistryTest, KeepsWindowsBehaviourWhereWineDiffers) {
    // Windows orders subkeys by their upper-cased names, so '_' (after 'Z')
    // follows the letters; Wine compares lower-cased names.
    for (const char* name : {"a_b", "aZb", "ab"}) registry.AddKey(platform::kCurrentUser, std::string("T\\") + name);
    EXPECT_EQ(registry.SubkeyNames(platform::kCurrentUser, "T"), (std::vector<std::string>{"ab", "aZb", "a_b"}));

    // Windows needs KEY_CREATE_SUB_KEY on the parent to create a subkey;
    // Wine creates it through any handle. Opening an existing one works.
    RegKey read = 0;
    ASSERT_EQ(registry.OpenKey(platform::kCurrentUser, "T", RegAccess::Read, read), err::Success);
    RegKey sub = 0;
    EXPECT_EQ(registry.CreateKey(read, "new", sub), err::AccessDenied);
    EXPECT_FALSE(registry.KeyExists(platform::kCurrentUser, "T\\new"));
    ASSERT_EQ(registry.CreateKey(read, "ab", sub), err::Success);
    EXPECT_EQ(registry.SetValue(sub, "v", RegType::Sz, platform::StringValueBytes("x")), err::Success);
    EXPECT_EQ(registry.CloseKey(sub), err::Success);
    EXPECT_EQ(registry.CloseKey(read), err::Success);
}

TEST_F(SimRegistryTest, OpenHandleCountFollowsOpensAndCloses) {
    registry.AddKey(platform::kLocalMachine, kProductKey);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    RegKey a = 0, b = 0, root = 0, missing = 0;
    ASSERT_EQ(registry.OpenKey(platform::kLocalMachine, kProductKey, RegAccess::Read, a), err::Success);
    ASSERT_EQ(registry.CreateKey(platform::kLocalMachine, kProductKey, b), err::Success);
    EXPECT_NE(a, b);
    EXPECT_EQ(registry.OpenKey(platform::kLocalMachine, "SOFTWARE\\missing", RegAccess::Read, missing),
              err::FileNotFound);
    // A root key opened again is the predefined handle, which needs no closing.
    ASSERT_EQ(registry.OpenKey(platform::kLocalMachine, "", RegAccess::AllAccess, root), err::Success);
    EXPECT_EQ(root, platform::kLocalMachine);
    EXPECT_EQ(registry.OpenHandleCount(), 2u);

    // A handle of a deleted key stays open until it is closed.
    EXPECT_EQ(registry.DeleteKey(platform::kLocalMachine, kProductKey), err::Success);
    EXPECT_EQ(registry.OpenHandleCount(), 2u);
    EXPECT_EQ(registry.CloseKey(a), err::Success);
    EXPECT_EQ(registry.CloseKey(b), err::Success);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

struct FaultCase {
    const char* operation;
    long expected;
    // Calls the operation once on a registry holding HKLM\SOFTWARE\Orvane\Lumetra 6
    // (value "Path", subkey "Sub"), opened as `key` with full access; -1
    // when a failed call still filled in its result.
    std::function<long(sim::SimRegistry&, RegKey)> call;
    // True when the registry is as it was before the call.
    std::function<bool(sim::SimRegistry&)> unchanged;
};

const std::string kProduct = kProductKey;

const FaultCase kFaultCases[] = {
    {"RegOpenKey", err::AccessDenied,
     [](sim::SimRegistry& r, RegKey) {
         RegKey k = 0;
         long e = r.OpenKey(platform::kLocalMachine, kProduct, RegAccess::Read, k);
         return e != err::Success && k != 0 ? -1L : e;
     },
     [](sim::SimRegistry& r) { return r.OpenHandleCount() == 1; }},
    {"RegCreateKey", err::AccessDenied,
     [](sim::SimRegistry& r, RegKey) {
         RegKey k = 0;
         long e = r.CreateKey(platform::kLocalMachine, kProduct + "\\New", k);
         return e != err::Success && k != 0 ? -1L : e;
     },
     [](sim::SimRegistry& r) { return !r.KeyExists(platform::kLocalMachine, kProduct + "\\New"); }},
    {"RegQueryValue", err::AccessDenied,
     [](sim::SimRegistry& r, RegKey key) {
         RegValue v;
         long e = r.QueryValue(key, "Path", 260, v);
         return e != err::Success && !v.bytes.empty() ? -1L : e;
     },
     [](sim::SimRegistry&) { return true; }},
    {"RegSetValue", err::AccessDenied,
     [](sim::SimRegistry& r, RegKey key) {
         return r.SetValue(key, "Path", RegType::Sz, platform::StringValueBytes("D:\\other"));
     },
     [](sim::SimRegistry& r) { return r.GetString(platform::kLocalMachine, kProduct, "Path") == "C:\\x"; }},
    {"RegDeleteValue", err::AccessDenied, [](sim::SimRegistry& r, RegKey key) { return r.DeleteValue(key, "Path"); },
     [](sim::SimRegistry& r) { return r.GetString(platform::kLocalMachine, kProduct, "Path").has_value(); }},
    {"RegDeleteKey", err::AccessDenied, [](sim::SimRegistry& r, RegKey key) { return r.DeleteKey(key, "Sub"); },
     [](sim::SimRegistry& r) { return r.KeyExists(platform::kLocalMachine, kProduct + "\\Sub"); }},
    {"RegEnumKey", err::AccessDenied,
     [](sim::SimRegistry& r, RegKey key) {
         std::string name;
         long e = r.EnumKey(key, 0, 512, name);
         return e != err::Success && !name.empty() ? -1L : e;
     },
     [](sim::SimRegistry&) { return true; }},
    // A failed close leaves the handle open.
    {"RegCloseKey", err::InvalidHandle, [](sim::SimRegistry& r, RegKey key) { return r.CloseKey(key); },
     [](sim::SimRegistry& r) { return r.OpenHandleCount() == 1; }},
};

class SimRegistryFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimRegistryFault, InjectedFailureChangesNothingAndTheNextCallWorks) {
    const FaultCase& c = GetParam();
    sim::Faults faults;
    sim::SimRegistry registry{faults};
    registry.SetString(platform::kLocalMachine, kProduct, "Path", "C:\\x");
    registry.AddKey(platform::kLocalMachine, kProduct + "\\Sub");
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(platform::kLocalMachine, kProduct, RegAccess::AllAccess, key), err::Success);

    faults.FailCall(c.operation, 1);
    EXPECT_EQ(c.call(registry, key), c.expected);
    EXPECT_EQ(faults.Injected(), 1u);
    EXPECT_TRUE(c.unchanged(registry)) << registry.Dump();
    EXPECT_EQ(c.call(registry, key), err::Success) << registry.Dump();
}

INSTANTIATE_TEST_SUITE_P(EachOperation, SimRegistryFault, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.operation); });

TEST_F(SimRegistryTest, DumpShowsTheTreeWithTypedValues) {
    registry.SetString(platform::kLocalMachine, kProductKey, "Path", "C:\\Lumetra 6");
    registry.SetString(platform::kLocalMachine, "SOFTWARE\\Microsoft\\App Paths\\LumApp6.exe", "", "C:\\x\\LumApp6.exe");
    registry.SetValue(platform::kCurrentUser, "Software\\Orvane", "Count", RegType::Dword, std::string("\x2A\0\0\0", 4));
    registry.SetValue(platform::kCurrentUser, "Software\\Orvane", "Raw", RegType::Binary, std::string("\x01\xFF", 2));
    registry.SetValue(platform::kCurrentUser, "Software\\Orvane", "Bare", RegType::Sz, "ab\tc");
    registry.LoadUserHive(kOtherUser);
    registry.AddKey(platform::kUsers, std::string(kOtherUser) + "\\Software");
    ASSERT_TRUE(registry.DenyFullAccess(platform::kUsers, std::string(kOtherUser) + "\\Software"));
    registry.LoadUserHive("S-1-5-21-9");
    registry.SetString(platform::kUsers, "S-1-5-21-9\\Software", "Left", "behind");
    ASSERT_TRUE(registry.UnloadUserHive("S-1-5-21-9"));
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(platform::kCurrentUser, "Software", RegAccess::Read, key), err::Success);

    const std::string sid = registry.CurrentUserSid();
    EXPECT_EQ(registry.Dump(),
              "HKEY_LOCAL_MACHINE\n"
              "  SOFTWARE\n"
              "    Microsoft\n"
              "      App Paths\n"
              "        LumApp6.exe\n"
              "          (Default) = REG_SZ \"C:\\x\\LumApp6.exe\"\n"
              "    Orvane\n"
              "      Lumetra 6\n"
              "        \"Path\" = REG_SZ \"C:\\Lumetra 6\"\n"
              "  SYSTEM\n"
              "HKEY_CURRENT_USER  (HKEY_USERS\\" + sid + ")\n"
              "  Software\n"
              "    Orvane\n"
              "      \"Count\" = REG_DWORD 0x0000002A\n"
              "      \"Raw\" = REG_BINARY [01 FF]\n"
              "      \"Bare\" = REG_SZ \"ab\\x09c\" (no terminating zero)\n"
              "HKEY_USERS\n"
              "  .Default\n"
              "    Software\n"
              "  " + sid + "  (HKEY_CURRENT_USER, shown above)\n"
              "  " + kOtherUser + "\n"
              "    Software  [refuses full access]\n"
              "HKEY_CLASSES_ROOT\n"
              "unloaded user hive S-1-5-21-9\n"
              "  Software\n"
              "    \"Left\" = REG_SZ \"behind\"\n"
              "open handles: 1\n");
    EXPECT_EQ(registry.CloseKey(key), err::Success);
}

}  // namespace
