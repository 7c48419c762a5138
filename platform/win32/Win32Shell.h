#pragma once
// Binding of the shell and the component system's shell links. Generic
// Windows code only: one call per operation, no decisions.

#include "platform/Shell.h"

namespace platform::win32 {

class Win32Shell final : public platform::Shell {
public:
    std::intptr_t OpenDocument(const std::string& address) override;
    bool StartProgram(const std::string& commandLine, const std::string& currentFolder) override;
    long CoInitialize() override;
    long CreateShellLink(platform::ComObject& link) override;
    long QueryPersistFile(platform::ComObject link, platform::ComObject& file) override;
    long SetLinkPath(platform::ComObject link, const std::string& path) override;
    long SetLinkDescription(platform::ComObject link, const std::string& description) override;
    long SetLinkWorkingDirectory(platform::ComObject link, const std::string& folder) override;
    long SaveLink(platform::ComObject file, const std::string& path) override;
    void Release(platform::ComObject object) override;
    void NotifyAssociationsChanged() override;
    bool ReadLink(const std::string& path, platform::LinkFields& fields) override;
};

}  // namespace platform::win32
