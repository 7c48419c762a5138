// The parts of the simulated file system that the contract tests cannot
// reach: the system start, the fallback to WININIT.INI, fault injection, the
// dump, case folding in double-byte code pages, drives, and the Windows
// behaviours that Wine (running as root) does not show.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/Errors.h"
#include "platform/sim/Faults.h"
#include "platform/sim/SimCodePage.h"
#include "platform/sim/SimFileSystem.h"

namespace {

namespace attr = platform::attr;
namespace err = platform::err;
using platform::IfExists;
using platform::InUse;

class SimFileSystemTest : public ::testing::Test {
protected:
    sim::Faults faults;
    sim::SimFileSystem files{faults};
    const std::string dir = "C:\\app";

    void SetUp() override { ASSERT_TRUE(files.AddFolder(dir)); }
    std::string Text(const std::string& path) const { return files.FileText(path).value_or("<none>"); }
};

TEST_F(SimFileSystemTest, RebootCarriesOutOperationsInTheOrderRegistered) {
    // The replacement of a file in use: its deletion, then the new copy's rename.
    files.AddFile(dir + "\\prog.exe", "old");
    files.AddFile(dir + "\\prog.exe.new", "new");
    files.AddFile(dir + "\\taken.new", "t");
    files.AddFile(dir + "\\taken", "kept");
    files.AddFile(dir + "\\ro", "r", attr::ReadOnly);
    files.AddFile(dir + "\\kept.dll", "k");
    ASSERT_TRUE(files.SetInUse(dir + "\\prog.exe", InUse::RefuseDeleteAndRename));
    ASSERT_TRUE(files.SetInUse(dir + "\\kept.dll", InUse::RefuseDeleteAndRename));

    ASSERT_TRUE(files.MoveFileAtRestart(dir + "\\prog.exe", std::nullopt));
    ASSERT_TRUE(files.MoveFileAtRestart(dir + "\\prog.exe.new", dir + "\\prog.exe"));
    ASSERT_TRUE(files.MoveFileAtRestart(dir + "\\taken.new", dir + "\\taken"));
    ASSERT_TRUE(files.MoveFileAtRestart(dir + "\\RO", std::nullopt));
    ASSERT_EQ(files.PendingRestartOperations().size(), 4u);
    EXPECT_EQ(files.PendingRestartOperations()[1].to.value_or(""), dir + "\\prog.exe");
    EXPECT_EQ(Text(dir + "\\prog.exe"), "old");

    files.Reboot();
    EXPECT_EQ(Text(dir + "\\prog.exe"), "new") << files.Dump();
    EXPECT_FALSE(files.FileText(dir + "\\prog.exe.new"));
    EXPECT_EQ(Text(dir + "\\taken"), "kept");  // a rename onto an existing name fails
    EXPECT_EQ(Text(dir + "\\taken.new"), "t");
    EXPECT_EQ(Text(dir + "\\ro"), "r");  // a read-only file is not deleted
    EXPECT_TRUE(files.PendingRestartOperations().empty());
    // Processes ended with the restart: files are no longer in use.
    EXPECT_TRUE(files.DeleteFile(dir + "\\kept.dll"));
}

TEST_F(SimFileSystemTest, WithoutTheRestartServiceTheWininitFallbackRunsAtTheNextStart) {
    files.SetRestartServiceAvailable(false);
    files.AddFile(dir + "\\uni1.tmp", "copy");
    files.AddFile(dir + "\\t.new", "new");
    files.AddFile(dir + "\\t", "old");
    EXPECT_FALSE(files.MoveFileAtRestart(dir + "\\uni1.tmp", std::nullopt));
    EXPECT_EQ(files.LastError(), err::AccessDenied);
    EXPECT_TRUE(files.PendingRestartOperations().empty());

    const std::string lines = "NUL=" + dir + "\\uni1.tmp" + '\0' + dir + "\\t=" + dir + "\\t.new" + '\0';
    ASSERT_TRUE(files.WriteProfileSection("WININIT.INI", "rename", lines));
    EXPECT_EQ(Text("C:\\windows\\wininit.ini"),
              "[rename]\r\nNUL=C:\\app\\uni1.tmp\r\nC:\\app\\t=C:\\app\\t.new\r\n");

    files.Reboot();
    EXPECT_FALSE(files.FileText(dir + "\\uni1.tmp"));
    EXPECT_EQ(Text(dir + "\\t"), "new");  // the line replaces an existing file
    EXPECT_FALSE(files.FileText("C:\\windows\\WININIT.INI"));
    EXPECT_TRUE(files.FileText("C:\\windows\\WININIT.BAK"));
}

TEST_F(SimFileSystemTest, ProfileFilesFollowTheWindowsFolder) {
    files.AddDrive('D');
    files.AddFolder("D:\\WINNT");
    files.SetWindowsFolder("D:\\WINNT");
    EXPECT_EQ(files.GetWindowsDirectory(), "D:\\WINNT");
    ASSERT_TRUE(files.WriteProfileSection("WININIT.INI", "rename", std::string("NUL=C:\\x\0", 9)));
    EXPECT_TRUE(files.FileText("D:\\WINNT\\WININIT.INI"));
    EXPECT_FALSE(files.FileText("C:\\windows\\WININIT.INI"));
}

TEST_F(SimFileSystemTest, InjectedFaultsFailOnceWithoutChangingAnything) {
    files.AddFile(dir + "\\f", "data");
    files.AddFile(dir + "\\h.ini", "[s]\r\na=1\r\n");
    platform::FindData found;
    std::string text;
    files.AddFile(dir + "\\lines", "line\n");
    platform::FileHandle open = files.OpenText(dir + "\\lines");
    struct Case {
        const char* operation;
        std::function<bool()> call;  // true when the call succeeded
        std::function<void()> prepare = [] {};
    };
    const Case cases[] = {
        {"GetFileAttributes", [&] { return files.GetFileAttributes(dir + "\\f").has_value(); }},
        {"SetFileAttributes", [&] { return files.SetFileAttributes(dir + "\\f", attr::Archive); }},
        {"CreateDirectory", [&] { return files.CreateDirectory(dir + "\\d") && files.RemoveDirectory(dir + "\\d"); }},
        {"RemoveDirectory", [&] { return files.RemoveDirectory(dir + "\\e"); }, [&] { files.AddFolder(dir + "\\e"); }},
        {"DeleteFile", [&] { return files.DeleteFile(dir + "\\g"); }, [&] { files.AddFile(dir + "\\g", ""); }},
        {"MoveFile", [&] { return files.MoveFile(dir + "\\f", dir + "\\f2") && files.MoveFile(dir + "\\f2", dir + "\\f"); }},
        {"CopyFile", [&] { return files.CopyFile(dir + "\\f", dir + "\\c", IfExists::Overwrite); }},
        {"MoveFileEx", [&] { return files.MoveFileAtRestart(dir + "\\c", std::nullopt); }},
        {"FindFirstFile", [&] { return files.FindFirst(dir + "\\*", found) != 0; }},
        {"FindNextFile", [&] { return files.FindNext(files.FindFirst(dir + "\\*", found), found); }},
        {"Access", [&] { return files.Exists(dir + "\\f"); }},
        {"fopen", [&] {
             platform::FileHandle file = files.OpenText(dir + "\\h.ini");
             if (file != 0) files.CloseFile(file);
             return file != 0;
         }},
        {"fgets", [&] { files.Rewind(open); return files.ReadLine(open, 512, text); }},
        {"AppendText", [&] { return files.AppendText(dir + "\\log", "x"); }},
        {"ReadFile", [&] { return files.ReadFile(dir + "\\f").has_value(); }},
        {"WriteFile", [&] { return files.WriteFile(dir + "\\w", "x"); }},
        {"GetPrivateProfileSection", [&] { return files.GetProfileSection(dir + "\\h.ini", "s", 64, text) == 4; }},
        {"WritePrivateProfileSection", [&] { return files.WriteProfileSection(dir + "\\h.ini", "s", std::string("a=1\0", 4)); }},
        {"GetTempPath", [&] { return !files.GetTempPath().empty(); }},
        {"GetTempFileName", [&] { return files.GetTempFileName(dir, "uni").has_value(); }},
        {"GetCurrentDirectory", [&] { return !files.GetCurrentDirectory().empty(); }},
        {"SetCurrentDirectory", [&] { return files.SetCurrentDirectory(dir); }},
        {"GetWindowsDirectory", [&] { return !files.GetWindowsDirectory().empty(); }},
    };
    for (const auto& c : cases) {
        c.prepare();
        const std::string before = files.Dump();
        faults.FailCall(c.operation, 1);
        EXPECT_FALSE(c.call()) << c.operation;
        EXPECT_EQ(files.LastError(), err::AccessDenied) << c.operation;
        EXPECT_EQ(files.Dump(), before) << c.operation;
        c.prepare();
        EXPECT_TRUE(c.call()) << c.operation;
    }
    files.CloseFile(open);
}

TEST_F(SimFileSystemTest, DumpShowsFilesAttributesLocksAndPendingOperations) {
    files.AddFile(dir + "\\Prog.exe", "MZ12", attr::ReadOnly | attr::Hidden);
    ASSERT_TRUE(files.SetInUse(dir + "\\prog.exe", InUse::RefuseDelete));
    ASSERT_TRUE(files.MoveFileAtRestart(dir + "\\prog.exe", std::nullopt));
    files.SetRestartServiceAvailable(false);
    const std::string dump = files.Dump();
    EXPECT_NE(dump.find("C:\\windows\\system32\\\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("C:\\app\\Prog.exe  4 bytes  [RH]  in use (refuses deletion)"), std::string::npos) << dump;
    EXPECT_NE(dump.find("at restart: delete C:\\app\\prog.exe"), std::string::npos) << dump;
    EXPECT_NE(dump.find("restart-time service: unavailable"), std::string::npos) << dump;
    files.ClearInUse(dir + "\\PROG.EXE");
    EXPECT_EQ(files.Dump().find("in use"), std::string::npos);
}

TEST_F(SimFileSystemTest, CaseFoldingCoversAsciiLettersOfSingleByteCharactersOnly) {
    // Without a code page (and in 1252) only ASCII letters fold.
    files.AddFile(dir + "\\ABC", "ascii");
    files.AddFile(dir + "\\\xC4x", "upper umlaut");
    EXPECT_EQ(Text(dir + "\\abc"), "ascii");
    EXPECT_FALSE(files.FileText(dir + "\\\xE4x"));

    // In code page 932 the second byte of a double-byte character is neither
    // a letter to fold nor a backslash.
    sim::SimCodePage japanese;
    japanese.Use(932);
    files.UseCodePage(japanese);
    const std::string table = "\x95\x5C";  // its second byte is 0x5C, a backslash
    ASSERT_TRUE(files.CreateDirectory(dir + "\\" + table));
    ASSERT_TRUE(files.WriteFile(dir + "\\" + table + "\\f", "x"));
    EXPECT_EQ(Text(dir + "\\" + table + "\\F"), "x");
    platform::FindData found;
    ASSERT_NE(files.FindFirst(dir + "\\" + table, found), 0u);
    EXPECT_EQ(found.name, table);
    ASSERT_TRUE(files.WriteFile(dir + "\\\x83\x41", "upper"));
    ASSERT_TRUE(files.WriteFile(dir + "\\\x83\x61", "lower"));
    EXPECT_EQ(Text(dir + "\\\x83\x41"), "upper");
    EXPECT_EQ(Text(dir + "\\\x83\x61"), "lower");
}

// Where Wine running as root differs from Windows, the simulation does as
// Windows does.
TEST_F(SimFileSystemTest, CopiesAndWritesOverReadOnlyOrHiddenFilesFailAsOnWindows) {
    files.AddFile(dir + "\\src", "new");
    files.AddFile(dir + "\\hiddenSrc", "hidden", attr::Hidden);
    struct Case {
        const char* what;
        std::uint32_t target;
        std::string source;
        bool copied;
    };
    const Case cases[] = {
        {"read-only target", attr::ReadOnly, dir + "\\src", false},
        {"hidden target", attr::Hidden, dir + "\\src", false},
        {"system target", attr::System, dir + "\\src", false},
        {"hidden target, hidden source", attr::Hidden, dir + "\\hiddenSrc", true},
        {"plain target", attr::Archive, dir + "\\src", true},
    };
    for (const auto& c : cases) {
        files.AddFile(dir + "\\dst", "old", c.target);
        EXPECT_EQ(files.CopyFile(c.source, dir + "\\dst", IfExists::Overwrite), c.copied) << c.what;
        if (c.copied) {
            EXPECT_EQ(files.GetFileAttributes(dir + "\\dst"), files.GetFileAttributes(c.source)) << c.what;
        } else {
            EXPECT_EQ(files.LastError(), err::AccessDenied) << c.what;
        }
        files.AddFile(dir + "\\dst", "old", c.target);
        EXPECT_EQ(files.WriteFile(dir + "\\dst", "x"), c.target == attr::Archive) << c.what;
    }
}

TEST_F(SimFileSystemTest, RenameThatChangesOnlyTheCaseStoresTheNewSpelling) {
    files.AddFile(dir + "\\Mixed.Txt", "x");
    ASSERT_TRUE(files.MoveFile(dir + "\\mixed.txt", dir + "\\MIXED.txt"));
    platform::FindData found;
    ASSERT_NE(files.FindFirst(dir + "\\mixed.txt", found), 0u);
    EXPECT_EQ(found.name, "MIXED.txt");
}

TEST_F(SimFileSystemTest, DosWildcardsAtDotsAndEnds) {
    for (const char* name : {"src.txt", "srcx.txt", "noext", "a.b.c"}) files.AddFile(dir + "\\" + name, "");
    auto names = [&](const std::string& mask) {
        std::string out;
        platform::FindData found;
        platform::FindHandle search = files.FindFirst(dir + "\\" + mask, found);
        if (search == 0) return std::string("none");
        do {
            if (found.name != "." && found.name != "..") out += (out.empty() ? "" : " ") + found.name;
        } while (files.FindNext(search, found));
        files.FindClose(search);
        return out;
    };
    EXPECT_EQ(names("*."), "noext");              // names without a dot
    EXPECT_EQ(names("src?.txt"), "src.txt srcx.txt");  // "?" before a dot may match nothing
    EXPECT_EQ(names("noext?"), "noext");          // and at the end
    EXPECT_EQ(names("src.txt."), "src.txt");
    EXPECT_EQ(names("*.c"), "a.b.c");
    EXPECT_EQ(names("a.*"), "a.b.c");
}

TEST_F(SimFileSystemTest, HoldLikeARunningProgramNeedsAnExecutableImage) {
    files.AddFile(dir + "\\data", "plain");
    files.AddFile(dir + "\\prog.exe", "MZ...");
    EXPECT_EQ(files.Hold(dir + "\\data", InUse::RefuseDelete), 0u);
    EXPECT_NE(files.Hold(dir + "\\data", InUse::RefuseDeleteAndRename), 0u);
    std::uintptr_t hold = files.Hold(dir + "\\prog.exe", InUse::RefuseDelete);
    ASSERT_NE(hold, 0u);
    EXPECT_FALSE(files.DeleteFile(dir + "\\prog.exe"));
    files.Release(hold);
    EXPECT_TRUE(files.DeleteFile(dir + "\\prog.exe"));
    // The set-up helper marks any file.
    EXPECT_TRUE(files.SetInUse(dir + "\\data", InUse::RefuseDelete));
    EXPECT_FALSE(files.SetInUse(dir + "\\missing", InUse::RefuseDelete));
}

TEST_F(SimFileSystemTest, DrivesAndPaths) {
    EXPECT_FALSE(files.CreateDirectory("D:\\x"));
    EXPECT_EQ(files.LastError(), err::PathNotFound);
    ASSERT_TRUE(files.AddDrive('d'));
    EXPECT_FALSE(files.AddDrive('D'));
    ASSERT_TRUE(files.CreateDirectory("d:\\Apps"));
    EXPECT_TRUE(files.Exists("D:\\APPS\\"));

    // A file moves across drives; a folder does not.
    files.AddFile(dir + "\\f", "x");
    EXPECT_TRUE(files.MoveFile(dir + "\\f", "D:\\Apps\\f"));
    EXPECT_FALSE(files.MoveFile("D:\\Apps", "C:\\Apps"));
    EXPECT_EQ(files.LastError(), 17);

    // Paths resolve "." and "..", repeated separators and trailing dots and blanks.
    EXPECT_EQ(Text("D:\\Apps\\.\\..\\Apps\\\\f. "), "x");
    ASSERT_TRUE(files.SetCurrentDirectory("D:\\Apps"));
    EXPECT_EQ(Text("f"), "x");
    EXPECT_EQ(Text("\\Apps\\f"), "x");
    EXPECT_TRUE(files.Exists("C:\\..\\..\\app"));  // ".." stops at the root
    EXPECT_FALSE(files.GetFileAttributes("\\\\server\\share\\f"));
    EXPECT_FALSE(files.GetFileAttributes(dir + "\\*.txt"));
    EXPECT_EQ(files.LastError(), 123);
}

TEST_F(SimFileSystemTest, FreshLayoutLikeANewPrefix) {
    EXPECT_EQ(files.GetTempPath(), "C:\\users\\user\\Temp\\");
    EXPECT_EQ(files.GetWindowsDirectory(), "C:\\windows");
    EXPECT_EQ(files.GetCurrentDirectory(), "C:\\");
    for (const char* folder : {"C:\\windows\\system32", "C:\\Program Files", "C:\\users\\user\\Temp"})
        EXPECT_EQ(files.GetFileAttributes(folder), attr::Directory) << folder;
    files.SetTempFolder("D:\\Tmp");
    EXPECT_EQ(files.GetTempPath(), "D:\\Tmp\\");
}

}  // namespace
