#pragma once
// What the installation tests share: putting a sample setup folder into a
// prefix and running it unattended, and reading back what an installation
// left there (the product files, the shortcuts as lnkinfo reads them, the
// registry entries as a 32-bit program sees them, the installed log), so
// that each test states only its own expectations.
//
// Every check reads the prefix itself and returns an empty string when all
// is as expected, or one line per difference, so that a test can say
// EXPECT_EQ(Check...(...), "") and a failure shows every difference at once.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "res/MakerInfo.h"
#include "tests/e2e/WineHarness.h"

namespace e2e::install {

// Where the tests unpack a setup folder, as a downloaded archive would.
inline const std::string kSetupFolder = "C:\\Downloads\\Lumetra6";
inline const std::string kSetupExe = kSetupFolder + "\\setup.exe";

// A silent installation takes a few seconds; the limit only stops a run
// that waits for an answer nobody gives.
constexpr int kSetupSeconds = 120;

inline const std::string kGroupName = "Lumetra 6";

// The Program Files folder as the 32-bit setup sees it: a 64-bit Windows
// gives 32-bit programs the "(x86)" folder.
inline std::string DefaultInstallDir(Arch arch) {
    return arch == Arch::Win32 ? "C:\\Program Files\\Lumetra 6" : "C:\\Program Files (x86)\\Lumetra 6";
}

// A folder of build/win32/sample/, e.g. "6.1.0.0" or "archive".
inline std::string SampleFolder(const std::string& variant) { return Win32BuildDir() + "/sample/" + variant; }

// Sets an environment variable for the life of the object. The harness
// passes the test program's environment on to every Wine command, and Wine
// passes it on to the Windows programs.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Every file below a Linux folder, by path relative to it with "\"
// separators; folders end with "\".
inline std::set<std::string> ListTree(const std::filesystem::path& root) {
    std::set<std::string> names;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::string name = it->path().lexically_relative(root).string();
        std::replace(name.begin(), name.end(), '/', '\\');
        if (it->is_directory(error)) name += "\\";
        names.insert(name);
    }
    return names;
}

inline std::set<std::string> ListFolder(const WinePrefix& prefix, const std::string& windowsFolder) {
    return ListTree(prefix.ToLinux(windowsFolder));
}

// Copies a sample folder, sub-folders included, into the prefix.
inline bool CopySample(WinePrefix& prefix, const std::string& variant, const std::string& windowsFolder) {
    std::filesystem::path root = SampleFolder(variant);
    if (!std::filesystem::is_directory(root)) return false;
    for (const std::string& name : ListTree(root)) {
        if (name.back() == '\\') continue;
        std::string linuxName = name;
        std::replace(linuxName.begin(), linuxName.end(), '\\', '/');
        if (!prefix.CopyIn((root / linuxName).string(), windowsFolder + "\\" + name)) return false;
    }
    return true;
}

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Copies the sample into the setup folder and runs its setup.exe with "-s"
// and the options.
inline RunResult RunSilentSetup(WinePrefix& prefix, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"-s"};
    args.insert(args.end(), options.begin(), options.end());
    return prefix.Run(kSetupExe, args, kSetupSeconds);
}

inline std::string Describe(const RunResult& run) {
    return "exit code " + std::to_string(run.exitCode) + (run.timedOut ? " (timed out)" : "") + ", output:\n" +
           run.output;
}

// --- Product files -------------------------------------------------------------

// Where the sample manifest puts each product file: installed path, relative
// to the installation folder, and the file of the sample folder it is a copy
// of. LumShell64.dll only on 64-bit Windows; msvcp60.dll never, because
// every prefix has the library already; Samples\notes.txt never, because no
// pattern matches it.
inline std::map<std::string, std::string> ExpectedProductFiles(Arch arch) {
    std::map<std::string, std::string> files = {
        {"LumApp6.exe", "LumApp6.exe"},
        {"OrvUnInst.exe", "OrvUnInst.exe"},
        {"HomePage.url", "HomePage.url"},
        {"readme.txt", "readme.txt"},
        {"LumApp6Man.chm", "LumApp6Man.chm"},
        {"agreement.txt", "agreement.txt"},
        {"Default.lpl", "Default.lpl"},
        {"Warm.lpl", "Warm.lpl"},
        {"Docs\\ReadMe First.txt", "readme.txt"},
        {"Samples\\Intro.lsm", "Samples\\Intro.lsm"},
        {"Samples\\Tour.lsm", "Samples\\Tour.lsm"},
        {"Samples\\Images\\Sunrise.bmp", "Samples\\Images\\Sunrise.bmp"},
        {"LumHelp6.dll", "LumHelp6.dll"},
    };
    if (arch == Arch::Win64) files["LumShell64.dll"] = "LumShell64.dll";
    return files;
}

