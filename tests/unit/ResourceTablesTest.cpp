// The string table and the dialog templates as the code sees them: the
// formats that the program passes to printf, the texts that must keep their
// exact wording, and the layout facts that the wizard relies on (which
// controls start hidden, the tab and radio groups, the page sizes). Whether
// setup.exe carries the same tables is checked under Wine by
// tests/e2e/ResourceCheckTest.cpp.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "res/ResourceTables.h"

namespace {

std::string Text(std::uint32_t id) {
    const res::StringEntry* entry = res::FindString(id);
    return entry == nullptr ? std::string("<missing>") : std::string(entry->text);
}

// printf-style formatting of a text from the tables, as the program does it.
template <typename... Args>
std::string Format(std::string_view format, Args... args) {
    const std::string pattern(format);
    char buffer[1024];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    const int length = std::snprintf(buffer, sizeof buffer, pattern.c_str(), args...);
#pragma GCC diagnostic pop
    return length < 0 ? std::string("<format error>") : std::string(buffer, static_cast<std::size_t>(length));
}

// The conversions of a printf format, in order ("%d", "%02d", "%s").
std::vector<std::string> Conversions(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
        std::size_t end = at + 1;
        while (end < text.size() && std::string_view("0123456789-+ #.").find(text[end]) != std::string_view::npos) ++end;
        found.emplace_back(text.substr(at, end + 1 - at));
        at = end;
    }
    return found;
}

std::vector<int> ControlIds(const res::DialogTemplate& dialog) {
    std::vector<int> ids;
    for (const auto& control : dialog.controls) ids.push_back(control.id);
    return ids;
}

// The dialog or control with this id; a test that names a missing one fails
// and goes on with an empty stand-in.
const res::DialogTemplate& Dialog(int id) {
    static const res::DialogTemplate kMissing{};
    const res::DialogTemplate* dialog = res::FindDialog(id);
    if (dialog == nullptr) ADD_FAILURE() << "no dialog " << id;
    return dialog == nullptr ? kMissing : *dialog;
}

const res::ControlTemplate& Control(int dialogId, int controlId) {
    static const res::ControlTemplate kMissing{};
    const res::ControlTemplate* control = res::FindControl(Dialog(dialogId), controlId);
    if (control == nullptr) ADD_FAILURE() << "no control " << controlId << " in dialog " << dialogId;
    return control == nullptr ? kMissing : *control;
}

bool Has(std::uint32_t style, std::uint32_t bits) { return (style & bits) == bits; }

TEST(StringTable, HoldsExactlyTheProgramsNumbersInAscendingOrder) {
    std::vector<std::uint32_t> ids;
    for (const auto& entry : res::StringTable()) ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                               23, 24, 101, 102, 104, 57344}));
    EXPECT_EQ(res::FindString(5), nullptr);
    EXPECT_EQ(res::FindString(103), nullptr);
}

// A stray percent sign in a text would make printf read arguments that the
// caller never passed, so every text holds exactly the conversions its
// caller supplies, and the others none.
TEST(StringTable, FormatsHoldExactlyTheConversionsTheirCallersPass) {
    const std::vector<std::string> version = {"%d", "%02d", "%02d", "%02d"};
    std::vector<std::string> twoVersions = version;
    twoVersions.insert(twoVersions.end(), version.begin(), version.end());
    const std::vector<std::pair<std::uint32_t, std::vector<std::string>>> formats = {
        {IDS_INSTANCES_OPEN, {"%d"}},
        {IDS_DOWNGRADE, twoVersions},
        {IDS_REINSTALL, version},
    };
    for (const auto& entry : res::StringTable()) {
        std::vector<std::string> expected;
        for (const auto& [id, conversions] : formats)
            if (id == entry.id) expected = conversions;
        EXPECT_EQ(Conversions(entry.text), expected) << "string " << entry.id;
    }
}

TEST(StringTable, InstanceCountFormatsIntoTheQuestionWithItsWordingUnchanged) {
    const std::string text = Format(Text(IDS_INSTANCES_OPEN), 2);
    EXPECT_EQ(text.rfind("2 instances of Lumetra are currently opened. ff you click \"Yes\" button", 0), 0u) << text;
    EXPECT_NE(text.find("you may have done. \n\nContinue installation?"), std::string::npos) << text;
}

// Texts that carry the system's own wording, misspellings and the blank
// before a line break included, and the characters that an escaping slip
// would turn into something else (a quote, a line feed, a backslash).
TEST(StringTable, KeepsTheExactWordingAndCharacters) {
    const std::vector<std::pair<std::uint32_t, std::string>> fragments = {
        {IDS_ONE_INSTANCE_OPEN, "If you click \"Yes\" button, SETUP will try to close it"},
        {IDS_ONE_INSTANCE_OPEN, "done. \n\nContinue installation?"},
        {IDS_SELECT_FOLDER, "Select the folder where where Lumetra"},
        {IDS_INVALID_FOLDER, "You have entered and invalid folder name. Please correct.\nIf you"},
        {IDS_INVALID_FOLDER, "click \"Make New Foilder\" button."},
        {IDS_DOWNGRADE, "%02d .\n\nDo you"},
        {IDS_CONFIRM_UNINSTALL, "Lumetra 6.\nDo you want to continue?"},
    };
    for (const auto& [id, fragment] : fragments)
        EXPECT_NE(Text(id).find(fragment), std::string::npos) << "string " << id << ": " << Text(id);
    for (const auto& entry : res::StringTable()) {
        EXPECT_EQ(entry.text.find_first_of("\\\r\t"), std::string_view::npos) << "string " << entry.id;
        EXPECT_FALSE(entry.text.empty()) << "string " << entry.id;
    }
}

