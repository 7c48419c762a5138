#pragma once
// The operating system as one aggregate of its interfaces. Operations that
// need the system take it by reference; nothing in the logic is global, so a
// test can build a whole machine and run two processes on it.

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Modules.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace platform {

struct System {
    Registry& registry;
    FileSystem& files;
    Environment& env;
    CodePage& codePage;
    Resources& resources;
    Ui& ui;
    Shell& shell;
    Modules& modules;
};

}  // namespace platform
