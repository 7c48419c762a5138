#pragma once
// The shell: opening a document or web address, starting a program, shell
// links saved through the component system, and change notifications.
// Every operation mirrors one call of the shell or the component system.

#include <cstdint>
#include <string>

namespace platform {

// A component-system interface pointer; 0 is "none".
using ComObject = std::uintptr_t;

// A component-system status (HRESULT): 32 bits, negative for failure.
using HResult = std::int32_t;

// HRESULT values the setup meets.
namespace hr {
inline constexpr HResult Ok = 0;
inline constexpr HResult False = 1;  // S_FALSE: CoInitialize when already initialised
inline constexpr HResult Fail = static_cast<HResult>(0x80004005u);
inline constexpr HResult NoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult NotInitialized = static_cast<HResult>(0x800401F0u);  // CO_E_NOTINITIALIZED
inline constexpr HResult PathNotFound = static_cast<HResult>(0x80070003u);
[[nodiscard]] inline bool Failed(HResult result) { return result < 0; }
}  // namespace hr

// What a saved shell link holds, as the shell reads it back.
struct LinkFields {
    std::string path;
    std::string workingDirectory;
    std::string description;
};

class Shell {
public:
    virtual ~Shell() = default;

    // ShellExecuteA(NULL, "open", address, NULL, NULL, SW_SHOW): the result
    // (greater than 32 on success).
    virtual std::intptr_t OpenDocument(const std::string& address) = 0;
    // CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL,
    // currentFolder, zeroed STARTUPINFOA, &info), the handles closed at once:
    // true when the program started.
    virtual bool StartProgram(const std::string& commandLine, const std::string& currentFolder) = 0;

    // CoInitialize(NULL).
    [[nodiscard]] virtual HResult CoInitialize() = 0;
    // CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
    // IID_IShellLinkA, &link).
    [[nodiscard]] virtual HResult CreateShellLink(ComObject& link) = 0;
    // link->QueryInterface(IID_IPersistFile, &file).
    [[nodiscard]] virtual HResult QueryPersistFile(ComObject link, ComObject& file) = 0;
    // IShellLinkA::SetPath, SetDescription and SetWorkingDirectory.
    [[nodiscard]] virtual HResult SetLinkPath(ComObject link, const std::string& path) = 0;
    [[nodiscard]] virtual HResult SetLinkDescription(ComObject link, const std::string& description) = 0;
    [[nodiscard]] virtual HResult SetLinkWorkingDirectory(ComObject link, const std::string& folder) = 0;
    // IPersistFile::Save(path, TRUE), the ANSI path turned into UTF-16 with
    // MultiByteToWideChar(CP_ACP). The caller keeps the path within 259 characters.
    [[nodiscard]] virtual HResult SaveLink(ComObject file, const std::string& path) = 0;
    // IUnknown::Release.
    virtual void Release(ComObject object) = 0;

    // SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL).
    virtual void NotifyAssociationsChanged() = 0;

    // Reads a saved link back (IPersistFile::Load, then GetPath,
    // GetWorkingDirectory and GetDescription); false when it cannot. Tests
    // use it to check what was saved.
    [[nodiscard]] virtual bool ReadLink(const std::string& path, LinkFields& fields) = 0;
};

}  // namespace platform
