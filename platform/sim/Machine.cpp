#include "platform/sim/Machine.h"

namespace sim {

Machine::Machine() = default;

std::string Machine::Dump() const {
    return "--- registry ---\n" + registry.Dump() + "--- files ---\n" + files.Dump() + "--- message boxes ---\n" +
           ui.Dump();
}

}  // namespace sim
