// The harness itself: clones that do not leak into each other or into the
// template, Windows paths, and snapshots that see what a program changes but
// not what Wine changes on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/WineHarness.h"

namespace e2e {
namespace {

TEST(HarnessTest, PathsMapBothWaysAndIgnoreCase) {
    WinePrefix prefix(Arch::Win32);
    EXPECT_EQ(prefix.ToWindows(prefix.DriveC()), "C:\\");
    EXPECT_EQ(prefix.ToWindows(prefix.DriveC() + "/windows/system32"), "C:\\windows\\system32");
    EXPECT_EQ(prefix.ToWindows("/usr/bin"), "Z:\\usr\\bin");
    EXPECT_EQ(prefix.ToLinux("c:\\WINDOWS\\System32\\KERNEL32.dll"), prefix.DriveC() + "/windows/system32/kernel32.dll");
    EXPECT_EQ(prefix.ToLinux("C:\\windows\\No Such Folder\\x"), prefix.DriveC() + "/windows/No Such Folder/x");
    EXPECT_EQ(prefix.ToLinux("Z:\\usr\\bin"), "/usr/bin");
}

// Files of a clone are hard links to the template: replacing one in a clone
// must leave the template, and so every later clone, as it was.
TEST(HarnessTest, WritingIntoAClonePreservesTheTemplate) {
    const std::string file = "C:\\windows\\system32\\kernel32.dll";
    std::string original;
    {
        WinePrefix first(Arch::Win32);
        original = first.ReadFile(file).value_or("");
        ASSERT_FALSE(original.empty());
        ASSERT_TRUE(first.WriteFile(file, "changed"));
        EXPECT_EQ(first.ReadFile(file), "changed");
        ASSERT_TRUE(first.WriteFile("C:\\windows\\win.ini", "[changed]\r\n"));
    }
    WinePrefix second(Arch::Win32);
    EXPECT_EQ(second.ReadFile(file), original);
    EXPECT_NE(second.ReadFile("C:\\windows\\win.ini"), "[changed]\r\n");
}

TEST(HarnessTest, SnapshotShowsOnlyWhatWasChanged) {
    WinePrefix prefix(Arch::Win64, Screen::Xvfb);
    PrefixSnapshot before = prefix.Snapshot();

    // A program that starts, shows a window and ends changes nothing.
    GuiRun run = prefix.RunWithDriver(MessageBoxProbeExe(), {"0x0"}, {"wait", "answer:ok"}, 60);
    ASSERT_EQ(run.driver.exitCode, 0) << run.driver.output;
    EXPECT_EQ(Difference(before, prefix.Snapshot()), "");

    ASSERT_TRUE(prefix.RegSetString("HKLM\\Software\\Harness Test", "Name", "Value"));
    ASSERT_TRUE(prefix.WriteFile("C:\\Harness\\new.txt", "x"));
    EXPECT_EQ(prefix.RegQuery("HKLM\\Software\\Harness Test", "name"), "Value");
    EXPECT_EQ(prefix.RegQuery("HKLM\\Software\\Harness Test", "Missing"), std::nullopt);
    EXPECT_EQ(prefix.RegQuery("HKLM\\Software\\Harness Test", ""), std::nullopt);
    // A 32-bit program sees HKLM\Software of a 64-bit Windows in Wow6432Node.
    PrefixSnapshot after = prefix.Snapshot();
    EXPECT_EQ(after.files["Harness"], "dir");
    EXPECT_EQ(after.files["Harness/new.txt"].rfind("file 1 ", 0), 0u);
    EXPECT_EQ(after.registry["HKLM\\Software\\Wow6432Node\\Harness Test"], "key");
    EXPECT_EQ(after.registry["HKLM\\Software\\Wow6432Node\\Harness Test|Name"], "\"Value\"");
    std::string difference = Difference(before, after);
    EXPECT_EQ(std::count(difference.begin(), difference.end(), '\n'), 4) << difference;
}

// A restart carries out the restart-time operations that were registered,
// in their order: here a rename, then the deletion of another file.
TEST(HarnessTest, RestartCarriesOutPendingFileOperations) {
    WinePrefix prefix(Arch::Win32);
    ASSERT_TRUE(prefix.WriteFile("C:\\pending\\old.txt", "moved"));
    ASSERT_TRUE(prefix.WriteFile("C:\\pending\\doomed.txt", "x"));
    RunResult add = prefix.Run("reg",
                               {"add", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "/v",
                                "PendingFileRenameOperations", "/t", "REG_MULTI_SZ", "/d",
                                "\\??\\C:\\pending\\old.txt\\0\\??\\C:\\pending\\new.txt\\0"
                                "\\??\\C:\\pending\\doomed.txt\\0",
                                "/f"},
                               60);
    ASSERT_EQ(add.exitCode, 0) << add.output;
    EXPECT_TRUE(prefix.Exists("C:\\pending\\old.txt"));

    ASSERT_TRUE(prefix.Restart());
    EXPECT_FALSE(prefix.Exists("C:\\pending\\old.txt"));
    EXPECT_EQ(prefix.ReadFile("C:\\pending\\new.txt"), "moved");
    EXPECT_FALSE(prefix.Exists("C:\\pending\\doomed.txt"));
}

}  // namespace
}  // namespace e2e
