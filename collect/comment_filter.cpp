#include "collect/comment_filter.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "collect/text/count_chars.h"
#include "collect/text/numbers.h"
#include "collect/text/replace_list.h"
#include "collect/text/split.h"
#include "collect/text/text_between.h"
#include "pattern/pattern_matcher.h"
#include "platform/encoding.h"

namespace tidewell::collect {
namespace {

// Every occurrence of the tag replaced by the value, exact case; the value is taken whole (it
// may hold the list separator, unlike a ReplaceList value).
std::string replaceEvery(const std::string& text, const std::string& tag,
                         const std::string& value) {
    std::string out;
    size_t from = 0;
    while (true) {
        size_t hit = text::FindText(text, tag, from, false);
        if (hit == std::string::npos) {
            break;
        }
        out.append(text, from, hit - from);
        out += value;
        from = hit + tag.size();
    }
    if (from == 0) {
        return text;
    }
    out.append(text, from, std::string::npos);
    return out;
}

// What kBracketCodePattern removes from two-byte text (platform::isTwoByteText): every "["
// followed by one or more characters other than "[" and "]" and then "]", taken left to right.
// A bracket byte may still be the second byte of a character there, so the walk goes by
// characters.
std::string removeBracketCodes(std::string_view text) {
    const size_t n = text.size();
    auto next = [&](size_t i) {
        return static_cast<unsigned char>(text[i]) >= 0x80 ? i + 2 : i + 1;
    };
    std::string out;
    size_t copied = 0;
    for (size_t i = 0; i < n;) {
        if (text[i] != '[') {
            i = next(i);
            continue;
        }
        size_t close = i + 1;
        while (close < n && text[close] != '[' && text[close] != ']') {
            close = next(close);
        }
        if (close < n && text[close] == ']' && close > i + 1) {
            out.append(text, copied, i - copied);
            copied = close + 1;
            i = close + 1;
        } else {
            // No code starts at this "["; the next try starts at the bracket that ended this one.
            i = close;
        }
    }
    if (copied == 0) {
        return std::string(text);
    }
    out.append(text, copied, std::string_view::npos);
    return out;
}

// Whether a field joined to others with "|" comes back whole from splitting the list at "|":
// it holds no "|" byte, and the "|" after it starts a character (its last run of bytes of 0x80
// or above pairs up).
bool splitsAsItStands(const std::string& field) {
    if (field.find('|') != std::string::npos) {
        return false;
    }
    size_t run = 0;
    while (run < field.size() && static_cast<unsigned char>(field[field.size() - 1 - run]) >= 0x80) {
        ++run;
    }
    return run % 2 == 0;
}

}  // namespace

bool FilterComment(const CommentRecord& record, pattern::PatternMatcher& brackets,
                   const RunWindow& window, std::string& cleaned) {
    // A bracket code needs a "[" byte; without one the matcher could not change the text.
    // Two-byte text comes out of the matcher as the walk above leaves it, without the round
    // trip through UTF-16.
    if (record.content.find('[') == std::string::npos) {
        cleaned = record.content;
    } else if (platform::isTwoByteText(record.content)) {
        cleaned = removeBracketCodes(record.content);
    } else {
        cleaned = brackets.Replace(record.content);
    }
    if (cleaned.empty()) {
        return false;
    }
    const int length = text::CountChars(cleaned);
    if (length < text::LeadingInteger(window.EditText(control::kMinLength))) {
        return false;
    }
    return length <= text::LeadingInteger(window.EditText(control::kMaxLength));
}

std::string RenderComment(const CommentRecord& record, const std::string& cleaned,
                          const RunWindow& window) {
    static const std::string tags = platform::local("#IP#|#地方#|#时间#|#昵称#|#ID#");
    static const std::vector<std::string_view> tagList = text::SplitText(tags, "|");
    static const std::string contentTag = platform::local("#评论#");
    const std::string* const fields[] = {&record.ip, &record.area, &record.time, &record.nick,
                                         &record.uid};
    std::vector<std::string_view> values;
    std::string joined;
    if (std::all_of(std::begin(fields), std::end(fields),
                    [](const std::string* field) { return splitsAsItStands(*field); })) {
        for (const std::string* field : fields) {
            values.emplace_back(*field);
        }
    } else {
        // The list text "ip|area|time|nick|uid" as it splits: a "|" in a value shifts the rest.
        for (const std::string* field : fields) {
            if (field != fields[0]) {
                joined += '|';
            }
            joined += *field;
        }
        values = text::SplitText(joined, "|");
    }
    const std::string filled =
        text::ReplaceList(window.EditText(control::kTemplate), tagList, values, true);
    return replaceEvery(filled, contentTag, cleaned);
}

}  // namespace tidewell::collect
