#include "pattern/text_similarity.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/encoding.h"

namespace tidewell::pattern {
namespace {

const std::string& separatorPattern() {
    static const std::string pattern = platform::local("<[\\s\\S]+?>|[。，！\\?!,;；]|\\r\\n");
    return pattern;
}

// A single two-byte character that comment text hardly ever holds.
const std::string& pieceMark() {
    static const std::string mark = platform::local("ㄓ");
    return mark;
}

std::size_t characterSize(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
}

// Splits at the mark, whole characters only: empty pieces before a leading mark and between
// two marks, none after a final mark, none at all for an empty text.
std::vector<std::string_view> splitAtMark(std::string_view text, std::string_view mark) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, mark.size(), mark) == 0) {
            pieces.push_back(text.substr(start, i - start));
            i += mark.size();
            start = i;
        } else {
            i += characterSize(text, i);
        }
    }
    if (start < text.size()) {
        pieces.push_back(text.substr(start));
    }
    return pieces;
}

// A text to look pieces up in, with the places where its characters begin.
class Haystack {
  public:
    explicit Haystack(std::string_view text) : text_(text), starts_(text.size(), 0) {
        for (std::size_t i = 0; i < text.size(); i += characterSize(text, i)) {
            starts_[i] = 1;
        }
    }

    // The first place at or after from where the piece begins on a character, or npos.
    std::size_t find(std::string_view piece, std::size_t from = 0) const {
        while (from < text_.size() && text_.size() - from >= piece.size()) {
            const void* hit =
                memmem(text_.data() + from, text_.size() - from, piece.data(), piece.size());
            if (!hit) {
                break;
            }
            const std::size_t at =
                static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
            if (starts_[at]) {
                return at;
            }
            from = at + 1;
        }
        return std::string_view::npos;
    }

    bool contains(std::string_view piece) const {
        return piece.empty() ? !text_.empty() : find(piece) != std::string_view::npos;
    }

  private:
    std::string_view text_;
    std::vector<std::uint8_t> starts_;
};

struct CutText {
    std::string cut;  // the text with every separator replaced by the mark
    std::vector<std::string_view> pieces;
    // Pieces seen at a character start of the original text: each of them occurs there, so
    // a piece of the other text equal to one of them needs no search. Nearly all pieces of
    // two pages of one thread are found this way.
    std::unordered_set<std::string_view> known;
};

CutText cutText(PatternMatcher& matcher, std::string_view text, const Haystack& haystack) {
    CutText result;
    result.cut = matcher.Replace(text, pieceMark());
    if (result.cut.empty()) {
        // No engine: the whole text is one piece.
        result.cut = std::string(text);
    }
    result.pieces = splitAtMark(result.cut, pieceMark());
    // The pieces stand in the text in their order, so each search starts where the one before
    // ended and the whole pass reads the text about once.
    std::size_t from = 0;
    for (std::string_view piece : result.pieces) {
        if (piece.empty()) {
            continue;
        }
        const std::size_t at = haystack.find(piece, from);
        if (at != std::string_view::npos) {
            result.known.insert(piece);
            from = at + piece.size();
        }
    }
    return result;
}

std::int64_t countFound(const CutText& pieces, const CutText& other, const Haystack& haystack) {
    std::int64_t found = 0;
    for (std::string_view piece : pieces.pieces) {
        if (other.known.contains(piece) || haystack.contains(piece)) {
            ++found;
        }
    }
    return found;
}

}  // namespace

TextSimilarity::TextSimilarity() {
    CreateRegExp();
}

bool TextSimilarity::CreateRegExp() {
    if (!ready_) {
        ready_ = matcher_.CreateRegExp() && matcher_.SetPattern(separatorPattern());
    }
    return ready_;
}

int TextSimilarity::Compare(std::string_view first, std::string_view second) {
    if (first.empty() || second.empty()) {
        return first.empty() && second.empty() ? 100 : 0;
    }
    const Haystack firstText(first);
    const Haystack secondText(second);
    const CutText a = cutText(matcher_, first, firstText);
    const CutText b = cutText(matcher_, second, secondText);
    const auto na = static_cast<std::int64_t>(a.pieces.size());
    const auto nb = static_cast<std::int64_t>(b.pieces.size());
    if (na == 0 || nb == 0) {
        return 0;
    }
    const std::int64_t foundA = countFound(a, b, secondText);
    const std::int64_t foundB = countFound(b, a, firstText);
    // (foundA / na * 100 + foundB / nb * 100) / 2, truncated, in exact arithmetic.
    return static_cast<int>((foundA * nb + foundB * na) * 100 / (2 * na * nb));
}

}  // namespace tidewell::pattern
