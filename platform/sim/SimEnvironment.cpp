#include "platform/sim/SimEnvironment.h"

namespace sim {

void SimEnvironment::SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }

void SimEnvironment::SetProgram(const std::string& modulePath, const std::vector<std::string>& arguments) {
    modulePath_ = modulePath;
    bool blank = modulePath.find_first_of(" \t") != std::string::npos;
    std::string line = blank ? "\"" + modulePath + "\"" : modulePath;
    for (const auto& arg : arguments) {
        bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
        line += ' ';
        line += quote ? "\"" + arg + "\"" : arg;
    }
    commandLine_ = line;
}

std::vector<std::string> SimEnvironment::Arguments() { return platform::SplitCommandLine(commandLine_); }

std::string SimEnvironment::ModuleFileName(std::size_t bufferSize) {
    if (faults_.ShouldFail("GetModuleFileName") || bufferSize == 0) return {};
    return modulePath_.substr(0, bufferSize - 1);
}

std::optional<std::string> SimEnvironment::GetEnv(const std::string& name) {
    auto it = variables_.find(name);
    if (it == variables_.end()) return std::nullopt;
    return it->second;
}

platform::ProcAddress SimEnvironment::FindKernel32Export(const std::string& name) {
    if (faults_.ShouldFail("GetProcAddress")) return 0;
    return (name == "IsWow64Process" && hasIsWow64_) ? kIsWow64Address : 0;
}

std::optional<bool> SimEnvironment::CallIsWow64Process(platform::ProcAddress isWow64Process) {
    if (faults_.ShouldFail("IsWow64Process") || isWow64Process != kIsWow64Address) return std::nullopt;
    return wow64_;
}

}  // namespace sim
