#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fakeportal/thread.h"

// The bytes the stand-in answers with: comment-service replies in the marked form the
// collector reads, and article pages in three encodings.
namespace tidewell::fakeportal {

// What a comment reply says about its thread; UTF-8.
struct ReplyHead {
    std::string channel;
    std::string newsid;
    std::string title;
    std::string newsHost;
    std::uint64_t total = 0;  // comments of the whole thread
};

// One record, "{"status": "M_PASS", ... }", in local text. Values stand as given: a value
// holding a double quote or a closing brace breaks the record just as the real service's would.
std::string renderRecord(const Comment& comment, std::string_view mid, std::string_view newsHost);

// "var data={...}" with ": " after every key, the title under "title" and the records (local
// text, as from renderRecord or written out by hand) in "cmntlist". Local text.
std::string renderCommentReply(const ReplyHead& head, const std::vector<std::string>& records);

// The reply for a thread the service does not know: no title, no records.
std::string renderUnknownThreadReply();

enum class ArticleEncoding { Gbk, Utf8, Big5 };

// An article page naming its thread as channel:'…' and newsid:'…' in its script. The GBK page
// has no charset declaration; the UTF-8 and Big5 pages declare theirs in a meta element of the
// head. Texts are UTF-8 and converted to the page's encoding; in the Big5 page a character
// that Big5 lacks is written as a character reference.
std::string renderArticle(ArticleEncoding encoding, std::string_view channel,
                          std::string_view newsid, std::string_view title);

// A small comment-viewer page (local text).
std::string renderViewerPage(std::string_view channel, std::string_view newsid);

struct IndexEntry {
    std::string channel;
    std::string newsid;
    std::string title;
};
// The news host's front page: a link to every fixture thread (local text).
std::string renderIndexPage(const std::vector<IndexEntry>& entries);

// Puts byte sequences that are not GBK into a body without breaking its markers for a reader
// that takes every byte of 0x80 or above as the start of a two-byte character: a pair of
// invalid bytes at the start of every title and content value (or after "<h1>"), and a lone
// lead byte at the very end.
std::string spoilGbk(std::string body);

// Pads a body with filler (Chinese text in a script or HTML comment at the end) to exactly
// size bytes; a body already that long stays as it is.
std::string padBody(std::string body, std::uint64_t size, bool html);

}  // namespace tidewell::fakeportal
