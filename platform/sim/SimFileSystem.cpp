#include "platform/sim/SimFileSystem.h"

#include <cstdio>
#include <utility>

#include "platform/Errors.h"
#include "platform/Text.h"

namespace sim {

namespace {

namespace err = platform::err;
namespace attr = platform::attr;

// Win32 error codes that only the file system reports.
constexpr long kNotSameDevice = 17;
constexpr long kInvalidName = 123;
constexpr long kNotADirectory = 267;

// The attributes SetFileAttributesA stores; Directory is fixed by the entry's
// kind and Normal means "none of these".
constexpr std::uint32_t kSettable = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive | 0x100u /*temporary*/ |
                                    0x1000u /*offline*/ | 0x2000u /*not content indexed*/;

char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(const std::string& c) { return c == "\\"; }

// Characters that no file name may hold (wildcards included).
bool IsValidName(const std::vector<std::string>& chars) {
    static const std::string forbidden = "<>:\"|?*";
    for (const auto& c : chars) {
        if (c.size() != 1) continue;
        auto byte = static_cast<unsigned char>(c[0]);
        if (byte < 0x20 || forbidden.find(c[0]) != std::string::npos) return false;
    }
    return true;
}

std::string Join(const std::vector<std::string>& chars, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to && i < chars.size(); ++i) out += chars[i];
    return out;
}

// --- Wildcards -------------------------------------------------------------

// A search mask after the conversion FindFirstFileA applies: "?" becomes a
// DOS question mark, "*" before a dot a DOS star, a dot before "?", "*" or
// the end a DOS dot; "*.*" is plain "*".
enum class Wild { Literal, Star, DosStar, DosQm, DosDot };
struct Token {
    Wild kind;
    std::string text;
};

std::vector<Token> CompileMask(const std::vector<std::string>& mask) {
    if (Join(mask, 0, mask.size()) == "*.*") return {{Wild::Star, "*"}};
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const std::string& c = mask[i];
        const std::string next = i + 1 < mask.size() ? mask[i + 1] : std::string();
        if (c == "?") {
            tokens.push_back({Wild::DosQm, c});
        } else if (c == "*") {
            tokens.push_back({next == "." ? Wild::DosStar : Wild::Star, c});
        } else if (c == "." && (next.empty() || next == "?" || next == "*")) {
            tokens.push_back({Wild::DosDot, c});
        } else {
            tokens.push_back({Wild::Literal, c});
        }
    }
    return tokens;
}

bool SameChar(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    if (a.size() == 1) return FoldUpper(a[0]) == FoldUpper(b[0]);
    return a == b;
}

// The matching of FsRtlIsNameInExpression: a star takes any run; a DOS star
// any run that stays before the name's last dot; a DOS question mark one
// character, or nothing at a dot or the end of the name; a DOS dot a dot, or
// nothing at the end of the name.
bool Matches(const std::vector<Token>& mask, std::size_t t, const std::vector<std::string>& name, std::size_t n) {
    if (t == mask.size()) return n == name.size();
    const Token& token = mask[t];
    switch (token.kind) {
        case Wild::Star:
            for (std::size_t k = n; k <= name.size(); ++k) {
                if (Matches(mask, t + 1, name, k)) return true;
            }
            return false;
        case Wild::DosStar: {
            std::size_t lastDot = name.size();
            for (std::size_t k = 0; k < name.size(); ++k) {
                if (name[k] == ".") lastDot = k;
            }
            std::size_t limit = lastDot >= n ? lastDot : n;
            for (std::size_t k = n; k <= limit; ++k) {
                if (Matches(mask, t + 1, name, k)) return true;
            }
            return false;
        }
        case Wild::DosQm:
            if (n == name.size() || name[n] == ".") {
                std::size_t after = t;
                while (after < mask.size() && mask[after].kind == Wild::DosQm) ++after;
                return Matches(mask, after, name, n);
            }
            return Matches(mask, t + 1, name, n + 1);
        case Wild::DosDot:
            if (n == name.size()) return Matches(mask, t + 1, name, n);
            return name[n] == "." && Matches(mask, t + 1, name, n + 1);
        case Wild::Literal:
            return n < name.size() && SameChar(token.text, name[n]) && Matches(mask, t + 1, name, n + 1);
    }
    return false;
}

// --- Profile files ---------------------------------------------------------

// A profile file as the profile functions see it: sections of lines, each
// line trimmed ("key=value" with the blanks around both parts removed);
// lines before the first section header belong to a section without a name.
struct IniSection {
    std::string name;
    bool headed = false;
    std::vector<std::string> lines;
};

std::string TrimBlanks(const std::string& s) {
    std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    std::size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

std::string NormalizeEntry(const std::string& line) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) return TrimBlanks(line);
    return TrimBlanks(line.substr(0, equals)) + "=" + TrimBlanks(line.substr(equals + 1));
}

