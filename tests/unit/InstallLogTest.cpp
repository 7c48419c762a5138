// The install log format on the simulated Windows: reading lines, tags,
// the two operand readings, appending, and the removal operations.
#include "uninstall/InstallLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/Machine.h"

namespace {

using uninstall::LogEntryKind;

constexpr const char* kInstallDir = "C:\\Program Files\\Orvane\\Lumetra 6";
constexpr const char* kLog = "C:\\Program Files\\Orvane\\Lumetra 6\\OrvUnInst.log";

std::string At(const std::string& name) { return std::string(kInstallDir) + "\\" + name; }

class InstallLogTest : public ::testing::Test {
protected:
    InstallLogTest() { machine.files.AddFolder(kInstallDir); }

    // Every line of a file as ReadLogLine delivers it.
    std::vector<std::string> ReadAll(const std::string& path) {
        std::vector<std::string> lines;
        platform::FileHandle file = system.files.OpenText(path);
        if (file == 0) return lines;
        std::string line;
        while (uninstall::ReadLogLine(system, file, line)) lines.push_back(line);
        system.files.CloseFile(file);
        return lines;
    }

    void AddFiles(const std::vector<std::string>& names) {
        for (const auto& name : names) machine.files.AddFile(At(name), "old " + name);
    }
    [[nodiscard]] bool Has(const std::string& path) const { return machine.files.FileText(path).has_value(); }

    sim::Machine machine;
    platform::System& system = machine.System();
};

// --- Reading lines ------------------------------------------------------------------

TEST_F(InstallLogTest, TrailingBytesUpTo0x20AreRemovedButNeverTheFirstByte) {
    struct Case {
        const char* what;
        std::string raw;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"CR LF", "File Copy: a.dll\r\n", "File Copy: a.dll"},
        {"LF alone", "File Copy: a.dll\n", "File Copy: a.dll"},
        {"blanks and tabs", "File Copy: a.dll \t  \n", "File Copy: a.dll"},
        {"other control bytes", std::string("File Copy: a.dll\x01\x1F\x0B\n"), "File Copy: a.dll"},
        {"bytes from 0x80 are text", "File Copy: caf\xE9\xA0\n", "File Copy: caf\xE9\xA0"},
        {"no line end at the end of the file", "File Copy: a.dll  ", "File Copy: a.dll"},
        {"a line of blanks keeps its first", "   \n", " "},
    };
    for (const auto& c : cases) {
        machine.files.AddFile(kLog, c.raw);
        EXPECT_EQ(ReadAll(kLog), std::vector<std::string>{c.line}) << c.what;
    }
}

TEST_F(InstallLogTest, ALongLineIsReadInPiecesOf511Bytes) {
    const std::string first(511, 'a');
    const std::string rest(89, 'b');
    machine.files.AddFile(kLog, first + rest + "\r\nFile Copy: x.dll\r\n");
    EXPECT_EQ(ReadAll(kLog), (std::vector<std::string>{first, rest, "File Copy: x.dll"}));

    // A piece that ends in a blank loses it like any line.
    const std::string tag = "File Copy: ";
    machine.files.AddFile(kLog, tag + std::string(499, 'n') + " " + "tail\n");
    const auto lines = ReadAll(kLog);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], tag + std::string(499, 'n'));
    EXPECT_EQ(lines[1], "tail");
}

// --- Tags ---------------------------------------------------------------------------

