#include "platform/sim/SimModules.h"

#include "platform/Errors.h"
#include "platform/Text.h"

namespace sim {

namespace {

constexpr long kErrorBadExeFormat = 193;
constexpr long kErrorResourceTypeNotFound = 1813;

// The VS_VERSIONINFO header before its VS_FIXEDFILEINFO: wLength,
// wValueLength, wType and the key L"VS_VERSION_INFO" with its zero, padded to
// a multiple of four bytes.
constexpr std::size_t kFixedInfoOffset = 40;
constexpr std::size_t kFixedInfoSize = 52;
constexpr char kVersionKey[] = "VS_VERSION_INFO";

std::uint32_t Word16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::uint32_t Word32(const std::string& bytes, std::size_t at) { return Word16(bytes, at) | Word16(bytes, at + 2) << 16; }

// True when a VS_VERSIONINFO header with a fixed file information starts at `at`.
bool IsVersionHeader(const std::string& bytes, std::size_t at) {
    if (at + kFixedInfoOffset + kFixedInfoSize > bytes.size()) return false;
    if (Word16(bytes, at + 2) != kFixedInfoSize) return false;
    for (std::size_t i = 0; i < sizeof kVersionKey; ++i) {
        if (Word16(bytes, at + 6 + 2 * i) != static_cast<unsigned char>(kVersionKey[i])) return false;
    }
    return Word32(bytes, at + kFixedInfoOffset) == platform::kFixedFileInfoSignature;
}

std::string Join(platform::CodePage& codePage, const std::string& folder, const std::string& name) {
    if (platform::text::EndsWithChar(codePage, folder, '\\') || platform::text::EndsWithChar(codePage, folder, '/'))
        return folder + name;
    return folder + "\\" + name;
}

}  // namespace

std::optional<std::string> SimModules::VersionResource(const std::string& path) {
    auto bytes = files_.FileText(path);
    if (!bytes) {
        lastError_ = platform::err::FileNotFound;
        return std::nullopt;
    }
    const char signature[] = {'\xBD', '\x04', '\xEF', '\xFE'};
    for (std::size_t at = bytes->find(signature, 0, 4); at != std::string::npos;
         at = bytes->find(signature, at + 1, 4)) {
        if (at < kFixedInfoOffset) continue;
        std::size_t start = at - kFixedInfoOffset;
        if (!IsVersionHeader(*bytes, start)) continue;
        std::size_t length = Word16(*bytes, start);
        if (length < kFixedInfoOffset + kFixedInfoSize || start + length > bytes->size()) continue;
        return bytes->substr(start, length);
    }
    lastError_ = kErrorResourceTypeNotFound;
    return std::nullopt;
}

std::uint32_t SimModules::GetFileVersionInfoSize(const std::string& path) {
    if (faults_.ShouldFail("GetFileVersionInfoSize")) {
        lastError_ = platform::err::AccessDenied;
        return 0;
    }
    auto resource = VersionResource(path);
    return resource ? static_cast<std::uint32_t>(resource->size()) : 0;
}

bool SimModules::GetFileVersionInfo(const std::string& path, std::uint32_t size, std::string& block) {
    if (faults_.ShouldFail("GetFileVersionInfo")) {
        lastError_ = platform::err::AccessDenied;
        return false;
    }
    auto resource = VersionResource(path);
    if (!resource) return false;
    // A buffer smaller than the resource gets its first bytes, as on Windows.
    block = resource->substr(0, size);
    return true;
}

std::optional<platform::FixedFileInfo> SimModules::QueryRootVersion(const std::string& block) {
    if (faults_.ShouldFail("VerQueryValue")) {
        lastError_ = platform::err::AccessDenied;
        return std::nullopt;
    }
    if (block.size() < kFixedInfoOffset + kFixedInfoSize || Word16(block, 2) < kFixedInfoSize) {
        lastError_ = kErrorResourceTypeNotFound;
        return std::nullopt;
    }
    auto word = [&](std::size_t index) { return Word32(block, kFixedInfoOffset + 4 * index); };
    return platform::FixedFileInfo{word(0), word(1), word(2), word(3), word(4), word(5)};
}

std::vector<std::string> SimModules::SearchFolders() {
    std::vector<std::string> folders;
    std::string program = env_.ModuleFileName(260);
    std::size_t slash = platform::text::FindLastChar(codePage_, program, '\\');
    if (slash != platform::text::npos) folders.push_back(program.substr(0, slash));
    std::string windows = files_.GetWindowsDirectory();
    folders.push_back(Join(codePage_, windows, "system32"));
    folders.push_back(Join(codePage_, windows, "system"));
    folders.push_back(windows);
    folders.push_back(files_.GetCurrentDirectory());
    std::string path = env_.GetEnv("PATH").value_or("");
    for (std::size_t begin = 0; begin <= path.size();) {
        std::size_t end = path.find(';', begin);
        if (end == std::string::npos) end = path.size();
        if (end > begin) folders.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return folders;
}

std::string SimModules::WithExtension(const std::string& name) {
    std::size_t slash = platform::text::FindLastChar(codePage_, name, '\\');
    std::size_t forward = platform::text::FindLastChar(codePage_, name, '/');
    if (slash == platform::text::npos || (forward != platform::text::npos && forward > slash)) slash = forward;
    std::size_t lastPart = slash == platform::text::npos ? 0 : slash + 1;
    if (platform::text::EndsWithChar(codePage_, name, '.')) return name.substr(0, name.size() - 1);
    if (platform::text::FindChar(codePage_, name, '.', lastPart) == platform::text::npos) return name + ".dll";
    return name;
}

platform::ModuleHandle SimModules::Map(const std::string& path) {
    auto bytes = files_.FileText(path);
    if (bytes->compare(0, 2, "MZ") != 0) {
        lastError_ = kErrorBadExeFormat;
        return 0;
    }
    platform::ModuleHandle handle = nextHandle_;
    nextHandle_ += 0x10000u;
    loaded_.insert(handle);
    return handle;
}

platform::ModuleHandle SimModules::LoadLibraryAsDataFile(const std::string& name) {
    requests_.push_back(name);
    if (faults_.ShouldFail("LoadLibraryEx")) {
        lastError_ = platform::err::AccessDenied;
        return 0;
    }
    std::string file = WithExtension(name);
    bool fullPath = (file.size() >= 2 && file[1] == ':') || (!file.empty() && (file[0] == '\\' || file[0] == '/'));
    if (fullPath) {
        if (files_.FileText(file)) return Map(file);
    } else {
        for (const auto& folder : SearchFolders()) {
            std::string candidate = Join(codePage_, folder, file);
            if (files_.FileText(candidate)) return Map(candidate);
        }
    }
    // A load as a data file reports a library that is not found as a file
    // that is not found; LoadLibraryA would report ERROR_MOD_NOT_FOUND.
    lastError_ = platform::err::FileNotFound;
    return 0;
}

void SimModules::FreeLibrary(platform::ModuleHandle module) {
    if (faults_.ShouldFail("FreeLibrary")) {
        lastError_ = platform::err::AccessDenied;
        return;
    }
    if (loaded_.erase(module) == 0) lastError_ = platform::err::InvalidHandle;
}

}  // namespace sim