std::vector<IniSection> ParseIni(const std::string& text) {
    std::vector<IniSection> sections;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = TrimBlanks(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            sections.push_back({TrimBlanks(name), true, {}});
            continue;
        }
        if (sections.empty()) sections.push_back({"", false, {}});
        sections.back().lines.push_back(NormalizeEntry(line));
    }
    return sections;
}

std::string SerializeIni(const std::vector<IniSection>& sections) {
    std::string text;
    for (const auto& section : sections) {
        if (section.headed) text += "[" + section.name + "]\r\n";
        for (const auto& line : section.lines) text += line + "\r\n";
    }
    return text;
}

IniSection* FindSection(std::vector<IniSection>& sections, const std::string& name) {
    for (auto& section : sections) {
        if (section.headed && platform::text::EqualsNoCase(section.name, name)) return &section;
    }
    return nullptr;
}

// The lines of a zero-separated block, up to the first empty one.
std::vector<std::string> SplitZeroSeparated(const std::string& block) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\0', start);
        if (end == std::string::npos) end = block.size();
        if (end == start) break;
        lines.push_back(block.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string AttributeLetters(std::uint32_t attributes) {
    static const std::pair<std::uint32_t, const char*> letters[] = {
        {attr::ReadOnly, "R"}, {attr::Hidden, "H"}, {attr::System, "S"}, {attr::Archive, "A"}, {attr::Normal, "N"}};
    std::string out;
    for (const auto& [bit, letter] : letters) {
        if (attributes & bit) out += letter;
    }
    return out;
}

}  // namespace

// --- Construction and set-up -------------------------------------------------

SimFileSystem::SimFileSystem(Faults& faults) : faults_(faults) {
    AddDrive('C');
    AddFolder("C:\\windows\\system32");
    AddFolder("C:\\Program Files");
    AddFolder("C:\\users\\user\\Temp");
}

SimFileSystem::~SimFileSystem() = default;

bool SimFileSystem::AddDrive(char letter) {
    char drive = FoldUpper(letter);
    if (drive < 'A' || drive > 'Z' || drives_.count(drive)) return false;
    auto root = std::make_shared<Node>();
    root->name = std::string(1, drive) + ":";
    root->directory = true;
    drives_[drive] = root;
    return true;
}

bool SimFileSystem::AddFolder(const std::string& path) { return MakeFolders(path) != nullptr; }

bool SimFileSystem::AddFile(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    auto split = Split(path);
    if (!split || split->parts.empty()) return false;
    std::string leaf = split->parts.back();
    split->parts.pop_back();
    Node* folder = MakeFolders(FullPath(*split));
    if (folder == nullptr) return false;
    auto it = folder->children.find(Key(leaf));
    Node* file = nullptr;
    if (it != folder->children.end()) {
        if (it->second->directory) return false;
        file = it->second.get();
    } else {
        file = AddChild(*folder, leaf, false);
    }
    file->bytes = bytes;
    file->attributes = attributes & kSettable;
    return true;
}

std::optional<std::string> SimFileSystem::FileText(const std::string& path) const {
    Lookup found = Resolve(path);
    if (found.node == nullptr || found.node->directory) return std::nullopt;
    return found.node->bytes;
}

bool SimFileSystem::SetInUse(const std::string& path, platform::InUse how) {
    Lookup found = Resolve(path);
    if (found.node == nullptr || found.node->directory) return false;
    AddHold(*found.node, how);
    return true;
}

void SimFileSystem::ClearInUse(const std::string& path) {
    Lookup found = Resolve(path);
    if (found.node == nullptr) return;
    for (auto it = holds_.begin(); it != holds_.end();) {
        if (it->second.node.get() == found.node) {
            found.node->imageHolds = 0;
            found.node->exclusiveHolds = 0;
            it = holds_.erase(it);
        } else {
            ++it;
        }
    }
}

void SimFileSystem::SetTempFolder(const std::string& folder) {
    tempFolder_ = folder;
    auto chars = Characters(tempFolder_);
    if (chars.empty() || !IsSeparator(chars.back())) tempFolder_ += '\\';
}

// --- Paths -------------------------------------------------------------------

std::vector<std::string> SimFileSystem::Characters(const std::string& text) const {
    std::vector<std::string> chars;
    for (std::size_t i = 0; i < text.size();) {
        bool lead = codePage_ != nullptr && i + 1 < text.size() &&
                    codePage_->IsLeadByte(static_cast<unsigned char>(text[i]));
        std::size_t length = lead ? 2 : 1;
        std::string c = text.substr(i, length);
        if (c == "/") c = "\\";
        chars.push_back(std::move(c));
        i += length;
    }
    return chars;
}

