#include "platform/Text.h"

namespace platform::text {

namespace {

// Length in bytes of the character that starts at `pos`: a lead byte with a
// byte after it makes a double-byte character.
std::size_t CharLength(CodePage& cp, std::string_view s, std::size_t pos) {
    if (pos + 1 < s.size() && cp.IsLeadByte(static_cast<unsigned char>(s[pos]))) return 2;
    return 1;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t CharStart(CodePage& cp, std::string_view s, std::size_t pos) {
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t next = at + CharLength(cp, s, at);
        if (pos < next) return at;
        at = next;
    }
    return s.size();
}

std::size_t FindChar(CodePage& cp, std::string_view s, char c, std::size_t from) {
    for (std::size_t at = 0; at < s.size(); at += CharLength(cp, s, at)) {
        if (at >= from && s[at] == c && CharLength(cp, s, at) == 1) return at;
    }
    return npos;
}

std::size_t FindLastChar(CodePage& cp, std::string_view s, char c) {
    std::size_t found = npos;
    for (std::size_t at = 0; at < s.size(); at += CharLength(cp, s, at)) {
        if (s[at] == c && CharLength(cp, s, at) == 1) found = at;
    }
    return found;
}

std::size_t FindText(CodePage& cp, std::string_view s, std::string_view needle, std::size_t from) {
    for (std::size_t at = 0; at < s.size(); at += CharLength(cp, s, at)) {
        if (at >= from && s.substr(at, needle.size()) == needle) return at;
    }
    return needle.empty() && from <= s.size() ? from : npos;
}

std::size_t LastCharStart(CodePage& cp, std::string_view s) {
    std::size_t last = npos;
    for (std::size_t at = 0; at < s.size(); at += CharLength(cp, s, at)) last = at;
    return last;
}

bool EndsWithChar(CodePage& cp, std::string_view s, char c) {
    std::size_t last = LastCharStart(cp, s);
    return last != npos && last + 1 == s.size() && s[last] == c;
}

std::string ToLower(CodePage& cp, std::string_view s) {
    std::string out(s);
    for (std::size_t at = 0; at < out.size(); at += CharLength(cp, out, at)) {
        if (CharLength(cp, out, at) == 1) out[at] = FoldAscii(out[at]);
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

void Trim(CodePage& cp, std::string& s, std::string_view set) {
    auto inSet = [&](std::size_t at) {
        return CharLength(cp, s, at) == 1 && set.find(s[at]) != std::string_view::npos;
    };
    std::size_t begin = 0;
    while (begin < s.size() && inSet(begin)) ++begin;
    s.erase(0, begin);
    // From the end: find the end of the last character that is not in the set.
    std::size_t keep = 0;
    for (std::size_t at = 0; at < s.size(); at += CharLength(cp, s, at)) {
        if (!inSet(at)) keep = at + CharLength(cp, s, at);
    }
    s.erase(keep);
}

}  // namespace platform::text
