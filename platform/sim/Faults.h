#pragma once
// Fault injection for the simulated Windows: any operation can be made to
// fail on its n-th call, or the n-th platform call of all counted together.

#include <cstdint>
#include <map>
#include <string>

namespace sim {

class Faults {
public:
    // The n-th call (1-based, counted from now) of the named operation fails.
    void FailCall(const std::string& operation, std::uint64_t n) { byOperation_[operation] = calls_[operation] + n; }
    // The n-th platform call of any operation (1-based, counted from now) fails.
    void FailAnyCall(std::uint64_t n) { anyTarget_ = total_ + n; }
    void Clear() { byOperation_.clear(); anyTarget_ = 0; }

    // Every simulated operation calls this first; true means "fail now".
    [[nodiscard]] bool ShouldFail(const std::string& operation) {
        std::uint64_t count = ++calls_[operation];
        std::uint64_t total = ++total_;
        auto it = byOperation_.find(operation);
        bool fail = (it != byOperation_.end() && it->second == count) || (anyTarget_ != 0 && anyTarget_ == total);
        if (fail) {
            ++injected_;
            lastInjected_ = operation;
        }
        return fail;
    }

    [[nodiscard]] std::uint64_t TotalCalls() const { return total_; }
    [[nodiscard]] std::uint64_t Calls(const std::string& operation) const {
        auto it = calls_.find(operation);
        return it == calls_.end() ? 0 : it->second;
    }
    [[nodiscard]] std::uint64_t Injected() const { return injected_; }
    // The operation that the last injected fault made fail.
    [[nodiscard]] const std::string& LastInjected() const { return lastInjected_; }

private:
    std::map<std::string, std::uint64_t> calls_;
    std::map<std::string, std::uint64_t> byOperation_;
    std::uint64_t total_ = 0;
    std::uint64_t anyTarget_ = 0;
    std::uint64_t injected_ = 0;
    std::string lastInjected_;
};

}  // namespace sim
