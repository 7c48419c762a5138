// Unattended fresh installations of the sample product by the real setup.exe
// under Wine: what a plain "-s" run leaves in a 32-bit and a 64-bit Windows,
// what the options change, what a damaged setup folder does, and the two
// configuration files taken from beside the archive. Everything is checked
// by reading the prefix: files in drive_c, shortcuts through lnkinfo, the
// registry through reg.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/e2e/InstallSupport.h"

namespace e2e::install {
namespace {

const std::string kVariant = "6.1.0.0";
const std::string kDisplayVersion = "6.01.00";

const std::set<std::string> kGroupLinks = {"Lumetra 6.lnk", "Lumetra 6 Help.lnk", "Read about Lumetra 6.lnk",
                                           "Uninstall Lumetra 6.lnk"};

// A prefix with the sample setup folder in C:\Downloads\Lumetra6.
void PrepareSetupFolder(WinePrefix& prefix, const std::string& variant) {
    ASSERT_TRUE(std::filesystem::exists(SetupExe())) << "build the win32 preset first";
    ASSERT_TRUE(CopySample(prefix, variant, kSetupFolder)) << "no sample folder " << SampleFolder(variant);
}

// --- A plain silent installation ------------------------------------------------

class SilentTest : public testing::TestWithParam<Arch> {};

TEST_P(SilentTest, InstallsFilesShortcutsRegistryAndLogForAllUsers) {
    const Arch arch = GetParam();
    WinePrefix prefix(arch);
    ASSERT_NO_FATAL_FAILURE(PrepareSetupFolder(prefix, kVariant));
    const std::set<std::string> setupFolder = ListFolder(prefix, kSetupFolder);

    RunResult run = RunSilentSetup(prefix, {});
    ASSERT_FALSE(run.timedOut) << Describe(run);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);

    const std::string installDir = DefaultInstallDir(arch);
    EXPECT_EQ(CheckProductFiles(prefix, installDir, kVariant, arch), "");
    // The library probe moves the setup's own msvcp60.dll and LumHelp6.dll
    // aside while it looks for the system's; both must be back afterwards.
    EXPECT_EQ(ListFolder(prefix, kSetupFolder), setupFolder);

    // A silent fresh installation is made for all users.
    const ShellFolders folders = ReadShellFolders(prefix, Scope::AllUsers);
    const std::string group = folders.programs + "\\" + kGroupName;
    const auto links = ExpectedShortcuts(installDir, group, folders, Desktop::Yes, AutoStart::No);
    EXPECT_EQ(CheckShortcuts(prefix, links), "");
    EXPECT_EQ(ListFolder(prefix, group), kGroupLinks);
    EXPECT_FALSE(prefix.Exists(folders.startup + "\\Lumetra 6.lnk"));
    EXPECT_EQ(prefix.ReadFile(installDir + "\\OrvUnInst.log"), ExpectedInstalledLog(kVariant, group, links));