std::string SimFileSystem::Key(const std::string& name) const {
    std::string key;
    for (const auto& c : Characters(name)) key += c.size() == 1 ? std::string(1, FoldUpper(c[0])) : c;
    return key;
}

std::optional<SimFileSystem::Path> SimFileSystem::Split(const std::string& text) const {
    std::vector<std::string> chars = Characters(text);
    if (chars.empty()) return std::nullopt;

    // Where the path starts: its drive, and the parts it continues from.
    Path path;
    std::size_t at = 0;
    bool absolute = false;
    auto isLetter = [](const std::string& c) {
        return c.size() == 1 && ((c[0] >= 'A' && c[0] <= 'Z') || (c[0] >= 'a' && c[0] <= 'z'));
    };
    if (chars.size() >= 2 && isLetter(chars[0]) && chars[1] == ":") {
        path.drive = FoldUpper(chars[0][0]);
        at = 2;
        absolute = at < chars.size() && IsSeparator(chars[at]);
        if (!absolute && FoldUpper(currentFolder_[0]) != path.drive) absolute = true;
    } else if (IsSeparator(chars[0])) {
        if (chars.size() > 1 && IsSeparator(chars[1])) return std::nullopt;  // UNC
        path.drive = FoldUpper(currentFolder_[0]);
        absolute = true;
    }
    if (!absolute) {
        auto current = Split(currentFolder_);
        if (!current) return std::nullopt;
        path = *current;
        path.trailingSeparator = false;
    }

    // The parts, with "." and ".." resolved and empty parts dropped.
    std::vector<std::string> raw(1);
    for (std::size_t i = at; i < chars.size(); ++i) {
        if (IsSeparator(chars[i])) {
            raw.emplace_back();
        } else {
            raw.back() += chars[i];
        }
    }
    path.trailingSeparator = IsSeparator(chars.back());
    if (!path.trailingSeparator && raw.back() != "." && raw.back() != "..") {
        std::string& last = raw.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    }
    for (const auto& part : raw) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!path.parts.empty()) path.parts.pop_back();
            continue;
        }
        path.parts.push_back(part);
    }
    return path;
}

std::string SimFileSystem::FullPath(const Path& path) const {
    std::string full = std::string(1, path.drive) + ":\\";
    for (std::size_t i = 0; i < path.parts.size(); ++i) full += (i ? "\\" : "") + path.parts[i];
    return full;
}

SimFileSystem::Lookup SimFileSystem::Resolve(const std::string& path) const {
    auto split = Split(path);
    if (!split) return {nullptr, nullptr, {}, err::PathNotFound};
    return Resolve(*split);
}

SimFileSystem::Lookup SimFileSystem::Resolve(const Path& path) const {
    Lookup found;
    auto drive = drives_.find(path.drive);
    if (drive == drives_.end()) {
        found.error = err::PathNotFound;
        return found;
    }
    Node* folder = drive->second.get();
    if (path.parts.empty()) {
        found.node = folder;
        return found;
    }
    for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) {
        auto child = folder->children.find(Key(path.parts[i]));
        if (!IsValidName(Characters(path.parts[i]))) {
            found.error = kInvalidName;
            return found;
        }
        if (child == folder->children.end() || !child->second->directory) {
            found.error = err::PathNotFound;
            return found;
        }
        folder = child->second.get();
    }
    found.leaf = path.parts.back();
    if (!IsValidName(Characters(found.leaf))) {
        found.error = kInvalidName;
        return found;
    }
    auto child = folder->children.find(Key(found.leaf));
    if (child == folder->children.end()) {
        found.folder = folder;
        found.error = err::FileNotFound;
        return found;
    }
    if (!child->second->directory && path.trailingSeparator) {
        found.error = err::PathNotFound;  // a file named as if it were a folder
        return found;
    }
    found.folder = folder;
    found.node = child->second.get();
    return found;
}

bool SimFileSystem::IsCurrentFolder(const Node& node) const { return Resolve(currentFolder_).node == &node; }

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Shared(Node& node) const {
    if (node.parent == nullptr) {
        for (const auto& [letter, root] : drives_) {
            if (root.get() == &node) return root;
        }
        return nullptr;
    }
    return node.parent->children.at(Key(node.name));
}

SimFileSystem::Node* SimFileSystem::AddChild(Node& folder, const std::string& name, bool directory) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->directory = directory;
    node->attributes = directory ? 0 : attr::Archive;
    node->parent = &folder;
    Node* raw = node.get();
    folder.children[Key(name)] = std::move(node);
    return raw;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Detach(Node& node) {
    std::shared_ptr<Node> kept = Shared(node);
    node.parent->children.erase(Key(node.name));
    node.parent = nullptr;
    return kept;
}

