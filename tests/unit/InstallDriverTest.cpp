// The install driver: options, the version comparison and its questions,
// the damaged-setup stop, the web page and the product start.
#include <gtest/gtest.h>

#include "app/Handovers.h"
#include "app/SetupApp.h"
#include "install/InstallDriver.h"
#include "install/InstallProcedure.h"
#include "res/ResourceTables.h"
#include "tests/unit/InstallFixtures.h"

namespace {

using app::ProductVersion;

std::uint32_t VersionNumberOf(const app::SetupState& state) { return install::VersionNumber(state.productVersion); }

TEST(VersionNumber, WeighsEachPartAndWraps) {
    EXPECT_GT(install::VersionNumber({6, 1, 0, 0}), install::VersionNumber({6, 0, 99, 0}));
    EXPECT_EQ(install::VersionNumber({6, 1, 3, 0}), 6010300u);
    EXPECT_EQ(install::VersionNumber({6, 0, 1, 0}), install::VersionNumber({6, 0, 0, 100}));  // equal by number
    EXPECT_EQ(install::VersionNumber({5000, 0, 0, 0}), 5000u * 1000000u);                      // wraps unsigned
}

struct OptionCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string folder;
    std::int32_t runAfter, allUsers, autoStart, desktopIcon;
};

const OptionCase kOptionCases[] = {
    {"none", {}, "", 0, 0, 0, 1},
    {"instdir_trailing_backslash", {"-instdir", "D:\\Apps\\"}, "D:\\Apps", 0, 0, 0, 1},
    {"instdir_trailing_slash", {"-instdir", "D:\\Apps/"}, "D:\\Apps", 0, 0, 0, 1},
    {"instdir_missing_folder_dropped", {"-instdir", "D:\\Nowhere"}, "", 0, 0, 0, 1},
    {"instdir_last_does_nothing", {"-instdir"}, "", 0, 0, 0, 1},
    {"instdir_upper_case_ignored", {"-INSTDIR", "D:\\Apps"}, "", 0, 0, 0, 1},
    {"instdir_then_runafter", {"-instdir", "-runafter"}, "", 1, 0, 0, 1},
    {"later_instdir_replaces", {"-instdir", "D:\\Apps", "-instdir", "D:\\Nowhere"}, "", 0, 0, 0, 1},
    {"switches_any_case", {"-RunAfter", "-ALLUSERS", "-autoStart", "-NoDeskIco"}, "", 1, 1, 1, 0},
    {"switch_must_be_whole", {"-allusersx", "x-autostart"}, "", 0, 0, 0, 1},
};

class Options : public ::testing::TestWithParam<OptionCase> {};

TEST_P(Options, SetTheStateAndTheFolder) {
    const OptionCase& c = GetParam();
    sim::Machine m;
    m.files.AddDrive('D');
    m.files.AddFolder("D:\\Apps");
    app::SetupState state;
    std::vector<std::string> arguments{"setup.exe"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());

    EXPECT_EQ(install::ApplyCommandLineOptions(m.System(), arguments, state), c.folder);
    EXPECT_EQ(state.runAfter, c.runAfter);
    EXPECT_EQ(state.allUsers, c.allUsers);
    EXPECT_EQ(state.autoStart, c.autoStart);
    EXPECT_EQ(state.desktopIcon, c.desktopIcon);
}

INSTANTIATE_TEST_SUITE_P(Cases, Options, ::testing::ValuesIn(kOptionCases),
                         [](const auto& test) { return std::string(test.param.name); });

struct HomePageCase {
    const char* name;
    std::optional<std::string> file;
    std::string query;
};

const HomePageCase kHomePageCases[] = {
    {"query_with_line_break", "[InternetShortcut]\r\nURL=http://www.example.com/?a=1&b=2\r\n", "?a=1&b=2\n"},
    {"no_question_mark", "[InternetShortcut]\r\nURL=http://www.example.com/\r\n", ""},
    {"only_first_url_line_counts", "URL=http://a.example/\r\nURL=http://b.example/?x=1\r\n", ""},
    {"url_must_be_http_exact_case", "url=http://a.example/?x=1\r\nURL=https://b.example/?y=2\r\n", ""},
    {"no_such_line", "[InternetShortcut]\r\n", ""},
    {"no_file", std::nullopt, ""},
};

