#include "res/ResourceTables.h"

#include <algorithm>

namespace res {
namespace {

#define RES_STRING(id, text) StringEntry{id, text},
constexpr StringEntry kStrings[] = {
#include "res/Strings.inc"
};
#undef RES_STRING

// First pass over the dialogs: one array of controls per dialog, named after
// the dialog's id macro.
#define RES_POPUP_DIALOG(id, x, y, width, height, style, caption) constexpr ControlTemplate kControls_##id[] = {
#define RES_CHILD_DIALOG(id, x, y, width, height, style) constexpr ControlTemplate kControls_##id[] = {
#define RES_CONTROL(id, cls, text, x, y, width, height, style, exStyle) \
    ControlTemplate{id, #cls, text, 0, x, y, width, height, RES_WS_CHILD | (style), exStyle},
#define RES_IMAGE_CONTROL(id, cls, image, x, y, width, height, style, exStyle) \
    ControlTemplate{id, #cls, "", image, x, y, width, height, RES_WS_CHILD | (style), exStyle},
#define RES_DIALOG_END };
#include "res/Dialogs.inc"
#undef RES_POPUP_DIALOG
#undef RES_CHILD_DIALOG
#undef RES_CONTROL
#undef RES_IMAGE_CONTROL
#undef RES_DIALOG_END

// Second pass: the dialogs themselves, each referring to its controls.
#define RES_POPUP_DIALOG(id, x, y, width, height, style, caption) \
    DialogTemplate{id, style, x, y, width, height, caption, RES_DIALOG_FONT_NAME, RES_DIALOG_FONT_SIZE, kControls_##id},
#define RES_CHILD_DIALOG(id, x, y, width, height, style) \
    DialogTemplate{id, style, x, y, width, height, "", RES_DIALOG_FONT_NAME, RES_DIALOG_FONT_SIZE, kControls_##id},
#define RES_CONTROL(...)
#define RES_IMAGE_CONTROL(...)
#define RES_DIALOG_END
constexpr DialogTemplate kDialogs[] = {
#include "res/Dialogs.inc"
};
#undef RES_POPUP_DIALOG
#undef RES_CHILD_DIALOG
#undef RES_CONTROL
#undef RES_IMAGE_CONTROL
#undef RES_DIALOG_END

template <typename Entry, typename Id>
const Entry* FindById(std::span<const Entry> entries, Id id) {
    const auto found = std::find_if(entries.begin(), entries.end(), [id](const Entry& entry) { return entry.id == id; });
    return found == entries.end() ? nullptr : &*found;
}

}  // namespace

std::span<const StringEntry> StringTable() { return kStrings; }

const StringEntry* FindString(std::uint32_t id) { return FindById(StringTable(), id); }

std::span<const DialogTemplate> DialogTemplates() { return kDialogs; }

const DialogTemplate* FindDialog(int id) { return FindById(DialogTemplates(), id); }

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) { return FindById(dialog.controls, id); }

}  // namespace res
