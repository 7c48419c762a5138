// File deployment on the simulated Windows: the manifest, copies by
// pattern, replacing files in use, restart-time operations with their
// WININIT.INI fallback, and the library probe.
#include "install/FileDeployment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/Machine.h"
#include "tests/contract/VersionImage.h"

namespace {

using platform::InUse;
namespace attr = platform::attr;

constexpr const char* kSourceDir = "C:\\Setup";
constexpr const char* kInstallDir = "C:\\Program Files\\Orvane\\Lumetra 6";
constexpr const char* kManifest = "C:\\Setup\\OrvUnInst.log";
constexpr const char* kWininit = "C:\\windows\\WININIT.INI";

std::string Source(const std::string& name) { return std::string(kSourceDir) + "\\" + name; }
std::string Installed(const std::string& name) { return std::string(kInstallDir) + "\\" + name; }

// One restart-time operation as the simulation records it, for comparisons.
std::string Describe(const sim::RestartOperation& op) { return op.to ? op.from + " -> " + *op.to : "delete " + op.from; }

class FileDeploymentTest : public ::testing::Test {
protected:
    FileDeploymentTest() {
        state.sourceDir = kSourceDir;
        state.installDir = kInstallDir;
        app::ResolveIsWow64Process(state, machine.env);
        machine.env.SetProgram(Source("setup.exe"));
        machine.files.AddFile(Source("setup.exe"), "MZ setup");
    }

    void AddSources(const std::vector<std::string>& names) {
        for (const auto& name : names) machine.files.AddFile(Source(name), "new " + name);
    }
    void Deploy(const std::string& manifest) {
        machine.files.AddFile(kManifest, manifest);
        install::DeployManifest(system, state, kManifest);
    }
    [[nodiscard]] std::optional<std::string> Text(const std::string& path) const { return machine.files.FileText(path); }
    [[nodiscard]] std::vector<std::string> Pending() const {
        std::vector<std::string> ops;
        for (const auto& op : machine.files.PendingRestartOperations()) ops.push_back(Describe(op));
        return ops;
    }
    [[nodiscard]] std::string Wininit() {
        std::string lines;
        const std::uint32_t length = system.files.GetProfileSection("WININIT.INI", "rename", 16384, lines);
        return lines.substr(0, length);
    }