class HomePage : public ::testing::TestWithParam<HomePageCase> {};

TEST_P(HomePage, QueryIsTakenFromTheFirstUrlLine) {
    sim::Machine m;
    if (GetParam().file) m.files.AddFile("C:\\L6\\HomePage.url", *GetParam().file);
    EXPECT_EQ(install::ReadHomePageQuery(m.System(), "C:\\L6\\HomePage.url"), GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(Cases, HomePage, ::testing::ValuesIn(kHomePageCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(WebPage, InstallScriptOnlyAfterAFreshInstallationWithAQuery) {
    const std::string site(res::kMakerWebSite);
    EXPECT_EQ(install::WebPageAfterInstall(false, "?a=1\n"), site + "/lmqx/InstScript.asp?a=1\n");
    EXPECT_EQ(install::WebPageAfterInstall(false, ""), site + "/lmqx/installed.asp");
    EXPECT_EQ(install::WebPageAfterInstall(true, "?a=1\n"), site + "/lmqx/installed.asp");
}

// A driver run on a prepared machine, with a wizard double.
struct DriverRun {
    sim::Machine m;
    app::SetupState state;
    int wizardRuns = 0;
    bool wizardResult = true;
    bool installInWizard = false;  // the wizard's last page runs the installation

    int Run() {
        return install::RunInstallDriver(m.System(), state, [this] {
            ++wizardRuns;
            if (installInWizard) install::InstallProduct(m.System(), state);
            return wizardResult;
        });
    }
};

TEST(InstallDriver, FreshWizardRunUsesTheDefaultsAndOpensTheInstallScript) {
    DriverRun run;
    fixtures::AddShellFolders(run.m);
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0});
    run.installInWizard = true;

    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.wizardRuns, 1);
    EXPECT_EQ(run.state.installDir, "C:\\Program Files\\Lumetra 6");
    EXPECT_EQ(run.state.sourceDir, fixtures::kSetupFolder);
    EXPECT_EQ(run.state.freshInstall, 1);
    EXPECT_EQ(run.state.groupName, "Lumetra 6");
    EXPECT_EQ(run.state.productVersion.minor, 1u);
    EXPECT_TRUE(run.m.ui.Shown().empty());
    ASSERT_EQ(run.m.shell.OpenedDocuments().size(), 1u);
    EXPECT_EQ(run.m.shell.OpenedDocuments()[0], std::string(res::kMakerWebSite) + "/lmqx/InstScript.asp?a=1&b=2\n");
}

TEST(InstallDriver, CancelledWizardEndsWithOneAndOpensNothing) {
    DriverRun run;
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0});
    run.wizardResult = false;
    EXPECT_EQ(run.Run(), 1);
    EXPECT_TRUE(run.m.shell.OpenedDocuments().empty());
}

struct VersionQuestionCase {
    const char* name;
    ProductVersion installed;
    ProductVersion offered;
    std::optional<std::string> question;  // none: no question, an upgrade
};

const VersionQuestionCase kVersionQuestionCases[] = {
    {"older_installed_no_question", {6, 0, 1, 0}, {6, 1, 0, 0}, std::nullopt},
    {"missing_version_counts_older", {0, 0, 0, 0}, {6, 1, 0, 0}, std::nullopt},
    {"same_version_asks_17", {6, 1, 0, 0}, {6, 1, 0, 0},
     "Lumetra ver. 6.01.00.00 is already installed on this machine.\n\nWould you like to run this setup again to "
     "select different options or repair the files?"},
    {"newer_installed_asks_16", {6, 2, 3, 4}, {6, 1, 0, 0},
     "Lumetra v. 6.02.03.04 is already installed on this machine. You are trying to install an older version "
     "6.01.00.00 .\n\nDo you still want to continue?"},
};

class VersionQuestion : public ::testing::TestWithParam<VersionQuestionCase> {};