    EXPECT_EQ(CheckRegistry(prefix, ExpectedRegistration(installDir, Scope::AllUsers, kDisplayVersion)), "");
}

INSTANTIATE_TEST_SUITE_P(Install, SilentTest, testing::Values(Arch::Win32, Arch::Win64),
                         [](const testing::TestParamInfo<Arch>& param) { return ArchName(param.param); });

// --- Command-line options -------------------------------------------------------

enum class RunsProduct { Yes, No };

struct OptionCase {
    const char* name;
    std::vector<std::string> options;
    std::string existingFolder;  // made before the run, unless empty
    std::string installDir;      // where the product must go; empty for the default folder
    std::string absentFolder;    // must not exist afterwards, unless empty
    Desktop desktop;
    AutoStart autoStart;
    RunsProduct runsProduct;
};

void PrintTo(const OptionCase& option, std::ostream* out) { *out << option.name; }

const OptionCase kOptionCases[] = {
    // The folder exists: it is used without its trailing backslash, and the
    // default folder is never made.
    {"InstdirExistingWithTrailingBackslash", {"-instdir", "C:\\Apps\\Lumetra\\"}, "C:\\Apps\\Lumetra",
     "C:\\Apps\\Lumetra", "", Desktop::Yes, AutoStart::No, RunsProduct::No},
    // A folder that does not exist is dropped, and not made either.
    {"InstdirMissingFolderIsDropped", {"-instdir", "C:\\Missing\\Lumetra"}, "", "", "C:\\Missing", Desktop::Yes,
     AutoStart::No, RunsProduct::No},
    // "-runafter" is taken as the folder, which does not exist, and then
    // also counts as an option: the product is started after installing.
    {"InstdirFollowedByRunafter", {"-instdir", "-runafter"}, "", "", "", Desktop::Yes, AutoStart::No,
     RunsProduct::Yes},
    // The switches other than "-instdir" match in any case.
    {"NoDesktopIconInAnyCase", {"-NoDeskIco"}, "", "", "", Desktop::No, AutoStart::No, RunsProduct::No},
    {"AutoStartLinkIsMadeLast", {"-autostart"}, "", "", "", Desktop::Yes, AutoStart::Yes, RunsProduct::No},
    // A silent fresh installation is for all users anyway.
    {"AllUsers", {"-allusers"}, "", "", "", Desktop::Yes, AutoStart::No, RunsProduct::No},
};

// The trace file of the test product (see tests/fixtures/LumApp6).
const std::string kTrace = "C:\\lumapp6-trace.txt";

// The first "start" line of the trace, waiting for it up to 30 seconds: the
// setup starts the product and ends without waiting for it.
std::optional<std::string> WaitForProductStart(const WinePrefix& prefix) {
    for (int i = 0; i < 150; ++i) {
        std::istringstream trace(prefix.ReadFile(kTrace).value_or(""));
        std::string line;
        while (std::getline(trace, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find(" start ") != std::string::npos) return line;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return std::nullopt;
}

class OptionsTest : public testing::TestWithParam<OptionCase> {};

TEST_P(OptionsTest, InstallsAsTheOptionsSay) {
    const OptionCase& option = GetParam();
    const Arch arch = Arch::Win32;
    // The product needs a display to run.
    WinePrefix prefix(arch, option.runsProduct == RunsProduct::Yes ? Screen::Xvfb : Screen::None);
    ASSERT_NO_FATAL_FAILURE(PrepareSetupFolder(prefix, kVariant));
    if (!option.existingFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(prefix.ToLinux(option.existingFolder), error);
        ASSERT_FALSE(error) << error.message();
    }

    RunResult run;
    {
        ScopedEnv trace("LUMAPP6_TRACE", kTrace);
        run = RunSilentSetup(prefix, option.options);
    }
    ASSERT_FALSE(run.timedOut) << Describe(run);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);

    const std::string installDir = option.installDir.empty() ? DefaultInstallDir(arch) : option.installDir;
    EXPECT_EQ(CheckProductFiles(prefix, installDir, kVariant, arch), "");
    if (installDir != DefaultInstallDir(arch)) {
        EXPECT_FALSE(prefix.Exists(DefaultInstallDir(arch)));
    }
    if (!option.absentFolder.empty()) {
        EXPECT_FALSE(prefix.Exists(option.absentFolder));
    }

    const ShellFolders folders = ReadShellFolders(prefix, Scope::AllUsers);
    const std::string group = folders.programs + "\\" + kGroupName;
    const auto links = ExpectedShortcuts(installDir, group, folders, option.desktop, option.autoStart);
    EXPECT_EQ(CheckShortcuts(prefix, links), "");
    EXPECT_EQ(ListFolder(prefix, group), kGroupLinks);
    EXPECT_EQ(prefix.Exists(folders.desktop + "\\Lumetra 6.lnk"), option.desktop == Desktop::Yes);
    EXPECT_EQ(prefix.Exists(folders.startup + "\\Lumetra 6.lnk"), option.autoStart == AutoStart::Yes);
    EXPECT_EQ(prefix.ReadFile(installDir + "\\OrvUnInst.log"), ExpectedInstalledLog(kVariant, group, links));

    auto registration = ExpectedRegistration(installDir, Scope::AllUsers, kDisplayVersion);
    registration.resize(3);  // AllUsers, Path and the App Paths entry depend on the options
    EXPECT_EQ(CheckRegistry(prefix, registration), "");

    if (option.runsProduct == RunsProduct::Yes) {
        // Started by its path in double quotes (so that a folder with blanks
        // cannot start another program), in the installation folder.
        auto start = WaitForProductStart(prefix);
        ASSERT_TRUE(start) << "the product was not started; trace:\n" << prefix.ReadFile(kTrace).value_or("");
        EXPECT_NE(start->find(" version=6.1.0.0 "), std::string::npos) << *start;
        EXPECT_NE(start->find(" cwd=" + installDir + " cmdline="), std::string::npos) << *start;
        const std::string cmdline = " cmdline=\"" + installDir + "\\LumApp6.exe\"";
        EXPECT_EQ(start->substr(start->find(" cmdline=")), cmdline) << *start;
    }
}

INSTANTIATE_TEST_SUITE_P(Install, OptionsTest, testing::ValuesIn(kOptionCases),
                         [](const testing::TestParamInfo<OptionCase>& param) { return param.param.name; });

// --- The configuration files beside the archive ---------------------------------

// "sfxname" names the self-extracting archive; LumApp6.ini and LumApp6.reg
// beside it are copied into the installation folder and not logged.
TEST(InstallTest, CopiesTheConfigurationFilesFromBesideTheArchive) {
    const Arch arch = Arch::Win32;
    WinePrefix prefix(arch);
    ASSERT_NO_FATAL_FAILURE(PrepareSetupFolder(prefix, kVariant));
    ASSERT_TRUE(CopySample(prefix, "archive", "C:\\Downloads"));

    RunResult run;
    {
        ScopedEnv sfxname("sfxname", "C:\\Downloads\\Lumetra6Setup.exe");
        run = RunSilentSetup(prefix, {});
    }
    ASSERT_FALSE(run.timedOut) << Describe(run);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);

    const std::string installDir = DefaultInstallDir(arch);
    EXPECT_EQ(CheckProductFiles(prefix, installDir, kVariant, arch, {"LumApp6.ini", "LumApp6.reg"}), "");
    for (const char* name : {"LumApp6.ini", "LumApp6.reg"}) {
        EXPECT_EQ(prefix.ReadFile(installDir + "\\" + name), ReadHostFile(SampleFolder("archive") + "/" + name))
            << name;
    }
    const ShellFolders folders = ReadShellFolders(prefix, Scope::AllUsers);
    const std::string group = folders.programs + "\\" + kGroupName;
    EXPECT_EQ(prefix.ReadFile(installDir + "\\OrvUnInst.log"),
              ExpectedInstalledLog(kVariant, group,
                                   ExpectedShortcuts(installDir, group, folders, Desktop::Yes, AutoStart::No)));
}

// --- A damaged setup folder -----------------------------------------------------

struct DamagedCase {
    const char* variant;
    Arch arch;
};

void PrintTo(const DamagedCase& damaged, std::ostream* out) {
    *out << damaged.variant << " " << ArchName(damaged.arch);
}

// No manifest, or a LumApp6.exe without a version: the setup says so, even
// in a silent run, and ends with exit code 1 before touching anything.
const DamagedCase kDamagedCases[] = {
    {"no-manifest", Arch::Win32},
    {"no-version", Arch::Win64},
};

class DamagedSetupTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedSetupTest, SaysSoAndChangesNothing) {
    WinePrefix prefix(GetParam().arch, Screen::Xvfb);
    ASSERT_NO_FATAL_FAILURE(PrepareSetupFolder(prefix, GetParam().variant));
    PrefixSnapshot before = prefix.Snapshot();