    sim::Machine machine;
    platform::System& system = machine.System();
    app::SetupState state;
};

TEST_F(FileDeploymentTest, RunningOnWow64IsTheLookedUpCallsAnswer) {
    struct Case {
        const char* what;
        bool exportPresent;
        bool wow64;
        bool callFails;
        bool answer;
    };
    const std::vector<Case> cases = {
        {"32-bit Windows", true, false, false, false},
        {"64-bit Windows", true, true, false, true},
        {"no IsWow64Process", false, true, false, false},
        {"the call fails", true, true, true, false},
    };
    for (const auto& c : cases) {
        sim::Machine fresh;
        fresh.env.SetIsWow64Export(c.exportPresent);
        fresh.env.SetWow64(c.wow64);
        if (c.callFails) fresh.faults.FailCall("IsWow64Process", 1);
        app::SetupState run;
        app::ResolveIsWow64Process(run, fresh.env);
        EXPECT_EQ(install::RunningOnWow64(fresh.System(), run), c.answer) << c.what;
    }
}

// --- The manifest -------------------------------------------------------------------

TEST_F(FileDeploymentTest, TheManifestCopiesNamesPatternsAndRenamedFilesIntoANewFolderPath) {
    AddSources({"LumApp6.exe", "a.dat", "b.dat", "readme.txt", "Lum.chm", "data\\x.dat", "data\\sub\\y.dat"});
    Deploy("File Copy: LumApp6.exe\r\n"
           "File Copy: *.dat\r\n"
           "Make Dir: data\r\n"
           "Make Dir: data\\sub\r\n"
           "File Copy: data\\x.dat\r\n"
           "File Copy: data\\sub\\*.dat\r\n"
           "File Copy: Lum.chm  >  data\\Help.chm\r\n"
           "File Del: readme.txt\r\n"
           "File Overwrite: readme.txt\r\n"
           "Made Dir: C:\\elsewhere\r\n"
           "Shell Link: C:\\elsewhere\\a.lnk\r\n"
           "File Copy: readme.txt | the installer reads this as one pattern\r\n");

    EXPECT_EQ(Text(Installed("LumApp6.exe")), "new LumApp6.exe") << machine.Dump();
    EXPECT_EQ(Text(Installed("a.dat")), "new a.dat");
    EXPECT_EQ(Text(Installed("b.dat")), "new b.dat");
    EXPECT_EQ(Text(Installed("data\\x.dat")), "new data\\x.dat");
    EXPECT_EQ(Text(Installed("data\\sub\\y.dat")), "new data\\sub\\y.dat");
    EXPECT_EQ(Text(Installed("data\\Help.chm")), "new Lum.chm");
    EXPECT_FALSE(machine.files.Exists(Installed("Lum.chm")));
    EXPECT_FALSE(machine.files.Exists(Installed("readme.txt")));
    EXPECT_FALSE(machine.files.Exists("C:\\elsewhere"));
    EXPECT_TRUE(Text(Source("readme.txt")).has_value());
}

TEST_F(FileDeploymentTest, MakeDirCreatesOneLevelAndNothingBeforeTheInstallationFolderExists) {
    AddSources({"LumApp6.exe"});
    Deploy("Make Dir: early\n"
           "File Copy: nothing*.matches\n"
           "Make Dir: still early\n");
    EXPECT_FALSE(machine.files.Exists(kInstallDir)) << "neither Make Dir nor an empty pattern creates it";

    Deploy("Make Dir: early\n"
           "File Copy: LumApp6.exe\n"
           "Make Dir: deep\\inner\n"
           "Make Dir: deep\n"
           "Make Dir: later\n");
    EXPECT_FALSE(machine.files.Exists(Installed("early")));
    EXPECT_FALSE(machine.files.Exists(Installed("deep\\inner")));
    EXPECT_TRUE(machine.files.Exists(Installed("deep")));
    EXPECT_TRUE(machine.files.Exists(Installed("later")));
}

TEST_F(FileDeploymentTest, X64LinesAreCopiedOnlyOn64BitWindows) {
    for (bool wow64 : {false, true}) {
        sim::Machine fresh;
        fresh.env.SetWow64(wow64);
        app::SetupState run = state;
        app::ResolveIsWow64Process(run, fresh.env);
        fresh.files.AddFile(Source("LumShell64.dll"), "64");
        fresh.files.AddFile(Source("LumApp6.exe"), "exe");
        fresh.files.AddFile(kManifest, "File Copy: LumApp6.exe\nFile Copy x64: LumShell64.dll\n");
        install::DeployManifest(fresh.System(), run, kManifest);
        EXPECT_EQ(fresh.files.FileText(Installed("LumShell64.dll")).has_value(), wow64) << "wow64 " << wow64;
    }
}

TEST_F(FileDeploymentTest, IndependentLibrariesAreCopiedOnlyWhereTheSystemLacksThem) {
    // The setup's own copies lie in its own folder, which the search tries
    // first: only the probe's renaming keeps them from answering.
    machine.files.AddFile(Source("msvcr71.dll"), testimage::LibraryImage(std::nullopt));
    machine.files.AddFile(Source("lumcore.dll"), testimage::LibraryImage(std::nullopt));
    machine.files.AddFile("C:\\windows\\system32\\msvcr71.dll", testimage::LibraryImage(std::nullopt));
    AddSources({"LumApp6.exe"});
    Deploy("File Copy: LumApp6.exe\n"
           "File Copy ind: msvcr71.dll\n"
           "File Copy ind: lumcore.dll > bin\\lumcore.dll\n"
           "Make Dir: bin\n"
           "File Copy ind: lumcore.dll  >  bin\\lumcore.dll\n");

    EXPECT_FALSE(machine.files.Exists(Installed("msvcr71.dll")));
    EXPECT_FALSE(machine.files.Exists(Installed("bin\\lumcore.dll.toinst")));
    EXPECT_TRUE(machine.files.Exists(Installed("bin\\lumcore.dll")));
    // Both copies keep their names, and every library found was freed again.
    EXPECT_TRUE(machine.files.Exists(Source("msvcr71.dll")));
    EXPECT_TRUE(machine.files.Exists(Source("lumcore.dll")));
    EXPECT_FALSE(machine.files.Exists(Source("msvcr71.dll.toinst")));
    EXPECT_EQ(machine.modules.LoadRequests(), (std::vector<std::string>{"msvcr71.dll", "lumcore.dll", "lumcore.dll"}));
    EXPECT_EQ(machine.modules.LoadedCount(), 0u);
}

TEST_F(FileDeploymentTest, AMissingManifestDoesNothing) {
    install::DeployManifest(system, state, Source("missing.log"));
    EXPECT_FALSE(machine.files.Exists(kInstallDir));
}

// --- Copies by pattern --------------------------------------------------------------

TEST_F(FileDeploymentTest, ASubFolderMatchEndsThePatternAndLaterMatchesStayUncopied) {
    const std::string from = "C:\\Media";
    machine.files.AddFile(from + "\\a.txt", "a");
    machine.files.AddFolder(from + "\\b");
    machine.files.AddFile(from + "\\c.txt", "c");
    EXPECT_EQ(install::CopyMatchingFiles(system, "*", kInstallDir, from), 1);
    EXPECT_TRUE(machine.files.Exists(Installed("a.txt")));
    EXPECT_FALSE(machine.files.Exists(Installed("b")));
    EXPECT_FALSE(machine.files.Exists(Installed("c.txt")));
}

// A folder among the matches, or named as the source of a renamed copy,
// fails as a copy does, without touching what the destination holds under
// that name: an installed folder of the same name is not moved aside.
TEST_F(FileDeploymentTest, ASourceFolderIsNoFileAndLeavesAnInstalledFolderInPlace) {
    machine.files.AddFolder(Source("data"));
    machine.files.AddFile(Installed("data\\user.dat"), "the user's");
    EXPECT_EQ(install::CopyMatchingFiles(system, "*", kInstallDir, kSourceDir), 0);
    EXPECT_FALSE(install::CopyFileReplacing(system, "data", kSourceDir, kInstallDir, "data"));
    EXPECT_EQ(Text(Installed("data\\user.dat")), "the user's");
    EXPECT_FALSE(machine.files.Exists(Installed("data.old")));
    EXPECT_TRUE(Pending().empty());
}

TEST_F(FileDeploymentTest, APatternBelowASubFolderNeedsThatFolderInTheDestination) {
    AddSources({"data\\x.dat", "data\\y.dat"});
    EXPECT_EQ(install::CopyMatchingFiles(system, "data\\*.dat", kInstallDir, kSourceDir), 0);
    EXPECT_TRUE(machine.files.Exists(kInstallDir));  // the destination itself is made
    EXPECT_FALSE(machine.files.Exists(Installed("data")));

    machine.files.AddFolder(Installed("data"));
    EXPECT_EQ(install::CopyMatchingFiles(system, "data\\*.dat", kInstallDir, kSourceDir), 2);
}

TEST_F(FileDeploymentTest, TheDestinationIsCreatedWithItsParentsAsSpelledByTheCaller) {
    struct Case {
        const char* destination;
        const char* check;
    };
    const std::vector<Case> cases = {
        {"D:\\a\\b\\c", "D:\\a\\b\\c\\one.txt"},
        {"D:/x/y", "D:\\x\\y\\one.txt"},
        {"D:\\p\\q\\", "D:\\p\\q\\one.txt"},
    };
    machine.files.AddDrive('D');
    AddSources({"one.txt"});
    for (const auto& c : cases) {
        EXPECT_EQ(install::CopyMatchingFiles(system, "one.txt", c.destination, kSourceDir), 1) << c.destination;
        EXPECT_TRUE(Text(c.check).has_value()) << c.destination << "\n" << machine.Dump();
    }
}

TEST_F(FileDeploymentTest, ADoubleByteCharacterEndingIn0x5CIsNoSeparatorInPatternsOrFolders) {
    machine.codePage.Use(932);
    machine.files.UseCodePage(machine.codePage);
    machine.files.AddDrive('D');
    // 0x95 0x5C is one character. Read byte by byte, the name would seem to
    // lie in a sub-folder "\x95", the source folder to end in a separator,
    // and the new destination to have a level "D:\\x95" of its own.
    const std::string name = "\x95\x5C.dll";
    const std::string source = "C:\\\x95\x5C";
    const std::string destination = "D:\\\x95\x5C\\bin";
    machine.files.AddFile(source + "\\" + name, "dbcs");
    EXPECT_EQ(install::CopyMatchingFiles(system, name, destination, source), 1);
    EXPECT_EQ(Text(destination + "\\" + name), "dbcs") << machine.Dump();
    EXPECT_FALSE(machine.files.Exists("D:\\\x95"));
}

// --- Copying one file, replacing what is there ----------------------------------------

TEST_F(FileDeploymentTest, AReadOnlyOrHiddenTargetIsReplacedAndTheCopyTakesTheSourcesAttributes) {
    for (std::uint32_t old : {attr::ReadOnly, attr::Hidden, attr::ReadOnly | attr::Hidden | attr::System}) {
        machine.files.AddFile(Source("LumApp6.exe"), "new", attr::Archive);
        machine.files.AddFile(Installed("LumApp6.exe"), "old", old);
        EXPECT_TRUE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir)) << old;
        EXPECT_EQ(Text(Installed("LumApp6.exe")), "new") << old;
        EXPECT_EQ(system.files.GetFileAttributes(Installed("LumApp6.exe")), attr::Archive) << old;
    }
    EXPECT_TRUE(Pending().empty());
}

