// Detection of an existing installation on the simulated Windows: registry
// strings, the previous and default folders, the setup folder, file
// versions, the scope and the program group of an earlier installation.
#include "install/Detection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/Machine.h"
#include "tests/contract/VersionImage.h"

namespace {

using platform::kCurrentUser;
using platform::kLocalMachine;

class DetectionTest : public ::testing::Test {
protected:
    void SetProduct(const std::string& name, const std::string& value) {
        machine.registry.SetString(kLocalMachine, install::kProductKey, name, value);
    }

    sim::Machine machine;
    platform::System& system = machine.System();
    app::SetupState state;
};

TEST_F(DetectionTest, ARegistryStringIsEmptyOnAnyFailureAndWhenItDoesNotFit260Bytes) {
    const std::string key = "SOFTWARE\\Test";
    machine.registry.SetString(kLocalMachine, key, "", "the default");
    machine.registry.SetString(kLocalMachine, key, "fits", std::string(259, 'x'));
    machine.registry.SetString(kLocalMachine, key, "too long", std::string(260, 'x'));
    machine.registry.SetValue(kLocalMachine, key, "expand", platform::RegType::ExpandSz, std::string("%x%\0", 4));
    machine.registry.SetValue(kLocalMachine, key, "unterminated", platform::RegType::Sz, std::string(260, 'u'));
    machine.registry.SetValue(kLocalMachine, key, "short raw", platform::RegType::Binary, "abc");
    struct Case {
        const char* key;
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"SOFTWARE\\Test", "", "the default"},
        {"SOFTWARE\\Test", "fits", std::string(259, 'x')},
        {"SOFTWARE\\Test", "too long", ""},
        {"SOFTWARE\\Test", "expand", "%x%"},  // the type is ignored
        {"SOFTWARE\\Test", "unterminated", ""},
        {"SOFTWARE\\Test", "short raw", "abc"},
        {"SOFTWARE\\Test", "missing", ""},
        {"SOFTWARE\\Missing", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(install::ReadRegString(system, kLocalMachine, c.key, c.name), c.text) << c.name;
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u);
}

TEST_F(DetectionTest, APreviousFolderComesFromPathOrTheApplicationPath) {
    struct Case {
        const char* what;
        std::optional<std::string> path;
        std::optional<std::string> appPath;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {"one trailing backslash goes", "C:\\Apps\\Lumetra 6\\", std::nullopt, "C:\\Apps\\Lumetra 6"},
        {"of two, one stays", "C:\\Apps\\Lumetra 6\\\\", std::nullopt, "C:\\Apps\\Lumetra 6\\"},
        {"Path wins", "D:\\Lumetra", "C:\\Apps\\Lumetra 6\\LumApp6.exe", "D:\\Lumetra"},
        {"from the application path", std::nullopt, "C:\\Apps\\Lumetra 6\\LumApp6.exe", "C:\\Apps\\Lumetra 6"},
        {"an empty Path counts as none", "", "C:\\Apps\\LumApp6.exe", "C:\\Apps"},
        {"the name in lower case is not found", std::nullopt, "C:\\Apps\\Lumetra 6\\lumapp6.exe", ""},
        {"the first occurrence", std::nullopt, "C:\\A\\LumApp6.exe\\LumApp6.exe", "C:\\A"},
        {"neither entry", std::nullopt, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        sim::Machine fresh;
        if (c.path) fresh.registry.SetString(kLocalMachine, install::kProductKey, "Path", *c.path);
        if (c.appPath) fresh.registry.SetString(kLocalMachine, install::kAppPathsKey, "", *c.appPath);
        EXPECT_EQ(install::FindPreviousInstallFolder(fresh.System()), c.folder) << c.what;
    }
}

TEST_F(DetectionTest, ProgramFilesFallsBackToTheDriveOfTheWindowsFolder) {
    struct Case {
        std::optional<std::string> programFilesDir;
        const char* windows;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {"E:\\Programs\\", "C:\\WINDOWS", "E:\\Programs"},
        {"E:\\Programs", "C:\\WINDOWS", "E:\\Programs"},
        {std::nullopt, "D:\\WINNT", "D:\\Program Files"},
        {std::nullopt, "C:\\WINDOWS", "C:\\Program Files"},
        {"", "C:\\", "C:\\Program Files"},
        {std::nullopt, "WINDOWS", "WINDOWSProgram Files"},  // without a backslash nothing is cut
    };
    for (const auto& c : cases) {
        sim::Machine fresh;
        if (c.programFilesDir)
            fresh.registry.SetString(kLocalMachine, install::kCurrentVersionKey, "ProgramFilesDir", *c.programFilesDir);
        fresh.files.SetWindowsFolder(c.windows);
        EXPECT_EQ(install::GetProgramFilesFolder(fresh.System()), c.folder) << c.windows;
    }
}

TEST_F(DetectionTest, TheSetupFolderIsTheProgramPathBeforeItsLastBackslash) {
    struct Case {
        int codePage;
        std::string program;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {1252, "C:\\Setup\\setup.exe", "C:\\Setup"},
        {1252, "C:\\setup.exe", "C:"},
        {1252, "setup.exe", ""},
        // 0x95 0x5C is one character: its second byte is no backslash.
        {932, "C:\\\x95\x5Csetup.exe", "C:"},
    };
    for (const auto& c : cases) {
        machine.codePage.Use(c.codePage);
        machine.env.SetProgram(c.program);
        EXPECT_EQ(install::GetSetupFolder(system), c.folder) << c.program;
    }
}

TEST_F(DetectionTest, AFileVersionIsReadFromTheVersionResourceOrIsAllZero) {
    const std::string exe = "C:\\Apps\\LumApp6.exe";
    const std::string image = testimage::LibraryImage(testimage::FileVersion{6, 1, 20, 3});
    struct Case {
        const char* what;
        std::optional<std::string> bytes;
        const char* failingCall;
        app::ProductVersion version;
    };
    const std::vector<Case> cases = {
        {"an image", image, nullptr, {6, 1, 20, 3}},
        {"the resource alone", testimage::VersionResource({65535, 0, 1, 65534}), nullptr, {65535, 0, 1, 65534}},
        {"no such file", std::nullopt, nullptr, {}},
        {"an image without a version resource", testimage::LibraryImage(std::nullopt), nullptr, {}},
        {"a text file", std::string("File Copy: LumApp6.exe\n"), nullptr, {}},
        {"the size cannot be read", image, "GetFileVersionInfoSize", {}},
        {"the information cannot be read", image, "GetFileVersionInfo", {}},
        {"the root block has no fixed information", image, "VerQueryValue", {}},
    };
    for (const auto& c : cases) {
        sim::Machine fresh;
        if (c.bytes) fresh.files.AddFile(exe, *c.bytes);
        if (c.failingCall) fresh.faults.FailCall(c.failingCall, 1);
        app::SetupState run;
        run.productVersion = {9, 9, 9, 9};  // a version read before is replaced
        install::ReadFileVersion(fresh.System(), run, exe);
        EXPECT_EQ(run.productVersion.major, c.version.major) << c.what;
        EXPECT_EQ(run.productVersion.minor, c.version.minor) << c.what;
        EXPECT_EQ(run.productVersion.third, c.version.third) << c.what;
        EXPECT_EQ(run.productVersion.fourth, c.version.fourth) << c.what;
    }
}

TEST_F(DetectionTest, OnlyExactlyBMeansAllUsers) {
    struct Case {
        std::optional<std::string> value;
        bool allUsers;
    };
    const std::vector<Case> cases = {
        {"B", true}, {"A", false}, {"b", false}, {"B ", false}, {"", false}, {std::nullopt, false},
    };
    for (const auto& c : cases) {
        sim::Machine fresh;
        if (c.value) fresh.registry.SetString(kLocalMachine, install::kProductKey, "AllUsers", *c.value);
        EXPECT_EQ(install::ReadPreviousScope(fresh.System()), c.allUsers) << c.value.value_or("(missing)");
    }
}

// --- The program group of an earlier installation -----------------------------------

constexpr const char* kInstallDir = "C:\\Apps\\Lumetra 6";
constexpr const char* kCommonPrograms = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
constexpr const char* kUserPrograms = "C:\\Documents and Settings\\user\\Start Menu\\Programs";

std::string Link(const std::string& folder, const std::string& rest) { return "Shell Link: " + folder + "\\" + rest; }

class RecoverGroupNameTest : public DetectionTest {
protected:
    RecoverGroupNameTest() {
        // The registry spells the all-users folder in another case than the log.
        machine.registry.SetString(kLocalMachine, install::kShellFoldersKey, "Common Programs",
                                   "c:\\documents and settings\\all users\\start menu\\PROGRAMS");
        machine.registry.SetString(kLocalMachine, install::kShellFoldersKey, "Common Startup",
                                   std::string(kCommonPrograms) + "\\Startup");
        machine.registry.SetString(kCurrentUser, install::kShellFoldersKey, "Programs", std::string(kUserPrograms) + "\\");
        machine.registry.SetString(kCurrentUser, install::kShellFoldersKey, "Startup",
                                   std::string(kUserPrograms) + "\\Startup");
        state.installDir = kInstallDir;
        state.groupName = "unchanged";
    }
    void WriteLog(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        machine.files.AddFile(std::string(kInstallDir) + "\\" + name, text);
    }
};

TEST_F(RecoverGroupNameTest, TheGroupIsTheLinksFolderBelowThePrograms) {
    struct Case {
        const char* what;
        std::int32_t allUsers;
        std::vector<std::string> lines;
        std::string group;
    };
    const std::string desktop = "C:\\Documents and Settings\\All Users\\Desktop";
    const std::vector<Case> cases = {
        {"all users", 1, {Link(kCommonPrograms, "Lumetra 6\\Lumetra 6.lnk")}, "Lumetra 6"},
        {"nested group", 1, {Link(kCommonPrograms, "Orvane\\Lumetra 6\\Uninstall Lumetra 6.lnk")}, "Orvane\\Lumetra 6"},
        {"directly in the programs folder", 1, {Link(kCommonPrograms, "Lumetra 6.lnk")}, ""},
        {"the group keeps the log's case", 1, {Link(kCommonPrograms, "LUMETRA Six\\x.lnk")}, "LUMETRA Six"},
        {"start-up and desktop links name no group",
         1,
         {Link(kCommonPrograms, "Startup\\Lumetra 6.lnk"), Link(desktop, "Lumetra 6.lnk")},
         "unchanged"},
        {"the last matching line decides",
         1,
         {Link(kCommonPrograms, "First\\a.lnk"), Link(kCommonPrograms, "Second\\b.lnk"),
          Link(kCommonPrograms, "Startup\\c.lnk")},
         "Second"},
        {"the current user's folders", 0,
         {Link(kCommonPrograms, "Common\\a.lnk"), Link(kUserPrograms, "Mine\\b.lnk")}, "Mine"},
        {"a tag later in the line does not count", 1, {"  " + Link(kCommonPrograms, "Lumetra 6\\a.lnk")},
         "unchanged"},
    };
    for (const auto& c : cases) {
        WriteLog("OrvUnInst.log", c.lines);
        state.allUsers = c.allUsers;
        state.groupName = "unchanged";
        install::RecoverGroupName(system, state);
        EXPECT_EQ(state.groupName, c.group) << c.what;
    }
}

TEST_F(RecoverGroupNameTest, AnUnreadableStartUpFolderOccursEverywhereSoEveryLineIsPassedBy) {
    WriteLog("OrvUnInst.log", {Link(kCommonPrograms, "Lumetra 6\\Lumetra 6.lnk")});
    state.allUsers = 1;
    // Too long for the registry buffer, then missing.
    machine.registry.SetString(kLocalMachine, install::kShellFoldersKey, "Common Startup", std::string(300, 's'));
    install::RecoverGroupName(system, state);
    EXPECT_EQ(state.groupName, "unchanged");

    platform::RegKey key = 0;
    ASSERT_EQ(system.registry.OpenKey(kLocalMachine, install::kShellFoldersKey, platform::RegAccess::AllAccess, key),
              platform::err::Success);
    ASSERT_EQ(system.registry.DeleteValue(key, "Common Startup"), platform::err::Success);
    system.registry.CloseKey(key);
    install::RecoverGroupName(system, state);
    EXPECT_EQ(state.groupName, "unchanged");
}

TEST_F(RecoverGroupNameTest, InstallLogIsReadOnlyWhenOrvUnInstLogCannotBeOpened) {
    state.allUsers = 1;
    WriteLog("install.log", {Link(kCommonPrograms, "Old Group\\a.lnk")});
    install::RecoverGroupName(system, state);
    EXPECT_EQ(state.groupName, "Old Group");

    // OrvUnInst.log opens but names no group: install.log is not consulted.
    state.groupName = "unchanged";
    WriteLog("OrvUnInst.log", {"File Copy: LumApp6.exe"});
    install::RecoverGroupName(system, state);
    EXPECT_EQ(state.groupName, "unchanged");

    // Neither log: nothing changes.
    state.installDir = "C:\\Elsewhere";
    install::RecoverGroupName(system, state);
    EXPECT_EQ(state.groupName, "unchanged");
}

TEST_F(DetectionTest, TheParentFolderIsTheTextBeforeTheLastBackslashAfterTheFirstCharacter) {
    struct Case {
        int codePage;
        std::string path;
        std::string parent;
    };
    const std::vector<Case> cases = {
        {1252, "C:\\a\\b\\", "C:\\a"},
        {1252, "C:\\a\\b", "C:\\a"},
        {1252, "C:\\a\\b\\\\", "C:\\a\\b"},
        {1252, "C:\\", ""},
        {1252, "\\x", ""},
        {1252, "x", ""},
        {1252, "", ""},
        {1252, "Orvane\\Lumetra 6\\Lumetra 6.lnk", "Orvane\\Lumetra 6"},
        // 0x95 0x5C is one character, so these paths hold no backslash.
        {932, "\x95\x5Cx", ""},
        {932, "C:\\a\\\x95\x5C", "C:\\a"},
    };
    for (const auto& c : cases) {
        machine.codePage.Use(c.codePage);
        EXPECT_EQ(install::ParentFolder(system.codePage, c.path), c.parent) << c.path;
    }
}

}  // namespace