TEST_P(VersionQuestion, IsAskedOnlyForTheSameOrANewerVersionAndNoLeavesAllAlone) {
    const VersionQuestionCase& c = GetParam();
    DriverRun run;
    fixtures::AddSetupFolder(run.m, c.offered);
    run.m.files.AddFolder("C:\\Apps\\L6");
    fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", c.installed, "B");
    if (c.installed.major == 0) run.m.files.AddFile("C:\\Apps\\L6\\LumApp6.exe", "no version");
    const std::string before = run.m.registry.Dump() + run.m.files.Dump();
    run.m.ui.Answer(platform::answer::No);

    const int result = run.Run();

    if (!c.question) {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(run.m.ui.Shown().empty());
        EXPECT_EQ(run.state.upgrade, 1);
        EXPECT_EQ(run.state.allUsers, 1);  // the scope of the installation it replaces
        EXPECT_EQ(run.state.installDir, "C:\\Apps\\L6");
        return;
    }
    EXPECT_EQ(result, 1);
    ASSERT_EQ(run.m.ui.Shown().size(), 1u);
    EXPECT_EQ(run.m.ui.Shown()[0].text, *c.question);
    EXPECT_EQ(run.m.ui.Shown()[0].flags, platform::mb::YesNo | platform::mb::IconQuestion);
    EXPECT_EQ(run.m.ui.Shown()[0].title, "Lumetra Setup");
    EXPECT_EQ(run.wizardRuns, 0);
    EXPECT_EQ(run.m.registry.Dump() + run.m.files.Dump(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionQuestion, ::testing::ValuesIn(kVersionQuestionCases),
                         [](const auto& test) { return std::string(test.param.name); });

// Yes to the question goes on with the earlier installation's scope and
// program group, yet counts as no upgrade: no web page follows the wizard.
TEST(InstallDriver, YesToTheVersionQuestionGoesOnWithTheEarlierScopeAndGroupAndOpensNoPage) {
    for (const VersionQuestionCase& c : kVersionQuestionCases) {
        if (!c.question) continue;
        DriverRun run;
        fixtures::AddShellFolders(run.m);
        fixtures::AddSetupFolder(run.m, c.offered);
        run.m.files.AddFolder("C:\\Apps\\L6");
        fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", c.installed, "B");
        // The group lies below the all-users programs folder, so it is found
        // only when the earlier scope is settled before the log is read.
        run.m.files.AddFile("C:\\Apps\\L6\\OrvUnInst.log", std::string("Shell Link: ") + fixtures::kCommonPrograms +
                                                             "\\Orvane\\L6\\Lumetra 6.lnk\r\n");
        run.m.ui.Answer(platform::answer::Yes);

        EXPECT_EQ(run.Run(), 0) << c.name;
        EXPECT_EQ(run.m.ui.Shown().size(), 1u) << c.name;
        EXPECT_EQ(run.wizardRuns, 1) << c.name;
        EXPECT_EQ(run.state.upgrade, 0) << c.name;
        EXPECT_EQ(run.state.freshInstall, 0) << c.name;
        EXPECT_EQ(run.state.allUsers, 1) << c.name;
        EXPECT_EQ(run.state.groupName, "Orvane\\L6") << c.name;
        EXPECT_EQ(VersionNumberOf(run.state), install::VersionNumber(c.offered)) << c.name;
        EXPECT_TRUE(run.m.shell.OpenedDocuments().empty()) << c.name;  // a re-installation or a downgrade
    }
}

TEST(InstallDriver, SilentRunOverAnOlderOrEqualVersionAsksNothingAndKeepsTheScope) {
    for (const ProductVersion installed : {ProductVersion{6, 0, 1, 0}, ProductVersion{6, 1, 0, 0}}) {
        DriverRun run;
        fixtures::AddShellFolders(run.m);
        fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-s"});
        run.state.silent = 1;
        run.m.files.AddFolder("C:\\Apps\\L6");
        fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", installed, "A");

        EXPECT_EQ(run.Run(), 0) << installed.minor;
        EXPECT_TRUE(run.m.ui.Shown().empty()) << installed.minor;
        EXPECT_EQ(run.state.upgrade, 1) << installed.minor;
        EXPECT_EQ(run.state.allUsers, 0) << installed.minor;  // all users is forced only on a fresh installation
        EXPECT_TRUE(run.m.files.FileText("C:\\Apps\\L6\\OrvUnInst.log").has_value()) << installed.minor;
    }
}

// "-instdir" over a registered installation: the version compared is the one
// in the given folder, and the run is still no fresh installation.
TEST(InstallDriver, InstdirOverAPreviousInstallationComparesTheVersionInThatFolder) {
    DriverRun run;
    run.m.files.AddDrive('D');
    run.m.files.AddFolder("D:\\Apps");
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-instdir", "D:\\Apps"});
    run.m.files.AddFolder("C:\\Apps\\L6");
    fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", {6, 5, 0, 0});

    EXPECT_EQ(run.Run(), 0);
    EXPECT_TRUE(run.m.ui.Shown().empty());  // no LumApp6.exe in D:\Apps: older than any version
    EXPECT_EQ(run.state.installDir, "D:\\Apps");
    EXPECT_EQ(run.state.freshInstall, 0);
    EXPECT_EQ(run.state.upgrade, 1);
    ASSERT_EQ(run.m.shell.OpenedDocuments().size(), 1u);
    EXPECT_EQ(run.m.shell.OpenedDocuments()[0], std::string(res::kMakerWebSite) + "/lmqx/installed.asp");
}

TEST(InstallDriver, SilentRunOverANewerVersionAsksNothingAndKeepsTheScope) {
    DriverRun run;
    fixtures::AddShellFolders(run.m);
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-s", "-allusers"});
    run.state.silent = 1;
    run.m.files.AddFolder("C:\\Apps\\L6");
    fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", {6, 5, 0, 0}, "A");

    EXPECT_EQ(run.Run(), 0);
    EXPECT_TRUE(run.m.ui.Shown().empty());
    EXPECT_EQ(run.state.upgrade, 1);
    EXPECT_EQ(run.state.allUsers, 0);  // "-allusers" gives way to the earlier scope
    EXPECT_EQ(run.wizardRuns, 0);
    EXPECT_TRUE(run.m.shell.OpenedDocuments().empty());  // silent: no web page
    EXPECT_EQ(run.m.registry.GetString(platform::kLocalMachine, "SOFTWARE\\Orvane\\Lumetra 6", "AllUsers"), "A");
}

TEST(InstallDriver, SilentFreshInstallIntoInstdirIsForAllUsers) {
    DriverRun run;
    fixtures::AddShellFolders(run.m);
    run.m.files.AddDrive('D');
    run.m.files.AddFolder("D:\\Apps");
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-s", "-instdir", "D:\\Apps"});
    run.state.silent = 1;

    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.state.installDir, "D:\\Apps");
    EXPECT_EQ(run.state.allUsers, 1);
    EXPECT_EQ(run.state.groupName, "Lumetra 6");
    EXPECT_TRUE(run.m.files.FileText("D:\\Apps\\LumApp6.exe").has_value()) << run.m.Dump();
    EXPECT_EQ(run.m.files.GetCurrentDirectory(), "D:\\Apps");
    EXPECT_TRUE(run.m.shell.OpenedDocuments().empty());
}

struct DamagedCase {
    const char* name;
    bool manifest;
    bool versioned;
};

const DamagedCase kDamagedCases[] = {
    {"no_manifest", false, true},
    {"no_version", true, false},
};

class DamagedSetup : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedSetup, StopsWithMessage18AndExitCode1EvenWhenSilent) {
    DriverRun run;
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-s"});
    run.state.silent = 1;
    if (!GetParam().manifest) (void)run.m.files.DeleteFile(std::string(fixtures::kSetupFolder) + "\\OrvUnInst.log");
    if (!GetParam().versioned) run.m.files.AddFile(std::string(fixtures::kSetupFolder) + "\\LumApp6.exe", "none");
    const std::string before = run.m.registry.Dump() + run.m.files.Dump();

