// Wine prefixes for the end-to-end tests: templates, clones, commands with
// time limits, paths, files, registry and snapshots. See WineHarness.h.
#include "tests/e2e/WineHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Bump this when the way templates are made changes, so that templates of an
// older recipe are made again.
constexpr const char* kTemplateRecipe = "template recipe 1";

// What a GUI run may take beyond the driver's own limit for each step: Wine
// starting both programs, and the program ending after the last answer.
constexpr int kStartAndEndSeconds = 30;

constexpr const char* kDllOverrides = "mscoree,mshtml=;winemenubuilder.exe=d";

// --- Small helpers -----------------------------------------------------------

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteWhole(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

// The folder of the running test program (build/native), where the
// templates, the clones and the screenshots live.
const std::string& HarnessRoot() {
    static const std::string root = [] {
        std::error_code error;
        fs::path self = fs::read_symlink("/proc/self/exe", error);
        return error ? fs::current_path().string() : self.parent_path().string();
    }();
    return root;
}

std::string HarnessDir(const char* name) {
    std::string dir = HarnessRoot() + "/" + name;
    fs::create_directories(dir);
    return dir;
}

std::string FileNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// --- Child processes ---------------------------------------------------------

// A child process in a process group of its own, its output going to a file
// (not a pipe: wineserver outlives the command and would hold a pipe open).
struct Child {
    pid_t pid = -1;
    std::string log;
    std::string command;  // for the trace
    Clock::time_point started;
};

// With E2E_TRACE set, every command and its time go to standard error.
void Trace(const Child& child, const std::optional<int>& code) {
    static const bool enabled = std::getenv("E2E_TRACE") != nullptr;
    if (!enabled) return;
    double seconds = std::chrono::duration<double>(Clock::now() - child.started).count();
    std::fprintf(stderr, "[e2e] %.2fs %s -> %s\n", seconds, child.command.c_str(),
                 code ? std::to_string(*code).c_str() : "time-out");
}

Child StartChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& workingDir, const std::string& log) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) _exit(126);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (out >= 0) close(out);
    if (in >= 0) close(in);
    std::string command;
    for (const auto& arg : argv) command += (command.empty() ? "" : " ") + arg;
    return {pid, log, command, Clock::now()};
}

// The exit code (128 + signal for a killed child), or nullopt when the
// deadline passes first.
std::optional<int> WaitChild(const Child& child, Clock::time_point deadline) {
    if (child.pid < 0) return 127;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) {
            int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            Trace(child, code);
            return code;
        }
        if (done < 0) return 127;
        if (Clock::now() >= deadline) {
            Trace(child, std::nullopt);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void KillChild(const Child& child) {
    if (child.pid < 0) return;
    kill(-child.pid, SIGKILL);
    kill(child.pid, SIGKILL);
    int status = 0;
    waitpid(child.pid, &status, 0);
}

Clock::time_point After(int seconds) { return Clock::now() + std::chrono::seconds(seconds); }

// Runs a helper command to its end within the limit; its output is returned.
// Used where no prefix object exists yet (template creation) and for the
// commands that end a prefix's processes.
struct Finished {
    std::optional<int> exitCode;
    std::string output;
};

Finished RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
                  int timeoutSeconds) {
    Child child = StartChild(argv, env, "", log);
    auto code = WaitChild(child, After(timeoutSeconds));
    if (!code) KillChild(child);
    return {code, ReadWhole(log)};
}