TEST_F(FileDeploymentTest, ATargetInUseThatCanBeRenamedGoesAsideToOld) {
    AddSources({"LumApp6.exe"});
    machine.files.AddFile(Installed("LumApp6.exe"), "MZ old");
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe"), InUse::RefuseDelete));

    EXPECT_TRUE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir));
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "new LumApp6.exe");
    EXPECT_EQ(Text(Installed("LumApp6.exe.old")), "MZ old");
    EXPECT_EQ(Pending(), std::vector<std::string>{"delete " + Installed("LumApp6.exe.old")});

    machine.Reboot();
    EXPECT_FALSE(machine.files.Exists(Installed("LumApp6.exe.old")));
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "new LumApp6.exe");
}

TEST_F(FileDeploymentTest, AnOldFileThatIsItselfInUseMakesTheAsideNameOld2) {
    AddSources({"LumApp6.exe"});
    machine.files.AddFile(Installed("LumApp6.exe"), "MZ running");
    machine.files.AddFile(Installed("LumApp6.exe.old"), "MZ running before");
    machine.files.AddFile(Installed("LumApp6.exe.old2"), "stale");
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe"), InUse::RefuseDelete));
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe.old"), InUse::RefuseDelete));

    EXPECT_TRUE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir));
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "new LumApp6.exe");
    EXPECT_EQ(Text(Installed("LumApp6.exe.old")), "MZ running before");
    EXPECT_EQ(Text(Installed("LumApp6.exe.old2")), "MZ running");
    EXPECT_EQ(Pending(), (std::vector<std::string>{"delete " + Installed("LumApp6.exe.old"),
                                                   "delete " + Installed("LumApp6.exe.old2")}));
}

