// The entry point of setup.exe: the real Windows behind the seam, handed to
// the setup's own process logic.
#include "platform/win32/WinApi.h"

#include "app/SetupApp.h"
#include "platform/win32/Win32System.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static platform::win32::Win32System windows;
    return app::RunSetupProcess(windows.System());
}
