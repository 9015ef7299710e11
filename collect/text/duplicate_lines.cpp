#include "collect/text/duplicate_lines.h"

#include <unordered_map>
#include <vector>

#include "collect/text/split.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

// Members handled between two calls of the event pump: well under a millisecond of work.
constexpr size_t kMembersPerPump = 1024;

}  // namespace

std::string RemoveDuplicateLines(std::string_view text, std::string_view separator) {
    if (text.empty() || separator.empty()) {
        return std::string(text);
    }
    const std::vector<std::string_view> members = SplitText(text, separator, kMembersPerPump);
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
