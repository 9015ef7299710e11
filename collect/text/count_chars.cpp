#include "collect/text/count_chars.h"

#include <climits>

#include "collect/text/detail/characters.h"

namespace tidewell::text {
namespace {

bool isGb18030Digit(char c) {
    return c >= 0x30 && c <= 0x39;
}

}  // namespace

int CountChars(std::string_view text) {
    long long count = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++count) {
        const char c = text[i];
        if (detail::isLeadByte(c)) {
            // A four-byte character is two pairs whose second bytes are digits; a GBK second
            // byte never is.
            if (i + 3 < n && isGb18030Digit(text[i + 1]) && detail::isLeadByte(text[i + 2]) &&
                isGb18030Digit(text[i + 3])) {
                i += 4;
            } else {
                i += 2;
            }
        } else if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
            i += 2;
        } else {
            ++i;
        }
    }
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

}  // namespace tidewell::text
