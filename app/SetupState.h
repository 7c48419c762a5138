#pragma once
// The state of one run that more than one step reads or writes. It lives
// for the process and is never saved: the installation turns it into files,
// shortcuts and registry entries, and a later run rebuilds it from those.

#include <array>
#include <cstdint>
#include <string>

#include "platform/CodePage.h"
#include "platform/Environment.h"

namespace app {

// The four parts of a file version: major, minor, third and fourth (the
// fourth is a beta number; 0 means a released version). Each is a 16-bit
// value held in a 32-bit integer.
struct ProductVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t third = 0;
    std::uint32_t fourth = 0;
};

struct SetupState {
    // Folders carry no trailing backslash.
    std::string installDir;
    std::string sourceDir;
    std::string groupName;
    ProductVersion productVersion;

    // Option flags, 32-bit integers used as truth values.
    std::int32_t freshInstall = 0;
    std::int32_t upgrade = 0;
    std::int32_t allUsers = 0;
    std::int32_t autoStart = 0;
    std::int32_t desktopIcon = 1;
    std::int32_t runAfter = 0;
    std::int32_t silent = 0;

    // The wizard's Next and Cancel captions as the dialog template gives them.
    std::string nextCaption;
    std::string cancelCaption;

    // IsWow64Process of kernel32, or 0 where the system lacks it.
    platform::ProcAddress isWow64Process = 0;

    // Set once this process has initialised the component system for shell links.
    bool comInitialized = false;
};

// Looks up IsWow64Process while the process loads, before start-up.
void ResolveIsWow64Process(SetupState& state, platform::Environment& env);

// The characters that NormalizePath strips from both ends: blank, tab,
// carriage return, line feed and backslash.
inline constexpr const char* PathTrimSet = " \t\r\n\\";

// Turns every "/" into "\" and strips PathTrimSet from both ends of a path
// or group name, reading it as characters of the ANSI code page: the second
// byte of a double-byte character is never taken for a slash or stripped.
void NormalizePath(platform::CodePage& codePage, std::string& path);

}  // namespace app