TEST_F(InstallLogTest, ATagCountsOnlyExactlyAndAtTheFirstByte) {
    struct Case {
        const char* line;
        std::optional<LogEntryKind> kind;
    };
    const std::vector<Case> cases = {
        {"File Copy: a.dll", LogEntryKind::FileCopy},
        {"File Copy x64: a.dll", LogEntryKind::FileCopyX64},
        {"File Copy ind: a.dll", LogEntryKind::FileCopyInd},
        {"File Overwrite: a.dll", LogEntryKind::FileOverwrite},
        {"File Del: a.dll", LogEntryKind::FileDel},
        {"Make Dir: data", LogEntryKind::MakeDir},
        {"Made Dir: C:\\Start Menu\\Programs\\Lumetra 6", LogEntryKind::MadeDir},
        {"Shell Link: C:\\Desktop\\Lumetra 6.lnk", LogEntryKind::ShellLink},
        {"File Copy:a.dll", std::nullopt},
        {"file copy: a.dll", std::nullopt},
        {" File Copy: a.dll", std::nullopt},
        {"Note: File Copy: a.dll", std::nullopt},
        {"File Copy x64:", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(uninstall::EntryKindOf(c.line), c.kind) << c.line;
}

TEST_F(InstallLogTest, ParsedEntriesSplitOnlyCopyOperands) {
    auto copy = uninstall::ParseLogEntry(system.codePage, "File Copy: LumApp6.exe  >  bin\\Lum.exe");
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->kind, LogEntryKind::FileCopy);
    EXPECT_EQ(copy->operand, "LumApp6.exe  >  bin\\Lum.exe");
    EXPECT_EQ(copy->source, "LumApp6.exe");
    EXPECT_EQ(copy->target, std::optional<std::string>("bin\\Lum.exe"));

    auto folder = uninstall::ParseLogEntry(system.codePage, "Make Dir: a>b");
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(folder->kind, LogEntryKind::MakeDir);
    EXPECT_EQ(folder->operand, "a>b");
    EXPECT_EQ(folder->target, std::nullopt);

    EXPECT_FALSE(uninstall::ParseLogEntry(system.codePage, "; File Copy: a.dll").has_value());
}

// --- The two operand readings --------------------------------------------------------

TEST_F(InstallLogTest, TheInstallerSplitsAtTheFirstGreaterThanAndKnowsNoAnnotation) {
    struct Case {
        const char* operand;
        std::string source;
        std::optional<std::string> target;
    };
    const std::vector<Case> cases = {
        {"LumApp6.exe", "LumApp6.exe", std::nullopt},
        {"*.dll", "*.dll", std::nullopt},
        {"a.dll  >  sub\\b.dll", "a.dll", "sub\\b.dll"},
        {"a.dll\t\v\f\r>\n \tb.dll", "a.dll", "b.dll"},
        {"a.dll>b.dll", "a.dll", "b.dll"},
        {"a.dll > b > c", "a.dll", "b > c"},
        {"a.dll | note", "a.dll | note", std::nullopt},
        {"a.dll >", "a.dll", ""},
    };
    for (const auto& c : cases) {
        const auto halves = uninstall::SplitInstallOperand(system.codePage, c.operand);
        EXPECT_EQ(halves.source, c.source) << c.operand;
        EXPECT_EQ(halves.target, c.target) << c.operand;
    }
}

TEST_F(InstallLogTest, TheUninstallerCutsTheAnnotationAndKeepsOnlyTheTarget) {
    struct Case {
        const char* line;
        const char* tag;
        const char* operand;
    };
    const std::vector<Case> cases = {
        {"File Copy: a.dll", "File Copy: ", "a.dll"},
        {"File Copy: a.dll | installed for the viewer", "File Copy: ", "a.dll"},
        {"File Copy: a.dll  >  sub\\b.dll", "File Copy: ", "sub\\b.dll"},
        {"File Copy: a.dll > b.dll | note > c", "File Copy: ", "b.dll"},
        {"File Copy: a|b.dll", "File Copy: ", "a|b.dll"},
        {"File Del: old\\*.tmp", "File Del: ", "old\\*.tmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(uninstall::SplitRemovalOperand(system.codePage, c.line, c.tag), c.operand) << c.line;
}

// --- Appending ------------------------------------------------------------------------

TEST_F(InstallLogTest, AppendingWritesCrLfLinesAndCompletesAnUnterminatedLastLine) {
    machine.files.AddFile(kLog, "File Copy: LumApp6.exe\r\nMake Dir: data");
    uninstall::AppendLogLine(system, kLog, "");
    uninstall::AppendLogLine(system, kLog, "Made Dir: C:\\Programs\\Lumetra 6");
    EXPECT_EQ(machine.files.FileText(kLog),
              "File Copy: LumApp6.exe\r\nMake Dir: data\r\nMade Dir: C:\\Programs\\Lumetra 6\r\n");

    const std::string fresh = At("new.log");
    uninstall::AppendLogLine(system, fresh, "");
    EXPECT_EQ(machine.files.FileText(fresh), "\r\n");

    // A log that cannot be opened loses the entry and nothing else happens.
    uninstall::AppendLogLine(system, "C:\\missing\\folder\\OrvUnInst.log", "Shell Link: x.lnk");
    EXPECT_FALSE(machine.files.FileText("C:\\missing\\folder\\OrvUnInst.log").has_value());
}

// --- Removing logged shortcuts and folders ---------------------------------------------

TEST_F(InstallLogTest, LinksGoFirstThenTheGroupFolderAndItsParentsWhileTheyAreEmpty) {
    const std::string programs = "C:\\users\\user\\Start Menu\\Programs";
    const std::string group = programs + "\\Orvane\\Lumetra 6";
    machine.files.AddFile(group + "\\Lumetra 6.lnk", "link");
    machine.files.AddFile(group + "\\Uninstall Lumetra 6.lnk", "link");
    machine.files.AddFile("C:\\users\\user\\Desktop\\Lumetra 6.lnk", "link");
    machine.files.AddFile("C:\\users\\user\\Start Menu\\desktop.ini", "keeps the Start Menu");
    // The folder entry comes first in the file: the shortcuts still go first.
    machine.files.AddFile(kLog, "File Copy: LumApp6.exe\r\n\r\nMade Dir: " + group + "\r\nShell Link: " + group +
                                    "\\Lumetra 6.lnk\r\nShell Link: " + group +
                                    "\\Uninstall Lumetra 6.lnk\r\nShell Link: C:\\users\\user\\Desktop\\Lumetra 6.lnk\r\n");

    uninstall::RemoveLoggedLinks(system, kLog);

    EXPECT_FALSE(machine.files.Exists(group)) << machine.Dump();
    EXPECT_FALSE(machine.files.Exists(programs + "\\Orvane"));
    EXPECT_FALSE(machine.files.Exists(programs));
    EXPECT_TRUE(machine.files.Exists("C:\\users\\user\\Start Menu"));
    EXPECT_FALSE(machine.files.Exists("C:\\users\\user\\Desktop\\Lumetra 6.lnk"));
    EXPECT_TRUE(machine.files.Exists("C:\\users\\user\\Desktop"));
    EXPECT_TRUE(Has(kLog));
}

TEST_F(InstallLogTest, AGroupFolderThatHoldsAnUnloggedFileStaysWithItsParents) {
    const std::string group = "C:\\Start Menu\\Programs\\Lumetra 6";
    machine.files.AddFile(group + "\\Lumetra 6.lnk", "link");
    machine.files.AddFile(group + "\\Readme.lnk", "made by the user");
    machine.files.AddFile(kLog, "Shell Link: " + group + "\\Lumetra 6.lnk\nMade Dir: " + group + "\\\n");

    uninstall::RemoveLoggedLinks(system, kLog);

    EXPECT_FALSE(machine.files.Exists(group + "\\Lumetra 6.lnk"));
    EXPECT_TRUE(Has(group + "\\Readme.lnk"));
    // A missing log is skipped without any effect.
    uninstall::RemoveLoggedLinks(system, At("install.log"));
    EXPECT_TRUE(Has(group + "\\Readme.lnk"));
}

// --- Removing logged files and folders ---------------------------------------------------

TEST_F(InstallLogTest, EveryCopyKindDeletesItsFilesThenListedFoldersGoWhenEmpty) {
    AddFiles({"LumApp6.exe", "x64.dll", "ind.dll", "over.dat", "gone.txt", "data\\a.dat", "data\\sub\\b.dat",
              "bin\\Lum.exe", "LumApp.chm", "keep.txt"});
    machine.files.AddFile(kLog,
                          "File Copy: LumApp6.exe\n"
                          "File Copy x64: x64.dll\n"
                          "File Copy ind: ind.dll | installed only where missing\n"
                          "File Overwrite: over.dat\n"
                          "File Del: gone.txt\n"
                          "File Copy: data\\*.dat\n"
                          "File Copy: data\\sub\\b.dat\n"
                          "File Copy: Lum.exe > bin\\Lum.exe\n"
                          "  File Copy: LumApp.chm\n"
                          "Make Dir: data\n"
                          "Make Dir: data\\sub\n"
                          "Make Dir: bin\n");

    uninstall::RemoveLoggedFiles(system, kLog, kInstallDir);

    for (const char* gone : {"LumApp6.exe", "x64.dll", "ind.dll", "over.dat", "gone.txt", "data\\a.dat",
                             "data\\sub\\b.dat", "bin\\Lum.exe"})
        EXPECT_FALSE(machine.files.Exists(At(gone))) << gone;
    EXPECT_TRUE(Has(At("LumApp.chm")));  // the tag did not stand at the first byte
    EXPECT_TRUE(Has(At("keep.txt")));
    // "data" was tried while it still held "sub", so it stays; "sub" and "bin" go.
    EXPECT_TRUE(machine.files.Exists(At("data")));
    EXPECT_FALSE(machine.files.Exists(At("data\\sub")));
    EXPECT_FALSE(machine.files.Exists(At("bin")));
    EXPECT_TRUE(machine.files.Exists(kInstallDir));
}

TEST_F(InstallLogTest, ARenamedCopyDeletesTheTargetAndLeavesAFileOfTheSourceName) {
    AddFiles({"a.dll", "b.dll"});
    machine.files.AddFile(kLog, "File Copy: a.dll > b.dll\n");
    uninstall::RemoveLoggedFiles(system, kLog, kInstallDir);
    EXPECT_TRUE(Has(At("a.dll")));
    EXPECT_FALSE(Has(At("b.dll")));
}

TEST_F(InstallLogTest, AWildcardDeletesEveryMatchingFileWhoeverPutItThere) {
    AddFiles({"LumApp6.exe", "user notes.txt", "sub\\deep.txt"});
    machine.files.AddFile(kLog, "File Copy: *.*\n");
    uninstall::RemoveLoggedFiles(system, kLog, kInstallDir);
    EXPECT_FALSE(Has(At("LumApp6.exe")));
    EXPECT_FALSE(Has(At("user notes.txt")));
    EXPECT_TRUE(Has(At("sub\\deep.txt")));  // folders are not entered
    // The log itself matches too, but it is open for reading and so in use.
    EXPECT_TRUE(Has(kLog));
}

TEST_F(InstallLogTest, WithATagOnlyThoseEntriesDeleteFiles) {
    AddFiles({"LumApp6.exe", "old.dll", "obsolete\\x.dat"});
    const std::string manifest = "C:\\Setup\\OrvUnInst.log";
    machine.files.AddFile(manifest,
                          "File Copy: LumApp6.exe\n"
                          "File Del: old.dll\n"
                          "File Del: obsolete\\x.dat\n"
                          "Make Dir: obsolete\n");
    uninstall::RemoveLoggedFiles(system, manifest, kInstallDir, LogEntryKind::FileDel);
    EXPECT_TRUE(Has(At("LumApp6.exe")));
    EXPECT_FALSE(Has(At("old.dll")));
    EXPECT_FALSE(machine.files.Exists(At("obsolete")));
}

// --- Deleting by pattern ---------------------------------------------------------------

TEST_F(InstallLogTest, DeletingClearsReadOnlyAndHiddenAndPassesFilesInUseAndFolders) {
    machine.files.AddFile(At("ro.dll"), "x", platform::attr::ReadOnly);
    machine.files.AddFile(At("hidden.dll"), "x", platform::attr::Hidden | platform::attr::System);
    machine.files.AddFile(At("both.dll"), "x", platform::attr::ReadOnly | platform::attr::Hidden);
    machine.files.AddFile(At("running.dll"), "MZ");
    machine.files.AddFolder(At("folder.dll"));
    ASSERT_TRUE(machine.files.SetInUse(At("running.dll"), platform::InUse::RefuseDelete));

    EXPECT_EQ(uninstall::DeleteMatchingFiles(system, "*.dll", kInstallDir), 3);
    EXPECT_FALSE(Has(At("ro.dll")));
    EXPECT_FALSE(Has(At("hidden.dll")));
    EXPECT_FALSE(Has(At("both.dll")));
    EXPECT_TRUE(Has(At("running.dll")));
    EXPECT_TRUE(machine.files.Exists(At("folder.dll")));
    EXPECT_EQ(uninstall::DeleteMatchingFiles(system, "*.none", kInstallDir), 0);
}

TEST_F(InstallLogTest, TheFolderMayEndInASeparatorAndThePatternNameASubFolder) {
    struct Case {
        std::string folder;
        const char* pattern;
    };
    const std::vector<Case> cases = {
        {kInstallDir, "a.txt"},
        {std::string(kInstallDir) + "\\", "a.txt"},
        {std::string(kInstallDir) + "/", "a.txt"},
        {"C:\\Program Files\\Orvane", "Lumetra 6\\a.txt"},
        {"C:\\Program Files\\Orvane", "Lumetra 6\\*.txt"},
    };
    for (const auto& c : cases) {
        machine.files.AddFile(At("a.txt"), "x");
        EXPECT_EQ(uninstall::DeleteMatchingFiles(system, c.pattern, c.folder), 1) << c.folder << " " << c.pattern;
        EXPECT_FALSE(Has(At("a.txt"))) << c.folder << " " << c.pattern;
    }
    // An empty folder means the current folder, without a separator before the pattern.
    machine.files.AddFile(At("a.txt"), "x");
    ASSERT_TRUE(system.files.SetCurrentDirectory(kInstallDir));
    EXPECT_EQ(uninstall::DeleteMatchingFiles(system, "a.txt", ""), 1);
}

TEST_F(InstallLogTest, PathsThatA260ByteBufferCannotHoldAreNotDeleted) {
    // The folder and "\" take 250 bytes: a name of 9 bytes makes 259, one of 10 makes 260.
    const std::string folder = "C:\\" + std::string(246, 'f');
    ASSERT_EQ(folder.size() + 1, 250u);
    machine.files.AddFile(folder + "\\123456789", "fits");
    machine.files.AddFile(folder + "\\1234567890", "too long");
    EXPECT_EQ(uninstall::DeleteMatchingFiles(system, "1*", folder), 1);
    EXPECT_FALSE(Has(folder + "\\123456789"));
    EXPECT_TRUE(Has(folder + "\\1234567890"));
}

TEST_F(InstallLogTest, ADoubleByteCharacterEndingIn0x5CIsNoSeparatorInAPattern) {
    machine.codePage.Use(932);
    machine.files.UseCodePage(machine.codePage);
    // 0x95 0x5C is one character; read byte by byte the pattern would seem to
    // name a sub-folder "\x95" and the match would be looked for there.
    const std::string name = "\x95\x5C.txt";
    machine.files.AddFile(At(name), "x");
    EXPECT_EQ(uninstall::DeleteMatchingFiles(system, name, kInstallDir), 1);
    EXPECT_FALSE(Has(At(name)));
}

}  // namespace
