// TextBetween and FindText against a plain re-reading of their rules: every character start
// of the text is tried in turn, so the fast search's skipping and look-back are checked
// against a search that has neither. A caller walking a text with a running position must
// come to an end.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "collect/text/text_between.h"
#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using tidewell::text::FindText;
using tidewell::text::TextBetween;

constexpr size_t npos = std::string_view::npos;

bool isLead(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

size_t characterLength(std::string_view text, size_t i) {
    return isLead(text[i]) && i + 1 < text.size() ? 2 : 1;
}

// Two-byte characters of the needle compare exactly; case folds only one-byte letters.
bool matchesAt(std::string_view hay, size_t at, std::string_view needle, bool ignoreCase) {
    if (at + needle.size() > hay.size()) {
        return false;
    }
    for (size_t k = 0; k < needle.size();) {
        if (isLead(needle[k])) {
            const size_t n = std::min<size_t>(2, needle.size() - k);
            if (hay.substr(at + k, n) != needle.substr(k, n)) {
                return false;
            }
            k += n;
            continue;
        }
        const char a = ignoreCase ? fold(hay[at + k]) : hay[at + k];
        const char b = ignoreCase ? fold(needle[k]) : needle[k];
        if (a != b) {
            return false;
        }
        ++k;
    }
    return true;
}

size_t plainFind(std::string_view hay, std::string_view needle, size_t from, bool ignoreCase) {
    if (needle.empty()) {
        return npos;
    }
    for (size_t i = 0; i < hay.size(); i += characterLength(hay, i)) {
        if (i >= from && matchesAt(hay, i, needle, ignoreCase)) {
            return i;
        }
    }
    return npos;
}

std::string quoteMarks(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
            out += '"';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string withoutQuotes(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '"') {
            out += c;
        }
    }
    return out;
}

struct Cut {
    std::string value;
    int position;
};

// The rules of TextBetween read step by step, on the text extended by the start and end
// markers. A value that would reach into those markers is empty.
const std::string& headMarker() {
    static const std::string marker = tidewell::platform::local("#Brenvik头#");
    return marker;
}

const std::string& tailMarker() {
    static const std::string marker = tidewell::platform::local("#Brenvik尾#");
    return marker;
}

Cut plainTextBetween(std::string_view text, std::string_view left, std::string_view right,
                     int position) {
    const std::string& head = headMarker();
    const std::string& tail = tailMarker();
    const std::string l = left.empty() ? head : quoteMarks(left);
    const std::string r = right.empty() ? tail : quoteMarks(right);
    std::string hay = (left.empty() ? head : std::string()) + std::string(text) +
                      (right.empty() ? tail : std::string());
    const size_t offset = left.empty() ? head.size() : 0;
    const size_t from = position > 1 ? static_cast<size_t>(position) - 1 : 0;

    struct Span {
        size_t start, end, next;
    };
    auto attempt = [&](const std::string& lm, const std::string& rm) -> std::optional<Span> {
        size_t leftAt = 0;
        if (lm.empty() ? from >= hay.size() : (leftAt = plainFind(hay, lm, from, true)) == npos) {
            return std::nullopt;
        }
        const size_t start = leftAt + lm.size();
        size_t rightAt = 0;
        if (rm.empty() ? start >= hay.size()
                       : (rightAt = plainFind(hay, rm, start, true)) == npos) {
            return std::nullopt;
        }
        return Span{start, rightAt, rightAt + rm.size()};
    };
    std::optional<Span> span = attempt(l, r);
    if (!span && (withoutQuotes(l) != l || withoutQuotes(r) != r)) {
        span = attempt(withoutQuotes(l), withoutQuotes(r));
    }
    if (!span) {
        return {std::string(), position};
    }
    Cut cut{std::string(), static_cast<int>(std::min<size_t>(span->next + 1, INT_MAX))};
    if (span->end > span->start && span->start >= offset && span->end <= offset + text.size()) {
        cut.value = hay.substr(span->start, span->end - span->start);
    }
    return cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string left = input.ConsumeRandomLengthString(24);
    const std::string right = input.ConsumeRandomLengthString(24);
    const int start = input.ConsumeIntegralInRange<int>(-2, 64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    for (bool ignoreCase : {true, false}) {
        const size_t from = static_cast<size_t>(std::max(start, 0));
        FUZZ_CHECK(FindText(text, left, from, ignoreCase) ==
                   plainFind(text, left, from, ignoreCase));
    }

    // Markers of double quotes only find the start of the text again on the second attempt,
    // so their position may go back; every other pair moves it forward.
    const bool mayGoBack = (!left.empty() && withoutQuotes(quoteMarks(left)).empty()) ||
                           (!right.empty() && withoutQuotes(quoteMarks(right)).empty());
    const size_t extended = text.size() + (left.empty() ? headMarker().size() : 0) +
                            (right.empty() ? tailMarker().size() : 0);

    int position = start;
    for (size_t step = 0; step <= extended + 1; ++step) {
        const int before = position;
        const Cut expected = plainTextBetween(text, left, right, position);
        const std::string value = TextBetween(text, left, right, &position);
        FUZZ_CHECK(value == expected.value);
        FUZZ_CHECK(position == expected.position);
        FUZZ_CHECK(position == before ||
                   (position >= 1 && static_cast<size_t>(position) <= extended + 1));
        if (value.empty()) {
            return 0;
        }
        FUZZ_CHECK(text.find(value) != std::string::npos);
        if (mayGoBack) {
            return 0;
        }
        FUZZ_CHECK(position > std::max(before, 1));
    }
    FUZZ_FAIL("a walk with a running position never ends");
    return 0;
}