TEST_F(FileDeploymentTest, ATargetThatCannotBeMovedIsReplacedAtTheNextStartByItsNewCopy) {
    AddSources({"LumApp6.exe"});
    machine.files.AddFile(Installed("LumApp6.exe"), "locked old");
    machine.files.AddFile(Installed("LumApp6.exe.new"), "stale new");
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe"), InUse::RefuseDeleteAndRename));

    EXPECT_FALSE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir));
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "locked old");
    EXPECT_EQ(Text(Installed("LumApp6.exe.new")), "new LumApp6.exe");
    // The deletion comes first, so that the rename finds the name free.
    EXPECT_EQ(Pending(), (std::vector<std::string>{"delete " + Installed("LumApp6.exe"),
                                                   Installed("LumApp6.exe.new") + " -> " + Installed("LumApp6.exe")}));

    machine.Reboot();
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "new LumApp6.exe");
    EXPECT_FALSE(machine.files.Exists(Installed("LumApp6.exe.new")));
}

// Without a new copy to take its place, the file in use is not deleted at
// the next start either: the installation keeps the old file.
TEST_F(FileDeploymentTest, WhenNoNewCopyCanBeMadeTheOldFileStays) {
    AddSources({"LumApp6.exe"});
    machine.files.AddFile(Installed("LumApp6.exe"), "locked old");
    machine.files.AddFile(Installed("LumApp6.exe.new"), "locked too");
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe"), InUse::RefuseDeleteAndRename));
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe.new"), InUse::RefuseDeleteAndRename));

    EXPECT_FALSE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir));
    EXPECT_TRUE(Pending().empty());
    machine.Reboot();
    EXPECT_EQ(Text(Installed("LumApp6.exe")), "locked old");
}

