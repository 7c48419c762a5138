// Generic Windows code only: each operation is one call of the shell or the
// component system with its result passed on.
#include "platform/win32/Win32Shell.h"

#include "platform/win32/WinApi.h"

#include <shobjidl.h>

#include <vector>

namespace platform::win32 {

namespace {

IShellLinkA* AsLink(platform::ComObject object) { return reinterpret_cast<IShellLinkA*>(object); }
IPersistFile* AsFile(platform::ComObject object) { return reinterpret_cast<IPersistFile*>(object); }

// The ANSI path as UTF-16, at most MAX_PATH characters with the zero.
std::vector<wchar_t> Wide(const std::string& path) {
    std::vector<wchar_t> wide(MAX_PATH, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), MAX_PATH);
    wide.back() = L'\0';
    return wide;
}

}  // namespace

std::intptr_t Win32Shell::OpenDocument(const std::string& address) {
    return reinterpret_cast<std::intptr_t>(ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOW));
}

bool Win32Shell::StartProgram(const std::string& commandLine, const std::string& currentFolder) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder.c_str(), &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

platform::HResult Win32Shell::CoInitialize() { return ::CoInitialize(nullptr); }

platform::HResult Win32Shell::CreateShellLink(platform::ComObject& link) {
    void* object = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &object);
    link = reinterpret_cast<platform::ComObject>(object);
    return result;
}

platform::HResult Win32Shell::QueryPersistFile(platform::ComObject link, platform::ComObject& file) {
    void* object = nullptr;
    HRESULT result = AsLink(link)->QueryInterface(IID_IPersistFile, &object);
    file = reinterpret_cast<platform::ComObject>(object);
    return result;
}

platform::HResult Win32Shell::SetLinkPath(platform::ComObject link, const std::string& path) {
    return AsLink(link)->SetPath(path.c_str());
}

platform::HResult Win32Shell::SetLinkDescription(platform::ComObject link, const std::string& description) {
    return AsLink(link)->SetDescription(description.c_str());
}

platform::HResult Win32Shell::SetLinkWorkingDirectory(platform::ComObject link, const std::string& folder) {
    return AsLink(link)->SetWorkingDirectory(folder.c_str());
}

platform::HResult Win32Shell::SaveLink(platform::ComObject file, const std::string& path) {
    return AsFile(file)->Save(Wide(path).data(), TRUE);
}

void Win32Shell::Release(platform::ComObject object) { reinterpret_cast<IUnknown*>(object)->Release(); }

void Win32Shell::NotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool Win32Shell::ReadLink(const std::string& path, platform::LinkFields& fields) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    ok = ok && SUCCEEDED(file->Load(Wide(path).data(), STGM_READ));
    char buffer[MAX_PATH] = {};
    ok = ok && SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH));
    fields.path = buffer;
    buffer[0] = '\0';
    ok = ok && SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH));
    fields.workingDirectory = buffer;
    buffer[0] = '\0';
    ok = ok && SUCCEEDED(link->GetDescription(buffer, MAX_PATH));
    fields.description = buffer;
    if (file) file->Release();
    link->Release();
    return ok;
}

}  // namespace platform::win32
