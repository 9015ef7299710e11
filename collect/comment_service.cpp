#include "collect/comment_service.h"

#include "collect/text/text_between.h"
#include "tidewell_config.h"

namespace tidewell::collect {
namespace {

using text::MarkerPair;

// The markers as the program stores them: "''" stands for a double quote. Each pair is
// prepared once; a reply is cut into hundreds of values.
struct ReplyMarkers {
    MarkerPair title{"''title'': ''", "''"};
    MarkerPair record{"{''status'': ''", "}"};
    MarkerPair ip{"''ip'': ''", "''"};
    MarkerPair area{"''area'': ''", "''"};
    MarkerPair content{"''content'': ''", "''"};
    MarkerPair time{"''time'': ''", "''"};
    MarkerPair screenName{"wb_screen_name=", "&"};
    MarkerPair nick{"''nick'': ''", "''"};
    MarkerPair userId{"wb_user_id=", "&"};
    MarkerPair uid{"''uid'': ''", "''"};
};

const ReplyMarkers& markers() {
    static const ReplyMarkers instance;
    return instance;
}

}  // namespace

std::string CommentPageAddress(const ThreadKey& key, int page, std::string_view host) {
    std::string address = "http://";
    address += host.empty() ? std::string_view(TIDEWELL_COMMENT_HOST) : host;
    address += "/page/info?format=js&channel=";
    address += key.channel;
    address += "&newsid=";
    address += key.newsid;
    address += "&group=0&compress=1&ie=gbk&oe=gbk&page=";
    address += std::to_string(page);
    address += "&page_size=100";
    return address;
}

std::string ReplyTitle(std::string_view reply) {
    return std::string(markers().title.Cut(reply));
}

std::string NextCommentRecord(std::string_view reply, int& position) {
    return std::string(markers().record.Cut(reply, &position));
}

CommentRecord ParseCommentRecord(std::string_view record) {
    const ReplyMarkers& m = markers();
    CommentRecord out;
    out.ip = m.ip.Cut(record);
    out.area = m.area.Cut(record);
    out.content = m.content.Cut(record);
    out.time = m.time.Cut(record);
    // The query-style screen name and user id win wherever they stand in the record.
    std::string_view nick = m.screenName.Cut(record);
    out.nick = nick.empty() ? m.nick.Cut(record) : nick;
    std::string_view uid = m.userId.Cut(record);
    out.uid = uid.empty() ? m.uid.Cut(record) : uid;
    return out;
}

}  // namespace tidewell::collect
