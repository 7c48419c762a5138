#pragma once
// Real bytes for tests of version resources and libraries: a VS_VERSIONINFO
// resource with its fixed file information, and a minimal 32-bit library
// image (a PE file with one resource section and no code) that carries it.
// Windows reads the version of such a file and finds it as a library; the
// simulation reads the same bytes, so the unit tests and the contract tests
// under Wine share one fixture.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace testimage {

struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t third = 0;
    std::uint16_t fourth = 0;
};

namespace detail {

// Little-endian bytes, written in order.
class Writer {
public:
    Writer& U8(std::uint32_t value) {
        bytes_ += static_cast<char>(value & 0xFFu);
        return *this;
    }
    Writer& U16(std::uint32_t value) { return U8(value).U8(value >> 8); }
    Writer& U32(std::uint32_t value) { return U16(value & 0xFFFFu).U16(value >> 16); }
    Writer& Text(const std::string& text) {
        bytes_ += text;
        return *this;
    }
    // Zero bytes up to the offset.
    Writer& PadTo(std::size_t offset) {
        if (bytes_.size() < offset) bytes_.append(offset - bytes_.size(), '\0');
        return *this;
    }
    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

inline std::uint32_t AlignUp(std::size_t value, std::uint32_t alignment) {
    return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

}  // namespace detail

// The VS_VERSIONINFO resource: its header (length, a value length of 52,
// binary type, the key L"VS_VERSION_INFO" and padding) and the
// VS_FIXEDFILEINFO with the signature 0xFEEF04BD, the file version and the
// same product version.
inline std::string VersionResource(FileVersion v) {
    const std::uint32_t versionMS = static_cast<std::uint32_t>(v.major) << 16 | v.minor;
    const std::uint32_t versionLS = static_cast<std::uint32_t>(v.third) << 16 | v.fourth;
    detail::Writer w;
    w.U16(92).U16(52).U16(0);
    for (char c : std::string("VS_VERSION_INFO")) w.U16(static_cast<unsigned char>(c));
    w.U16(0).PadTo(40);
    w.U32(0xFEEF04BDu).U32(0x00010000u);   // signature, structure version
    w.U32(versionMS).U32(versionLS);       // file version
    w.U32(versionMS).U32(versionLS);       // product version
    w.U32(0x3Fu).U32(0);                   // flags mask, flags
    w.U32(0x00040004u).U32(2).U32(0);      // VOS_NT_WINDOWS32, VFT_DLL, no subtype
    w.U32(0).U32(0);                       // date
    return w.Bytes();
}

// A 32-bit library image without code whose only resource is the version
// resource of that version, or that has no resources at all.
inline std::string LibraryImage(std::optional<FileVersion> version) {
    constexpr std::uint32_t kFileAlignment = 0x200;
    constexpr std::uint32_t kSectionAlignment = 0x1000;
    constexpr std::uint32_t kResourceRva = 0x1000;
    constexpr std::uint32_t kSubdirectory = 0x80000000u;

    // The resource section: a directory of type 16 (RT_VERSION), name 1,
    // language 0x409, its data entry and the data.
    detail::Writer rsrc;
    if (version) {
        const std::string data = VersionResource(*version);
        rsrc.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(16).U32(kSubdirectory | 24);
        rsrc.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(1).U32(kSubdirectory | 48);
        rsrc.U32(0).U32(0).U16(0).U16(0).U16(0).U16(1).U32(0x409).U32(72);
        rsrc.U32(kResourceRva + 88).U32(static_cast<std::uint32_t>(data.size())).U32(0).U32(0);
        rsrc.Text(data);
    } else {
        rsrc.U32(0).U32(0).U16(0).U16(0).U16(0).U16(0);
    }
    const auto rsrcSize = static_cast<std::uint32_t>(rsrc.Size());
    const std::uint32_t rawSize = detail::AlignUp(rsrcSize, kFileAlignment);

    detail::Writer w;
    w.Text("MZ").PadTo(0x3C).U32(0x40);                     // DOS header, e_lfanew
    w.Text(std::string("PE\0\0", 4));
    w.U16(0x014C).U16(1).U32(0).U32(0).U32(0).U16(0xE0).U16(0x2102);  // i386, one section, a DLL
    w.U16(0x010B).U8(0).U8(0);                              // PE32
    w.U32(0).U32(rawSize).U32(0);                           // code, initialised, uninitialised data
    w.U32(0).U32(kResourceRva).U32(kResourceRva);           // no entry point; bases of code and data
    w.U32(0x10000000u).U32(kSectionAlignment).U32(kFileAlignment);
    w.U16(4).U16(0).U16(0).U16(0).U16(4).U16(0).U32(0);     // OS, image and subsystem versions
    w.U32(kResourceRva + detail::AlignUp(rsrcSize, kSectionAlignment)).U32(kFileAlignment);
    w.U32(0).U16(2).U16(0);                                 // checksum, GUI subsystem, no DLL flags
    w.U32(0x100000).U32(0x1000).U32(0x100000).U32(0x1000).U32(0).U32(16);
    for (int directory = 0; directory < 16; ++directory) {
        if (directory == 2) {
            w.U32(kResourceRva).U32(rsrcSize);
        } else {
            w.U32(0).U32(0);
        }
    }
    w.Text(std::string(".rsrc\0\0\0", 8)).U32(rsrcSize).U32(kResourceRva).U32(rawSize).U32(kFileAlignment);
    w.U32(0).U32(0).U16(0).U16(0).U32(0x40000040u);        // initialised data, readable
    w.PadTo(kFileAlignment).Text(rsrc.Bytes()).PadTo(kFileAlignment + rawSize);
    return w.Bytes();
}

}  // namespace testimage