    try {
        (void)run.Run();
        FAIL() << "the driver returned";
    } catch (const sim::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 1);
    }
    ASSERT_EQ(run.m.ui.Shown().size(), 1u);
    EXPECT_EQ(run.m.ui.Shown()[0].text.rfind("This setup files are damaged, installation aborted.\n\n", 0), 0u);
    EXPECT_EQ(run.m.ui.Shown()[0].flags, platform::mb::IconError);
    ASSERT_EQ(run.m.shell.OpenedDocuments().size(), 1u);
    EXPECT_EQ(run.m.shell.OpenedDocuments()[0], std::string(res::kMakerWebSite));
    EXPECT_EQ(run.m.registry.Dump() + run.m.files.Dump(), before);
}

TEST(InstallDriver, ADamagedSetupIsReportedAfterTheVersionQuestionWasAnsweredYes) {
    DriverRun run;
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0});
    (void)run.m.files.DeleteFile(std::string(fixtures::kSetupFolder) + "\\OrvUnInst.log");
    run.m.files.AddFolder("C:\\Apps\\L6");
    fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", {6, 1, 0, 0});
    run.m.ui.Answer(platform::answer::Yes);

    EXPECT_THROW((void)run.Run(), sim::ProcessExit);
    ASSERT_EQ(run.m.ui.Shown().size(), 2u);
    EXPECT_EQ(run.m.ui.Shown()[0].text.rfind("Lumetra ver. 6.01.00.00 is already installed", 0), 0u);
    EXPECT_EQ(run.m.ui.Shown()[1].text.rfind("This setup files are damaged", 0), 0u);
    EXPECT_EQ(run.wizardRuns, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSetup, ::testing::ValuesIn(kDamagedCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(InstallDriver, RunAfterStartsTheQuotedProductInItsFolder) {
    DriverRun run;
    fixtures::AddShellFolders(run.m);
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0}, {"-s", "-runafter"});
    run.state.silent = 1;

    EXPECT_EQ(run.Run(), 0);
    ASSERT_EQ(run.m.shell.StartedPrograms().size(), 1u);
    EXPECT_EQ(run.m.shell.StartedPrograms()[0].commandLine, "\"C:\\Program Files\\Lumetra 6\\LumApp6.exe\"");
    EXPECT_EQ(run.m.shell.StartedPrograms()[0].currentFolder, "C:\\Program Files\\Lumetra 6");
}

