#pragma once
// The program's own resources, looked up by number.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class Resources {
public:
    virtual ~Resources() = default;
    // Makes the program's own module the source of every resource (the
    // framework's instance and resource handles become its module handle).
    virtual void UseOwnModule() = 0;
    // LoadStringA(module, id, buffer, bufferSize): the text cut to
    // bufferSize - 1 bytes; empty when there is no such string.
    [[nodiscard]] virtual std::string LoadString(std::uint32_t id, std::size_t bufferSize) = 0;
};

}  // namespace platform
