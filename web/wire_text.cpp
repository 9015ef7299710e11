#include "web/wire_text.h"

#include <algorithm>

#include "platform/encoding.h"

namespace tidewell::web::detail {
namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isFullWidthBlank(std::string_view text, size_t at) {
    return at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xA1 &&
           static_cast<unsigned char>(text[at + 1]) == 0xA1;
}

}  // namespace

std::string wireFromLocal(std::string_view local) {
    return isAscii(local) ? std::string(local) : platform::utf8FromLocal(local);
}

std::string localFromWire(std::string_view wire) {
    if (isAscii(wire) || !platform::isValidUtf8(wire)) {
        return std::string(wire);
    }
    return platform::localFromUtf8(wire);
}

bool hasScheme(std::string_view url) {
    // scheme = letter *( letter / digit / "+" / "-" / "." ), as URLs define it; a "://" later
    // in the text (a query that carries an address) is no scheme.
    if (url.empty() || !isAsciiLetter(url.front())) {
        return false;
    }
    size_t i = 1;
    while (i < url.size() && (isAsciiLetter(url[i]) || (url[i] >= '0' && url[i] <= '9') ||
                              url[i] == '+' || url[i] == '-' || url[i] == '.')) {
        ++i;
    }
    return url.substr(i).starts_with("://");
}

std::string trimText(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size()) {
        if (text[begin] == ' ') {
            ++begin;
        } else if (isFullWidthBlank(text, begin)) {
            begin += 2;
        } else {
            break;
        }
    }
    // Walk characters so that a trailing A1 A1 is only taken when it is a whole character.
    size_t end = begin;
    size_t at = begin;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            if (text[at] != ' ') {
                end = at + 1;
            }
            ++at;
        } else {
            size_t width = at + 1 < text.size() ? 2 : 1;
            if (!isFullWidthBlank(text, at)) {
                end = at + width;
            }
            at += width;
        }
    }
    return std::string(text.substr(begin, end - begin));
}

}  // namespace tidewell::web::detail