// The installation folder must hold exactly the product files (with the
// bytes of `variant`), the folders of the manifest, the installed log and
// the `extra` names, and nothing else.
inline std::string CheckProductFiles(const WinePrefix& prefix, const std::string& installDir,
                                     const std::string& variant, Arch arch,
                                     const std::set<std::string>& extra = {}) {
    std::string out;
    std::set<std::string> expected = {"Docs\\", "Samples\\", "Samples\\Images\\", "OrvUnInst.log"};
    expected.insert(extra.begin(), extra.end());
    for (const auto& [installed, source] : ExpectedProductFiles(arch)) {
        expected.insert(installed);
        std::string sourcePath = SampleFolder(variant) + "/" + source;
        std::replace(sourcePath.begin(), sourcePath.end(), '\\', '/');
        auto content = prefix.ReadFile(installDir + "\\" + installed);
        if (content && *content != ReadHostFile(sourcePath)) {
            out += "not the bytes of " + variant + "/" + source + ": " + installed + "\n";
        }
    }
    std::set<std::string> actual = ListFolder(prefix, installDir);
    for (const auto& name : expected) {
        if (!actual.count(name)) out += "missing: " + name + "\n";
    }
    for (const auto& name : actual) {
        if (!expected.count(name)) out += "unexpected: " + name + "\n";
    }
    return out;
}

// --- Shell folders and shortcuts -------------------------------------------------

enum class Scope { AllUsers, CurrentUser };

struct ShellFolders {
    std::string programs;
    std::string desktop;
    std::string startup;
};

// The folders that the Shell Folders key names, for all users under HKLM
// or for the current user under HKCU, read from the prefix's registry.
inline ShellFolders ReadShellFolders(WinePrefix& prefix, Scope scope) {
    const bool all = scope == Scope::AllUsers;
    const std::string key = std::string(all ? "HKLM" : "HKCU") +
                            "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    auto read = [&](const char* name) { return prefix.RegQuery(key, name).value_or("<" + std::string(name) + ">"); };
    return {read(all ? "Common Programs" : "Programs"), read(all ? "Common Desktop" : "Desktop"),
            read(all ? "Common Startup" : "Startup")};
}

struct Shortcut {
    std::string link;        // the .lnk file
    std::string target;      // "Local path" of lnkinfo
    std::string workingDir;  // "Working directory" of lnkinfo, empty when there is none
};

enum class Desktop { Yes, No };
enum class AutoStart { Yes, No };

// The shortcuts an installation makes, in the order they are made and logged:
// the four of the program group, then the desktop and the start-up ones.
inline std::vector<Shortcut> ExpectedShortcuts(const std::string& installDir, const std::string& groupFolder,
                                               const ShellFolders& folders, Desktop desktop, AutoStart autoStart) {
    const std::string product = installDir + "\\LumApp6.exe";
    std::vector<Shortcut> links = {
        {groupFolder + "\\Lumetra 6.lnk", product, "%APPDATA%"},
        {groupFolder + "\\Lumetra 6 Help.lnk", installDir + "\\LumApp6Man.chm", ""},
        {groupFolder + "\\Read about Lumetra 6.lnk", installDir + "\\readme.txt", ""},
        {groupFolder + "\\Uninstall Lumetra 6.lnk", installDir + "\\OrvUnInst.exe", ""},
    };
    if (desktop == Desktop::Yes) links.push_back({folders.desktop + "\\Lumetra 6.lnk", product, "%APPDATA%"});
    if (autoStart == AutoStart::Yes) links.push_back({folders.startup + "\\Lumetra 6.lnk", product, "%APPDATA%"});
    return links;
}

