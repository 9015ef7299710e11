// DecodeEntities against a plain reading of its rules: the named references replaced one
// name after the other in the table's order, then the numeric ones, walking the text
// character by character.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "collect/text/entities.h"
#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Named {
    std::string_view reference;
    std::string_view local;
};

// In the program's order, "&amp;" last.
constexpr Named kNamed[] = {
    {"&ndash;", "\xA8\x43"},
    {"&mdash;", "\xA1\xAA"},
    {"&ldquo;", "\xA1\xB0"},
    {"&rdquo;", "\xA1\xB1"},
    {"&nbsp;", " "},
    {"&lt;", "<"},
    {"&gt;", ">"},
    {"&quot;", "\""},
    {"&times;", "\xA1\xC1"},
    {"&divide;", "\xA1\xC2"},
    {"&middot;", "\xA1\xA4"},
    {"&hellip;", "\xA1\xAD"},
    {"&lsquo;", "\xA1\xAE"},
    {"&rsquo;", "\xA1\xAF"},
    {"&permil;", "\xA1\xEB"},
    {"&prime;", "\xA1\xE4"},
    {"&Prime;", "\xA1\xE5"},
    {"&larr;", "\xA1\xFB"},
    {"&uarr;", "\xA1\xFC"},
    {"&rarr;", "\xA1\xFA"},
    {"&darr;", "\xA1\xFD"},
    {"&radic;", "\xA1\xCC"},
    {"&prop;", "\xA1\xD8"},
    {"&infin;", "\xA1\xDE"},
    {"&ang;", "\xA1\xCF"},
    {"&and;", "\xA1\xC4"},
    {"&or;", "\xA1\xC5"},
    {"&cap;", "\xA1\xC9"},
    {"&cup;", "\xA1\xC8"},
    {"&int;", "\xA1\xD2"},
    {"&there4;", "\xA1\xE0"},
    {"&sim;", "\xA1\xAB"},
    {"&asymp;", "\xA1\xD6"},
    {"&ne;", "\xA1\xD9"},
    {"&equiv;", "\xA1\xD4"},
    {"&le;", "\xA1\xDC"},
    {"&ge;", "\xA1\xDD"},
    {"&oplus;", "\xA8\x92"},
    {"&perp;", "\xA1\xCD"},
    {"&amp;", "&"},
};

size_t characterLength(std::string_view text, size_t i) {
    return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
}

std::string replaceEvery(std::string_view text, std::string_view find, std::string_view by) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, find.size()) == find) {
            out += by;
            i += find.size();
        } else {
            const size_t n = characterLength(text, i);
            out += text.substr(i, n);
            i += n;
        }
    }
    return out;
}

std::string utf8Of(uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// The local form of the numeric reference at text[at], with its length.
std::optional<std::pair<std::string, size_t>> numericAt(std::string_view text, size_t at) {
    if (text.substr(at, 2) != "&#") {
        return std::nullopt;
    }
    size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    i += hex ? 1 : 0;
    const size_t digits = i;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d = -1;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0) {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (value > 0x10FFFF) {
            value = 0x110000;
        }
    }
    if (i == digits || i >= text.size() || text[i] != ';') {
        return std::nullopt;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    std::optional<std::string> local =
        value < 0x80
            ? std::optional(std::string(1, static_cast<char>(value)))
            : tidewell::platform::localFromUtf8Strict(utf8Of(static_cast<uint32_t>(value)));
    if (!local || local->empty()) {
        return std::nullopt;
    }
    return std::pair(*local, i + 1 - at);
}

std::string plainDecode(std::string_view text) {
    std::string named(text);
    for (const Named& n : kNamed) {
        if (named.find(n.reference) == std::string::npos) {
            continue;
        }
        named = replaceEvery(named, n.reference, n.local);
    }
    std::string out;
    for (size_t i = 0; i < named.size();) {
        if (auto ref = numericAt(named, i)) {
            out += ref->first;
            i += ref->second;
        } else {
            const size_t n = characterLength(named, i);
            out += named.substr(i, n);
            i += n;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = tidewell::text::DecodeEntities(text);
    // Every reference is at least as long as what it stands for.
    FUZZ_CHECK(decoded.size() <= text.size());
    FUZZ_CHECK(decoded == plainDecode(text));
    return 0;
}
