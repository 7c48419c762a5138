#pragma once
// The end-to-end tests' view of a real Win32: Wine prefixes, one per test.
//
// Creating a prefix takes 10 to 15 seconds and over half a gigabyte, so each
// architecture gets one template prefix, made once with `wineboot -i` and kept
// under the native build folder (build/native/wine-templates/) for later runs
// while it stays valid. Each WinePrefix is a clone of it: the files are hard
// links, the registry files (which Wine rewrites by replacing them) and the
// profile files of C:\windows (which Wine rewrites in place) are real copies.
// Template creation is guarded by a lock file, so tests may run in parallel.
// Anything a test puts into a clone goes through this class, which never
// writes into a file that is still a hard link to the template.
//
// Every Wine command runs with WINEDEBUG=-all and WINEDLLOVERRIDES
// "mscoree,mshtml=" (no Mono or Gecko installers) plus "winemenubuilder.exe=d"
// (shortcuts made in the prefix must not turn into menu entries of the host),
// with HOME pointed at a folder of the harness, so nothing depends on or
// touches ~/.wine or the user's files. The user folders that wineboot links
// to HOME (Desktop, Documents, ...) are real folders in the template, so that
// each clone has its own.
//
// Tests get a screen only when they ask (a Screen::Xvfb prefix, or
// NeedsDisplay()): one Xvfb per test program, on a display number that Xvfb
// picks itself, ended when the program ends.

#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

enum class Arch { Win32, Win64 };
enum class Screen { None, Xvfb };

// "win32" or "win64", for test names and messages.
const char* ArchName(Arch arch);
// How GoogleTest shows an Arch parameter.
inline void PrintTo(Arch arch, std::ostream* out) { *out << ArchName(arch); }

// Where the win32 preset builds setup.exe and the Windows test programs.
std::string Win32BuildDir();
std::string SourceDir();
// The win32 build's programs, by the names the tests use.
std::string SetupExe();
std::string ContractTestsExe();
std::string GuiDriverExe();
std::string MessageBoxProbeExe();
std::string FileHolderExe();

struct RunResult {
    int exitCode = -1;  // the process's exit code (modulo 256); -1 after a time-out
    std::string output;  // standard output and standard error together
    bool timedOut = false;
};

// The setup and the GUI driver run side by side in one prefix.
struct GuiRun {
    RunResult program;
    RunResult driver;
};

// The contents of a prefix for "nothing has changed" comparisons.
//   files: every entry below drive_c, by path relative to it, as "dir",
//          "link TARGET" or "file SIZE MTIME" (a file written in place or
//          replaced changes its time; directory times are left out, since
//          creating and deleting a file inside changes them);
//   registry: every key ("HKLM\Software\X") and every value
//          ("HKLM\Software\X" + "|" + name, "@" for the default value) of
//          system.reg, user.reg and userdef.reg (HKLM, HKCU, HKU\.Default),
//          with the data as those files write it ("\"text\"", "dword:...",
//          "hex:..." with its continuation lines joined).
// Left out, because Wine rewrites them on every start whatever the program
// does: the time stamps of keys; the device keys that Wine's device manager
// recreates (the Class, DeviceClasses, Enum and Control\Video keys below
// HKLM\System\CurrentControlSet); and the network card list, NetworkCards
// below HKLM\Software[\Wow6432Node]\Microsoft\Windows NT\CurrentVersion.
struct PrefixSnapshot {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> registry;
};

// One line for each difference ("+ added", "- removed", "~ changed"), or an
// empty string when the two are equal.
std::string Difference(const PrefixSnapshot& before, const PrefixSnapshot& after);

// What the GUI driver printed about one window (see GuiDriver.cpp).
struct DriverControl {
    int id = 0;
    std::string className;
    std::string text;
    bool visible = false;
    bool enabled = false;
    std::optional<int> checked;  // check boxes and radio buttons only
};

