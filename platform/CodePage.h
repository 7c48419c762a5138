#pragma once
// The system's ANSI code page, as far as the setup's text handling needs it.

namespace platform {

class CodePage {
public:
    virtual ~CodePage() = default;
    // IsDBCSLeadByte(byte): the byte starts a double-byte character.
    [[nodiscard]] virtual bool IsLeadByte(unsigned char byte) = 0;
};

}  // namespace platform