    GuiRun run = prefix.RunWithDriver(kSetupExe, {"-s"}, {"wait", "answer:ok"}, 30);

    ASSERT_EQ(run.driver.exitCode, 0) << run.driver.output << run.program.output;
    auto windows = ParseDriverOutput(run.driver.output);
    ASSERT_EQ(windows.size(), 1u) << run.driver.output;
    const DriverWindow& box = windows[0];
    EXPECT_EQ(box.title, "Lumetra Setup");
    EXPECT_EQ(box.icon, "hand");
    ASSERT_NE(box.Find(0xFFFF), nullptr) << run.driver.output;
    EXPECT_EQ(box.Find(0xFFFF)->text.rfind("This setup files are damaged, installation aborted.", 0), 0u)
        << box.Find(0xFFFF)->text;
    EXPECT_FALSE(run.program.timedOut) << run.program.output;
    EXPECT_EQ(run.program.exitCode, 1) << run.program.output;

    EXPECT_EQ(Difference(before, prefix.Snapshot()), "");
}

INSTANTIATE_TEST_SUITE_P(Install, DamagedSetupTest, testing::ValuesIn(kDamagedCases),
                         [](const testing::TestParamInfo<DamagedCase>& param) {
                             std::string name = std::string(param.param.variant) + "_" + ArchName(param.param.arch);
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

}  // namespace
}  // namespace e2e::install
