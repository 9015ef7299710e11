#include "collect/text/text_between.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "collect/text/detail/characters.h"
#include "platform/encoding.h"

namespace tidewell::text {
namespace detail {
namespace {

constexpr size_t npos = std::string_view::npos;

// How often a byte turns up in comment replies and pages; the search looks for the rarest byte
// of the needle first. -1: unusable (a letter when case is ignored has two forms).
int commonness(char c, bool ignoreAsciiCase) {
    if (isAsciiLetter(c)) {
        if (ignoreAsciiCase) {
            return -1;
        }
        return c >= 'a' ? 4 : 3;
    }
    switch (c) {
        case ' ':
            return 6;
        case '"':
            return 5;
        case ',':
        case '\r':
        case '\n':
            return 4;
        default:
            break;
    }
    if ((c >= '0' && c <= '9') || isLeadByte(c)) {
        return 2;
    }
    return 1;
}

bool matchesAt(std::string_view hay, size_t at, std::string_view needle, bool ignoreAsciiCase) {
    if (!ignoreAsciiCase) {
        return std::memcmp(hay.data() + at, needle.data(), needle.size()) == 0;
    }
    const size_t m = needle.size();
    for (size_t k = 0; k < m;) {
        const char a = hay[at + k];
        const char b = needle[k];
        if (isLeadByte(b)) {
            // A two-byte character compares exactly, its second byte included.
            if (a != b || (k + 1 < m && hay[at + k + 1] != needle[k + 1])) {
                return false;
            }
            k += 2;
            continue;
        }
        if (foldAscii(a) != foldAscii(b)) {
            return false;
        }
        ++k;
    }
    return true;
}

// Offset of the first c in [from, last], or npos.
size_t scanByte(std::string_view hay, char c, size_t from, size_t last) {
    if (from > last) {
        return npos;
    }
    const void* p = std::memchr(hay.data() + from, c, last - from + 1);
    return p ? static_cast<size_t>(static_cast<const char*>(p) - hay.data()) : npos;
}

}  // namespace

size_t findText(std::string_view hay, std::string_view needle, size_t from, bool ignoreAsciiCase,
                size_t knownStart) {
    const size_t n = hay.size();
    const size_t m = needle.size();
    if (m == 0 || from > n || m > n - from) {
        return npos;
    }
    const size_t last = n - m;
    // A known start beyond from would skip part of the look-back: fall back on the text's start.
    size_t known = knownStart <= from ? knownStart : 0;
    // A candidate is checked for a character start only once its bytes match; every check
    // moves the known start forward, so the look-backs of one search never overlap.
    auto accept = [&](size_t s) {
        if (!matchesAt(hay, s, needle, ignoreAsciiCase)) {
            return false;
        }
        const bool starts = startsCharacter(hay, s, known);
        known = starts ? s : s + 1;
        return starts;
    };

    size_t anchor = npos;
    int best = INT_MAX;
    for (size_t k = 0; k < m; ++k) {
        const int score = commonness(needle[k], ignoreAsciiCase);
        if (score >= 0 && score < best) {
            best = score;
            anchor = k;
        }
    }

    if (anchor != npos) {
        const char a = needle[anchor];
        for (size_t s = from; s <= last; ++s) {
            const size_t hit = scanByte(hay, a, s + anchor, last + anchor);
            if (hit == npos) {
                return npos;
            }
            s = hit - anchor;
            if (accept(s)) {
                return s;
            }
        }
        return npos;
    }

    // Nothing but letters, case ignored: follow both forms of the first letter.
    const char lower = foldAscii(needle[0]);
    const char upper = static_cast<char>(lower - 32);
    size_t nextLower = scanByte(hay, lower, from, last);
    size_t nextUpper = scanByte(hay, upper, from, last);
    while (true) {
        const size_t s = std::min(nextLower, nextUpper);
        if (s == npos) {
            return npos;
        }
        if (accept(s)) {
            return s;
        }
        if (s == nextLower) {
            nextLower = scanByte(hay, lower, s + 1, last);
        } else {
            nextUpper = scanByte(hay, upper, s + 1, last);
        }
    }
}

}  // namespace detail

namespace {

const std::string& headSentinel() {
    static const std::string sentinel = platform::local("#Brenvik头#");
    return sentinel;
}

const std::string& tailSentinel() {
    static const std::string sentinel = platform::local("#Brenvik尾#");
    return sentinel;
}

std::string withoutDoubleQuotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '"') {
            out.push_back(c);
        }
    }
    return out;
}

struct Span {
    size_t start;  // first byte of the value
    size_t end;    // the right marker
    size_t next;   // first byte after the right marker
};

// One search for the marker pair. An empty marker (one that held only double quotes) is
// "found" at the very start of the text as long as any text is left to search.
std::optional<Span> attempt(std::string_view hay, std::string_view left, std::string_view right,
                            size_t from) {
    const size_t n = hay.size();
    size_t leftAt = 0;
    if (left.empty()) {
        if (from >= n) {
            return std::nullopt;
        }
    } else {
        leftAt = detail::findText(hay, left, from, true, 0);
        if (leftAt == std::string_view::npos) {
            return std::nullopt;
        }
    }
    const size_t start = leftAt + left.size();
    size_t rightAt = 0;
    if (right.empty()) {
        if (start >= n) {
            return std::nullopt;
        }
    } else {
        rightAt = detail::findText(hay, right, start, true, leftAt);
        if (rightAt == std::string_view::npos) {
            return std::nullopt;
        }
    }
    return Span{start, rightAt, rightAt + right.size()};
}

}  // namespace

size_t FindText(std::string_view hay, std::string_view needle, size_t from, bool ignoreAsciiCase) {
    return detail::findText(hay, needle, from, ignoreAsciiCase, 0);
}

std::string QuoteMarks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
            out.push_back('"');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

MarkerPair::MarkerPair(std::string_view left, std::string_view right)
    : left_(left.empty() ? headSentinel() : QuoteMarks(left)),
      right_(right.empty() ? tailSentinel() : QuoteMarks(right)),
      bareLeft_(withoutDoubleQuotes(left_)),
      bareRight_(withoutDoubleQuotes(right_)),
      retry_(bareLeft_ != left_ || bareRight_ != right_),
      atHead_(left.empty()),
      atTail_(right.empty()) {}

std::string_view MarkerPair::Cut(std::string_view text, int* position) const {
    // The start and end markers stand for the start and end of the text: put them there, so
    // that positions count them as well.
    std::string extended;
    std::string_view hay = text;
    size_t offset = 0;
    if (atHead_ || atTail_) {
        if (atHead_) {
            extended = headSentinel();
            offset = extended.size();
        }
        extended.append(text);
        if (atTail_) {
            extended.append(tailSentinel());
        }
        hay = extended;
    }

    const int remembered = position ? *position : 0;
    const size_t from = remembered > 1 ? static_cast<size_t>(remembered) - 1 : 0;
    std::optional<Span> span = attempt(hay, left_, right_, from);
    if (!span && retry_) {
        span = attempt(hay, bareLeft_, bareRight_, from);
    }
    if (!span) {
        return {};
    }
    if (position) {
        *position = static_cast<int>(std::min<size_t>(span->next + 1, INT_MAX));
    }
    if (span->end <= span->start || span->start < offset || span->end > offset + text.size()) {
        return {};
    }
    return text.substr(span->start - offset, span->end - span->start);
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int* position) {
    return std::string(MarkerPair(left, right).Cut(text, position));
}

}  // namespace tidewell::text
