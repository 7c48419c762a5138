#pragma once
// The running process: its command line, its own file, its environment,
// the IsWow64Process lookup and its end. Each operation mirrors one call.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The address of a looked-up system function; 0 is "none".
using ProcAddress = std::uintptr_t;

class Environment {
public:
    virtual ~Environment() = default;

    // GetCommandLineA: the command line as the process was started with it.
    [[nodiscard]] virtual std::string CommandLine() = 0;
    // The arguments as the C run-time split them (__argc, __argv): argument 0
    // is the program's path.
    [[nodiscard]] virtual std::vector<std::string> Arguments() = 0;
    // GetModuleFileNameA(NULL, buffer, bufferSize): the running program's
    // full path, cut to bufferSize - 1 bytes.
    [[nodiscard]] virtual std::string ModuleFileName(std::size_t bufferSize) = 0;
    // getenv(name): none when the variable is not set.
    [[nodiscard]] virtual std::optional<std::string> GetEnv(const std::string& name) = 0;
    // GetProcAddress(GetModuleHandleA("kernel32"), name): 0 when the export is missing.
    [[nodiscard]] virtual ProcAddress FindKernel32Export(const std::string& name) = 0;
    // IsWow64Process(GetCurrentProcess(), &flag) through a looked-up entry
    // point: none when the call fails.
    [[nodiscard]] virtual std::optional<bool> CallIsWow64Process(ProcAddress isWow64Process) = 0;
    // Sleep(milliseconds).
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // exit(code): ends the process after the normal end-of-process clean-up.
    [[noreturn]] virtual void ExitProcess(int code) = 0;
};

// Splits a command line by the rules of the C run-time: blanks and tabs
// separate arguments, double quotes group, 2n backslashes before a quote give
// n backslashes and a quote toggle, 2n+1 give n backslashes and a literal
// quote, "" inside quotes gives a quote; argument 0 ends at the first blank
// or tab outside quotes and keeps its backslashes as they are.
[[nodiscard]] std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace platform