TEST(InstallDriver, UpgradeAfterTheWizardOpensTheInstalledPage) {
    DriverRun run;
    fixtures::AddSetupFolder(run.m, {6, 1, 0, 0});
    run.m.files.AddFolder("C:\\Apps\\L6");
    fixtures::AddPreviousInstallation(run.m, "C:\\Apps\\L6", {6, 0, 1, 0});
    run.m.files.AddFile("C:\\Apps\\L6\\HomePage.url", "URL=http://www.example.com/?a=1\r\n");

    EXPECT_EQ(run.Run(), 0);
    ASSERT_EQ(run.m.shell.OpenedDocuments().size(), 1u);
    EXPECT_EQ(run.m.shell.OpenedDocuments()[0], std::string(res::kMakerWebSite) + "/lmqx/installed.asp");
}

// Start-up hands install mode over to the driver: a silent run started as
// OrvUnInst.exe with "-install" installs, and the driver's 0 ends start-up
// with false.
TEST(InstallDriver, InstallModeOfStartUpRunsTheDriver) {
    sim::Machine m;
    fixtures::AddShellFolders(m);
    fixtures::AddSetupFolder(m, {6, 1, 0, 0});
    m.env.SetProgram(std::string(fixtures::kSetupFolder) + "\\OrvUnInst.exe", {"-install", "-s", "-nodeskico"});
    app::SetupState state;
    app::CSetupApp application(m.System(), state, app::BindHandovers(m.System(), state));

    EXPECT_FALSE(application.InitInstance());
    EXPECT_TRUE(m.ui.Shown().empty());
    EXPECT_EQ(state.desktopIcon, 0);
    EXPECT_TRUE(m.files.FileText("C:\\Program Files\\Lumetra 6\\LumApp6.exe").has_value()) << m.Dump();
    EXPECT_EQ(m.registry.GetString(platform::kLocalMachine, "SOFTWARE\\Orvane\\Lumetra 6", "Path"),
              "C:\\Program Files\\Lumetra 6");
}

}  // namespace