SimFileSystem::Node* SimFileSystem::MakeFolders(const std::string& path) {
    auto split = Split(path);
    if (!split) return nullptr;
    auto drive = drives_.find(split->drive);
    if (drive == drives_.end()) return nullptr;
    Node* folder = drive->second.get();
    for (const auto& part : split->parts) {
        if (!IsValidName(Characters(part))) return nullptr;
        auto child = folder->children.find(Key(part));
        if (child == folder->children.end()) {
            folder = AddChild(*folder, part, true);
        } else if (child->second->directory) {
            folder = child->second.get();
        } else {
            return nullptr;
        }
    }
    return folder;
}

std::uint32_t SimFileSystem::Reported(const Node& node) {
    if (node.directory) return attr::Directory | node.attributes;
    return node.attributes != 0 ? node.attributes : attr::Normal;
}

// Which holders refuse which access, with the error the refusal reports.
long SimFileSystem::SharingError(const Node& node, Access access) const {
    if (node.exclusiveHolds > 0) return err::SharingViolation;
    if (node.imageHolds > 0) {
        if (access == Access::Delete) return err::AccessDenied;
        if (access == Access::SharedWrite || access == Access::ExclusiveWrite) return err::SharingViolation;
    }
    if (node.textReaders > 0) {
        if (access == Access::Delete || access == Access::Rename || access == Access::ExclusiveWrite)
            return err::SharingViolation;
    }
    return err::Success;
}

bool SimFileSystem::Fail(long error) {
    lastError_ = error;
    return false;
}

bool SimFileSystem::Injected(const char* operation) {
    if (!faults_.ShouldFail(operation)) return false;
    lastError_ = err::AccessDenied;
    return true;
}

// --- Attributes and folders --------------------------------------------------

std::optional<std::uint32_t> SimFileSystem::GetFileAttributes(const std::string& path) {
    if (Injected("GetFileAttributes")) return std::nullopt;
    Lookup found = Resolve(path);
    if (found.node == nullptr) {
        Fail(found.error);
        return std::nullopt;
    }
    return Reported(*found.node);
}

bool SimFileSystem::SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    if (Injected("SetFileAttributes")) return false;
    Lookup found = Resolve(path);
    if (found.node == nullptr) return Fail(found.error);
    found.node->attributes = attributes & kSettable;
    return true;
}

bool SimFileSystem::CreateDirectory(const std::string& path) {
    if (Injected("CreateDirectory")) return false;
    Lookup found = Resolve(path);
    if (found.node != nullptr) return Fail(err::AlreadyExists);
    if (found.folder == nullptr) return Fail(found.error);
    AddChild(*found.folder, found.leaf, true);
    return true;
}

bool SimFileSystem::RemoveDirectory(const std::string& path) {
    if (Injected("RemoveDirectory")) return false;
    Lookup found = Resolve(path);
    if (found.node == nullptr) return Fail(found.error);
    if (!found.node->directory) return Fail(kNotADirectory);
    if (found.node->parent == nullptr) return Fail(err::AccessDenied);
    if (!found.node->children.empty()) return Fail(err::DirNotEmpty);
    // The process holds its current folder open, which keeps it.
    if (IsCurrentFolder(*found.node)) return Fail(err::SharingViolation);
    Detach(*found.node);
    return true;
}

// --- Files ---------------------------------------------------------------------

bool SimFileSystem::DeleteFile(const std::string& path) {
    if (Injected("DeleteFile")) return false;
    Lookup found = Resolve(path);
    if (found.node == nullptr) return Fail(found.error);
    if (found.node->directory) return Fail(err::AccessDenied);
    if (found.node->attributes & attr::ReadOnly) return Fail(err::AccessDenied);
    if (long error = SharingError(*found.node, Access::Delete)) return Fail(error);
    Detach(*found.node);
    return true;
}

bool SimFileSystem::MoveFile(const std::string& from, const std::string& to) {
    if (Injected("MoveFile")) return false;
    Lookup source = Resolve(from);
    if (source.node == nullptr) return Fail(source.error);
    Node* moving = source.node;
    if (moving->parent == nullptr) return Fail(err::AccessDenied);
    if (moving->directory && IsCurrentFolder(*moving)) return Fail(err::SharingViolation);
    if (long error = SharingError(*moving, Access::Rename)) return Fail(error);

    Lookup target = Resolve(to);
    if (target.node != nullptr && target.node != moving) return Fail(err::AlreadyExists);
    if (target.folder == nullptr) return Fail(target.error);
    auto rootOf = [](const Node* node) {
        while (node->parent != nullptr) node = node->parent;
        return node;
    };
    if (moving->directory) {
        for (const Node* folder = target.folder; folder != nullptr; folder = folder->parent) {
            if (folder == moving) return Fail(err::InvalidParameter);  // into itself
        }
        if (rootOf(target.folder) != rootOf(moving)) return Fail(kNotSameDevice);
    }
    std::shared_ptr<Node> node = Detach(*moving);
    node->name = target.leaf;
    node->parent = target.folder;
    target.folder->children[Key(target.leaf)] = std::move(node);
    return true;
}

