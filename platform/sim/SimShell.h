#pragma once
// The simulated shell: documents opened and programs started are recorded;
// shell links are real objects that save a small text file holding their
// path, working folder and description into the simulated file system.

#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/sim/Faults.h"

namespace sim {

struct StartedProgram {
    std::string commandLine;
    std::string currentFolder;
};

class SimShell final : public platform::Shell {
public:
    SimShell(Faults& faults, platform::FileSystem& files) : faults_(faults), files_(files) {}

    [[nodiscard]] const std::vector<std::string>& OpenedDocuments() const { return opened_; }
    [[nodiscard]] const std::vector<StartedProgram>& StartedPrograms() const { return started_; }
    [[nodiscard]] int CoInitializeCalls() const { return coInitializeCalls_; }
    [[nodiscard]] int AssociationNotifications() const { return notifications_; }
    [[nodiscard]] std::size_t LiveObjects() const { return objects_.size(); }
    // The text a saved link file holds for these fields.
    [[nodiscard]] static std::string LinkFileText(const platform::LinkFields& fields);

    std::intptr_t OpenDocument(const std::string& address) override;
    bool StartProgram(const std::string& commandLine, const std::string& currentFolder) override;
    platform::HResult CoInitialize() override;
    platform::HResult CreateShellLink(platform::ComObject& link) override;
    platform::HResult QueryPersistFile(platform::ComObject link, platform::ComObject& file) override;
    platform::HResult SetLinkPath(platform::ComObject link, const std::string& path) override;
    platform::HResult SetLinkDescription(platform::ComObject link, const std::string& description) override;
    platform::HResult SetLinkWorkingDirectory(platform::ComObject link, const std::string& folder) override;
    platform::HResult SaveLink(platform::ComObject file, const std::string& path) override;
    void Release(platform::ComObject object) override;
    void NotifyAssociationsChanged() override { ++notifications_; }
    bool ReadLink(const std::string& path, platform::LinkFields& fields) override;

private:
    // One link object; its IShellLinkA and IPersistFile pointers share it.
    struct LinkObject {
        platform::LinkFields fields;
        int references = 1;
    };
    [[nodiscard]] LinkObject* Find(platform::ComObject object);

    Faults& faults_;
    platform::FileSystem& files_;
    std::vector<std::string> opened_;
    std::vector<StartedProgram> started_;
    int coInitializeCalls_ = 0;
    int notifications_ = 0;
    bool initialised_ = false;
    // Interface pointer -> link object id; the persist-file pointer is the
    // link's pointer + 1.
    std::map<platform::ComObject, LinkObject> objects_;
    std::map<platform::ComObject, platform::ComObject> persistOf_;
    platform::ComObject nextObject_ = 0x1000;
};

}  // namespace sim
