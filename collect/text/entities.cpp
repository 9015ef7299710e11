#include "collect/text/entities.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "collect/text/detail/characters.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

// Bytes of text handled between two calls of the event pump.
constexpr size_t kBytesPerPump = 64 * 1024;

struct NamedReference {
    std::string_view name;   // between "&" and ";"
    std::string_view value;  // local (GBK) text
};

// The program's table. Names never contain "&" or ";", and no value can start or complete
// another name (only "&amp;" yields a "&", and it comes last), so one pass gives what replacing
// the names one after the other in this order gives.
constexpr NamedReference kNamed[] = {
    {"ndash", "\xA8\x43"},
    {"mdash", "\xA1\xAA"},
    {"ldquo", "\xA1\xB0"},
    {"rdquo", "\xA1\xB1"},
    {"nbsp", " "},
    {"lt", "<"},
    {"gt", ">"},
    {"quot", "\""},
    {"times", "\xA1\xC1"},
    {"divide", "\xA1\xC2"},
    {"middot", "\xA1\xA4"},
    {"hellip", "\xA1\xAD"},
    {"lsquo", "\xA1\xAE"},
    {"rsquo", "\xA1\xAF"},
    {"permil", "\xA1\xEB"},
    {"prime", "\xA1\xE4"},
    {"Prime", "\xA1\xE5"},
    {"larr", "\xA1\xFB"},
    {"uarr", "\xA1\xFC"},
    {"rarr", "\xA1\xFA"},
    {"darr", "\xA1\xFD"},
    {"radic", "\xA1\xCC"},
    {"prop", "\xA1\xD8"},
    {"infin", "\xA1\xDE"},
    {"ang", "\xA1\xCF"},
    {"and", "\xA1\xC4"},
    {"or", "\xA1\xC5"},
    {"cap", "\xA1\xC9"},
    {"cup", "\xA1\xC8"},
    {"int", "\xA1\xD2"},
    {"there4", "\xA1\xE0"},
    {"sim", "\xA1\xAB"},
    {"asymp", "\xA1\xD6"},
    {"ne", "\xA1\xD9"},
    {"equiv", "\xA1\xD4"},
    {"le", "\xA1\xDC"},
    {"ge", "\xA1\xDD"},
    {"oplus", "\xA8\x92"},
    {"perp", "\xA1\xCD"},
    {"amp", "&"},
};

constexpr size_t kLongestName = 6;

const std::unordered_map<std::string_view, std::string_view>& namedTable() {
    static const std::unordered_map<std::string_view, std::string_view> table = [] {
        std::unordered_map<std::string_view, std::string_view> t;
        for (const NamedReference& r : kNamed) {
            t.emplace(r.name, r.value);
        }
        return t;
    }();
    return table;
}

// Walks the "&" of a text that start characters, calling the event pump now and then.
class AmpersandWalk {
  public:
    explicit AmpersandWalk(std::string_view text) : text_(text) {}

    // Offset of the next "&" at or after from that starts a character, or npos.
    size_t next(size_t from) {
        while (from < text_.size()) {
            if (from >= nextPump_) {
                platform::pumpEvents();
                nextPump_ = from + kBytesPerPump;
            }
            const void* p = std::memchr(text_.data() + from, '&', text_.size() - from);
            if (p == nullptr) {
                return std::string_view::npos;
            }
            const size_t at = static_cast<size_t>(static_cast<const char*>(p) - text_.data());
            const bool starts = detail::startsCharacter(text_, at, known_);
            known_ = starts ? at : at + 1;
            if (starts) {
                return at;
            }
            from = at + 1;
        }
        return std::string_view::npos;
    }

  private:
    std::string_view text_;
    size_t known_ = 0;
    size_t nextPump_ = 0;
};

std::string decodeNamed(std::string_view text) {
    const auto& table = namedTable();
    std::string out;
    out.reserve(text.size());
    AmpersandWalk walk(text);
    size_t copied = 0;
    for (size_t at = walk.next(0); at != std::string_view::npos; at = walk.next(at + 1)) {
        const size_t limit = std::min(text.size(), at + 2 + kLongestName);
        const void* semi = std::memchr(text.data() + at + 1, ';', limit - at - 1);
        if (semi == nullptr) {
            continue;
        }
        const size_t end = static_cast<size_t>(static_cast<const char*>(semi) - text.data());
        const auto it = table.find(text.substr(at + 1, end - at - 1));
        if (it == table.end()) {
            continue;
        }
        out.append(text.substr(copied, at - copied));
        out.append(it->second);
        copied = end + 1;
    }
    if (copied == 0) {
        return std::string(text);
    }
    out.append(text.substr(copied));
    return out;
}

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex) {
        const char f = detail::foldAscii(c);
        if (f >= 'a' && f <= 'f') {
            return f - 'a' + 10;
        }
    }
    return -1;
}

// The code point of the reference at text[at] ("&#..."), and the offset just after its ";".
struct NumericReference {
    char32_t codePoint;
    size_t end;
};

std::optional<NumericReference> readNumeric(std::string_view text, size_t at) {
    size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) {
        ++i;
    }
    const size_t digitsStart = i;
    constexpr char32_t kTooLarge = 0x110000;
    char32_t value = 0;
    for (int d; i < text.size() && (d = digitValue(text[i], hex)) >= 0; ++i) {
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(d), kTooLarge);
    }
    if (i == digitsStart || i >= text.size() || text[i] != ';') {
        return std::nullopt;
    }
    if (value == 0 || value >= kTooLarge || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return NumericReference{value, i + 1};
}

std::string utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return out;
}

// Local forms of the code points met in one text; comments repeat the same few characters.
class LocalForms {
  public:
    // Empty when the code point has no local form.
    const std::string& of(char32_t cp) {
        auto it = forms_.find(cp);
        if (it == forms_.end()) {
            std::string form;
            if (cp < 0x80) {
                form.push_back(static_cast<char>(cp));
            } else if (auto converted = platform::localFromUtf8Strict(utf8Of(cp))) {
                form = std::move(*converted);
            }
            it = forms_.emplace(cp, std::move(form)).first;
        }
        return it->second;
    }

  private:
    std::unordered_map<char32_t, std::string> forms_;
};

// Every reference is read from the text as it stands; a decoded character never becomes part
// of another reference.
std::string decodeNumeric(std::string_view text) {
    std::string out;
    LocalForms forms;
    AmpersandWalk walk(text);
    size_t copied = 0;
    platform::pumpEvents();
    for (size_t at = walk.next(0); at != std::string_view::npos; at = walk.next(at + 1)) {
        if (at + 1 >= text.size() || text[at + 1] != '#') {
            continue;
        }
        const std::optional<NumericReference> ref = readNumeric(text, at);
        if (!ref) {
            continue;
        }
        const std::string& form = forms.of(ref->codePoint);
        if (form.empty()) {
            continue;
        }
        if (out.empty()) {
            out.reserve(text.size());
        }
        out.append(text.substr(copied, at - copied));
        out.append(form);
        copied = ref->end;
    }
    if (copied == 0) {
        return std::string(text);
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
    return decodeNumeric(decodeNamed(text));
}

}  // namespace tidewell::text