bool SimFileSystem::CopyFile(const std::string& from, const std::string& to, platform::IfExists ifExists) {
    if (Injected("CopyFile")) return false;
    Lookup source = Resolve(from);
    if (source.node == nullptr) return Fail(source.error);
    if (source.node->directory) return Fail(err::AccessDenied);
    if (long error = SharingError(*source.node, Access::Read)) return Fail(error);
    const std::string bytes = source.node->bytes;
    const std::uint32_t attributes = source.node->attributes;

    Lookup target = Resolve(to);
    if (target.node != nullptr) {
        Node& existing = *target.node;
        if (ifExists == platform::IfExists::Fail) return Fail(err::FileExists);
        if (existing.directory) return Fail(err::AccessDenied);
        if (&existing == source.node) return Fail(err::SharingViolation);
        if (existing.attributes & attr::ReadOnly) return Fail(err::AccessDenied);
        // CreateFile with CREATE_ALWAYS refuses a hidden or system file unless
        // the new attributes keep those flags.
        if ((existing.attributes & (attr::Hidden | attr::System)) & ~attributes) return Fail(err::AccessDenied);
        if (long error = SharingError(existing, Access::SharedWrite)) return Fail(error);
        existing.bytes = bytes;
        existing.attributes = attributes;
        return true;
    }
    if (target.folder == nullptr) return Fail(target.error);
    Node* copy = AddChild(*target.folder, target.leaf, false);
    copy->bytes = bytes;
    copy->attributes = attributes;
    return true;
}

bool SimFileSystem::MoveFileAtRestart(const std::string& from, const std::optional<std::string>& to) {
    if (Injected("MoveFileEx")) return false;
    if (!restartServiceAvailable_) return Fail(err::AccessDenied);
    auto source = Split(from);
    if (!source) return Fail(err::PathNotFound);
    RestartOperation operation{FullPath(*source), std::nullopt};
    if (to) {
        auto target = Split(*to);
        if (!target) return Fail(err::PathNotFound);
        operation.to = FullPath(*target);
    }
    pending_.push_back(std::move(operation));
    return true;
}

bool SimFileSystem::Exists(const std::string& path) {
    if (Injected("Access")) return false;
    Lookup found = Resolve(path);
    if (found.node == nullptr) return Fail(found.error);
    return true;
}

std::optional<std::string> SimFileSystem::ReadFile(const std::string& path) {
    if (Injected("ReadFile")) return std::nullopt;
    Lookup found = Resolve(path);
    if (found.node == nullptr) {
        Fail(found.error);
        return std::nullopt;
    }
    if (found.node->directory) {
        Fail(err::AccessDenied);
        return std::nullopt;
    }
    if (long error = SharingError(*found.node, Access::Read)) {
        Fail(error);
        return std::nullopt;
    }
    return found.node->bytes;
}

bool SimFileSystem::WriteFile(const std::string& path, const std::string& bytes) {
    if (Injected("WriteFile")) return false;
    Lookup found = Resolve(path);
    Node* file = found.node;
    if (file != nullptr) {
        if (file->directory || (file->attributes & (attr::ReadOnly | attr::Hidden | attr::System)))
            return Fail(err::AccessDenied);
        if (long error = SharingError(*file, Access::ExclusiveWrite)) return Fail(error);
    } else {
        if (found.folder == nullptr) return Fail(found.error);
        file = AddChild(*found.folder, found.leaf, false);
    }
    file->bytes = bytes;
    file->attributes = attr::Archive;
    return true;
}

// --- Folder searches -----------------------------------------------------------

platform::FindHandle SimFileSystem::FindFirst(const std::string& pattern, platform::FindData& found) {
    if (Injected("FindFirstFile")) return 0;

    // The folder is everything up to the last separator; the rest is the mask.
    std::vector<std::string> chars = Characters(pattern);
    std::size_t maskStart = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (IsSeparator(chars[i])) maskStart = i + 1;
    }
    if (maskStart == 0 && chars.size() >= 2 && chars[1] == ":") maskStart = 2;
    std::string folderText = Join(chars, 0, maskStart);
    std::vector<std::string> mask(chars.begin() + static_cast<std::ptrdiff_t>(maskStart), chars.end());

    Lookup folder = Resolve(folderText.empty() ? currentFolder_ : folderText);
    if (folder.node == nullptr || !folder.node->directory) {
        Fail(folder.node == nullptr && folder.error == kInvalidName ? kInvalidName : err::PathNotFound);
        return 0;
    }
    if (mask.empty()) {
        Fail(err::FileNotFound);
        return 0;
    }

    std::vector<Token> tokens = CompileMask(mask);
    Search search;
    auto consider = [&](const std::string& name, std::uint32_t attributes) {
        if (Matches(tokens, 0, Characters(name), 0)) search.entries.push_back({attributes, name});
    };
    if (folder.node->parent != nullptr) {
        consider(".", attr::Directory);
        consider("..", attr::Directory);
    }
    for (const auto& [key, child] : folder.node->children) consider(child->name, Reported(*child));
    if (search.entries.empty()) {
        Fail(err::FileNotFound);
        return 0;
    }
    found = search.entries.front();
    search.next = 1;
    platform::FindHandle handle = nextHandle_++;
    searches_[handle] = std::move(search);
    return handle;
}

