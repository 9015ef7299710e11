#include "pattern/pattern_matcher.h"

namespace tidewell::pattern {
namespace {

enum class Wildcards { literal, expand };

// One pass over the text, character by character, so that the second byte of a two-byte
// character is never taken for a metacharacter. Escaping every character of the set once is
// what escaping them one after the other, backslash first, comes to.
std::string escape(std::string_view text, std::string_view metacharacters, Wildcards wildcards) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            out += c;
            if (i + 1 < text.size()) {
                out += text[++i];
            }
            continue;
        }
        if (wildcards == Wildcards::expand && (c == '*' || c == '?')) {
            out += '.';
            out += c;
            continue;
        }
        if (metacharacters.find(c) != std::string_view::npos) {
            out += '\\';
        }
        out += c;
    }
    return out;
}

constexpr std::string_view kWildcardSet = "\\^$+.{}[]=()\"";
constexpr std::string_view kEscapeSet = "\\^$+.{}[]=()?*|\"";
constexpr std::string_view kKeepBarSet = "\\^$+.{}[]=()?*\"";

}  // namespace

std::string PatternMatcher::WildcardToPattern(std::string_view text) {
    return escape(text, kWildcardSet, Wildcards::expand);
}

std::string PatternMatcher::EscapeText(std::string_view text) {
    return escape(text, kEscapeSet, Wildcards::literal);
}

std::string PatternMatcher::EscapeKeepBar(std::string_view text) {
    return escape(text, kKeepBarSet, Wildcards::literal);
}

}  // namespace tidewell::pattern