TEST(StringTable, DamagedSetupMessageNamesTheMakersSite) {
    EXPECT_EQ(Text(IDS_SETUP_DAMAGED),
              "This setup files are damaged, installation aborted.\n\nPlease download the product again from " +
                  std::string(res::kMakerWebSite) + " and re-try the setup.");
    // The code appends page paths to the address, so it ends without a slash.
    EXPECT_EQ(res::kMakerWebSite.rfind("https://", 0), 0u);
    EXPECT_NE(res::kMakerWebSite.back(), '/');
}

TEST(DialogTemplates, AreTheFrameAndItsFivePages) {
    std::vector<int> ids;
    for (const auto& dialog : res::DialogTemplates()) ids.push_back(dialog.id);
    EXPECT_EQ(ids, (std::vector<int>{IDD_SETUP, IDD_AGREEMENT, IDD_INTO, IDD_FOLDER, IDD_GROUP, IDD_START}));
    EXPECT_EQ(res::FindDialog(102), nullptr);
    for (const auto& dialog : res::DialogTemplates()) {
        EXPECT_EQ(dialog.fontName, "MS Sans Serif") << dialog.id;
        EXPECT_EQ(dialog.fontPointSize, 8) << dialog.id;
    }
}

TEST(DialogTemplates, FrameIsAModalPopUpWithCaption) {
    const res::DialogTemplate& frame = Dialog(IDD_SETUP);
    EXPECT_EQ(frame.style,
              std::uint32_t{RES_WS_POPUP | RES_WS_CAPTION | RES_WS_SYSMENU | RES_DS_MODALFRAME | RES_DS_SETFONT});
    EXPECT_EQ(frame.caption, "Lumetra Setup");
    EXPECT_EQ(std::vector<int>({frame.x, frame.y, frame.width, frame.height}), (std::vector<int>{0, 0, 318, 204}));
    EXPECT_EQ(ControlIds(frame), (std::vector<int>{IDC_BACK, IDC_NEXT, IDC_CANCEL, IDC_SIDE_PICTURE, IDC_STATIC}));
}

// The pages are 217 units wide beside the side picture; the agreement page
// is 313 wide and takes the picture's place.
TEST(DialogTemplates, PagesAreHiddenChildControlsOfTheirSize) {
    const std::vector<std::pair<int, std::pair<int, int>>> sizes = {
        {IDD_AGREEMENT, {313, 174}}, {IDD_INTO, {217, 161}}, {IDD_FOLDER, {217, 163}},
        {IDD_GROUP, {217, 163}},     {IDD_START, {217, 163}},
    };
    for (const auto& [id, size] : sizes) {
        const res::DialogTemplate& page = Dialog(id);
        EXPECT_EQ(std::make_pair(page.width, page.height), size) << id;
        EXPECT_EQ(page.style, std::uint32_t{RES_WS_CHILD | RES_WS_CLIPSIBLINGS | RES_WS_CLIPCHILDREN | RES_DS_CONTROL |
                                            RES_DS_SETFONT})
            << id;
        EXPECT_TRUE(page.caption.empty()) << id;
    }
}

TEST(DialogTemplates, EveryControlIsAChildInsideItsDialog) {
    for (const auto& dialog : res::DialogTemplates()) {
        for (const auto& control : dialog.controls) {
            SCOPED_TRACE("dialog " + std::to_string(dialog.id) + " control " + std::to_string(control.id));
            EXPECT_TRUE(Has(control.style, RES_WS_CHILD));
            EXPECT_TRUE(control.className == "Button" || control.className == "Edit" || control.className == "Static");
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.width, dialog.width);
            EXPECT_LE(control.y + control.height, dialog.height);
        }
    }
}

TEST(DialogTemplates, OnlyTheSidePictureAndTheReadyPagesLaterControlsStartHidden) {
    std::set<std::pair<int, int>> hidden;
    for (const auto& dialog : res::DialogTemplates())
        for (const auto& control : dialog.controls)
            if (!Has(control.style, RES_WS_VISIBLE)) hidden.insert({dialog.id, control.id});
    EXPECT_EQ(hidden, (std::set<std::pair<int, int>>{
                          {IDD_SETUP, IDC_SIDE_PICTURE}, {IDD_START, IDC_INSTALLING}, {IDD_START, IDC_RUN_AFTER}}));
}