// lnkinfo's fields ("Local path", "Working directory", ...) of one shortcut
// file; nullopt when lnkinfo cannot read it.
inline std::optional<std::map<std::string, std::string>> RunLnkinfo(const std::string& linuxPath) {
    std::string quoted = "'";
    for (char c : linuxPath) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    FILE* pipe = popen(("lnkinfo " + quoted + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    if (pclose(pipe) != 0) return std::nullopt;

    // Lines such as "\tLocal path\t\t\t: C:\x\y.exe".
    std::map<std::string, std::string> fields;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        key.erase(0, key.find_first_not_of(" \t"));
        key.erase(key.find_last_not_of(" \t") + 1);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        if (!key.empty() && !fields.count(key)) fields[key] = value;
    }
    return fields;
}

// Each shortcut must exist and point at its target with its working folder.
inline std::string CheckShortcuts(const WinePrefix& prefix, const std::vector<Shortcut>& links) {
    std::string out;
    for (const auto& link : links) {
        if (!prefix.Exists(link.link)) {
            out += "no shortcut " + link.link + "\n";
            continue;
        }
        auto fields = RunLnkinfo(prefix.ToLinux(link.link));
        if (!fields) {
            out += "lnkinfo cannot read " + link.link + "\n";
            continue;
        }
        std::string target = (*fields)["Local path"];
        std::string workingDir = fields->count("Working directory") ? (*fields)["Working directory"] : "";
        if (target != link.target) out += link.link + ": target " + target + ", expected " + link.target + "\n";
        if (workingDir != link.workingDir) {
            out += link.link + ": working folder \"" + workingDir + "\", expected \"" + link.workingDir + "\"\n";
        }
    }
    return out;
}

// --- The installed log -----------------------------------------------------------

// The manifest's bytes, an empty line, the group folder and one line per
// shortcut, all with CR LF line ends.
inline std::string ExpectedInstalledLog(const std::string& variant, const std::string& groupFolder,
                                        const std::vector<Shortcut>& links) {
    std::string log = ReadHostFile(SampleFolder(variant) + "/OrvUnInst.log") + "\r\n";
    log += "Made Dir: " + groupFolder + "\r\n";
    for (const auto& link : links) log += "Shell Link: " + link.link + "\r\n";
    return log;
}

// --- Registry --------------------------------------------------------------------

inline const std::string kProductKey = "HKLM\\SOFTWARE\\Orvane\\Lumetra 6";
inline const std::string kAppPathKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LumApp6.exe";
inline const std::string kUninstallKey =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumetra 6";

struct RegEntry {
    std::string key;
    std::string value;  // empty for the default value
    std::string data;
};

// The nine values that register an installation, all of them strings.
inline std::vector<RegEntry> ExpectedRegistration(const std::string& installDir, Scope scope,
                                                  const std::string& displayVersion) {
    return {
        {kProductKey, "AllUsers", scope == Scope::AllUsers ? "B" : "A"},
        {kProductKey, "Path", installDir},
        {kAppPathKey, "", installDir + "\\LumApp6.exe"},
        {kUninstallKey, "Contact", "Support"},
        {kUninstallKey, "DisplayName", "Lumetra 6"},
        {kUninstallKey, "DisplayVersion", displayVersion},
        {kUninstallKey, "Publisher", "Orvane Technology LLC"},
        {kUninstallKey, "UninstallString", "\"" + installDir + "\\OrvUnInst.exe\""},
        {kUninstallKey, "URLInfoAbout", RES_MAKER_WEB_SITE},
    };
}

inline std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct RegValue {
    std::string type;  // "REG_SZ", "REG_MULTI_SZ", ...
    std::string data;  // as reg prints it (a backslash and a 0 between the strings of a REG_MULTI_SZ)
};

// Every value of one key, by lower-case name ("(default)" for the default
// value), read with `wine reg query KEY /reg:32`: the 32-bit view, in which
// HKLM\SOFTWARE of a 64-bit Windows is its Wow6432Node branch, as the
// 32-bit setup sees it. Empty when the key does not exist.
inline std::map<std::string, RegValue> QueryKey(WinePrefix& prefix, const std::string& key) {
    std::map<std::string, RegValue> values;
    RunResult run = prefix.Run("reg", {"query", key, "/reg:32"}, 60);
    if (run.exitCode != 0) return values;
    // A value line: four blanks, the name, four blanks, the type, four blanks
    // and the data (nothing after the type when the data is empty).
    std::istringstream in(run.output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("    ", 0) != 0) continue;
        std::size_t type = line.find("    REG_", 4);
        if (type == std::string::npos) continue;
        std::string name = line.substr(4, type - 4);
        std::string rest = line.substr(type + 4);
        std::size_t gap = rest.find("    ");
        RegValue value{rest.substr(0, gap), gap == std::string::npos ? "" : rest.substr(gap + 4)};
        values[Lower(name)] = value;
    }
    return values;
}

// Each entry must be there as a REG_SZ with exactly its data.
inline std::string CheckRegistry(WinePrefix& prefix, const std::vector<RegEntry>& entries) {
    std::string out;
    std::map<std::string, std::map<std::string, RegValue>> keys;
    for (const auto& entry : entries) {
        if (!keys.count(entry.key)) keys[entry.key] = QueryKey(prefix, entry.key);
        std::string name = entry.value.empty() ? "(default)" : entry.value;
        const auto& values = keys[entry.key];
        auto found = values.find(Lower(name));
        std::string where = entry.key + " " + name;
        if (found == values.end()) {
            out += "missing: " + where + "\n";
        } else if (found->second.type != "REG_SZ" || found->second.data != entry.data) {
            out += where + " = " + found->second.type + " " + found->second.data + ", expected REG_SZ " + entry.data +
                   "\n";
        }
    }
    return out;
}

}  // namespace e2e::install
