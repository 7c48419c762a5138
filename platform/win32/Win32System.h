#pragma once
// The real Windows behind the seam: one object of each binding, and the
// System aggregate that hands them to the logic.

#include "platform/System.h"
#include "platform/win32/WinApi.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Modules.h"
#include "platform/win32/Win32Process.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"

namespace platform::win32 {

class Win32System {
public:
    [[nodiscard]] platform::System& System() { return system_; }

    Win32Registry registry;
    Win32FileSystem files;
    Win32FileLocks locks;
    Win32Environment env;
    Win32CodePage codePage;
    Win32Resources resources;
    Win32Ui ui;
    Win32Shell shell;
    Win32Modules modules;

private:
    platform::System system_{registry, files, env, codePage, resources, ui, shell, modules};
};

}  // namespace platform::win32
