// Generic Windows code only: each operation is one Win32 or C run-time call
// with its result passed on; no decisions of the setup belong here.
#include "platform/win32/Win32Process.h"

#include "platform/win32/WinApi.h"

#include <cstdlib>
#include <vector>

namespace platform::win32 {

std::string Win32Environment::CommandLine() { return GetCommandLineA(); }

std::vector<std::string> Win32Environment::Arguments() {
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i) args.emplace_back(__argv[i]);
    return args;
}

std::string Win32Environment::ModuleFileName(std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(bufferSize));
    return std::string(buffer.data(), length < bufferSize ? length : (bufferSize ? bufferSize - 1 : 0));
}

std::optional<std::string> Win32Environment::GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

platform::ProcAddress Win32Environment::FindKernel32Export(const std::string& name) {
    return reinterpret_cast<platform::ProcAddress>(GetProcAddress(GetModuleHandleA("kernel32"), name.c_str()));
}

std::optional<bool> Win32Environment::CallIsWow64Process(platform::ProcAddress isWow64Process) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    BOOL flag = FALSE;
    auto call = reinterpret_cast<IsWow64ProcessFn>(isWow64Process);
    if (!call(GetCurrentProcess(), &flag)) return std::nullopt;
    return flag != FALSE;
}

void Win32Environment::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Environment::ExitProcess(int code) { std::exit(code); }

bool Win32CodePage::IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void Win32Resources::UseOwnModule() { module_ = GetModuleHandleA(nullptr); }

std::string Win32Resources::LoadString(std::uint32_t id, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::vector<char> buffer(bufferSize, '\0');
    HINSTANCE module = module_ ? static_cast<HINSTANCE>(module_) : GetModuleHandleA(nullptr);
    int length = LoadStringA(module, id, buffer.data(), static_cast<int>(bufferSize));
    return std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

int Win32Ui::MessageBox(const std::string& text, const std::string& title, std::uint32_t flags) {
    return MessageBoxA(nullptr, text.c_str(), title.c_str(), flags);
}

}  // namespace platform::win32
