#include "platform/sim/SimUi.h"

#include <array>
#include <cstdio>

namespace sim {

namespace {

// The buttons of each MB_ button set (the low four bits), in order.
const std::array<std::vector<int>, 7> kButtonSets = {{
    {platform::answer::Ok},
    {platform::answer::Ok, platform::answer::Cancel},
    {3, 4, 5},  // Abort, Retry, Ignore
    {platform::answer::Yes, platform::answer::No, platform::answer::Cancel},
    {platform::answer::Yes, platform::answer::No},
    {4, platform::answer::Cancel},  // Retry, Cancel
    {platform::answer::Cancel, 10, 11},  // Cancel, Try Again, Continue
}};

}  // namespace

int SimUi::DefaultButton(std::uint32_t flags) {
    std::size_t set = flags & 0xF;
    if (set >= kButtonSets.size()) set = 0;
    const auto& buttons = kButtonSets[set];
    std::size_t index = (flags >> 8) & 0xF;  // MB_DEFBUTTON1..4 are 0x000..0x300
    return index < buttons.size() ? buttons[index] : buttons[0];
}

int SimUi::MessageBox(const std::string& text, const std::string& title, std::uint32_t flags) {
    if (faults_.ShouldFail("MessageBox")) return 0;
    int answer = DefaultButton(flags);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    shown_.push_back({text, title, flags, answer});
    return answer;
}

std::string SimUi::Dump() const {
    std::string out;
    for (const auto& box : shown_) {
        char line[64];
        std::snprintf(line, sizeof line, "[flags 0x%X, answer %d] ", box.flags, box.answer);
        out += line + box.title + ": " + box.text + "\n";
    }
    return out;
}

}  // namespace sim
