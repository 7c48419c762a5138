#pragma once
// Binding of the shell and the component system's shell links. Generic
// Windows code only: one call per operation, no decisions.

#include "platform/Shell.h"

namespace platform::win32 {

class Win32Shell final : public platform::Shell {
public:
    std::intptr_t OpenDocument(const std::string& address) override;
    bool StartProgram(const std::string& commandLine, const std::string& currentFolder) override;
    platform::HResult CoInitialize() override;
    platform::HResult CreateShellLink(platform::ComObject& link) override;
    platform::HResult QueryPersistFile(platform::ComObject link, platform::ComObject& file) override;
    platform::HResult SetLinkPath(platform::ComObject link, const std::string& path) override;
    platform::HResult SetLinkDescription(platform::ComObject link, const std::string& description) override;
    platform::HResult SetLinkWorkingDirectory(platform::ComObject link, const std::string& folder) override;
    platform::HResult SaveLink(platform::ComObject file, const std::string& path) override;
    void Release(platform::ComObject object) override;
    void NotifyAssociationsChanged() override;
    bool ReadLink(const std::string& path, platform::LinkFields& fields) override;
};

}  // namespace platform::win32
