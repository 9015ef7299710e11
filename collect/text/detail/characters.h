#pragma once

#include <cstddef>
#include <string_view>

// Walking local text: a byte of 0x80 or above starts a two-byte character. A byte below 0x80
// is never the first byte of one, so a character always starts right after it; that lets a
// search check a single offset without walking the whole text from its start.
namespace tidewell::text::detail {

inline bool isLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

inline bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// True when a character starts at offset i. knownStart (<= i) is an offset already known to
// start a character (0 always is); the look-back never goes before it.
inline bool startsCharacter(std::string_view text, size_t i, size_t knownStart = 0) {
    size_t j = i;
    while (j > knownStart && isLeadByte(text[j - 1])) {
        --j;
    }
    // Bytes j..i-1 are all 0x80 or above and a character starts at j: they pair up.
    return (i - j) % 2 == 0;
}

// Bytes taken by the character that starts at i (1 or 2; 1 for a lone first byte at the end).
inline size_t characterLength(std::string_view text, size_t i) {
    return (isLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

// First occurrence of needle at or after from, starting on a character; knownStart (<= from)
// must start a character and bounds the look-back of the first candidate.
size_t findText(std::string_view hay, std::string_view needle, size_t from, bool ignoreAsciiCase,
                size_t knownStart);

}  // namespace tidewell::text::detail
