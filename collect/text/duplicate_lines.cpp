#include "collect/text/duplicate_lines.h"

#include <cstdint>
#include <functional>
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

    // A member stays where its last occurrence stands. Equal members share a slot of an open
    // table that holds the index of the latest one seen; each member remembers its slot.
    size_t slotCount = 16;
    while (slotCount < members.size() * 2) {
        slotCount *= 2;
    }
    constexpr size_t kEmpty = SIZE_MAX;
    std::vector<size_t> latest(slotCount, kEmpty);
    std::vector<size_t> slotOf(members.size());
    const std::hash<std::string_view> hash;
    for (size_t i = 0; i < members.size(); ++i) {
        size_t slot = hash(members[i]) & (slotCount - 1);
        while (latest[slot] != kEmpty && members[latest[slot]] != members[i]) {
            slot = (slot + 1) & (slotCount - 1);
        }
        latest[slot] = i;
        slotOf[i] = slot;
        if ((i + 1) % kMembersPerPump == 0) {
            platform::pumpEvents();
        }
    }

    std::string out;
    out.reserve(text.size());
    bool first = true;
    for (size_t i = 0; i < members.size(); ++i) {
        if (latest[slotOf[i]] == i) {
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