bool SimFileSystem::FindNext(platform::FindHandle search, platform::FindData& found) {
    if (Injected("FindNextFile")) return false;
    auto it = searches_.find(search);
    if (it == searches_.end()) return Fail(err::InvalidHandle);
    if (it->second.next >= it->second.entries.size()) return Fail(err::NoMoreFiles);
    found = it->second.entries[it->second.next++];
    return true;
}

void SimFileSystem::FindClose(platform::FindHandle search) { searches_.erase(search); }

// --- Text files ------------------------------------------------------------------

platform::FileHandle SimFileSystem::OpenText(const std::string& path) {
    if (Injected("fopen")) return 0;
    Lookup found = Resolve(path);
    long error = found.node == nullptr      ? found.error
                 : found.node->directory    ? err::AccessDenied
                                            : SharingError(*found.node, Access::Read);
    if (error != err::Success) {
        Fail(error);
        return 0;
    }
    ++found.node->textReaders;
    platform::FileHandle handle = nextHandle_++;
    textFiles_[handle] = TextFile{Shared(*found.node), 0, false};
    return handle;
}

// Text-mode reading as msvcrt does it: CR LF reads as LF, a lone CR stays,
// and a Ctrl-Z (0x1A) ends the file until the next rewind. fgets keeps
// bytes after a zero byte in its buffer, but the caller's string ends there.
bool SimFileSystem::ReadLine(platform::FileHandle file, std::size_t bufferSize, std::string& line) {
    if (Injected("fgets")) return false;
    auto it = textFiles_.find(file);
    if (it == textFiles_.end()) return Fail(err::InvalidHandle);
    TextFile& text = it->second;
    const std::string& bytes = text.node->bytes;
    auto next = [&]() -> int {
        if (text.atEnd || text.position >= bytes.size()) return -1;
        char c = bytes[text.position];
        if (c == '\x1A') {
            text.atEnd = true;
            return -1;
        }
        if (c == '\r' && text.position + 1 < bytes.size() && bytes[text.position + 1] == '\n') {
            text.position += 2;
            return '\n';
        }
        ++text.position;
        return static_cast<unsigned char>(c);
    };

    std::string read;
    bool ended = false;
    while (read.size() + 1 < bufferSize) {
        int c = next();
        if (c < 0) {
            ended = true;
            break;
        }
        read.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (read.empty() && (ended || bufferSize <= 1)) return false;
    line = read.substr(0, read.find('\0'));
    return true;
}

void SimFileSystem::Rewind(platform::FileHandle file) {
    auto it = textFiles_.find(file);
    if (it == textFiles_.end()) return;
    it->second.position = 0;
    it->second.atEnd = false;
}

void SimFileSystem::CloseFile(platform::FileHandle file) {
    auto it = textFiles_.find(file);
    if (it == textFiles_.end()) return;
    --it->second.node->textReaders;
    textFiles_.erase(it);
}

bool SimFileSystem::AppendText(const std::string& path, const std::string& text) {
    if (Injected("AppendText")) return false;
    Lookup found = Resolve(path);
    Node* file = found.node;
    if (file != nullptr) {
        if (file->directory || (file->attributes & attr::ReadOnly)) return Fail(err::AccessDenied);
        if (long error = SharingError(*file, Access::SharedWrite)) return Fail(error);
    } else {
        if (found.folder == nullptr) return Fail(found.error);
        file = AddChild(*found.folder, found.leaf, false);
    }
    for (char c : text) {
        if (c == '\n') file->bytes += '\r';
        file->bytes += c;
    }
    return true;
}

// --- Profile files -----------------------------------------------------------------

std::string SimFileSystem::ProfilePath(const std::string& file) const {
    auto chars = Characters(file);
    bool hasFolder = (chars.size() >= 2 && chars[1] == ":");
    for (const auto& c : chars) hasFolder = hasFolder || IsSeparator(c);
    return hasFolder ? file : windowsFolder_ + "\\" + file;
}

std::uint32_t SimFileSystem::GetProfileSection(const std::string& file, const std::string& section,
                                               std::size_t bufferSize, std::string& lines) {
    lines.clear();
    if (Injected("GetPrivateProfileSection")) return 0;
    Lookup found = Resolve(ProfilePath(file));
    if (found.node == nullptr || found.node->directory || SharingError(*found.node, Access::Read)) {
        Fail(err::FileNotFound);
        return 0;
    }
    auto sections = ParseIni(found.node->bytes);
    IniSection* wanted = FindSection(sections, section);
    if (wanted == nullptr || bufferSize < 2) return 0;

    std::string block;
    for (const auto& entry : wanted->lines) {
        if (!entry.empty() && entry.front() != ';') block += entry + '\0';
    }
    // The block and its final zero fit; otherwise the buffer ends with two
    // zeros after as many bytes as fit before them.
    if (block.size() + 1 <= bufferSize) {
        lines = block;
    } else {
        lines = block.substr(0, bufferSize - 2);
    }
    return static_cast<std::uint32_t>(lines.size());
}

bool SimFileSystem::WriteProfileSection(const std::string& file, const std::string& section,
                                        const std::string& lines) {
    if (Injected("WritePrivateProfileSection")) return false;
    Lookup found = Resolve(ProfilePath(file));
    Node* node = found.node;
    if (node != nullptr) {
        if (node->directory || (node->attributes & attr::ReadOnly)) return Fail(err::AccessDenied);
        if (long error = SharingError(*node, Access::ExclusiveWrite)) return Fail(error);
    } else if (found.folder == nullptr) {
        return Fail(found.error);
    }

    // Lines without "=" are dropped, as Wine's profile writer does.
    std::vector<std::string> entries;
    for (const auto& line : SplitZeroSeparated(lines)) {
        if (line.find('=') != std::string::npos) entries.push_back(NormalizeEntry(line));
    }
    auto sections = node != nullptr ? ParseIni(node->bytes) : std::vector<IniSection>{};
    if (IniSection* existing = FindSection(sections, section)) {
        existing->lines = std::move(entries);
    } else {
        sections.push_back({section, true, std::move(entries)});
    }
    if (node == nullptr) node = AddChild(*found.folder, found.leaf, false);
    node->bytes = SerializeIni(sections);
    return true;
}

// --- Special folders -----------------------------------------------------------------

std::string SimFileSystem::GetTempPath() {
    if (Injected("GetTempPath")) return {};
    return tempFolder_;
}

std::optional<std::string> SimFileSystem::GetTempFileName(const std::string& folder, const std::string& prefix) {
    if (Injected("GetTempFileName")) return std::nullopt;
    Lookup where = Resolve(folder);
    if (where.node == nullptr || !where.node->directory) {
        Fail(kNotADirectory);
        return std::nullopt;
    }
    auto folderChars = Characters(folder);
    std::string base = folder;
    if (folderChars.empty() || !IsSeparator(folderChars.back())) base += '\\';
    auto prefixChars = Characters(prefix);
    base += Join(prefixChars, 0, 3);

    // Numbers are tried upwards from the last one used, skipping names that exist.
    for (unsigned tries = 0; tries < 0x10000; ++tries) {
        unsigned number = nextTempNumber_++ & 0xFFFFu;
        if (number == 0) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number);
        std::string path = base + hex + ".tmp";
        Lookup candidate = Resolve(path);
        if (candidate.node != nullptr) continue;
        if (candidate.folder == nullptr) break;
        AddChild(*candidate.folder, candidate.leaf, false);
        return path;
    }
    Fail(err::FileExists);
    return std::nullopt;
}

