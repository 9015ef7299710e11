// A comment service reply cut into records and fields: each cut must be what TextBetween
// gives with the same markers, and a walk through the records must end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "collect/comment_service.h"
#include "collect/text/text_between.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using tidewell::collect::CommentRecord;
using tidewell::collect::NextCommentRecord;
using tidewell::collect::ParseCommentRecord;
using tidewell::collect::ReplyTitle;
using tidewell::text::TextBetween;

bool holds(std::string_view whole, std::string_view part) {
    return part.empty() || whole.find(part) != std::string_view::npos;
}

std::string preferred(std::string_view record, const char* queryKey, const char* quotedKey) {
    std::string value = TextBetween(record, queryKey, "&");
    return value.empty() ? TextBetween(record, quotedKey, "''") : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);

    const std::string title = ReplyTitle(reply);
    FUZZ_CHECK(title == TextBetween(reply, "''title'': ''", "''"));

    int position = 0;
    for (size_t records = 0;; ++records) {
        // Every record takes at least its markers' bytes, so a walk cannot last longer.
        FUZZ_CHECK(records <= reply.size() / 10 + 1);
        const int before = position;
        int expectedPosition = position;
        const std::string expected = TextBetween(reply, "{''status'': ''", "}", &expectedPosition);
        const std::string record = NextCommentRecord(reply, position);
        FUZZ_CHECK(record == expected);
        FUZZ_CHECK(position == expectedPosition);
        if (record.empty()) {
            FUZZ_CHECK(position == before || position > before);
            break;
        }
        FUZZ_CHECK(position > before && static_cast<size_t>(position) <= reply.size() + 1);
        FUZZ_CHECK(holds(reply, record));

        const CommentRecord fields = ParseCommentRecord(record);
        FUZZ_CHECK(fields.ip == TextBetween(record, "''ip'': ''", "''"));
        FUZZ_CHECK(fields.area == TextBetween(record, "''area'': ''", "''"));
        FUZZ_CHECK(fields.content == TextBetween(record, "''content'': ''", "''"));
        FUZZ_CHECK(fields.time == TextBetween(record, "''time'': ''", "''"));
        FUZZ_CHECK(fields.nick == preferred(record, "wb_screen_name=", "''nick'': ''"));
        FUZZ_CHECK(fields.uid == preferred(record, "wb_user_id=", "''uid'': ''"));
        for (const std::string* field :
             {&fields.ip, &fields.area, &fields.content, &fields.time, &fields.nick, &fields.uid}) {
            FUZZ_CHECK(holds(record, *field));
        }
    }
    return 0;
}
