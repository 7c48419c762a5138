#include "platform/Environment.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Argument 0: up to the first blank or tab outside quotes; quotes only group
// and backslashes are taken as they are.
std::size_t ReadProgramName(const std::string& line, std::string& name) {
    std::size_t at = 0;
    bool quoted = false;
    for (; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            name += c;
        }
    }
    return at;
}

// One later argument, from `at`; returns the offset after it.
std::size_t ReadArgument(const std::string& line, std::size_t at, std::string& arg) {
    bool quoted = false;
    while (at < line.size()) {
        char c = line[at];
        if (IsBlank(c) && !quoted) break;
        if (c == '\\') {
            std::size_t slashes = 0;
            while (at < line.size() && line[at] == '\\') { ++slashes; ++at; }
            if (at < line.size() && line[at] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) { arg += '"'; ++at; }
            } else {
                arg.append(slashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                arg += '"';  // "" inside quotes is a literal quote
                at += 2;
                continue;
            }
            quoted = !quoted;
            ++at;
            continue;
        }
        arg += c;
        ++at;
    }
    return at;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string name;
    std::size_t at = ReadProgramName(commandLine, name);
    args.push_back(name);
    for (;;) {
        while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
        if (at >= commandLine.size()) break;
        std::string arg;
        at = ReadArgument(commandLine, at, arg);
        args.push_back(arg);
    }
    return args;
}

}  // namespace platform