std::string SimFileSystem::GetCurrentDirectory() {
    if (Injected("GetCurrentDirectory")) return {};
    return currentFolder_;
}

bool SimFileSystem::SetCurrentDirectory(const std::string& path) {
    if (Injected("SetCurrentDirectory")) return false;
    auto split = Split(path);
    if (!split) return Fail(err::PathNotFound);
    Lookup found = Resolve(*split);
    if (found.node == nullptr) return Fail(found.error);
    if (!found.node->directory) return Fail(kNotADirectory);
    currentFolder_ = FullPath(*split);
    return true;
}

std::string SimFileSystem::GetWindowsDirectory() {
    if (Injected("GetWindowsDirectory")) return {};
    return windowsFolder_;
}

// --- Files in use ------------------------------------------------------------------------

std::uintptr_t SimFileSystem::AddHold(Node& node, platform::InUse how) {
    if (how == platform::InUse::RefuseDelete) {
        ++node.imageHolds;
    } else {
        ++node.exclusiveHolds;
    }
    std::uintptr_t id = nextHandle_++;
    holds_[id] = Held{Shared(node), how};
    return id;
}

std::uintptr_t SimFileSystem::Hold(const std::string& path, platform::InUse how) {
    Lookup found = Resolve(path);
    if (found.node == nullptr || found.node->directory) return 0;
    if (how == platform::InUse::RefuseDelete && found.node->bytes.compare(0, 2, "MZ") != 0) return 0;
    return AddHold(*found.node, how);
}

