#pragma once
// Binding of version resources and the library search. Generic Windows code
// only: one Win32 call per operation, no decisions.

#include "platform/Modules.h"

namespace platform::win32 {

class Win32Modules final : public platform::Modules {
public:
    long LastError() override;
    std::uint32_t GetFileVersionInfoSize(const std::string& path) override;
    bool GetFileVersionInfo(const std::string& path, std::uint32_t size, std::string& block) override;
    std::optional<platform::FixedFileInfo> QueryRootVersion(const std::string& block) override;
    platform::ModuleHandle LoadLibraryAsDataFile(const std::string& name) override;
    void FreeLibrary(platform::ModuleHandle module) override;
};

}  // namespace platform::win32