// The environment of every Wine command: the test program's own, without the
// variables that choose Wine's prefix, display and home, plus ours.
std::vector<std::string> WineEnvironment(const std::string& prefix, Arch arch, const std::string& display) {
    static const char* const kReplaced[] = {"WINEPREFIX=", "WINEARCH=", "WINEDEBUG=", "WINEDLLOVERRIDES=",
                                            "DISPLAY=",    "HOME=",     "XDG_CONFIG_HOME=", "XDG_DATA_HOME="};
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        bool replaced = std::any_of(std::begin(kReplaced), std::end(kReplaced),
                                    [&](const char* name) { return text.rfind(name, 0) == 0; });
        if (!replaced) env.push_back(text);
    }
    env.push_back("WINEPREFIX=" + prefix);
    env.push_back(std::string("WINEARCH=") + ArchName(arch));
    env.push_back("WINEDEBUG=-all");
    env.push_back(std::string("WINEDLLOVERRIDES=") + kDllOverrides);
    env.push_back("HOME=" + HarnessDir("wine-home"));
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    return env;
}

void EndServer(const std::string& prefix, Arch arch, const std::string& log) {
    auto env = WineEnvironment(prefix, arch, "");
    RunToEnd({"wineserver", "-k"}, env, log, 30);
    RunToEnd({"wineserver", "-w"}, env, log, 30);
}

// --- The screen --------------------------------------------------------------

// One Xvfb for the whole test program. Xvfb chooses a free display itself
// (-displayfd), so test programs running in parallel do not collide; it dies
// with the test program (PR_SET_PDEATHSIG) even when that crashes.
class Xvfb {
public:
    static const std::string& Display() {
        static Xvfb server;
        return server.display_;
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }

private:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::string fd = std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd wait = {fds[0], POLLIN, 0};
        auto deadline = After(20);
        while (Clock::now() < deadline && poll(&wait, 1, 200) >= 0) {
            if (!(wait.revents & (POLLIN | POLLHUP))) continue;
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }

    pid_t pid_ = -1;
    std::string display_;
};

// --- Templates ---------------------------------------------------------------

