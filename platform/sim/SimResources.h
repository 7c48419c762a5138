#pragma once
// The simulated module's resources: the same string table that setup.rc is
// built from.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Resources.h"

namespace sim {

class SimResources final : public platform::Resources {
public:
    void UseOwnModule() override { ownModule_ = true; }
    std::string LoadString(std::uint32_t id, std::size_t bufferSize) override;

    [[nodiscard]] bool UsingOwnModule() const { return ownModule_; }

private:
    bool ownModule_ = false;
};

}  // namespace sim
