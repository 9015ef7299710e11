#include "pattern/text_similarity.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
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

// A text to look pieces up in, with the places where its characters begin. Pieces of four
// bytes or more are looked up through an index of the text's four-byte runs, built on first
// need: a piece that is not there then costs a few table reads instead of a pass over the text.
class Haystack {
  public:
    // Walks the characters of the text, and sees on the way whether it is two-byte text (the
    // rule of platform::isTwoByteText, here to spare a second walk).
    explicit Haystack(std::string_view text) : text_(text), starts_(text.size(), 0) {
        const std::size_t n = text.size();
        for (std::size_t i = 0; i < n;) {
            starts_[i] = 1;
            const auto lead = static_cast<unsigned char>(text[i]);
            if (lead < 0x80) {
                ++i;
                continue;
            }
            if (i + 1 == n) {
                twoByte_ = false;
                break;
            }
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0x80 || lead == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF) {
                twoByte_ = false;
            }
            i += 2;
        }
    }

    bool twoByte() const { return twoByte_; }

    // Whether the piece occurs at a place where a character begins.
    bool find(std::string_view piece) const {
        std::size_t from = 0;
        while (from < text_.size() && text_.size() - from >= piece.size()) {
            const void* hit =
                memmem(text_.data() + from, text_.size() - from, piece.data(), piece.size());
            if (!hit) {
                break;
            }
            const std::size_t at =
                static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
            if (starts_[at]) {
                return true;
            }
            from = at + 1;
        }
        return false;
    }

    bool contains(std::string_view piece) {
        if (piece.empty()) {
            return !text_.empty();
        }
        if (piece.size() < kGram) {
            return find(piece);
        }
        if (piece.size() > text_.size()) {
            return false;
        }
        buildIndex();
        // Follow the rarest run of the piece.
        std::size_t offset = 0;
        std::uint32_t best = UINT32_MAX;
        for (std::size_t k = 0; k + kGram <= piece.size() && best > 0; ++k) {
            const std::uint32_t n = counts_[bucket(piece.data() + k)];
            if (n < best) {
                best = n;
                offset = k;
            }
        }
        for (std::int32_t at = heads_[bucket(piece.data() + offset)]; at >= 0; at = next_[at]) {
            const auto pos = static_cast<std::size_t>(at);
            if (pos < offset) {
                continue;
            }
            const std::size_t start = pos - offset;
            if (start + piece.size() <= text_.size() && starts_[start] &&
                std::memcmp(text_.data() + start, piece.data(), piece.size()) == 0) {
                return true;
            }
        }
        return false;
    }

  private:
    static constexpr std::size_t kGram = 4;

    std::uint32_t bucket(const char* p) const {
        std::uint32_t run;
        std::memcpy(&run, p, sizeof run);
        return (run * 0x9E3779B1u) >> (32 - bits_);
    }

    void buildIndex() {
        if (!next_.empty()) {
            return;
        }
        while (bits_ < 20 && (std::size_t{2} << bits_) < text_.size()) {
            ++bits_;
        }
        heads_.assign(std::size_t{1} << bits_, -1);
        counts_.assign(std::size_t{1} << bits_, 0);
        next_.assign(text_.size(), -1);
        for (std::size_t i = 0; i + kGram <= text_.size(); ++i) {
            const std::uint32_t b = bucket(text_.data() + i);
            next_[i] = heads_[b];
            heads_[b] = static_cast<std::int32_t>(i);
            if (counts_[b] < UINT16_MAX) {
                ++counts_[b];
            }
        }
    }

    std::string_view text_;
    std::vector<std::uint8_t> starts_;
    bool twoByte_ = true;
    int bits_ = 10;
    std::vector<std::int32_t> heads_;
    std::vector<std::uint16_t> counts_;
    std::vector<std::int32_t> next_;
};

}  // namespace

// The pieces of one text, the text they are views of, and the text to look pieces up in.
struct TextSimilarity::Side {
    std::string text;
    std::string cut;   // the text with every separator replaced by the mark (pattern way only)
    std::string seen;  // the text as the pattern sees it, when that differs (pattern way only)
    std::vector<std::string_view> pieces;
    std::optional<Haystack> haystack;
};

namespace {

// A two-byte character as one number: first byte, second byte.
std::uint16_t twoByteCode(const std::string& local) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(local[0]) << 8 |
                                      static_cast<unsigned char>(local[1]));
}

// The two-byte characters that cut a text: the four wide punctuation separators and the mark.
struct WideCuts {
    std::uint16_t codes[5] = {twoByteCode(platform::local("。")),
                              twoByteCode(platform::local("，")),
                              twoByteCode(platform::local("！")),
                              twoByteCode(platform::local("；")), twoByteCode(pieceMark())};

    bool has(std::uint16_t code) const {
        for (std::uint16_t c : codes) {
            if (c == code) {
                return true;
            }
        }
        return false;
    }
};

