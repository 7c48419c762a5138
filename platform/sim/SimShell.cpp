#include "platform/sim/SimShell.h"

namespace sim {

namespace {

constexpr std::size_t kMaxLinkPath = 259;  // INFOTIPSIZE / MAX_PATH limits of IShellLinkA
constexpr std::intptr_t kShellExecuteOk = 42;
constexpr std::intptr_t kShellExecuteFailed = 2;  // SE_ERR_FNF

// "Key=value" lines of a saved link file.
constexpr const char* kPathKey = "Path=";
constexpr const char* kWorkingDirectoryKey = "WorkingDirectory=";
constexpr const char* kDescriptionKey = "Description=";

bool TakeValue(const std::string& line, const std::string& key, std::string& value) {
    if (line.compare(0, key.size(), key) != 0) return false;
    value = line.substr(key.size());
    return true;
}

}  // namespace

std::string SimShell::LinkFileText(const platform::LinkFields& fields) {
    return std::string("[ShellLink]\n") + kPathKey + fields.path + "\n" + kWorkingDirectoryKey +
           fields.workingDirectory + "\n" + kDescriptionKey + fields.description + "\n";
}

std::intptr_t SimShell::OpenDocument(const std::string& address) {
    if (faults_.ShouldFail("ShellExecute")) return kShellExecuteFailed;
    opened_.push_back(address);
    return kShellExecuteOk;
}

bool SimShell::StartProgram(const std::string& commandLine, const std::string& currentFolder) {
    if (faults_.ShouldFail("CreateProcess")) return false;
    started_.push_back({commandLine, currentFolder});
    return true;
}

platform::HResult SimShell::CoInitialize() {
    ++coInitializeCalls_;
    if (faults_.ShouldFail("CoInitialize")) return platform::hr::Fail;
    if (initialised_) return platform::hr::False;
    initialised_ = true;
    return platform::hr::Ok;
}

platform::HResult SimShell::CreateShellLink(platform::ComObject& link) {
    link = 0;
    if (faults_.ShouldFail("CoCreateInstance")) return platform::hr::Fail;
    if (!initialised_) return platform::hr::NotInitialized;
    link = nextObject_;
    nextObject_ += 0x10;
    objects_[link] = LinkObject{};
    return platform::hr::Ok;
}

SimShell::LinkObject* SimShell::Find(platform::ComObject object) {
    auto persist = persistOf_.find(object);
    auto it = objects_.find(persist != persistOf_.end() ? persist->second : object);
    return it == objects_.end() ? nullptr : &it->second;
}

platform::HResult SimShell::QueryPersistFile(platform::ComObject link, platform::ComObject& file) {
    file = 0;
    LinkObject* object = Find(link);
    if (faults_.ShouldFail("QueryInterface") || object == nullptr) return platform::hr::NoInterface;
    file = link + 1;
    persistOf_[file] = link;
    ++object->references;
    return platform::hr::Ok;
}

platform::HResult SimShell::SetLinkPath(platform::ComObject link, const std::string& path) {
    LinkObject* object = Find(link);
    if (faults_.ShouldFail("SetPath") || object == nullptr || path.size() > kMaxLinkPath) return platform::hr::Fail;
    object->fields.path = path;
    return platform::hr::Ok;
}

platform::HResult SimShell::SetLinkDescription(platform::ComObject link, const std::string& description) {
    LinkObject* object = Find(link);
    if (faults_.ShouldFail("SetDescription") || object == nullptr || description.size() > kMaxLinkPath)
        return platform::hr::Fail;
    object->fields.description = description;
    return platform::hr::Ok;
}

platform::HResult SimShell::SetLinkWorkingDirectory(platform::ComObject link, const std::string& folder) {
    LinkObject* object = Find(link);
    if (faults_.ShouldFail("SetWorkingDirectory") || object == nullptr || folder.size() > kMaxLinkPath)
        return platform::hr::Fail;
    object->fields.workingDirectory = folder;
    return platform::hr::Ok;
}

platform::HResult SimShell::SaveLink(platform::ComObject file, const std::string& path) {
    LinkObject* object = persistOf_.count(file) ? Find(file) : nullptr;
    if (faults_.ShouldFail("Save") || object == nullptr || path.size() > kMaxLinkPath) return platform::hr::Fail;
    if (!files_.WriteFile(path, LinkFileText(object->fields))) return platform::hr::PathNotFound;
    return platform::hr::Ok;
}

void SimShell::Release(platform::ComObject object) {
    auto persist = persistOf_.find(object);
    platform::ComObject link = persist != persistOf_.end() ? persist->second : object;
    if (persist != persistOf_.end()) persistOf_.erase(persist);
    auto it = objects_.find(link);
    if (it == objects_.end()) return;
    if (--it->second.references == 0) objects_.erase(it);
}

bool SimShell::ReadLink(const std::string& path, platform::LinkFields& fields) {
    auto text = files_.ReadFile(path);
    if (!text || text->rfind("[ShellLink]\n", 0) != 0) return false;
    fields = {};
    std::size_t at = 0;
    while (at < text->size()) {
        std::size_t end = text->find('\n', at);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(at, end - at);
        if (!TakeValue(line, kPathKey, fields.path) && !TakeValue(line, kWorkingDirectoryKey, fields.workingDirectory))
            (void)TakeValue(line, kDescriptionKey, fields.description);
        at = end + 1;
    }
    return true;
}

}  // namespace sim