// Holds an exclusive lock on a file for as long as it lives.
class FileLock {
public:
    explicit FileLock(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

std::string WineVersion() {
    static const std::string version =
        RunToEnd({"wine", "--version"}, WineEnvironment("/nonexistent", Arch::Win32, ""),
                 HarnessDir("wine-templates") + "/version.log", 30)
            .output;
    return version;
}

std::string Recipe() { return std::string(kTemplateRecipe) + "\n" + WineVersion(); }

std::string MarkerOf(const std::string& templateDir) { return templateDir + "/.harness-template"; }

// A template is valid when it was made by this recipe with this Wine and no
// file in it has been written since: a clone that wrote into a file in place
// would have written through the hard link into the template as well.
bool TemplateIsValid(const std::string& templateDir) {
    std::error_code error;
    std::string marker = MarkerOf(templateDir);
    if (!fs::exists(marker, error) || ReadWhole(marker) != Recipe()) return false;
    auto madeAt = fs::last_write_time(marker, error);
    if (error) return false;
    for (auto it = fs::recursive_directory_iterator(templateDir, error); !error && it != fs::end(it);
         it.increment(error)) {
        if (it->is_symlink(error) || !it->is_regular_file(error) || it->path() == marker) continue;
        if (fs::last_write_time(it->path(), error) > madeAt) return false;
    }
    return !error;
}

// wineboot links the user folders (Desktop, Documents, ...) to HOME; a link
// would be shared by every clone, so each becomes a folder of its own.
void UnlinkUserFolders(const std::string& prefix) {
    std::error_code error;
    std::vector<fs::path> links;
    for (auto it = fs::recursive_directory_iterator(prefix + "/drive_c/users", error); !error && it != fs::end(it);
         it.increment(error)) {
        if (it->is_symlink(error)) links.push_back(it->path());
    }
    for (const auto& link : links) {
        fs::remove(link, error);
        fs::create_directories(link, error);
    }
}

bool MakeTemplate(const std::string& templateDir, Arch arch, std::string& why) {
    std::error_code error;
    std::string building = templateDir + ".building";
    fs::remove_all(templateDir, error);
    fs::remove_all(building, error);
    auto env = WineEnvironment(building, arch, "");
    std::string log = templateDir + ".log";
    auto boot = RunToEnd({"wineboot", "-i"}, env, log, 300);
    if (boot.exitCode != 0) {
        why = "wineboot -i failed:\n" + boot.output;
        return false;
    }
    RunToEnd({"wineserver", "-w"}, env, log + ".server", 120);
    UnlinkUserFolders(building);
    // The marker's time is the line after which no file may change.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!WriteWhole(MarkerOf(building), Recipe())) {
        why = "cannot write the template marker";
        return false;
    }
    fs::rename(building, templateDir, error);
    if (error) why = "cannot rename the template: " + error.message();
    return !error;
}

bool ProcessIsAlive(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

// Clones are named "PID-N"; those of test programs that died are removed.
void RemoveStaleClones(const std::string& clones, Arch arch) {
    std::error_code error;
    std::vector<fs::path> stale;
    for (const auto& entry : fs::directory_iterator(clones, error)) {
        std::string name = entry.path().filename().string();
        pid_t owner = static_cast<pid_t>(std::atol(name.c_str()));
        if (owner > 0 && owner != getpid() && !ProcessIsAlive(owner)) stale.push_back(entry.path());
    }
    for (const auto& dir : stale) {
        EndServer(dir.string(), arch, "/dev/null");
        fs::remove_all(dir, error);
    }
}

// Writes a file as a new inode, so that a hard link to the template is
// replaced, never written through.
bool ReplaceWithCopy(const fs::path& source, const fs::path& target) {
    std::error_code error;
    fs::remove(target, error);
    fs::copy_file(source, target, error);
    return !error;
}

std::string Clone(const std::string& templateDir, const std::string& clone) {
    std::error_code error;
    fs::copy(templateDir, clone,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::create_hard_links,
             error);
    if (error) return "cannot clone the template: " + error.message();
    // Wine replaces the registry files when it saves them, but writes the
    // profile files of C:\windows (win.ini, system.ini) in place.
    for (const auto& entry : fs::directory_iterator(templateDir)) {
        if (entry.path().extension() == ".reg") ReplaceWithCopy(entry.path(), clone / entry.path().filename());
    }
    for (const auto& entry : fs::directory_iterator(templateDir + "/drive_c/windows", error)) {
        if (Lower(entry.path().extension().string()) == ".ini") {
            ReplaceWithCopy(entry.path(), fs::path(clone) / "drive_c/windows" / entry.path().filename());
        }
    }
    return {};
}

// Makes (if needed) the template of this architecture and a clone of it.
std::string PrepareClone(Arch arch, const std::string& clone) {
    std::string templates = HarnessDir("wine-templates");
    std::string templateDir = templates + "/" + ArchName(arch);
    FileLock lock(templateDir + ".lock");
    RemoveStaleClones(HarnessDir("wine-prefixes"), arch);
    std::string why;
    if (!TemplateIsValid(templateDir) && !MakeTemplate(templateDir, arch, why)) return why;
    return Clone(templateDir, clone);
}

// --- Registry files ----------------------------------------------------------

struct Hive {
    const char* file;
    const char* root;
};

constexpr Hive kHives[] = {
    {"system.reg", "HKLM"},
    {"user.reg", "HKCU"},
    {"userdef.reg", "HKU\\.Default"},
};

// Keys that Wine rewrites on every start, whatever the program does.
constexpr const char* kVolatileKeys[] = {
    "HKLM\\System\\CurrentControlSet\\Control\\Class",
    "HKLM\\System\\CurrentControlSet\\Control\\DeviceClasses",
    "HKLM\\System\\CurrentControlSet\\Control\\Video",
    "HKLM\\System\\CurrentControlSet\\Enum",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
};

bool IsVolatile(const std::string& key) {
    return std::any_of(std::begin(kVolatileKeys), std::end(kVolatileKeys), [&](const char* prefix) {
        std::string p = prefix;
        return StartsWithNoCase(key, p) && (key.size() == p.size() || key[p.size()] == '\\');
    });
}

// Key names in the files double their backslashes.
std::string UnescapeKey(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') ++i;
        out += text[i];
    }
    return out;
}

// The logical lines of a registry file: hex data goes on over lines that
// end with a backslash.
std::vector<std::string> LogicalLines(const std::string& content) {
    std::vector<std::string> lines;
    std::istringstream in(content);
    std::string line;
    std::string pending;
    while (std::getline(in, line)) {
        if (!pending.empty()) line.erase(0, line.find_first_not_of(" \t"));
        if (!line.empty() && line.back() == '\\') {
            pending += line.substr(0, line.size() - 1);
            continue;
        }
        lines.push_back(pending + line);
        pending.clear();
    }
    if (!pending.empty()) lines.push_back(pending);
    return lines;
}

void ReadHive(const std::string& file, const std::string& root, std::map<std::string, std::string>& into) {
    std::string key;
    bool skip = true;
    for (const auto& line : LogicalLines(ReadWhole(file))) {
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.rfind(']');
            key = root + "\\" + UnescapeKey(line.substr(1, close == std::string::npos ? 0 : close - 1));
            skip = IsVolatile(key);
            if (!skip) into[key] = "key";
            continue;
        }
        if (skip) continue;
        std::string name;
        std::size_t equals = std::string::npos;
        if (line[0] == '@') {
            name = "@";
            equals = 1;
        } else if (line[0] == '"') {
            std::size_t i = 1;
            for (; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                name += line[i];
            }
            equals = i + 1;
        }
        if (equals >= line.size() || line[equals] != '=') continue;
        into[key + "|" + name] = line.substr(equals + 1);
    }
}