TEST_F(FileDeploymentTest, CopiesWithinOneFolderAndFromMissingSources) {
    machine.files.AddFile(Installed("a.ini"), "a");
    machine.files.AddFile(Installed("b.ini"), "old b");
    const std::string sameFolder = "c:\\program files\\orvane\\LUMETRA 6\\";
    // Without a target name there is nothing to do.
    EXPECT_TRUE(install::CopyFileReplacing(system, "a.ini", sameFolder, kInstallDir));
    EXPECT_TRUE(install::CopyFileReplacing(system, "missing.ini", sameFolder, kInstallDir));
    EXPECT_EQ(Text(Installed("a.ini")), "a");
    // Under another name the target is replaced when it can be deleted...
    EXPECT_TRUE(install::CopyFileReplacing(system, "a.ini", sameFolder, kInstallDir, "b.ini"));
    EXPECT_EQ(Text(Installed("b.ini")), "a");
    // ...and left as it is, with success, when it cannot.
    machine.files.AddFile(Installed("c.ini"), "in use");
    ASSERT_TRUE(machine.files.SetInUse(Installed("c.ini"), InUse::RefuseDeleteAndRename));
    EXPECT_TRUE(install::CopyFileReplacing(system, "a.ini", sameFolder, kInstallDir, "c.ini"));
    EXPECT_EQ(Text(Installed("c.ini")), "in use");
    EXPECT_TRUE(Pending().empty());

    EXPECT_FALSE(install::CopyFileReplacing(system, "missing.ini", kSourceDir, kInstallDir));
    EXPECT_FALSE(machine.files.Exists(Installed("missing.ini")));

    // A target name that names the source itself, in any case, keeps it.
    EXPECT_TRUE(install::CopyFileReplacing(system, "a.ini", sameFolder, kInstallDir, "A.INI"));
    EXPECT_EQ(Text(Installed("a.ini")), "a");
}

// --- Restart-time operations ------------------------------------------------------------

