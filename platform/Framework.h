#pragma once
// The dialog framework's application object: the start-up hook
// InitInstance, a message map of command handlers, the application title
// and the framework's own message box. Dialog classes join it with the
// wizard.

#include <cstdint>
#include <span>
#include <string>

#include "platform/System.h"

namespace framework {

class Application;

// One entry of a message map: a command id and the member that handles it.
struct MessageMapEntry {
    std::uint32_t command;
    void (Application::*handler)();
};

// The standard Help command and the string that names the application.
inline constexpr std::uint32_t ID_HELP = 57670;
inline constexpr std::uint32_t AFX_IDS_APP_TITLE = 57344;

class Application {
public:
    // Without an application name the title is string AFX_IDS_APP_TITLE of
    // the program's own string table.
    explicit Application(platform::System& system, const char* appName = nullptr);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    [[nodiscard]] virtual std::span<const MessageMapEntry> GetMessageMap() const;
    // Called once at start-up; false ends the program at once.
    [[nodiscard]] virtual bool InitInstance() = 0;

    // Runs the command's handler from the message map; false when none handles it.
    bool OnCommand(std::uint32_t command);
    // The framework's help handler. The setup ships no help file, so there
    // is nothing to open.
    void OnHelp() {}

    [[nodiscard]] const std::string& Title();
    // The framework's message box: the application title as caption; a
    // notice without an icon of its own gets the warning icon, a Yes/No
    // question the question mark.
    int MessageBox(const std::string& text, std::uint32_t flags = platform::mb::Ok);

    // The main window (the wizard frame while it runs), or none.
    void* mainWindow = nullptr;

protected:
    platform::System& system_;

private:
    std::string title_;
    bool titleLoaded_ = false;
};

// What the framework does with an application: call InitInstance once and
// end. There is no main window left when it returns, so the message loop
// ends at once; the exit code is 0 either way.
int RunApplication(Application& app);

}  // namespace framework
