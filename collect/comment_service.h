#pragma once

#include <string>
#include <string_view>

// The portal's comment service: the address of one page of a thread's comments and the
// reading of its reply. The reply is not parsed as a document; every value is cut out between
// fixed markers with the rules of TextBetween.
namespace tidewell::collect {

// An article's comment thread. Either text may be empty.
struct ThreadKey {
    std::string channel;
    std::string newsid;
};

// One comment, every field local text exactly as it stands in the reply (nothing unescaped).
struct CommentRecord {
    std::string ip;
    std::string area;
    std::string content;
    std::string time;
    std::string nick;
    std::string uid;
};

// The address of a page (first page 1) of the thread's comments, 100 a page, nothing escaped.
// host: the comment service host, may carry ":port"; empty for the host fixed in the build.
std::string CommentPageAddress(const ThreadKey& key, int page, std::string_view host = {});

// The thread title of a reply, or empty text.
std::string ReplyTitle(std::string_view reply);

// The next comment record of a reply after the 1-based position (0 before the first call),
// moving the position past the record's closing "}"; empty text when there is none.
std::string NextCommentRecord(std::string_view reply, int& position);

// The six fields of a record; a field whose markers are missing is empty.
CommentRecord ParseCommentRecord(std::string_view record);

}  // namespace tidewell::collect
