#pragma once
// A simulated machine set up for installations: the shell folders of a
// fresh Wine prefix, a setup folder with product files and a manifest, and
// product executables whose version resource the version reader finds.

#include <cstdint>
#include <string>

#include "app/SetupState.h"
#include "platform/sim/Machine.h"

namespace fixtures {

inline constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kCommonPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
inline constexpr const char* kCommonDesktop = "C:\\users\\Public\\Desktop";
inline constexpr const char* kCommonStartup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
inline constexpr const char* kUserPrograms = "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
inline constexpr const char* kUserDesktop = "C:\\users\\user\\Desktop";
inline constexpr const char* kUserStartup =
    "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
inline constexpr const char* kSetupFolder = "C:\\Downloads\\L6";
inline constexpr const char* kProgramFiles = "C:\\Program Files";

// The bytes of a VS_VERSIONINFO block with that file version, inside some
// other bytes, as a version resource sits inside an executable.
inline std::string VersionResourceBytes(const app::ProductVersion& v) {
    std::string block;
    auto put16 = [&block](std::uint32_t value) {
        block += static_cast<char>(value & 0xFF);
        block += static_cast<char>((value >> 8) & 0xFF);
    };
    auto put32 = [&](std::uint32_t value) {
        put16(value & 0xFFFF);
        put16(value >> 16);
    };
    const std::uint32_t fixedSize = 52;
    const std::uint32_t length = 40 + fixedSize;
    put16(length);
    put16(fixedSize);
    put16(0);
    for (char c : std::string("VS_VERSION_INFO")) put16(static_cast<unsigned char>(c));
    put16(0);
    while (block.size() < 40) block += '\0';
    put32(0xFEEF04BDu);
    put32(0x00010000u);
    put32(v.major << 16 | v.minor);
    put32(v.third << 16 | v.fourth);
    put32(v.major << 16 | v.minor);
    put32(v.third << 16 | v.fourth);
    for (int i = 0; i < 7; ++i) put32(0);
    return std::string("MZ program bytes ") + block + std::string(" more bytes");
}

// The Shell Folders values of both scopes, and their folders.
inline void AddShellFolders(sim::Machine& m) {
    const struct {
        platform::RegKey root;
        const char* name;
        const char* folder;
    } values[] = {
        {platform::kLocalMachine, "Common Programs", kCommonPrograms},
        {platform::kLocalMachine, "Common Desktop", kCommonDesktop},
        {platform::kLocalMachine, "Common Startup", kCommonStartup},
        {platform::kCurrentUser, "Programs", kUserPrograms},
        {platform::kCurrentUser, "Desktop", kUserDesktop},
        {platform::kCurrentUser, "Startup", kUserStartup},
    };
    for (const auto& v : values) {
        m.registry.SetString(v.root, kShellFolders, v.name, v.folder);
        m.files.AddFolder(v.folder);
    }
    m.registry.SetString(platform::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                         kProgramFiles);
}

inline const char* kSampleManifest =
    "File Copy: LumApp6.exe\r\n"
    "File Copy: OrvUnInst.exe\r\n"
    "File Copy: readme.txt\r\n"
    "File Copy: HomePage.url\r\n"
    "Make Dir: Docs\r\n"
    "File Copy: readme.txt > Docs\\ReadMe First.txt\r\n"
    "File Del: LumOld5.dll\r\n";

// A setup folder with the product files, the manifest and setup.exe, run
// from there with the given arguments.
inline void AddSetupFolder(sim::Machine& m, const app::ProductVersion& version,
                           const std::vector<std::string>& arguments = {},
                           const std::string& manifest = kSampleManifest) {
    const std::string folder = kSetupFolder;
    m.files.AddFile(folder + "\\setup.exe", "setup");
    m.files.AddFile(folder + "\\OrvUnInst.exe", "setup");
    m.files.AddFile(folder + "\\LumApp6.exe", VersionResourceBytes(version));
    m.files.AddFile(folder + "\\readme.txt", "read me\r\n");
    m.files.AddFile(folder + "\\HomePage.url", "[InternetShortcut]\r\nURL=http://www.example.com/?a=1&b=2\r\n");
    m.files.AddFile(folder + "\\OrvUnInst.log", manifest);
    m.env.SetProgram(folder + "\\setup.exe", arguments);
}

// The registry entries and files of an earlier installation in that folder.
inline void AddPreviousInstallation(sim::Machine& m, const std::string& folder, const app::ProductVersion& version,
                                    const char* scope = "A") {
    m.registry.SetString(platform::kLocalMachine, "SOFTWARE\\Orvane\\Lumetra 6", "Path", folder);
    m.registry.SetString(platform::kLocalMachine, "SOFTWARE\\Orvane\\Lumetra 6", "AllUsers", scope);
    m.files.AddFile(folder + "\\LumApp6.exe", VersionResourceBytes(version));
}

}  // namespace fixtures