void SimFileSystem::Release(std::uintptr_t hold) {
    auto it = holds_.find(hold);
    if (it == holds_.end()) return;
    Node& node = *it->second.node;
    if (it->second.how == platform::InUse::RefuseDelete) {
        if (node.imageHolds > 0) --node.imageHolds;
    } else if (node.exclusiveHolds > 0) {
        --node.exclusiveHolds;
    }
    holds_.erase(it);
}

// --- Restart ---------------------------------------------------------------------------

void SimFileSystem::ForceDelete(const std::string& path) {
    Lookup found = Resolve(path);
    if (found.node == nullptr || found.node->parent == nullptr) return;
    if (found.node->directory && !found.node->children.empty()) return;
    if (found.node->attributes & attr::ReadOnly) return;  // wineboot deletes with DeleteFile too
    Detach(*found.node);
}

void SimFileSystem::ForceMove(const std::string& from, const std::string& to, bool replace) {
    Lookup source = Resolve(from);
    if (source.node == nullptr || source.node->parent == nullptr) return;
    Lookup target = Resolve(to);
    if (target.node != nullptr && target.node != source.node) {
        if (!replace || target.node->directory) return;
        Detach(*target.node);
        target = Resolve(to);
    }
    if (target.folder == nullptr) return;
    std::shared_ptr<Node> node = Detach(*source.node);
    node->name = target.leaf;
    node->parent = target.folder;
    target.folder->children[Key(target.leaf)] = std::move(node);
}

void SimFileSystem::ApplyWininit() {
    const std::string wininit = windowsFolder_ + "\\WININIT.INI";
    Lookup found = Resolve(wininit);
    if (found.node == nullptr || found.node->directory) return;
    auto sections = ParseIni(found.node->bytes);
    if (IniSection* rename = FindSection(sections, "rename")) {
        for (const auto& entry : rename->lines) {
            std::size_t equals = entry.find('=');
            if (entry.empty() || entry.front() == ';' || equals == std::string::npos) continue;
            std::string target = entry.substr(0, equals);
            std::string source = entry.substr(equals + 1);
            if (platform::text::EqualsNoCase(target, "NUL")) {
                ForceDelete(source);
            } else {
                ForceMove(source, target, true);
            }
        }
    }
    ForceMove(wininit, windowsFolder_ + "\\WININIT.BAK", true);
}

void SimFileSystem::ApplyPending() {
    std::vector<RestartOperation> operations = std::move(pending_);
    pending_.clear();
    for (const auto& operation : operations) {
        if (operation.to) {
            ForceMove(operation.from, *operation.to, false);
        } else {
            ForceDelete(operation.from);
        }
    }
}

void SimFileSystem::Reboot() {
    for (auto& [id, held] : holds_) {
        held.node->imageHolds = 0;
        held.node->exclusiveHolds = 0;
    }
    holds_.clear();
    for (auto& [handle, text] : textFiles_) text.node->textReaders = 0;
    textFiles_.clear();
    searches_.clear();
    ApplyWininit();
    ApplyPending();
}

// --- Dump ------------------------------------------------------------------------------

void SimFileSystem::DumpNode(const Node& node, const std::string& path, std::string& out) {
    if (node.directory) {
        out += path + "\\";
        if (node.attributes) out += "  [" + AttributeLetters(node.attributes) + "]";
        out += "\n";
        for (const auto& [key, child] : node.children) DumpNode(*child, path + "\\" + child->name, out);
        return;
    }
    out += path + "  " + std::to_string(node.bytes.size()) + " bytes  [" + AttributeLetters(Reported(node)) + "]";
    if (node.imageHolds) out += "  in use (refuses deletion)";
    if (node.exclusiveHolds) out += "  in use (refuses deletion and renaming)";
    if (node.textReaders) out += "  open for reading";
    out += "\n";
}

std::string SimFileSystem::Dump() const {
    std::string out;
    for (const auto& [letter, root] : drives_) DumpNode(*root, root->name, out);
    out += "current folder: " + currentFolder_ + "\n";
    if (!restartServiceAvailable_) out += "restart-time service: unavailable\n";
    for (const auto& operation : pending_) {
        out += operation.to ? "at restart: move " + operation.from + " -> " + *operation.to + "\n"
                            : "at restart: delete " + operation.from + "\n";
    }
    return out;
}

}  // namespace sim
