#pragma once
// The simulated running process: command line, own path, environment
// variables, the IsWow64Process lookup, a virtual clock and the process end.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/sim/Faults.h"

namespace sim {

// Thrown by ExitProcess so that a test regains control where a real process
// would have ended; only the simulation throws it.
struct ProcessExit {
    int code;
};

class SimEnvironment final : public platform::Environment {
public:
    explicit SimEnvironment(Faults& faults) : faults_(faults) {}

    // Sets the command line; the arguments are split by the C run-time rules.
    void SetCommandLine(const std::string& commandLine);
    // Sets the program's path and a command line of that path (quoted when it
    // holds a blank) followed by the given arguments.
    void SetProgram(const std::string& modulePath, const std::vector<std::string>& arguments = {});
    void SetModulePath(const std::string& path) { modulePath_ = path; }
    void SetVariable(const std::string& name, const std::string& value) { variables_[name] = value; }
    // Kernel32 without IsWow64Process (as on older systems), or with it, and
    // the flag that the call reports.
    void SetIsWow64Export(bool present) { hasIsWow64_ = present; }
    void SetWow64(bool wow64) { wow64_ = wow64; }

    [[nodiscard]] std::uint64_t ClockMilliseconds() const { return clock_; }

    std::string CommandLine() override { return commandLine_; }
    std::vector<std::string> Arguments() override;
    std::string ModuleFileName(std::size_t bufferSize) override;
    std::optional<std::string> GetEnv(const std::string& name) override;
    platform::ProcAddress FindKernel32Export(const std::string& name) override;
    std::optional<bool> CallIsWow64Process(platform::ProcAddress isWow64Process) override;
    void Sleep(std::uint32_t milliseconds) override { clock_ += milliseconds; }
    [[noreturn]] void ExitProcess(int code) override { throw ProcessExit{code}; }

private:
    static constexpr platform::ProcAddress kIsWow64Address = 0x7C800000u;

    Faults& faults_;
    std::string commandLine_;
    std::string modulePath_;
    std::map<std::string, std::string> variables_;
    bool hasIsWow64_ = true;
    bool wow64_ = false;
    std::uint64_t clock_ = 0;
};

}  // namespace sim
