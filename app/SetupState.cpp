#include "app/SetupState.h"

#include "platform/Text.h"

namespace app {

void ResolveIsWow64Process(SetupState& state, platform::Environment& env) {
    state.isWow64Process = env.FindKernel32Export("IsWow64Process");
}

void NormalizePath(platform::CodePage& codePage, std::string& path) {
    for (std::size_t at = platform::text::FindChar(codePage, path, '/'); at != platform::text::npos;
         at = platform::text::FindChar(codePage, path, '/', at + 1)) {
        path[at] = '\\';
    }
    platform::text::Trim(codePage, path, PathTrimSet);
}

}  // namespace app