// The pieces of a two-byte text, cut where the separator pattern
// "<[\s\S]+?>|[。，！\?!,;；]|\r\n" matches and at every mark, with the rules of
// splitAtMark, as views of the text itself. An ASCII separator byte is always a character of its
// own: the second byte of a two-byte character is 0x40 or above.
std::vector<std::string_view> cutTwoByteText(std::string_view text) {
    static const WideCuts wide;
    std::vector<std::string_view> pieces;
    const std::size_t size = text.size();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < size) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (byte >= 0x80) {
            const auto code =
                static_cast<std::uint16_t>(byte << 8 | static_cast<unsigned char>(text[i + 1]));
            length = wide.has(code) ? 2 : 0;
            if (length == 0) {
                i += 2;
                continue;
            }
        } else if (byte == '?' || byte == '!' || byte == ',' || byte == ';') {
            length = 1;
        } else if (byte == '\r' && i + 1 < size && text[i + 1] == '\n') {
            length = 2;
        } else if (byte == '<' && i + 1 < size) {
            // One character of any kind, then everything up to the first ">".
            const std::size_t close = text.find('>', i + 1 + characterSize(text, i + 1));
            length = close == std::string_view::npos ? 0 : close + 1 - i;
        }
        if (length == 0) {
            ++i;
            continue;
        }
        pieces.push_back(text.substr(start, i - start));
        i += length;
        start = i;
    }
    if (start < size) {
        pieces.push_back(text.substr(start));
    }
    return pieces;
}

// Cuts the text into its pieces: straight in the local bytes where that gives what the pattern
// gives, through the pattern otherwise. The side must not move afterwards (the pieces are views
// of its texts).
void cutText(PatternMatcher& matcher, bool ready, std::string_view text,
             TextSimilarity::Side& side) {
    side.text = text;
    side.haystack.emplace(side.text);
    if (ready && side.haystack->twoByte()) {
        side.pieces = cutTwoByteText(side.text);
    } else {
        // The pattern sees the text as UTF-16, where bytes that are no character have become
        // replacement characters. Its pieces are looked up in that form of the other text too,
        // or a page holding such bytes would not even be like itself.
        side.seen = platform::localFromUtf16(platform::utf16FromLocal(text));
        if (side.seen != side.text) {
            side.haystack.emplace(side.seen);
        }
        side.cut = matcher.Replace(text, pieceMark());
        if (side.cut.empty()) {
            // No engine: the whole text is one piece.
            side.cut = side.seen;
        }
        side.pieces = splitAtMark(side.cut, pieceMark());
    }
}

std::int64_t countFound(const std::vector<std::string_view>& pieces, Haystack& haystack) {
    std::int64_t found = 0;
    for (std::string_view piece : pieces) {
        if (haystack.contains(piece)) {
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

std::pair<std::shared_ptr<TextSimilarity::Side>, std::shared_ptr<TextSimilarity::Side>>
TextSimilarity::sides(std::string_view first, std::string_view second) {
    // The collection run compares each page with the page before, which was the first text of
    // the call before: its pieces and index are kept from then.
    auto a = std::make_shared<Side>();
    cutText(matcher_, ready_, first, *a);
    std::shared_ptr<Side> b = last_;
    if (!b || b->text != second || lastReady_ != ready_) {
        b = std::make_shared<Side>();
        cutText(matcher_, ready_, second, *b);
    }
    last_ = a;
    lastReady_ = ready_;
    return {std::move(a), std::move(b)};
}

int TextSimilarity::Compare(std::string_view first, std::string_view second) {
    if (first.empty() || second.empty()) {
        return first.empty() && second.empty() ? 100 : 0;
    }
    const auto [a, b] = sides(first, second);
    const auto na = static_cast<std::int64_t>(a->pieces.size());
    const auto nb = static_cast<std::int64_t>(b->pieces.size());
    if (na == 0 || nb == 0) {
        return 0;
    }
    const std::int64_t foundA = countFound(a->pieces, *b->haystack);
    const std::int64_t foundB = countFound(b->pieces, *a->haystack);
    // (foundA / na * 100 + foundB / nb * 100) / 2, truncated, in exact arithmetic.
    return static_cast<int>((foundA * nb + foundB * na) * 100 / (2 * na * nb));
}

bool TextSimilarity::MoreAlikeThan(std::string_view first, std::string_view second, int percent) {
    if (first.empty() || second.empty() || percent < 0 || percent >= 100) {
        return Compare(first, second) > percent;
    }
    const auto [a, b] = sides(first, second);
    const auto na = static_cast<std::int64_t>(a->pieces.size());
    const auto nb = static_cast<std::int64_t>(b->pieces.size());
    if (na == 0 || nb == 0) {
        return false;
    }
    // The rating is above percent exactly when (foundA * nb + foundB * na) * 100 reaches need.
    // Every piece looked up narrows the range the sum can still reach; the lookups stop as soon
    // as the range lies wholly on one side.
    const std::int64_t need = (percent + 1) * 2 * na * nb;
    std::int64_t foundA = 0;
    std::int64_t leftA = na;
    for (std::string_view piece : a->pieces) {
        --leftA;
        if (b->haystack->contains(piece)) {
            ++foundA;
        }
        if (((foundA + leftA) * nb + nb * na) * 100 < need) {
            return false;
        }
        if (foundA * nb * 100 >= need) {
            return true;
        }
    }
    std::int64_t foundB = 0;
    std::int64_t leftB = nb;
    for (std::string_view piece : b->pieces) {
        --leftB;
        if (a->haystack->contains(piece)) {
            ++foundB;
        }
        if ((foundA * nb + (foundB + leftB) * na) * 100 < need) {
            return false;
        }
        if ((foundA * nb + foundB * na) * 100 >= need) {
            return true;
        }
    }
    return false;
}

}  // namespace tidewell::pattern
