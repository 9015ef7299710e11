#include "collect/text/file_name.h"

#include "collect/text/detail/characters.h"

namespace tidewell::text {
namespace {

// The local (GBK) form of the full-width stand-in for c, or empty when c stays.
std::string_view fullWidthFor(char c) {
    switch (c) {
        case '\\':
            return "\xA3\xDC";
        case '/':
            return "\xA3\xAF";
        case ':':
            return "\xA3\xBA";
        case '*':
            return "\xA3\xAA";
        case '?':
            return "\xA3\xBF";
        case '|':
            return "\xA3\xFC";
        case '<':
            return "\xA3\xBC";
        case '>':
            return "\xA3\xBE";
        default:
            return {};
    }
}

bool isDropped(char c) {
    return c == '"' || c == '\r' || c == '\n' || c == '\t';
}

// A second byte of a two-byte character is 0x40 or above (GBK) or a digit (the pairs of a
// four-byte GB18030 character). A first byte followed by anything else stands alone, so a
// broken character can never hide a "/" from the cleaning.
bool isSecondByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x40 || (b >= 0x30 && b <= 0x39);
}

}  // namespace

std::string CleanFileName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (detail::isLeadByte(c)) {
            if (i + 1 < text.size() && isSecondByte(text[i + 1])) {
                out.append(text.substr(i, 2));
                i += 2;
            } else {
                out.push_back(c);
                ++i;
            }
            continue;
        }
        if (const std::string_view wide = fullWidthFor(c); !wide.empty()) {
            out.append(wide);
        } else if (!isDropped(c)) {
            out.push_back(c);
        }
        ++i;
    }
    return out;
}

}  // namespace tidewell::text
