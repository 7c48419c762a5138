#pragma once
// The simulated ANSI code page: single-byte (1252) unless a test chooses a
// double-byte one.

#include "platform/CodePage.h"

namespace sim {

class SimCodePage final : public platform::CodePage {
public:
    // 1252 (no lead bytes), 932 (Japanese: lead bytes 0x81-0x9F and 0xE0-0xFC)
    // or 936 (Chinese: lead bytes 0x81-0xFE).
    void Use(int codePage) { codePage_ = codePage; }
    [[nodiscard]] int Current() const { return codePage_; }

    bool IsLeadByte(unsigned char byte) override {
        switch (codePage_) {
            case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
            case 936: return byte >= 0x81 && byte <= 0xFE;
            default: return false;
        }
    }

private:
    int codePage_ = 1252;
};

}  // namespace sim
