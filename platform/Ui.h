#pragma once
// Message boxes. The dialog framework (dialogs from templates, data
// exchange) joins this interface with the wizard.

#include <cstdint>
#include <string>

namespace platform {

// MB_* flags.
namespace mb {
inline constexpr std::uint32_t Ok = 0x0;
inline constexpr std::uint32_t OkCancel = 0x1;
inline constexpr std::uint32_t YesNo = 0x4;
inline constexpr std::uint32_t IconError = 0x10;
inline constexpr std::uint32_t IconQuestion = 0x20;
inline constexpr std::uint32_t IconExclamation = 0x30;
inline constexpr std::uint32_t IconInformation = 0x40;
inline constexpr std::uint32_t IconMask = 0xF0;
inline constexpr std::uint32_t DefButton2 = 0x100;
}  // namespace mb

// Button ids that a message box returns.
namespace answer {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace answer

class Ui {
public:
    virtual ~Ui() = default;
    // MessageBoxA(no owner, text, title, flags): the id of the button pressed.
    [[nodiscard]] virtual int MessageBox(const std::string& text, const std::string& title, std::uint32_t flags) = 0;
};

}  // namespace platform
