#include "collect/comment_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/encoding.h"

namespace tidewell::collect {
namespace {

using platform::local;

// One record as the service writes it, keys double-quoted.
std::string record(const std::string& ip, const std::string& content, const std::string& nick,
                   const std::string& config = "") {
    return "{\"status\": \"M_PASS\", \"ip\": \"" + ip + "\", \"area\": \"" + local("北京") +
           "\", \"content\": \"" + content + "\", \"time\": \"2024-05-01 10:00:00\", \"nick\": \"" +
           nick + "\", \"uid\": \"42\", \"config\": \"" + config + "\"}";
}

std::vector<std::string> allRecords(const std::string& reply) {
    std::vector<std::string> records;
    int position = 0;
    for (std::string r = NextCommentRecord(reply, position); !r.empty();
         r = NextCommentRecord(reply, position)) {
        records.push_back(r);
    }
    return records;
}

TEST(CommentPageAddress, BuildsTheQueryInItsFixedOrder) {
    const ThreadKey key{"gn", "1-1-29894458"};
    EXPECT_EQ(CommentPageAddress(key, 1),
              "http://comment.news.example/page/info?format=js&channel=gn&newsid=1-1-29894458"
              "&group=0&compress=1&ie=gbk&oe=gbk&page=1&page_size=100");
    EXPECT_EQ(CommentPageAddress(key, 12, "127.0.0.1:8080"),
              "http://127.0.0.1:8080/page/info?format=js&channel=gn&newsid=1-1-29894458"
              "&group=0&compress=1&ie=gbk&oe=gbk&page=12&page_size=100");
    EXPECT_EQ(CommentPageAddress({}, 3, "h"),
              "http://h/page/info?format=js&channel=&newsid=&group=0&compress=1&ie=gbk&oe=gbk"
              "&page=3&page_size=100");
}

TEST(ReplyTitle, TakesTheFirstTitle) {
    EXPECT_EQ(
        ReplyTitle(std::string("var data={\"news\": {\"title\": \"").append(local("新闻标题")) +
                   "\"}, \"title\": \"second\"}"),
        local("新闻标题"));
    EXPECT_EQ(ReplyTitle("{\"TITLE\": \"Capital\"}"), "Capital");
    EXPECT_EQ(ReplyTitle("{\"cmntlist\": []}"), "");
    EXPECT_EQ(ReplyTitle(""), "");
}

TEST(CommentRecords, ReadsEveryRecordAndItsFields) {
    const std::string reply = "var data={\"news\": {\"title\": \"t\"}, \"cmntlist\": [" +
                              record("1.2.3.4", local("第一条"), "alice") + ", " +
                              record("5.6.7.8", local("第二条"), "bob") + "]}";
    const std::vector<std::string> records = allRecords(reply);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].substr(0, 7), "M_PASS\"");

    const CommentRecord first = ParseCommentRecord(records[0]);
    EXPECT_EQ(first.ip, "1.2.3.4");
    EXPECT_EQ(first.area, local("北京"));
    EXPECT_EQ(first.content, local("第一条"));
    EXPECT_EQ(first.time, "2024-05-01 10:00:00");
    EXPECT_EQ(first.nick, "alice");
    EXPECT_EQ(first.uid, "42");
    EXPECT_EQ(ParseCommentRecord(records[1]).nick, "bob");
}

TEST(CommentRecords, WalkEndsWithoutRecordsAndKeepsThePosition) {
    int position = 0;
    EXPECT_EQ(NextCommentRecord("", position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(NextCommentRecord("{\"news\": {}}", position), "");
    EXPECT_EQ(position, 0);
}

TEST(CommentRecords, KeyLetterCaseIsIgnored) {
    const std::string reply =
        "{\"STATUS\": \"1\", \"IP\": \"9.9.9.9\", \"Content\": \"x\", \"NICK\": \"N\"}";
    const std::vector<std::string> records = allRecords(reply);
    ASSERT_EQ(records.size(), 1u);
    const CommentRecord r = ParseCommentRecord(records[0]);
    EXPECT_EQ(r.ip, "9.9.9.9");
    EXPECT_EQ(r.content, "x");
    EXPECT_EQ(r.nick, "N");
    EXPECT_EQ(r.area, "");
}

TEST(CommentRecords, ABraceInTheContentCutsTheRecord) {
    const std::string reply = record("1.1.1.1", "a}b", "n1") + record("2.2.2.2", "c", "n2");
    const std::vector<std::string> records = allRecords(reply);
    ASSERT_EQ(records.size(), 2u);
    const CommentRecord cut = ParseCommentRecord(records[0]);
    EXPECT_EQ(cut.ip, "1.1.1.1");
    EXPECT_EQ(cut.content, "");  // its closing quote lies beyond the brace
    EXPECT_EQ(cut.time, "");
    EXPECT_EQ(cut.nick, "");
    EXPECT_EQ(ParseCommentRecord(records[1]).content, "c");
}

TEST(CommentRecords, TwoByteCharactersNeverEndOrStartAMarker) {
    // "\x81}" is one character whose second byte is "}"; "\x81w" one whose second byte is "w".
    const std::string content = "x\x81}y\x81wb_screen_name=fake&";
    const std::string reply = record("1.1.1.1", content, "real");
    const std::vector<std::string> records = allRecords(reply);
    ASSERT_EQ(records.size(), 1u);
    const CommentRecord r = ParseCommentRecord(records[0]);
    EXPECT_EQ(r.content, content);
    EXPECT_EQ(r.nick, "real");
}

TEST(CommentRecords, EscapedQuoteEndsTheContent) {
    const std::vector<std::string> records = allRecords(record("1.1.1.1", "say \\\"hi\\\"", "n"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(ParseCommentRecord(records[0]).content, "say \\");
}

TEST(ParseCommentRecord, PrefersTheQueryStyleNameAndId) {
    struct Case {
        const char* name;
        std::string record;
        std::string nick;
        std::string uid;
    };
    const Case cases[] = {
        {"query form wins",
         record("1", "c", "plain",
                std::string("wb_screen_name=").append(local("微博名")) + "&wb_user_id=77&x=1"),
         local("微博名"), "77"},
        {"no & after the key: plain fields", record("1", "c", "plain", "wb_screen_name=w"), "plain",
         "42"},
        {"empty query value: plain fields", record("1", "c", "plain", "wb_screen_name=&"), "plain",
         "42"},
        {"runs to the next & wherever it stands",
         "\"config\": \"wb_screen_name=w\", \"content\": \"a&b\", \"nick\": \"plain\"",
         "w\", \"content\": \"a", ""},
    };
    for (const Case& c : cases) {
        const CommentRecord r = ParseCommentRecord(c.record);
        EXPECT_EQ(r.nick, c.nick) << c.name;
        EXPECT_EQ(r.uid, c.uid) << c.name;
    }
}

TEST(CommentRecords, UnquotedKeysGiveRecordsWithoutFields) {
    const std::string reply = "{status: 1, ip: 1.2.3.4, content: hello}{status: 2, content: x}";
    const std::vector<std::string> records = allRecords(reply);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "1, ip: 1.2.3.4, content: hello");
    const CommentRecord r = ParseCommentRecord(records[0]);
    EXPECT_EQ(r.ip, "");
    EXPECT_EQ(r.content, "");
}

}  // namespace
}  // namespace tidewell::collect