struct DriverWindow {
    std::string title;
    std::string process;
    std::string icon;  // none, exclamation, question, hand, asterisk or other
    std::optional<int> defaultButton;
    std::vector<DriverControl> controls;

    // The first control with this id, or nullptr.
    const DriverControl* Find(int id) const;
};

// Every window record in the driver's output, in order.
std::vector<DriverWindow> ParseDriverOutput(const std::string& output);

class WinePrefix {
public:
    explicit WinePrefix(Arch arch, Screen screen = Screen::None);
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    Arch GetArch() const { return arch_; }
    // The prefix folder (WINEPREFIX) and its drive C: folder.
    const std::string& Path() const { return path_; }
    std::string DriveC() const;

    // A Linux path below drive_c becomes "C:\...", any other absolute path
    // "Z:\..." (Z: is the Linux root in every prefix).
    std::string ToWindows(const std::string& linuxPath) const;
    // "C:\..." or "Z:\..." to a Linux path. Names are matched without regard
    // to case, as Windows does, against what exists; names that do not exist
    // are kept as given.
    std::string ToLinux(const std::string& windowsPath) const;

    // Starts Xvfb (once per test program) and gives later commands its display.
    void NeedsDisplay();

    // Runs a Windows program (a Windows path, or a Linux path) with `wine`,
    // in the program's own folder as the current folder, and waits for it at
    // most timeoutSeconds; on a time-out every process of the prefix is ended.
    RunResult Run(const std::string& exe, const std::vector<std::string>& args, int timeoutSeconds);

    // Starts `exe` and, beside it, the GUI driver with the given steps; waits
    // for the driver, then for the program (only 5 seconds more when the
    // driver failed, since a dialog that nobody answers would keep it
    // waiting). timeoutSeconds limits each waiting step of the driver and,
    // with 30 seconds more for starting and ending, the whole run. The driver
    // looks only at windows of processes whose executable file name is
    // `windowsOf`: by default the program's own, "" for every process.
    // A screenshot of a failed driver run is kept in build/native/
    // e2e-screenshots/ and named in the driver's output.
    GuiRun RunWithDriver(const std::string& exe, const std::vector<std::string>& args,
                         const std::vector<std::string>& steps, int timeoutSeconds,
                         std::optional<std::string> windowsOf = std::nullopt);

    // Files, by Windows path. Writing creates the parent folders and replaces
    // a file that exists (by a new file, never in place).
    bool CopyIn(const std::string& linuxSource, const std::string& windowsPath);
    bool WriteFile(const std::string& windowsPath, const std::string& content);
    std::optional<std::string> ReadFile(const std::string& windowsPath) const;
    bool Exists(const std::string& windowsPath) const;

    // Registry values through `wine reg`, as a 32-bit program sees them (in a
    // 64-bit prefix HKLM\Software is then the Wow6432Node branch). An empty
    // value name means the default value; a default value that is not set
    // gives nullopt, like a missing key or value. The data is reg's text of it.
    std::optional<std::string> RegQuery(const std::string& key, const std::string& value);
    bool RegSetString(const std::string& key, const std::string& value, const std::string& data);

    // Ends every process of the prefix (which also writes the registry files)
    // and lists drive_c and the registry.
    PrefixSnapshot Snapshot();

    // A restart of Windows: `wineboot -r`, which also carries out the
    // restart-time file operations in their order.
    bool Restart();

    // `wineserver -k`: ends every process of the prefix and saves the registry.
    void KillServer();

    // `import -window root` on the prefix's display; false without a display.
    bool Screenshot(const std::string& pngPath);

private:
    std::vector<std::string> Environment() const;
    std::string NextLogPath(const std::string& what);

    Arch arch_;
    std::string path_;     // the clone
    std::string logs_;     // the commands' output, beside drive_c
    std::string display_;  // empty without a screen
    int runs_ = 0;
};

}  // namespace e2e
