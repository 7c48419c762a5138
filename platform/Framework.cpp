#include "platform/Framework.h"

namespace framework {

namespace {

constexpr std::size_t kTitleBufferSize = 256;

// The icon the framework's message box adds when the flags name none: a
// warning for plain notices, a question mark for Yes/No questions.
struct DefaultIcon {
    std::uint32_t buttons;
    std::uint32_t icon;
};
constexpr DefaultIcon kDefaultIcons[] = {
    {platform::mb::Ok, platform::mb::IconExclamation},
    {platform::mb::OkCancel, platform::mb::IconExclamation},
    {platform::mb::YesNo, platform::mb::IconQuestion},
    {0x3 /* Yes, No, Cancel */, platform::mb::IconQuestion},
};

std::uint32_t WithDefaultIcon(std::uint32_t flags) {
    if ((flags & platform::mb::IconMask) != 0) return flags;
    for (const auto& rule : kDefaultIcons) {
        if ((flags & 0xF) == rule.buttons) return flags | rule.icon;
    }
    return flags;
}

}  // namespace

Application::Application(platform::System& system, const char* appName) : system_(system) {
    if (appName != nullptr) {
        title_ = appName;
        titleLoaded_ = true;
    }
}

Application::~Application() = default;

std::span<const MessageMapEntry> Application::GetMessageMap() const { return {}; }

bool Application::OnCommand(std::uint32_t command) {
    for (const auto& entry : GetMessageMap()) {
        if (entry.command == command) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

const std::string& Application::Title() {
    if (!titleLoaded_) {
        title_ = system_.resources.LoadString(AFX_IDS_APP_TITLE, kTitleBufferSize);
        titleLoaded_ = true;
    }
    return title_;
}

int Application::MessageBox(const std::string& text, std::uint32_t flags) {
    return system_.ui.MessageBox(text, Title(), WithDefaultIcon(flags));
}

int RunApplication(Application& app) {
    [[maybe_unused]] bool started = app.InitInstance();
    return 0;
}

}  // namespace framework
