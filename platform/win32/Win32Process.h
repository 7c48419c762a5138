#pragma once
// Bindings of the running process, its code page, its resources and message
// boxes. Generic Windows code only: one Win32 call per operation, no decisions.

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Resources.h"
#include "platform/Ui.h"

namespace platform::win32 {

class Win32Environment final : public platform::Environment {
public:
    std::string CommandLine() override;
    std::vector<std::string> Arguments() override;
    std::string ModuleFileName(std::size_t bufferSize) override;
    std::optional<std::string> GetEnv(const std::string& name) override;
    platform::ProcAddress FindKernel32Export(const std::string& name) override;
    std::optional<bool> CallIsWow64Process(platform::ProcAddress isWow64Process) override;
    void Sleep(std::uint32_t milliseconds) override;
    [[noreturn]] void ExitProcess(int code) override;
};

class Win32CodePage final : public platform::CodePage {
public:
    bool IsLeadByte(unsigned char byte) override;
};

class Win32Resources final : public platform::Resources {
public:
    void UseOwnModule() override;
    std::string LoadString(std::uint32_t id, std::size_t bufferSize) override;

private:
    void* module_ = nullptr;  // the module the strings come from (HINSTANCE)
};

class Win32Ui final : public platform::Ui {
public:
    int MessageBox(const std::string& text, const std::string& title, std::uint32_t flags) override;
};

}  // namespace platform::win32
