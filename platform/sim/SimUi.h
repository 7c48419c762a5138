#pragma once
// Simulated message boxes: each box shown is recorded, and the answer comes
// from a script of answers; with none left the user presses Enter, which
// chooses the default button.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/sim/Faults.h"

namespace sim {

struct ShownMessageBox {
    std::string text;
    std::string title;
    std::uint32_t flags = 0;
    int answer = 0;
};

class SimUi final : public platform::Ui {
public:
    explicit SimUi(Faults& faults) : faults_(faults) {}

    // The next message box is answered with this button id.
    void Answer(int buttonId) { answers_.push_back(buttonId); }
    [[nodiscard]] const std::vector<ShownMessageBox>& Shown() const { return shown_; }
    [[nodiscard]] std::string Dump() const;

    // The button that Enter presses: the default one of the flags' button set.
    [[nodiscard]] static int DefaultButton(std::uint32_t flags);

    int MessageBox(const std::string& text, const std::string& title, std::uint32_t flags) override;

private:
    Faults& faults_;
    std::deque<int> answers_;
    std::vector<ShownMessageBox> shown_;
};

}  // namespace sim
