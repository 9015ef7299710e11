#include "collect/text/split.h"

#include "collect/text/detail/characters.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

// The ideographic space in local text.
constexpr std::string_view kWideSpace = "\xA1\xA1";

}  // namespace

std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator,
                                        size_t pumpEvery) {
    std::vector<std::string_view> members;
    if (text.empty()) {
        return members;
    }
    if (separator.empty()) {
        members.push_back(text);
        return members;
    }
    size_t pos = 0;
    size_t known = 0;
    while (pos < text.size()) {
        const size_t found = detail::findText(text, separator, pos, false, known);
        if (found == std::string_view::npos) {
            members.push_back(text.substr(pos));
            break;
        }
        members.push_back(text.substr(pos, found - pos));
        pos = found + separator.size();
        known = found;
        if (pumpEvery > 0 && members.size() % pumpEvery == 0) {
            platform::pumpEvents();
        }
    }
    return members;
}

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end) {
        if (text[begin] == ' ') {
            ++begin;
        } else if (text.substr(begin, 2) == kWideSpace) {
            begin += 2;
        } else {
            break;
        }
    }
    while (end > begin) {
        if (text[end - 1] == ' ') {
            --end;
        } else if (end - begin >= 2 && text.substr(end - 2, 2) == kWideSpace &&
                   detail::startsCharacter(text, end - 2, begin)) {
            end -= 2;
        } else {
            break;
        }
    }
    return std::string(text.substr(begin, end - begin));
}

}  // namespace tidewell::text
