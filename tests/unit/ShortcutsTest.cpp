// The program group and the shortcuts, and their entries in the installed log.
#include <gtest/gtest.h>

#include "install/Shortcuts.h"
#include "tests/unit/InstallFixtures.h"

namespace {

constexpr const char* kInstallDir = "C:\\Program Files\\Lumetra 6";
constexpr const char* kLog = "C:\\Program Files\\Lumetra 6\\OrvUnInst.log";

struct ShortcutRun {
    sim::Machine m;
    app::SetupState state;

    ShortcutRun() {
        fixtures::AddShellFolders(m);
        m.files.AddFolder(kInstallDir);
        state.installDir = kInstallDir;
        state.groupName = "Lumetra 6";
    }
    std::string Log() { return m.files.FileText(kLog).value_or(""); }
    platform::LinkFields Link(const std::string& path) {
        platform::LinkFields fields;
        EXPECT_TRUE(m.shell.ReadLink(path, fields)) << path << "\n" << m.Dump();
        return fields;
    }
};

TEST(Shortcuts, CurrentUserSetIsMadeAndLoggedInOrder) {
    ShortcutRun run;
    run.state.autoStart = 1;
    install::CreateProgramShortcuts(run.m.System(), run.state);

    const std::string group = std::string(fixtures::kUserPrograms) + "\\Lumetra 6";
    const std::string expected = "Made Dir: " + group + "\r\n" +
                                 "Shell Link: " + group + "\\Lumetra 6.lnk\r\n" +
                                 "Shell Link: " + group + "\\Lumetra 6 Help.lnk\r\n" +
                                 "Shell Link: " + group + "\\Read about Lumetra 6.lnk\r\n" +
                                 "Shell Link: " + group + "\\Uninstall Lumetra 6.lnk\r\n" +
                                 "Shell Link: " + fixtures::kUserDesktop + "\\Lumetra 6.lnk\r\n" +
                                 "Shell Link: " + fixtures::kUserStartup + "\\Lumetra 6.lnk\r\n";
    EXPECT_EQ(run.Log(), expected);

    const struct {
        std::string link;
        std::string target;
        std::string workingFolder;
    } links[] = {
        {group + "\\Lumetra 6.lnk", std::string(kInstallDir) + "\\LumApp6.exe", "%APPDATA%"},
        {group + "\\Lumetra 6 Help.lnk", std::string(kInstallDir) + "\\LumApp6Man.chm", ""},
        {group + "\\Read about Lumetra 6.lnk", std::string(kInstallDir) + "\\readme.txt", ""},
        {group + "\\Uninstall Lumetra 6.lnk", std::string(kInstallDir) + "\\OrvUnInst.exe", ""},
        {std::string(fixtures::kUserDesktop) + "\\Lumetra 6.lnk", std::string(kInstallDir) + "\\LumApp6.exe",
         "%APPDATA%"},
    };
    for (const auto& link : links) {
        const auto fields = run.Link(link.link);
        EXPECT_EQ(fields.path, link.target);
        EXPECT_EQ(fields.workingDirectory, link.workingFolder);
        EXPECT_EQ(fields.description, "");
    }
    EXPECT_EQ(run.m.shell.LiveObjects(), 0u);
}

TEST(Shortcuts, AllUsersNeedACommonProgramsValueOfAtLeastFourCharacters) {
    const struct {
        std::optional<std::string> common;  // none: the value is missing
        bool staysAllUsers;
    } cases[] = {
        {std::nullopt, false},
        {"", false},
        {"C:\\", false},
        {"C:\\P", true},
    };
    for (const auto& c : cases) {
        ShortcutRun run;
        run.state.allUsers = 1;
        if (c.common) {
            run.m.registry.SetString(platform::kLocalMachine, fixtures::kShellFolders, "Common Programs", *c.common);
            run.m.files.AddFolder(*c.common);
        } else {
            platform::RegKey key = 0;
            ASSERT_EQ(run.m.registry.OpenKey(platform::kLocalMachine, fixtures::kShellFolders,
                                             platform::RegAccess::AllAccess, key),
                      0);
            (void)run.m.registry.DeleteValue(key, "Common Programs");
            run.m.registry.CloseKey(key);
        }
        install::CreateProgramShortcuts(run.m.System(), run.state);
        const std::string label = c.common.value_or("(missing)");
        EXPECT_EQ(run.state.allUsers, c.staysAllUsers ? 1 : 0) << label;
        const std::string programs = c.staysAllUsers ? *c.common : std::string(fixtures::kUserPrograms);
        const std::string desktop = c.staysAllUsers ? fixtures::kCommonDesktop : fixtures::kUserDesktop;
        EXPECT_TRUE(run.m.files.Exists(programs + "\\Lumetra 6\\Lumetra 6.lnk")) << label;
        EXPECT_TRUE(run.m.files.Exists(desktop + "\\Lumetra 6.lnk")) << label;
    }
}

TEST(Shortcuts, AllUsersUseTheCommonFolders) {
    ShortcutRun run;
    run.state.allUsers = 1;
    install::CreateProgramShortcuts(run.m.System(), run.state);
    EXPECT_EQ(run.state.allUsers, 1);
    EXPECT_TRUE(run.m.files.Exists(std::string(fixtures::kCommonPrograms) + "\\Lumetra 6\\Uninstall Lumetra 6.lnk"));
    EXPECT_TRUE(run.m.files.Exists(std::string(fixtures::kCommonDesktop) + "\\Lumetra 6.lnk"));
}

TEST(Shortcuts, NestedGroupIsNormalisedAndOnlyTheInnerFolderIsLogged) {
    ShortcutRun run;
    run.state.groupName = " /Orvane/Lumetra 6\\ ";
    run.state.desktopIcon = 0;
    install::CreateProgramShortcuts(run.m.System(), run.state);

    EXPECT_EQ(run.state.groupName, "Orvane\\Lumetra 6");
    const std::string group = std::string(fixtures::kUserPrograms) + "\\Orvane\\Lumetra 6";
    EXPECT_TRUE(run.m.files.Exists(group + "\\Lumetra 6.lnk"));
    const std::string log = run.Log();
    EXPECT_EQ(log.rfind("Made Dir: " + group + "\r\n", 0), 0u) << log;
    EXPECT_EQ(log.find("Made Dir: ", 1), std::string::npos);
    // Exactly four shortcuts without the desktop and start-up options.
    std::size_t links = 0;
    for (std::size_t at = log.find("Shell Link: "); at != std::string::npos; at = log.find("Shell Link: ", at + 1))
        ++links;
    EXPECT_EQ(links, 4u);
}

TEST(Shortcuts, GroupFolderThatCannotBeMadeIsStillLoggedAndOnlyTheDesktopLinkFollows) {
    ShortcutRun run;
    run.m.files.AddFile(std::string(fixtures::kUserPrograms) + "\\Lumetra 6", "a file in the way");
    install::CreateProgramShortcuts(run.m.System(), run.state);
    const std::string expected = "Made Dir: " + std::string(fixtures::kUserPrograms) + "\\Lumetra 6\r\n" +
                                 "Shell Link: " + fixtures::kUserDesktop + "\\Lumetra 6.lnk\r\n";
    EXPECT_EQ(run.Log(), expected);
}

TEST(Shortcuts, QuotedTargetIsSavedWithoutQuotesAndComIsInitialisedOnce) {
    ShortcutRun run;
    const std::string first = std::string(fixtures::kUserDesktop) + "\\a.lnk";
    const std::string second = std::string(fixtures::kUserDesktop) + "\\b.lnk";
    EXPECT_EQ(install::CreateShortcut(run.m.System(), run.state, "\"C:\\x y\\p.exe\"", first, std::nullopt), 0);
    EXPECT_EQ(install::CreateShortcut(run.m.System(), run.state, "C:\\p.exe", second, std::nullopt), 0);
    EXPECT_EQ(run.Link(first).path, "C:\\x y\\p.exe");
    EXPECT_EQ(run.m.shell.CoInitializeCalls(), 1);
}

TEST(Shortcuts, FailedSaveLeavesNoEntry) {
    ShortcutRun run;
    EXPECT_LT(install::CreateShortcut(run.m.System(), run.state, "C:\\p.exe", "C:\\missing\\a.lnk", std::nullopt), 0);
    EXPECT_EQ(run.Log(), "");
    EXPECT_TRUE(run.m.ui.Shown().empty());
}

TEST(Shortcuts, FailedSetPathOrSetDescriptionIsReportedAndTheLinkStillSaved) {
    const struct {
        const char* call;
        const char* message;
    } cases[] = {
        {"SetPath", "SetPath failed!"},
        {"SetDescription", "SetDescription failed!"},
    };
    for (const auto& c : cases) {
        ShortcutRun run;
        run.state.silent = 1;  // reported in a silent installation too
        run.m.faults.FailCall(c.call, 1);
        const std::string link = std::string(fixtures::kUserDesktop) + "\\c.lnk";
        EXPECT_EQ(install::CreateShortcut(run.m.System(), run.state, "C:\\p.exe", link, std::nullopt), 0) << c.call;
        ASSERT_EQ(run.m.ui.Shown().size(), 1u) << c.call;
        EXPECT_EQ(run.m.ui.Shown()[0].text, c.message);
        EXPECT_EQ(run.m.ui.Shown()[0].title, "Lumetra Setup");
        EXPECT_EQ(run.Log(), "Shell Link: " + link + "\r\n") << c.call;
    }
}

TEST(Shortcuts, LinkPathPastItsBufferIsNotSaved) {
    ShortcutRun run;
    const std::string longName = std::string(fixtures::kUserDesktop) + "\\" + std::string(240, 'n') + ".lnk";
    EXPECT_LT(install::CreateShortcut(run.m.System(), run.state, "C:\\p.exe", longName, std::nullopt), 0);
    EXPECT_FALSE(run.m.files.Exists(longName));
    EXPECT_EQ(run.Log(), "");
}

}  // namespace
