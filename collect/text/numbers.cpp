#include "collect/text/numbers.h"

#include <array>
#include <charconv>
#include <climits>
#include <limits>

#include "collect/text/detail/characters.h"
#include "platform/encoding.h"

namespace tidewell::text {
namespace {

// ASCII form of each two-byte local character that has one, indexed by its two bytes.
using WideTable = std::array<char, 65536>;

const WideTable& wideTable() {
    static const WideTable table = [] {
        WideTable t{};
        auto add = [&t](char32_t cp, char ascii) {
            // U+3000 and U+FF01..U+FF5E are three UTF-8 bytes each.
            const char utf8[] = {static_cast<char>(0xE0 | (cp >> 12)),
                                 static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                                 static_cast<char>(0x80 | (cp & 0x3F))};
            const std::string bytes = platform::local(std::string_view(utf8, 3));
            if (bytes.size() == 2) {
                t[(static_cast<unsigned char>(bytes[0]) << 8) |
                  static_cast<unsigned char>(bytes[1])] = ascii;
            }
        };
        add(0x3000, ' ');
        for (char32_t cp = 0xFF01; cp <= 0xFF5E; ++cp) {
            add(cp, static_cast<char>(cp - 0xFEE0));
        }
        return t;
    }();
    return table;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A typed number's text in ASCII, with the position of its first digit and its sign: the
// blanks and the sign before the digits are passed over.
struct NumberText {
    std::string ascii;
    size_t start = 0;
    bool negative = false;
};

NumberText numberText(std::string_view text) {
    NumberText n{FullWidthToAscii(text)};
    const std::string& ascii = n.ascii;
    size_t& i = n.start;
    while (i < ascii.size() && isBlank(ascii[i])) {
        ++i;
    }
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) {
        n.negative = ascii[i] == '-';
        ++i;
    }
    return n;
}

}  // namespace

std::string FullWidthToAscii(std::string_view text) {
    const WideTable& table = wideTable();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t len = detail::characterLength(text, i);
        if (len == 2) {
            const char ascii = table[(static_cast<unsigned char>(text[i]) << 8) |
                                     static_cast<unsigned char>(text[i + 1])];
            if (ascii != 0) {
                out.push_back(ascii);
                i += 2;
                continue;
            }
        }
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

int LeadingInteger(std::string_view text) {
    const NumberText n = numberText(text);
    const std::string& ascii = n.ascii;
    const bool negative = n.negative;
    size_t i = n.start;
    long long value = 0;
    for (; i < ascii.size() && isDigit(ascii[i]); ++i) {
        value = value * 10 + (ascii[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value < INT_MIN ? INT_MIN : value);
}

double LeadingNumber(std::string_view text) {
    const NumberText n = numberText(text);
    const std::string& ascii = n.ascii;
    const bool negative = n.negative;
    size_t i = n.start;
    const size_t start = i;
    size_t digits = 0;
    for (; i < ascii.size() && isDigit(ascii[i]); ++i) {
        ++digits;
    }
    if (i < ascii.size() && ascii[i] == '.') {
        ++i;
        for (; i < ascii.size() && isDigit(ascii[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    double value = 0;
    const auto result =
        std::from_chars(ascii.data() + start, ascii.data() + i, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::max();
    }
    return negative ? -value : value;
}

}  // namespace tidewell::text
