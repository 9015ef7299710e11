#include "collect/text/duplicate_lines.h"

#include <unordered_map>
#include <vector>

#include "collect/text/detail/characters.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

// Members handled between two calls of the event pump: well under a millisecond of work.
constexpr size_t kMembersPerPump = 1024;

// SplitText, letting pending window events run on long texts.
std::vector<std::string_view> splitMembers(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> members;
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
        if (members.size() % kMembersPerPump == 0) {
            platform::pumpEvents();
        }
    }
    return members;
}

}  // namespace

std::string RemoveDuplicateLines(std::string_view text, std::string_view separator) {
    if (text.empty() || separator.empty()) {
        return std::string(text);
    }
    const std::vector<std::string_view> members = splitMembers(text, separator);
    if (members.size() < 2) {
        return std::string(text);
    }

    // A member stays where its last occurrence stands.
    std::unordered_map<std::string_view, size_t> lastIndex;
    lastIndex.reserve(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        lastIndex[members[i]] = i;
        if ((i + 1) % kMembersPerPump == 0) {
            platform::pumpEvents();
        }
    }

    std::string out;
    out.reserve(text.size());
    bool first = true;
    for (size_t i = 0; i < members.size(); ++i) {
        if (lastIndex.find(members[i])->second == i) {
            if (!first) {
                out.append(separator);
            }
            out.append(members[i]);
            first = false;
        }
        if ((i + 1) % kMembersPerPump == 0) {
            platform::pumpEvents();
        }
    }
    return out;
}

}  // namespace tidewell::text
