#include "platform/sim/SimResources.h"

#include "res/ResourceTables.h"

namespace sim {

std::string SimResources::LoadString(std::uint32_t id, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    for (const auto& entry : res::StringTable()) {
        if (entry.id == id) return std::string(entry.text.substr(0, bufferSize - 1));
    }
    return {};
}

}  // namespace sim