TEST(DialogTemplates, SidePictureShowsBitmap101ByNumber) {
    const res::ControlTemplate& picture = Control(IDD_SETUP, IDC_SIDE_PICTURE);
    EXPECT_EQ(picture.className, "Static");
    EXPECT_EQ(picture.imageId, IDB_SIDE_PICTURE);
    EXPECT_TRUE(picture.text.empty());
    EXPECT_EQ(picture.style & RES_SS_TYPEMASK, std::uint32_t{RES_SS_BITMAP});
    EXPECT_TRUE(Has(picture.style, RES_SS_SUNKEN));
    for (const auto& dialog : res::DialogTemplates())
        for (const auto& control : dialog.controls)
            if (&control != &picture) {
                EXPECT_EQ(control.imageId, 0) << dialog.id << "/" << control.id;
            }
}

TEST(DialogTemplates, NextIsTheFramesOnlyDefaultButton) {
    for (const auto& control : Dialog(IDD_SETUP).controls) {
        const bool isDefault = control.className == "Button" &&
                               (control.style & RES_BS_TYPEMASK) == std::uint32_t{RES_BS_DEFPUSHBUTTON};
        EXPECT_EQ(isDefault, control.id == IDC_NEXT) << control.id;
    }
}

// The scope is exchanged as a radio group that starts at the current-user
// button: the group starts there and ends at the next control with
// WS_GROUP, so the all-users button must not start a group of its own.
TEST(DialogTemplates, ScopeButtonsFormOneRadioGroup) {
    const auto& controls = Dialog(IDD_FOLDER).controls;
    ASSERT_GE(controls.size(), 4u);
    EXPECT_EQ(controls[1].id, IDC_CURRENT_USER);
    EXPECT_EQ(controls[2].id, IDC_ALL_USERS);
    EXPECT_TRUE(Has(controls[1].style, RES_WS_GROUP | RES_BS_AUTORADIOBUTTON));
    EXPECT_FALSE(Has(controls[2].style, RES_WS_GROUP));
    EXPECT_EQ(controls[2].style & RES_BS_TYPEMASK, std::uint32_t{RES_BS_AUTORADIOBUTTON});
    EXPECT_TRUE(Has(controls[3].style, RES_WS_GROUP));
}

TEST(DialogTemplates, OnlyTheDestinationGroupBoxHasAnExtendedStyle) {
    for (const auto& dialog : res::DialogTemplates()) {
        for (const auto& control : dialog.controls) {
            const bool groupBox = control.className == "Button" &&
                                  (control.style & RES_BS_TYPEMASK) == std::uint32_t{RES_BS_GROUPBOX};
            EXPECT_EQ(control.exStyle, groupBox ? std::uint32_t{RES_WS_EX_TRANSPARENT} : 0u)
                << dialog.id << "/" << control.id;
            EXPECT_EQ(groupBox, dialog.id == IDD_FOLDER && control.text == "Destination Folder");
        }
    }
}

TEST(DialogTemplates, OptionsPageTabsToTheGroupNameLast) {
    EXPECT_EQ(ControlIds(Dialog(IDD_GROUP)), (std::vector<int>{IDC_STATIC, IDC_AUTO_START, IDC_DESKTOP_ICON, IDC_GROUP_NAME}));
    EXPECT_EQ(ControlIds(Dialog(IDD_START)), (std::vector<int>{IDC_READY, IDC_READY_HINT, IDC_INSTALLING, IDC_RUN_AFTER}));
}

// The welcome page formats its version line with the major, minor and third
// parts and a suffix; the copyright notice below passes through the same
// formatting unchanged.
TEST(DialogTemplates, WelcomeVersionLineFormatsAndKeepsTheCopyrightLine) {
    const std::string_view format = Control(IDD_INTO, IDC_VERSION_LINE).text;
    EXPECT_EQ(Conversions(format), (std::vector<std::string>{"%d", "%02d", "%02d", "%s"}));
    const std::string copyright(res::kMakerCopyright);
    EXPECT_EQ(Format(format, 6, 0, 12, ""), "Lumetra ver. 6.00.12 \n" + copyright);
    EXPECT_EQ(Format(format, 6, 50, 12, "Beta 3"), "Lumetra ver. 6.50.12 Beta 3\n" + copyright);
    EXPECT_EQ(Conversions(res::kMakerCopyright), std::vector<std::string>{});
}

TEST(DialogTemplates, WelcomePageEndsWithTheMakersSite) {
    const auto& controls = Dialog(IDD_INTO).controls;
    ASSERT_EQ(controls.size(), 4u);
    EXPECT_EQ(controls.back().text, res::kMakerWebSite);
    EXPECT_EQ(controls[1].text, "Please click the \"Next >\" button to continue setup, or \"Cancel\" button to abort.");
}

TEST(DialogTemplates, FindControlFindsTheFirstControlWithTheId) {
    const res::DialogTemplate& welcome = Dialog(IDD_INTO);
    ASSERT_EQ(welcome.controls.size(), 4u);
    EXPECT_EQ(res::FindControl(welcome, IDC_STATIC), &welcome.controls[0]);
    EXPECT_EQ(res::FindControl(welcome, IDC_VERSION_LINE), &welcome.controls[2]);
    EXPECT_EQ(res::FindControl(welcome, IDC_NEXT), nullptr);
}

}  // namespace
