#include "collect/thread_identification.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/encoding.h"

namespace tidewell::collect {
namespace {

using platform::local;

TEST(QueryValue, Cases) {
    struct Case {
        const char* address;
        const char* key;
        const char* value;
    } cases[] = {
        {"http://news.example/comment/skin/default.html?channel=gn&newsid=1-1-29894458", "newsid",
         "1-1-29894458"},
        {"http://news.example/comment/skin/default.html?channel=gn&newsid=1-1-29894458", "channel",
         "gn"},
        {"http://x/?CHANNEL=gj&newsid=2", "channel", "gj"},
        // the first occurrence wins, also where it ends a longer key name
        {"http://x/?subchannel=sub&channel=gn", "channel", "sub"},
        // an empty value before "&" gives the rest of the address
        {"http://x/?channel=&newsid=5", "channel", "&newsid=5"},
        {"http://x/?newsid=a%20b", "newsid", "a%20b"},
        {"http://x/?a=1", "channel", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QueryValue(c.address, c.key), c.value) << c.address << " " << c.key;
    }
}

TEST(IdentifyThread, CommentViewerAddressNeedsNoFetch) {
    int fetches = 0;
    auto fetch = [&](const std::string&) {
        ++fetches;
        return std::string();
    };
    ThreadKey key = IdentifyThread(
        "http://NEWS.example/Comment/skin/default.html?channel=gn&newsid=1-1-29894458", fetch);
    EXPECT_EQ(key.channel, "gn");
    EXPECT_EQ(key.newsid, "1-1-29894458");
    // an article address that carries a comment-viewer address in its query counts as one
    key = IdentifyThread(
        "http://other.example/a.html?from=news.example/comment/x?channel=ty&newsid=7", fetch);
    EXPECT_EQ(key.channel, "ty");
    EXPECT_EQ(key.newsid, "7");
    EXPECT_EQ(fetches, 0);
}

TEST(IdentifyThread, ArticlePages) {
    struct Case {
        std::string page;
        const char* channel;
        const char* newsid;
    } cases[] = {
        {local("<script>var data={channel:'gn',newsid:'1-1-5',标题:'中文'};</script>"), "gn",
         "1-1-5"},
        {"<script>CHANNEL:'sh', NewsId:'2-2-2'</script>", "sh", "2-2-2"},
        {"<script>channel:\"gj\",newsid:\"3-3-3\"</script>", "gj", "3-3-3"},
        {"<script>channel: 'gj', newsid: '3-3-3'</script>", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> fetched;
        ThreadKey key = IdentifyThread("news.example/gn/1.html", [&](const std::string& url) {
            fetched.push_back(url);
            return c.page;
        });
        EXPECT_EQ(key.channel, c.channel) << c.page;
        EXPECT_EQ(key.newsid, c.newsid) << c.page;
        ASSERT_EQ(fetched.size(), 1u);
        EXPECT_EQ(fetched[0], "news.example/gn/1.html");
    }
}

}  // namespace
}  // namespace tidewell::collect