void Compare(const char* what, const std::map<std::string, std::string>& before,
             const std::map<std::string, std::string>& after, std::string& out) {
    for (const auto& [name, value] : before) {
        auto it = after.find(name);
        if (it == after.end()) {
            out += std::string("- ") + what + " " + name + " = " + value + "\n";
        } else if (it->second != value) {
            out += std::string("~ ") + what + " " + name + " = " + value + " -> " + it->second + "\n";
        }
    }
    for (const auto& [name, value] : after) {
        if (before.find(name) == before.end()) out += std::string("+ ") + what + " " + name + " = " + value + "\n";
    }
}

// --- Driver output -----------------------------------------------------------

// key=value pairs; a value in double quotes may hold blanks and escapes.
std::map<std::string, std::string> Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::size_t i = line.find(' ');
    while (i != std::string::npos && i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::size_t equals = line.find('=', i);
        if (equals == std::string::npos) break;
        std::string key = line.substr(i, equals - i);
        std::string value;
        i = equals + 1;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size()) {
                    char e = line[++i];
                    if (e == 'n') c = '\n';
                    else if (e == 'r') c = '\r';
                    else if (e == 't') c = '\t';
                    else if (e == 'x' && i + 2 < line.size()) {
                        c = static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                        i += 2;
                    } else c = e;
                }
                value += c;
            }
            ++i;
        } else {
            std::size_t end = line.find(' ', i);
            value = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end;
        }
        fields[key] = value;
    }
    return fields;
}

}  // namespace

// --- Public functions --------------------------------------------------------

const char* ArchName(Arch arch) { return arch == Arch::Win32 ? "win32" : "win64"; }

std::string Win32BuildDir() { return SETUP_WIN32_BUILD_DIR; }
std::string SourceDir() { return SETUP_SOURCE_DIR; }
std::string SetupExe() { return Win32BuildDir() + "/setup.exe"; }
std::string ContractTestsExe() { return Win32BuildDir() + "/contract_tests.exe"; }
std::string GuiDriverExe() { return Win32BuildDir() + "/tests/fixtures/GuiDriver/GuiDriver.exe"; }
std::string MessageBoxProbeExe() { return Win32BuildDir() + "/tests/fixtures/MessageBoxProbe/MessageBoxProbe.exe"; }
std::string FileHolderExe() { return Win32BuildDir() + "/tests/fixtures/FileHolder/FileHolder.exe"; }

