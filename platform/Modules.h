#pragma once
// Version resources of files and the search for libraries. Every operation
// mirrors one Win32 call (named in its comment) with the same success and
// failure cases.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The signature that opens every VS_FIXEDFILEINFO.
inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

// VS_FIXEDFILEINFO as far as the setup reads it. A file version is two
// 32-bit words: major and minor in the high and low half of the first,
// third and fourth in the high and low half of the second.
struct FixedFileInfo {
    std::uint32_t signature = 0;
    std::uint32_t structVersion = 0;
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
};

// A loaded library (HMODULE); 0 is "none".
using ModuleHandle = std::uintptr_t;

class Modules {
public:
    virtual ~Modules() = default;

    // GetLastError() after the last failed call of this interface.
    [[nodiscard]] virtual long LastError() = 0;

    // GetFileVersionInfoSizeA(path, &unused): the size of the buffer that the
    // file's version information needs; 0 for a missing file and for a file
    // without a version resource.
    [[nodiscard]] virtual std::uint32_t GetFileVersionInfoSize(const std::string& path) = 0;
    // GetFileVersionInfoA(path, 0, size, buffer): the version information in
    // a block of `size` bytes; false when it cannot be read.
    [[nodiscard]] virtual bool GetFileVersionInfo(const std::string& path, std::uint32_t size,
                                                  std::string& block) = 0;
    // VerQueryValueA(block, "\\", &value, &length): the fixed file information
    // of the root block; none when the block has none.
    [[nodiscard]] virtual std::optional<FixedFileInfo> QueryRootVersion(const std::string& block) = 0;

    // LoadLibraryExA(name, NULL, LOAD_LIBRARY_AS_DATAFILE): finds the library
    // as LoadLibraryA would (a name without a folder is searched for in the
    // program's folder, the system folder, the 16-bit system folder, the
    // Windows folder, the current folder and the folders of PATH, and gets
    // ".dll" when it has no extension) and maps the file without running any
    // of its code. 0 when no library of that name is found.
    [[nodiscard]] virtual ModuleHandle LoadLibraryAsDataFile(const std::string& name) = 0;
    // FreeLibrary(module).
    virtual void FreeLibrary(ModuleHandle module) = 0;
};

}  // namespace platform
