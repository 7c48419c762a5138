#pragma once
// The string table and the dialog templates of the program, for C++: the
// simulated dialog framework builds its controls from these tables, and the
// tests compare them with what the real executable carries. setup.rc is
// compiled from the same sources (Strings.inc, Dialogs.inc), so the tables
// and the executable's resources cannot drift apart.

#include <cstdint>
#include <span>
#include <string_view>

#include "res/DialogStyles.h"
#include "res/MakerInfo.h"
#include "res/ResourceIds.h"

namespace res {

// The maker's web site (no trailing slash) and copyright notice.
inline constexpr std::string_view kMakerWebSite = RES_MAKER_WEB_SITE;
inline constexpr std::string_view kMakerCopyright = RES_MAKER_COPYRIGHT;

struct StringEntry {
    std::uint32_t id;
    std::string_view text;  // ANSI bytes, as LoadStringA returns them
};

// Every entry of the string table, in ascending order of number.
[[nodiscard]] std::span<const StringEntry> StringTable();
// The entry with this number, or nullptr when the table has none.
[[nodiscard]] const StringEntry* FindString(std::uint32_t id);

struct ControlTemplate {
    int id;                      // IDC_STATIC (-1) for a control without an id
    std::string_view className;  // "Button", "Edit" or "Static"
    std::string_view text;       // empty for an image control
    std::uint16_t imageId;       // 0, or the image resource whose number is the template text
    int x;
    int y;
    int width;
    int height;
    std::uint32_t style;         // complete: WS_CHILD always, WS_VISIBLE unless created hidden
    std::uint32_t exStyle;
};

struct DialogTemplate {
    int id;
    std::uint32_t style;
    int x;
    int y;
    int width;
    int height;
    std::string_view caption;    // empty for the pages, which have none
    std::string_view fontName;
    int fontPointSize;
    std::span<const ControlTemplate> controls;  // in template order, which is the tab order
};

// The six dialog templates, in ascending order of number.
[[nodiscard]] std::span<const DialogTemplate> DialogTemplates();
// The template with this number, or nullptr.
[[nodiscard]] const DialogTemplate* FindDialog(int id);
// The first control of the template with this id (as GetDlgItem finds it), or
// nullptr.
[[nodiscard]] const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

}  // namespace res
