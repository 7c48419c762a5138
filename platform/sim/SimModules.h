#pragma once
// The simulated version resources and library search.
//
// - Version information is read out of the simulated file's bytes: the
//   version resource is found by the signature 0xFEEF04BD of its
//   VS_FIXEDFILEINFO, preceded by the VS_VERSIONINFO header (its length, a
//   value length of 52 and the key L"VS_VERSION_INFO"), so a test stores
//   real version-resource bytes in a file, alone or inside a real image. The
//   block that GetFileVersionInfo returns is that VS_VERSIONINFO resource.
//   Windows reads the resource only out of an image; the simulation also
//   finds it in a file of other bytes.
// - A library is found by the search order of LoadLibraryA: a name with a
//   drive or starting with "\" is used as it is; any other name is tried, in
//   this order, below the program's folder, the system folder (the Windows
//   folder's "system32"), the 16-bit system folder ("system"), the Windows
//   folder, the current folder and the folders of the PATH variable. A name
//   without an extension in its last part gets ".dll"; a trailing "." means
//   "no extension" and is dropped. The first file found decides: an image
//   (a file that starts with "MZ") is mapped, anything else fails with
//   ERROR_BAD_EXE_FORMAT. Nothing is found: ERROR_FILE_NOT_FOUND (where
//   LoadLibraryA reports ERROR_MOD_NOT_FOUND). Libraries
//   that Windows keeps loaded or lists as known are not modelled; a library
//   is present only as a file. A mapped file is not held in use.
//
// Every operation first asks the fault injector ("GetFileVersionInfoSize",
// "GetFileVersionInfo", "VerQueryValue", "LoadLibraryEx", "FreeLibrary") and
// when told to fail returns the failure value with error 5. The search reads
// the program's path through the environment (GetModuleFileName), and the
// Windows and current folders through the file system, as the loader
// would; separators in the name are found in the ANSI code page.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/sim/Faults.h"
#include "platform/sim/SimEnvironment.h"
#include "platform/sim/SimFileSystem.h"

namespace sim {

class SimModules final : public platform::Modules {
public:
    SimModules(Faults& faults, SimFileSystem& files, SimEnvironment& env, platform::CodePage& codePage)
        : faults_(faults), files_(files), env_(env), codePage_(codePage) {}

    // Libraries mapped and not yet freed.
    [[nodiscard]] std::size_t LoadedCount() const { return loaded_.size(); }
    // The names that LoadLibraryAsDataFile was asked for, in order.
    [[nodiscard]] const std::vector<std::string>& LoadRequests() const { return requests_; }

    long LastError() override { return lastError_; }
    std::uint32_t GetFileVersionInfoSize(const std::string& path) override;
    bool GetFileVersionInfo(const std::string& path, std::uint32_t size, std::string& block) override;
    std::optional<platform::FixedFileInfo> QueryRootVersion(const std::string& block) override;
    platform::ModuleHandle LoadLibraryAsDataFile(const std::string& name) override;
    void FreeLibrary(platform::ModuleHandle module) override;

private:
    [[nodiscard]] std::optional<std::string> VersionResource(const std::string& path);
    [[nodiscard]] std::vector<std::string> SearchFolders();
    [[nodiscard]] std::string WithExtension(const std::string& name);
    [[nodiscard]] platform::ModuleHandle Map(const std::string& path);

    Faults& faults_;
    SimFileSystem& files_;
    SimEnvironment& env_;
    platform::CodePage& codePage_;
    std::set<platform::ModuleHandle> loaded_;
    std::vector<std::string> requests_;
    platform::ModuleHandle nextHandle_ = 0x10000000u;
    long lastError_ = 0;
};

}  // namespace sim