std::string Difference(const PrefixSnapshot& before, const PrefixSnapshot& after) {
    std::string out;
    Compare("file", before.files, after.files, out);
    Compare("reg", before.registry, after.registry, out);
    return out;
}

const DriverControl* DriverWindow::Find(int id) const {
    for (const auto& control : controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

std::vector<DriverWindow> ParseDriverOutput(const std::string& output) {
    std::vector<DriverWindow> windows;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("window ", 0) == 0) {
            auto fields = Fields(line);
            DriverWindow window;
            window.title = fields["title"];
            window.process = fields["process"];
            window.icon = fields["icon"];
            if (fields["default"] != "none" && !fields["default"].empty()) {
                window.defaultButton = std::stoi(fields["default"]);
            }
            windows.push_back(window);
        } else if (line.rfind("control ", 0) == 0 && !windows.empty()) {
            auto fields = Fields(line);
            DriverControl control;
            control.id = std::stoi(fields["id"]);
            control.className = fields["class"];
            control.text = fields["text"];
            control.visible = fields["visible"] == "1";
            control.enabled = fields["enabled"] == "1";
            if (fields.count("checked")) control.checked = std::stoi(fields["checked"]);
            windows.back().controls.push_back(control);
        }
    }
    return windows;
}

// --- WinePrefix --------------------------------------------------------------

WinePrefix::WinePrefix(Arch arch, Screen screen) : arch_(arch) {
    static int clones = 0;
    path_ = HarnessDir("wine-prefixes") + "/" + std::to_string(getpid()) + "-" + std::to_string(++clones) + "-" +
            ArchName(arch);
    std::string why = PrepareClone(arch, path_);
    if (!why.empty()) {
        std::fprintf(stderr, "WinePrefix(%s): %s\n", ArchName(arch), why.c_str());
        std::abort();
    }
    logs_ = path_ + "/harness-logs";
    fs::create_directories(logs_);
    if (screen == Screen::Xvfb) NeedsDisplay();
}

WinePrefix::~WinePrefix() {
    KillServer();
    std::error_code error;
    fs::remove_all(path_, error);
}

std::string WinePrefix::DriveC() const { return path_ + "/drive_c"; }

std::vector<std::string> WinePrefix::Environment() const { return WineEnvironment(path_, arch_, display_); }

std::string WinePrefix::NextLogPath(const std::string& what) {
    return logs_ + "/" + std::to_string(++runs_) + "-" + what + ".log";
}

void WinePrefix::NeedsDisplay() {
    display_ = Xvfb::Display();
    if (display_.empty()) {
        std::fprintf(stderr, "WinePrefix: Xvfb did not start\n");
        std::abort();
    }
}

std::string WinePrefix::ToWindows(const std::string& linuxPath) const {
    std::string path = fs::absolute(linuxPath).lexically_normal().string();
    std::string driveC = DriveC();
    std::string drive = "Z:";
    if (path == driveC || path.rfind(driveC + "/", 0) == 0) {
        drive = "C:";
        path = path.substr(driveC.size());
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    return drive + (path.empty() ? "\\" : path);
}

std::string WinePrefix::ToLinux(const std::string& windowsPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return windowsPath;
    std::string drive = Lower(windowsPath.substr(0, 2));
    std::error_code error;
    fs::path link = fs::path(path_) / "dosdevices" / drive;
    fs::path target = fs::read_symlink(link, error);
    fs::path current = error ? fs::path(DriveC()) : (target.is_absolute() ? target : (link.parent_path() / target));
    current = current.lexically_normal();

    std::string rest = windowsPath.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    std::istringstream parts(rest);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == ".") continue;
        fs::path exact = current / part;
        if (!fs::exists(exact, error)) {
            for (const auto& entry : fs::directory_iterator(current, error)) {
                if (EqualNoCase(entry.path().filename().string(), part)) {
                    exact = entry.path();
                    break;
                }
            }
        }
        current = exact;
    }
    std::string out = current.string();
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

