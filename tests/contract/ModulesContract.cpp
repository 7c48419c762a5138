// What the setup relies on of version resources and of the library search:
// the fixed file information of a real image, no version for a missing
// file or one without a version resource, and a library found by name as a
// data file along the search path, without running it.
#include <string>

#include "tests/contract/Contract.h"
#include "tests/contract/VersionImage.h"

namespace {

bool Write(contract::Backend& backend, const std::string& path, const std::string& bytes) {
    return backend.System().files.WriteFile(path, bytes);
}

// Reads the root block's fixed information the way the setup does.
std::optional<platform::FixedFileInfo> RootVersion(platform::Modules& modules, const std::string& path) {
    const std::uint32_t size = modules.GetFileVersionInfoSize(path);
    if (size == 0) return std::nullopt;
    std::string block;
    if (!modules.GetFileVersionInfo(path, size, block)) return std::nullopt;
    return modules.QueryRootVersion(block);
}

// Whether a library of that name is found; what is found is freed again.
bool Found(platform::Modules& modules, const std::string& name) {
    const platform::ModuleHandle library = modules.LoadLibraryAsDataFile(name);
    if (library == 0) return false;
    modules.FreeLibrary(library);
    return true;
}

}  // namespace

CONTRACT_TEST(Modules, AnImageWithAVersionResourceGivesItsFixedFileInfo) {
    auto& modules = backend.System().modules;
    const std::string path = backend.Scratch() + "\\LumApp6.exe";
    CHECK(Write(backend, path, testimage::LibraryImage(testimage::FileVersion{6, 1, 20, 3})));
    CHECK(modules.GetFileVersionInfoSize(path) >= 92u);
    const auto info = RootVersion(modules, path);
    CHECK(info.has_value());
    if (!info) return;
    CHECK_EQ(info->signature, platform::kFixedFileInfoSignature);
    CHECK_EQ(info->fileVersionMS, (6u << 16) | 1u);
    CHECK_EQ(info->fileVersionLS, (20u << 16) | 3u);
}

CONTRACT_TEST(Modules, NoVersionSizeForAMissingFileOrOneWithoutAVersionResource) {
    auto& modules = backend.System().modules;
    const std::string scratch = backend.Scratch();
    CHECK(Write(backend, scratch + "\\plain.txt", "File Copy: LumApp6.exe\r\n"));
    CHECK(Write(backend, scratch + "\\bare.dll", testimage::LibraryImage(std::nullopt)));
    CHECK_EQ(modules.GetFileVersionInfoSize(scratch + "\\missing.exe"), 0u);
    CHECK_EQ(modules.GetFileVersionInfoSize(scratch + "\\plain.txt"), 0u);
    CHECK_EQ(modules.GetFileVersionInfoSize(scratch + "\\bare.dll"), 0u);
}

CONTRACT_TEST(Modules, ALibraryIsFoundByFullPathAndInTheCurrentFolderWithOrWithoutExtension) {
    auto& system = backend.System();
    const std::string scratch = backend.Scratch();
    CHECK(Write(backend, scratch + "\\orvprobe1.dll", testimage::LibraryImage(std::nullopt)));
    CHECK(Found(system.modules, scratch + "\\orvprobe1.dll"));
    CHECK(!Found(system.modules, "orvprobe1.dll"));  // not yet on the search path

    const std::string before = system.files.GetCurrentDirectory();
    CHECK(system.files.SetCurrentDirectory(scratch));
    CHECK(Found(system.modules, "orvprobe1.dll"));
    CHECK(Found(system.modules, "ORVPROBE1.DLL"));
    CHECK(Found(system.modules, "orvprobe1"));
    CHECK(!Found(system.modules, "orvprobe1."));  // a trailing dot: the name has no extension
    CHECK(!Found(system.modules, "orvprobe2.dll"));
    CHECK(system.files.SetCurrentDirectory(before));
}

CONTRACT_TEST(Modules, AFileThatIsNoImageIsNoLibraryAndAMissingOneIsAFileNotFound) {
    auto& system = backend.System();
    const std::string scratch = backend.Scratch();
    CHECK(Write(backend, scratch + "\\notimage.dll", "plain text, no image"));
    CHECK_EQ(system.modules.LoadLibraryAsDataFile(scratch + "\\notimage.dll"), platform::ModuleHandle{0});
    CHECK_EQ(system.modules.LastError(), 193L);  // ERROR_BAD_EXE_FORMAT
    // A library that is not found is a file not found, by path and by name
    // alike (LoadLibraryA itself reports ERROR_MOD_NOT_FOUND instead).
    CHECK(!Found(system.modules, scratch + "\\missing.dll"));
    CHECK_EQ(system.modules.LastError(), 2L);
    CHECK(!Found(system.modules, "orvmissing1.dll"));
    CHECK_EQ(system.modules.LastError(), 2L);
}

CONTRACT_TEST(Modules, ALibraryInTheSystemFolderIsFoundByName) {
    auto& system = backend.System();
    // A 32-bit program on 64-bit Windows writes and searches the same
    // redirected system folder, so the answer is the same on both.
    const std::string library = system.files.GetWindowsDirectory() + "\\system32\\orvctest1.dll";
    CHECK(Write(backend, library, testimage::LibraryImage(std::nullopt)));
    CHECK(Found(system.modules, "orvctest1.dll"));
    CHECK(system.files.DeleteFile(library));
    CHECK(!Found(system.modules, "orvctest1.dll"));
}
