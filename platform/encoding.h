#pragma once

#include <optional>
#include <string>
#include <string_view>

// Local text is GB18030 bytes in a std::string: a superset of GBK in which every GBK byte
// sequence means the same and every Unicode character has a form. A byte of 0x80 or above
// starts a two-byte character; that is the rule the text walkers of the program follow.
namespace tidewell::platform {

// Converts between two iconv encodings. Strict: all or nothing, std::nullopt when any byte
// cannot be converted. Lenient: what cannot be converted becomes a replacement ("?" in local
// text, U+FFFD in Unicode encodings) and the rest comes through.
std::optional<std::string> convertStrict(std::string_view bytes, const char* from, const char* to);
std::string convertLenient(std::string_view bytes, const char* from, const char* to);

// UTF-8 <-> local text.
std::string localFromUtf8(std::string_view utf8);                    // lenient
std::optional<std::string> localFromUtf8Strict(std::string_view utf8);
std::string utf8FromLocal(std::string_view local);                   // lenient
std::optional<std::string> utf8FromLocalStrict(std::string_view local);

// UTF-16 (native order) <-> local text.
std::u16string utf16FromLocal(std::string_view local);               // lenient
std::string localFromUtf16(std::u16string_view utf16);               // lenient
std::optional<std::string> localFromUtf16Strict(std::u16string_view utf16);

// Reply decoders: the named encoding into local text, all or nothing.
std::optional<std::string> localFromUtf16LE(std::string_view bytes);
std::optional<std::string> localFromUtf16BE(std::string_view bytes);
std::optional<std::string> localFromBig5(std::string_view bytes);
std::optional<std::string> localFromBig5Hkscs(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (an empty text is).
bool isValidUtf8(std::string_view bytes);

// True when the local text holds only ASCII and two-byte characters (first byte 0x81 to 0xFE,
// second byte 0x40 to 0x7E or 0x80 to 0xFE); an empty text does. Each such character is one
// Unicode character and comes back from UTF-16 unchanged, so work that would convert the text
// to UTF-16 and back may walk the local bytes instead. A second byte is never below 0x40, so
// no ASCII punctuation, digit or control byte of such a text belongs to a two-byte character.
bool isTwoByteText(std::string_view local);

// Shorthand for program texts written in the UTF-8 source: local("全部") is the local text.
inline std::string local(std::string_view utf8) { return localFromUtf8(utf8); }

}  // namespace tidewell::platform
