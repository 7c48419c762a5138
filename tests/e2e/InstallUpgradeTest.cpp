// Silent installations over an earlier one, by the real setup.exe under
// Wine: an upgrade that keeps the earlier scope and program group and clears
// away what the earlier installation left, and a re-installation while a
// product file is in use, finished by a restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/InstallSupport.h"

namespace e2e::install {
namespace {

const std::set<std::string> kGroupLinks = {"Lumetra 6.lnk", "Lumetra 6 Help.lnk", "Read about Lumetra 6.lnk",
                                           "Uninstall Lumetra 6.lnk"};

// Copies the sample into `setupFolder` and installs it silently.
void InstallSilently(WinePrefix& prefix, const std::string& variant, const std::string& setupFolder,
                     const std::vector<std::string>& options = {}) {
    ASSERT_TRUE(std::filesystem::exists(SetupExe())) << "build the win32 preset first";
    ASSERT_TRUE(CopySample(prefix, variant, setupFolder)) << "no sample folder " << SampleFolder(variant);
    std::vector<std::string> args = {"-s"};
    args.insert(args.end(), options.begin(), options.end());
    RunResult run = prefix.Run(setupFolder + "\\setup.exe", args, kSetupSeconds);
    ASSERT_FALSE(run.timedOut) << "a silent run asks nothing, but this one did not end: " << Describe(run);
    ASSERT_EQ(run.exitCode, 0) << Describe(run);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// --- Upgrade ----------------------------------------------------------------------

class UpgradeTest : public testing::TestWithParam<Arch> {};

// 6.0.1.0, installed for all users, is changed by hand into a current-user
// installation with a program group of two levels (its group folder moved
// and its log rewritten to match), and an obsolete LumOld5.dll is put beside
// it. A silent 6.1.0.0 with "-allusers" then installs without a question,
// keeps the current-user scope and the group, removes the shortcuts the old
// log names and deletes the file that the new manifest lists as obsolete.
TEST_P(UpgradeTest, KeepsScopeAndGroupAndClearsTheOldInstallation) {
    const Arch arch = GetParam();
    WinePrefix prefix(arch);
    const std::string installDir = DefaultInstallDir(arch);
    ASSERT_NO_FATAL_FAILURE(InstallSilently(prefix, "6.0.1.0", "C:\\Downloads\\Lumetra601"));

    const ShellFolders common = ReadShellFolders(prefix, Scope::AllUsers);
    const ShellFolders user = ReadShellFolders(prefix, Scope::CurrentUser);
    const std::string oldGroup = common.programs + "\\" + kGroupName;
    const std::string group = user.programs + "\\Orvane\\Lumetra Six";
    const std::string oldDesktopLink = common.desktop + "\\Lumetra 6.lnk";
    ASSERT_EQ(ListFolder(prefix, oldGroup), kGroupLinks);
    ASSERT_TRUE(prefix.Exists(oldDesktopLink));

    prefix.KillServer();
    std::error_code error;
    std::filesystem::create_directories(prefix.ToLinux(user.programs + "\\Orvane"), error);
    std::filesystem::rename(prefix.ToLinux(oldGroup), prefix.ToLinux(user.programs) + "/Orvane/Lumetra Six", error);
    ASSERT_FALSE(error) << error.message();
    auto oldLog = prefix.ReadFile(installDir + "\\OrvUnInst.log");
    ASSERT_TRUE(oldLog);
    ASSERT_NE(oldLog->find("Made Dir: " + oldGroup + "\r\n"), std::string::npos) << *oldLog;
    ASSERT_TRUE(prefix.WriteFile(installDir + "\\OrvUnInst.log", ReplaceAll(*oldLog, oldGroup, group)));
    ASSERT_TRUE(prefix.RegSetString(kProductKey, "AllUsers", "A"));
    ASSERT_TRUE(prefix.WriteFile(installDir + "\\LumOld5.dll", "an obsolete library"));

    ASSERT_NO_FATAL_FAILURE(InstallSilently(prefix, "6.1.0.0", kSetupFolder, {"-allusers"}));

    EXPECT_EQ(CheckProductFiles(prefix, installDir, "6.1.0.0", arch), "");
    EXPECT_FALSE(prefix.Exists(installDir + "\\LumOld5.dll"));
    EXPECT_FALSE(prefix.Exists(oldDesktopLink));

    const auto links = ExpectedShortcuts(installDir, group, user, Desktop::Yes, AutoStart::No);
    EXPECT_EQ(CheckShortcuts(prefix, links), "");
    EXPECT_EQ(ListFolder(prefix, group), kGroupLinks);
    EXPECT_EQ(prefix.ReadFile(installDir + "\\OrvUnInst.log"), ExpectedInstalledLog("6.1.0.0", group, links));

    EXPECT_EQ(CheckRegistry(prefix, ExpectedRegistration(installDir, Scope::CurrentUser, "6.01.00")), "");
}

INSTANTIATE_TEST_SUITE_P(Install, UpgradeTest, testing::Values(Arch::Win32, Arch::Win64),
                         [](const testing::TestParamInfo<Arch>& param) { return ArchName(param.param); });

// --- A re-installation while a product file is in use ------------------------------

struct InUseCase {
    const char* name;
    const char* how;  // FileHolder's way of holding the file
    Arch arch;
    // The side file the re-installation leaves until the restart, and the
    // variant whose LumApp6.exe it holds.
    std::string sideFile;
    std::string sideVariant;
    // The variant whose files the folder holds before the restart.
    std::string variantBeforeRestart;
};

void PrintTo(const InUseCase& c, std::ostream* out) { *out << c.name; }

class FileInUseTest : public testing::TestWithParam<InUseCase> {};

// The position of `path` among the strings of a REG_MULTI_SZ as reg shows
// it ("\0" between the strings), or npos. Names are compared without regard
// to case, and the "\??\" prefix of native paths is left aside.
std::size_t PendingPosition(const std::string& pending, const std::string& path) {
    std::string lower = Lower(pending);
    for (std::size_t at = lower.find(Lower(path)); at != std::string::npos; at = lower.find(Lower(path), at + 1)) {
        std::size_t end = at + path.size();
        if (end == lower.size() || lower.compare(end, 2, "\\0") == 0) return at;
    }
    return std::string::npos;
}

// 6.1.0.0 is installed; then another process holds its LumApp6.exe in use
// while the twin of 6.1.0.0 (other bytes, same version) is installed over
// it silently. A file mapped as a running program can be renamed though not
// deleted: the old file goes aside as LumApp6.exe.old, registered for
// deletion at the next start, and the new file takes its name. A file
// opened without sharing can be neither: the new file waits as
// LumApp6.exe.new, and the next start deletes the old file and renames the
// new one, in that order. Either way, once the holder has ended and Windows
// has restarted, the folder holds exactly the new files.
TEST_P(FileInUseTest, ReinstallationLeavesTheNewFileForTheRestart) {
    const InUseCase& c = GetParam();
    WinePrefix prefix(c.arch);
    const std::string installDir = DefaultInstallDir(c.arch);
    const std::string product = installDir + "\\LumApp6.exe";
    ASSERT_NO_FATAL_FAILURE(InstallSilently(prefix, "6.1.0.0", "C:\\Downloads\\Lumetra6"));
    ASSERT_TRUE(CopySample(prefix, "6.1.0.0-twin", "C:\\Downloads\\Lumetra6Twin"));
    ASSERT_TRUE(prefix.CopyIn(FileHolderExe(), "C:\\Tools\\FileHolder.exe"));

    // The holder starts in the background; the setup runs once it holds the
    // file, and cmd passes on the setup's exit code.
    const std::string ready = "C:\\Downloads\\held.txt";
    ASSERT_TRUE(prefix.WriteFile("C:\\Downloads\\reinstall.cmd",
                                 "@echo off\r\n"
                                 "start \"\" C:\\Tools\\FileHolder.exe " + std::string(c.how) + " \"" + product +
                                     "\" " + ready + "\r\n"
                                 ":wait\r\n"
                                 "if exist " + ready + " goto held\r\n"
                                 "ping -n 2 127.0.0.1 >nul\r\n"
                                 "goto wait\r\n"
                                 ":held\r\n"
                                 "\"C:\\Downloads\\Lumetra6Twin\\setup.exe\" -s\r\n"
                                 "exit /b %errorlevel%\r\n"));
    RunResult run = prefix.Run("C:\\windows\\system32\\cmd.exe", {"/c", "C:\\Downloads\\reinstall.cmd"},
                               kSetupSeconds);
    ASSERT_FALSE(run.timedOut) << Describe(run);
    ASSERT_EQ(run.exitCode, 0) << Describe(run);

    const std::string side = product + c.sideFile;
    EXPECT_EQ(CheckProductFiles(prefix, installDir, c.variantBeforeRestart, c.arch, {"LumApp6.exe" + c.sideFile}), "");
    EXPECT_EQ(prefix.ReadFile(side), ReadHostFile(SampleFolder(c.sideVariant) + "/LumApp6.exe"));

    const std::string sessionManager = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager";
    auto pending = QueryKey(prefix, sessionManager)["pendingfilerenameoperations"];
    EXPECT_EQ(pending.type, "REG_MULTI_SZ");
    if (c.sideFile == ".old") {
        EXPECT_NE(PendingPosition(pending.data, side), std::string::npos) << pending.data;
    } else {
        // The old file's deletion comes before the new file's rename.
        std::size_t deletion = PendingPosition(pending.data, product);
        std::size_t rename = PendingPosition(pending.data, side);
        ASSERT_NE(deletion, std::string::npos) << pending.data;
        ASSERT_NE(rename, std::string::npos) << pending.data;
        EXPECT_LT(deletion, rename) << pending.data;
    }

    // Ending every process of the prefix ends the holder too.
    prefix.KillServer();
    ASSERT_TRUE(prefix.Restart());
    EXPECT_EQ(CheckProductFiles(prefix, installDir, "6.1.0.0-twin", c.arch), "");
}

INSTANTIATE_TEST_SUITE_P(
    Install, FileInUseTest,
    testing::Values(InUseCase{"MappedLikeARunningProgram_win32", "image", Arch::Win32, ".old", "6.1.0.0", "6.1.0.0-twin"},
                    InUseCase{"MappedLikeARunningProgram_win64", "image", Arch::Win64, ".old", "6.1.0.0", "6.1.0.0-twin"},
                    InUseCase{"OpenWithoutSharing_win64", "exclusive", Arch::Win64, ".new", "6.1.0.0-twin", "6.1.0.0"}),
    [](const testing::TestParamInfo<InUseCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace e2e::install
