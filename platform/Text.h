#pragma once
// Text handling in the ANSI code page. A double-byte character is one unit:
// its second byte is never taken for a separator, a blank or a letter.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace platform::text {

inline constexpr std::size_t npos = std::string::npos;

// The byte offsets at which characters start, walked from the front.
// Returns the offset of the character that contains byte `pos`.
[[nodiscard]] std::size_t CharStart(CodePage& cp, std::string_view s, std::size_t pos);

// The first / last character equal to the single-byte character c.
[[nodiscard]] std::size_t FindChar(CodePage& cp, std::string_view s, char c, std::size_t from = 0);
[[nodiscard]] std::size_t FindLastChar(CodePage& cp, std::string_view s, char c);
// The first occurrence of needle that starts on a character boundary.
[[nodiscard]] std::size_t FindText(CodePage& cp, std::string_view s, std::string_view needle, std::size_t from = 0);
// True when the last character of s is the single-byte character c.
[[nodiscard]] bool EndsWithChar(CodePage& cp, std::string_view s, char c);
// Offset of the last character of s (npos for an empty string).
[[nodiscard]] std::size_t LastCharStart(CodePage& cp, std::string_view s);

// Folds ASCII letters to lower case; double-byte characters stay as they are.
[[nodiscard]] std::string ToLower(CodePage& cp, std::string_view s);
// Whole-string comparison with ASCII letters folded.
[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);

// Removes, from both ends, every single-byte character found in `set`.
void Trim(CodePage& cp, std::string& s, std::string_view set);

}  // namespace platform::text