TEST_F(FileDeploymentTest, RestartOperationsAreRegisteredWithTheSystemWhenItCan) {
    EXPECT_TRUE(install::DeleteAtRestart(system, "C:\\Temp\\a.tmp"));
    EXPECT_TRUE(install::ReplaceAtRestart(system, "C:\\x.new", "C:\\x"));
    EXPECT_EQ(Pending(), (std::vector<std::string>{"delete C:\\Temp\\a.tmp", "C:\\x.new -> C:\\x"}));
    EXPECT_FALSE(machine.files.Exists(kWininit));
}

TEST_F(FileDeploymentTest, WithoutTheServiceWininitGainsLinesAfterTheOnesItHad) {
    machine.files.SetRestartServiceAvailable(false);
    machine.files.AddFile(kWininit, "[rename]\r\nC:\\earlier=C:\\earlier.new\r\n[other]\r\nkeep=1\r\n");
    EXPECT_TRUE(install::DeleteAtRestart(system, "C:\\Temp\\a.tmp"));
    EXPECT_TRUE(install::ReplaceAtRestart(system, "C:\\x.new", "C:\\x"));
    const std::string expected =
        std::string("C:\\earlier=C:\\earlier.new") + '\0' + "NUL=C:\\Temp\\a.tmp" + '\0' + "C:\\x=C:\\x.new" + '\0';
    EXPECT_EQ(Wininit(), expected);
    EXPECT_TRUE(Pending().empty());
    std::string other;
    EXPECT_GT(system.files.GetProfileSection("WININIT.INI", "other", 16384, other), 0u);
}

TEST_F(FileDeploymentTest, AFileInUseIsReplacedThroughWininitAtTheNextStart) {
    machine.files.SetRestartServiceAvailable(false);
    AddSources({"LumApp6.exe"});
    machine.files.AddFile(Installed("LumApp6.exe"), "locked old");
    ASSERT_TRUE(machine.files.SetInUse(Installed("LumApp6.exe"), InUse::RefuseDeleteAndRename));
    EXPECT_FALSE(install::CopyFileReplacing(system, "LumApp6.exe", kSourceDir, kInstallDir));
    const std::string target = Installed("LumApp6.exe");
    EXPECT_EQ(Wininit(), "NUL=" + target + '\0' + target + "=" + target + ".new" + '\0');

    machine.Reboot();
    EXPECT_EQ(Text(target), "new LumApp6.exe") << machine.Dump();
    EXPECT_FALSE(machine.files.Exists(target + ".new"));
}

TEST_F(FileDeploymentTest, ALineThatWouldOverflowTheSectionBufferIsNotWritten) {
    machine.files.SetRestartServiceAvailable(false);
    // A section of 16344 bytes, each line with its zero: the buffer of 16384
    // then holds one more line of at most 38 characters, its zero and the
    // section's final zero.
    constexpr std::size_t kUsed = 16344;
    std::string section = "[rename]\r\n";
    std::size_t used = 0;
    for (int i = 0; used + 100 < kUsed - 100; ++i) {
        const std::string line = "C:\\f" + std::to_string(i) + "=" + std::string(80, 'x');
        section += line + "\r\n";
        used += line.size() + 1;
    }
    const std::string last = "C:\\last=" + std::string(kUsed - used - 1 - 8, 'y');
    section += last + "\r\n";
    used += last.size() + 1;
    ASSERT_EQ(used, kUsed);
    machine.files.AddFile(kWininit, section);
    ASSERT_EQ(Wininit().size(), kUsed);

    // "NUL=C:\" and 32 more characters make 39: nothing is written.
    EXPECT_FALSE(install::DeleteAtRestart(system, "C:\\" + std::string(32, 'p')));
    EXPECT_EQ(Text(kWininit), section);
    // 38 characters fit exactly.
    EXPECT_TRUE(install::DeleteAtRestart(system, "C:\\" + std::string(31, 'p')));
    EXPECT_EQ(Wininit().size(), 16384u - 1u);
}

}  // namespace
