#include "platform/sim/Machine.h"

namespace sim {

Machine::Machine() {
    // Paths are split as characters of the machine's code page.
    files.UseCodePage(codePage);
}

std::string Machine::Dump() const {
    return "--- registry ---\n" + registry.Dump() + "--- files ---\n" + files.Dump() + "--- message boxes ---\n" +
           ui.Dump();
}

}  // namespace sim