RunResult WinePrefix::Run(const std::string& exe, const std::vector<std::string>& args, int timeoutSeconds) {
    std::string windowsExe = exe.rfind('/', 0) == 0 ? ToWindows(exe) : exe;
    std::vector<std::string> argv = {"wine", windowsExe};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string folder = fs::path(ToLinux(windowsExe)).parent_path().string();
    Child child = StartChild(argv, Environment(), fs::is_directory(folder) ? folder : path_,
                             NextLogPath(FileNameOf(windowsExe)));
    RunResult result;
    auto code = WaitChild(child, After(timeoutSeconds));
    if (!code) {
        result.timedOut = true;
        KillServer();
        KillChild(child);
    }
    result.exitCode = code.value_or(-1);
    result.output = ReadWhole(child.log);
    return result;
}

GuiRun WinePrefix::RunWithDriver(const std::string& exe, const std::vector<std::string>& args,
                                 const std::vector<std::string>& steps, int timeoutSeconds,
                                 std::optional<std::string> windowsOf) {
    if (display_.empty()) NeedsDisplay();
    std::string windowsExe = exe.rfind('/', 0) == 0 ? ToWindows(exe) : exe;
    std::vector<std::string> programArgv = {"wine", windowsExe};
    programArgv.insert(programArgv.end(), args.begin(), args.end());
    std::vector<std::string> driverArgv = {"wine", ToWindows(GuiDriverExe()), "--timeout",
                                           std::to_string(timeoutSeconds), "--process",
                                           windowsOf.value_or(FileNameOf(windowsExe))};
    driverArgv.insert(driverArgv.end(), steps.begin(), steps.end());
    if (driverArgv[5].empty()) driverArgv.erase(driverArgv.begin() + 4, driverArgv.begin() + 6);

    auto deadline = After(timeoutSeconds + kStartAndEndSeconds);
    std::string folder = fs::path(ToLinux(windowsExe)).parent_path().string();
    Child program = StartChild(programArgv, Environment(), fs::is_directory(folder) ? folder : path_,
                               NextLogPath(FileNameOf(windowsExe)));
    Child driver = StartChild(driverArgv, Environment(), path_, NextLogPath("GuiDriver"));

    GuiRun run;
    auto driverCode = WaitChild(driver, deadline);
    std::string shot;
    if (driverCode != 0) {
        shot = HarnessDir("e2e-screenshots") + "/" + fs::path(path_).filename().string() + "-" +
               std::to_string(runs_) + ".png";
        if (!Screenshot(shot)) shot.clear();
    }
    auto programCode = WaitChild(program, driverCode == 0 ? deadline : std::min(deadline, After(5)));
    if (!driverCode || !programCode) {
        KillServer();
        KillChild(driver);
        KillChild(program);
    }
    run.driver = {driverCode.value_or(-1), ReadWhole(driver.log), !driverCode};
    run.program = {programCode.value_or(-1), ReadWhole(program.log), !programCode};
    if (!shot.empty()) run.driver.output += "screenshot: " + shot + "\n";
    return run;
}

bool WinePrefix::CopyIn(const std::string& linuxSource, const std::string& windowsPath) {
    fs::path target = ToLinux(windowsPath);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    return ReplaceWithCopy(linuxSource, target);
}

bool WinePrefix::WriteFile(const std::string& windowsPath, const std::string& content) {
    fs::path target = ToLinux(windowsPath);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    fs::remove(target, error);
    return WriteWhole(target.string(), content);
}

std::optional<std::string> WinePrefix::ReadFile(const std::string& windowsPath) const {
    std::string path = ToLinux(windowsPath);
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    return ReadWhole(path);
}

bool WinePrefix::Exists(const std::string& windowsPath) const {
    std::error_code error;
    return fs::exists(fs::symlink_status(ToLinux(windowsPath), error));
}

std::optional<std::string> WinePrefix::RegQuery(const std::string& key, const std::string& value) {
    // `wine reg` runs the 32-bit reg.exe when Wine has both, so it sees the
    // registry as the 32-bit setup does.
    std::vector<std::string> args = {key};
    if (value.empty()) {
        args.push_back("/ve");
    } else {
        args.push_back("/v");
        args.push_back(value);
    }
    std::vector<std::string> argv = {"wine", "reg", "query"};
    argv.insert(argv.end(), args.begin(), args.end());
    Child child = StartChild(argv, Environment(), path_, NextLogPath("reg-query"));
    auto code = WaitChild(child, After(60));
    if (!code) KillChild(child);
    if (code != 0) return std::nullopt;

    // A value line: four blanks, the name, four blanks, the type, four
    // blanks and the data (nothing after the type when the data is empty).
    std::string wanted = value.empty() ? "(Default)" : value;
    std::istringstream in(ReadWhole(child.log));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("    ", 0) != 0) continue;
        std::string rest = line.substr(4);
        if (!StartsWithNoCase(rest, wanted + "    ")) continue;
        rest = rest.substr(wanted.size() + 4);
        std::size_t gap = rest.find("    ");
        std::string data = gap == std::string::npos ? std::string() : rest.substr(gap + 4);
        if (value.empty() && data == "(value not set)") return std::nullopt;
        return data;
    }
    return std::nullopt;
}

bool WinePrefix::RegSetString(const std::string& key, const std::string& value, const std::string& data) {
    std::vector<std::string> argv = {"wine", "reg", "add", key};
    if (value.empty()) {
        argv.push_back("/ve");
    } else {
        argv.push_back("/v");
        argv.push_back(value);
    }
    for (const char* arg : {"/t", "REG_SZ", "/d"}) argv.push_back(arg);
    argv.push_back(data);
    argv.push_back("/f");
    Child child = StartChild(argv, Environment(), path_, NextLogPath("reg-add"));
    auto code = WaitChild(child, After(60));
    if (!code) KillChild(child);
    return code == 0;
}

PrefixSnapshot WinePrefix::Snapshot() {
    KillServer();
    PrefixSnapshot snapshot;
    std::error_code error;
    std::string driveC = DriveC();
    for (auto it = fs::recursive_directory_iterator(driveC, error); !error && it != fs::end(it);
         it.increment(error)) {
        std::string name = it->path().lexically_relative(driveC).generic_string();
        struct stat info = {};
        if (lstat(it->path().c_str(), &info) != 0) continue;
        if (S_ISLNK(info.st_mode)) {
            snapshot.files[name] = "link " + fs::read_symlink(it->path(), error).string();
        } else if (S_ISDIR(info.st_mode)) {
            snapshot.files[name] = "dir";
        } else {
            snapshot.files[name] = "file " + std::to_string(info.st_size) + " " +
                                   std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
        }
    }
    for (const auto& hive : kHives) ReadHive(path_ + "/" + hive.file, hive.root, snapshot.registry);
    return snapshot;
}

bool WinePrefix::Restart() {
    Child child = StartChild({"wineboot", "-r"}, Environment(), path_, NextLogPath("wineboot-r"));
    auto code = WaitChild(child, After(120));
    if (!code) {
        KillServer();
        KillChild(child);
        return false;
    }
    return *code == 0;
}

void WinePrefix::KillServer() { EndServer(path_, arch_, NextLogPath("wineserver")); }

bool WinePrefix::Screenshot(const std::string& pngPath) {
    if (display_.empty()) return false;
    Child child = StartChild({"import", "-window", "root", pngPath}, Environment(), path_, NextLogPath("import"));
    auto code = WaitChild(child, After(30));
    if (!code) KillChild(child);
    return code == 0;
}

}  // namespace e2e
