#include "tools/fakeportal/portal.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tools/fakeportal/fixture_file.h"
#include "tools/fakeportal/generator.h"

namespace tidewell::fakeportal {
namespace {

using platform::local;

std::size_t countOf(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

std::string between(std::string_view text, std::string_view left, std::string_view right) {
    const auto start = text.find(left);
    if (start == std::string_view::npos) {
        return {};
    }
    const auto from = start + left.size();
    return std::string(text.substr(from, text.find(right, from) - from));
}

std::size_t records(std::string_view reply) {
    return countOf(reply, "{\"status\": \"");
}
std::string title(std::string_view reply) {
    return between(reply, "\"title\": \"", "\"");
}

PortalSettings settings(PastEnd pastEnd = PastEnd::EmptyList) {
    PortalSettings s;
    s.commentHost = "Comment.News.Example";
    s.newsHost = "news.example";
    s.pastEnd = pastEnd;
    return s;
}

std::vector<Thread> repositoryFixtures() {
    std::string error;
    auto threads = loadFixtureFolder(TIDEWELL_FAKEPORTAL_FIXTURES, error);
    EXPECT_TRUE(threads) << error;
    return threads ? std::move(*threads) : std::vector<Thread>{};
}

class PortalTest : public ::testing::Test {
  protected:
    Reply get(const std::string& target, const BodyChanges& changes = {}) {
        return portal_.respond(portal_.route(parseRequestTarget(target)), changes);
    }
    std::string comments(const std::string& newsid, int page, const BodyChanges& changes = {}) {
        return *get("/page/info?format=js&channel=gn&newsid=" + newsid +
                        "&group=0&compress=1&ie=gbk&oe=gbk&page=" + std::to_string(page) +
                        "&page_size=100",
                    changes)
                    .body;
    }
    Portal portal_{settings(), repositoryFixtures()};
};

TEST(PortalRoute, RoutesByHostForProxyRequestsAndByPathOtherwise) {
    const Portal portal(settings(), {});
    const struct {
        const char* target;
        RouteKind kind;
        const char* channel;
        const char* newsid;
        std::uint64_t page;
        ArticleEncoding encoding;
    } cases[] = {
        {"http://comment.news.example/page/info?channel=gn&newsid=1-1-2&page=3",
         RouteKind::CommentPage, "gn", "1-1-2", 3, ArticleEncoding::Gbk},
        {"HTTP://COMMENT.NEWS.EXAMPLE:80/page/info?newsid=x", RouteKind::CommentPage, "", "x", 1,
         ArticleEncoding::Gbk},
        {"/page/info?channel=gn&newsid=x&page=0", RouteKind::CommentPage, "gn", "x", 1,
         ArticleEncoding::Gbk},
        {"/page/info?channel=gn&newsid=x&page=abc", RouteKind::CommentPage, "gn", "x", 1,
         ArticleEncoding::Gbk},
        {"/page/info?subchannel=no&channel=gn&newsid=x", RouteKind::CommentPage, "gn", "x", 1,
         ArticleEncoding::Gbk},
        {"http://comment.news.example/gn/x.html", RouteKind::NotFound, "", "", 1,
         ArticleEncoding::Gbk},
        {"http://news.example/page/info?newsid=x", RouteKind::NotFound, "", "", 1,
         ArticleEncoding::Gbk},
        {"http://news.example/gn/1-1-2.html", RouteKind::Article, "gn", "1-1-2", 1,
         ArticleEncoding::Gbk},
        {"http://news.example/sh/1-1-2.utf8.html?from=x", RouteKind::Article, "sh", "1-1-2", 1,
         ArticleEncoding::Utf8},
        {"/gn/1-1-2.big5.html", RouteKind::Article, "gn", "1-1-2", 1, ArticleEncoding::Big5},
        {"/gn/a/b.html", RouteKind::NotFound, "", "", 1, ArticleEncoding::Gbk},
        {"/gn/.html", RouteKind::NotFound, "", "", 1, ArticleEncoding::Gbk},
        {"/gn/x.htm", RouteKind::NotFound, "", "", 1, ArticleEncoding::Gbk},
        {"http://news.example/comment/skin/default.html?channel=gn&newsid=1-1-2", RouteKind::Viewer,
         "gn", "1-1-2", 1, ArticleEncoding::Gbk},
        {"http://news.example", RouteKind::Index, "", "", 1, ArticleEncoding::Gbk},
        {"/", RouteKind::Index, "", "", 1, ArticleEncoding::Gbk},
        {"http://www.example.org/gn/x.html", RouteKind::UnknownHost, "", "", 1,
         ArticleEncoding::Gbk},
    };
    for (const auto& c : cases) {
        const Route route = portal.route(parseRequestTarget(c.target));
        EXPECT_EQ(route.kind, c.kind) << c.target;
        EXPECT_EQ(route.channel, c.channel) << c.target;
        EXPECT_EQ(route.newsid, c.newsid) << c.target;
        EXPECT_EQ(route.page, c.page) << c.target;
        EXPECT_EQ(route.encoding, c.encoding) << c.target;
    }
}

TEST_F(PortalTest, CommentPagesOfAFixtureCarryTitleAndRecordsInLocalText) {
    const std::string page1 = comments("seven-comments", 1);
    EXPECT_EQ(page1.rfind("var data={", 0), 0u);
    EXPECT_EQ(title(page1), local("七条评论分三页的新闻"));
    EXPECT_EQ(records(page1), 3u);
    EXPECT_NE(page1.find(local("\"content\": \"第一页第一条评论，写得不错。\"")),
              std::string::npos);
    EXPECT_NE(page1.find(local("\"config\": \"wb_screen_name=读者甲&wb_user_id=1000000001&")),
              std::string::npos);
    for (const char* key :
         {"\"ip\": \"10.0.1.1\"", "\"area\": \"", "\"time\": \"2024-03-01 08:07:00\"",
          "\"nick\": \"", "\"uid\": \"1000000001\""}) {
        EXPECT_NE(page1.find(key), std::string::npos) << key;
    }
    EXPECT_EQ(records(comments("seven-comments", 2)), 3u);
    EXPECT_EQ(records(comments("seven-comments", 3)), 1u);

    const Reply reply = get("/page/info?channel=gn&newsid=seven-comments&page=1");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType, "application/javascript");
}

TEST_F(PortalTest, RepeatedPageIsTheSameBytesAndUnknownThreadsAreEmpty) {
    EXPECT_EQ(comments("repeated-page", 2), comments("repeated-page", 1));
    EXPECT_NE(comments("repeated-page", 3), comments("repeated-page", 1));

    const std::string unknown = comments("no-such-thread", 1);
    EXPECT_EQ(records(unknown), 0u);
    EXPECT_EQ(title(unknown), "");
}

TEST(PortalPastEnd, EmptyListOrLastPageAgainByServerOrFixtureChoice) {
    std::string error;
    std::vector<Thread> threads;
    for (const char* text :
         {"newsid: plain\ntitle: T\ncomment\ncontent: a\npage\ncomment\ncontent: b\n",
          "newsid: again\ntitle: T\npast-end: repeat\ncomment\ncontent: a\n",
          "newsid: never\ntitle: T\npast-end: empty\ncomment\ncontent: a\n"}) {
        threads.push_back(*parseThreadFixture(text, "", "t", error));
    }
    for (PastEnd serverChoice : {PastEnd::EmptyList, PastEnd::RepeatLast}) {
        Portal portal(settings(serverChoice), threads);
        auto page = [&](const std::string& newsid, int n) {
            return *portal
                        .respond(portal.route(
                            parseRequestTarget("/page/info?channel=gn&newsid=" + newsid +
                                               "&page=" + std::to_string(n))))
                        .body;
        };
        const bool repeat = serverChoice == PastEnd::RepeatLast;
        EXPECT_EQ(page("plain", 3) == page("plain", 2), repeat);
        EXPECT_EQ(records(page("plain", 3)), repeat ? 1u : 0u);
        EXPECT_EQ(title(page("plain", 3)), "T");
        EXPECT_EQ(page("again", 2), page("again", 1));
        EXPECT_EQ(records(page("never", 2)), 0u);

        // Generated threads: 250 comments are pages of 100, 100 and 50.
        EXPECT_EQ(records(page("gen-250-7", 1)), 100u);
        EXPECT_EQ(records(page("gen-250-7", 2)), 100u);
        EXPECT_EQ(records(page("gen-250-7", 3)), 50u);
        EXPECT_EQ(page("gen-250-7", 4) == page("gen-250-7", 3), repeat);
        EXPECT_EQ(records(page("gen-250-7", 4)), repeat ? 50u : 0u);
        EXPECT_EQ(title(page("gen-250-7", 4)), local(generatedTitle({250, 7})));
        EXPECT_EQ(records(page("gen-0-7", 1)), 0u);
    }
}

TEST_F(PortalTest, GeneratedPagesAreStableAndEveryRecordIsWhole) {
    const std::string page = comments("gen-1000-3", 4);
    EXPECT_EQ(page, comments("gen-1000-3", 4));
    EXPECT_NE(page, comments("gen-1000-4", 4));
    // Each record closes with the "}" right after its last field, so a reader that cuts at the
    // first "}" gets all of it.
    std::size_t at = 0;
    std::size_t whole = 0;
    while ((at = page.find("{\"status\": \"", at)) != std::string::npos) {
        const auto end = page.find('}', at);
        ASSERT_NE(end, std::string::npos);
        const std::string_view record(page.data() + at, end - at);
        EXPECT_NE(record.find("\"agree\": \"0\""), std::string::npos) << record;
        EXPECT_NE(record.find("\"config\": \"wb_screen_name="), std::string::npos);
        ++whole;
        at = end;
    }
    EXPECT_EQ(whole, 100u);
}

// The collector reads a body without byte-order mark or meta declaration as UTF-8 when it is
// valid UTF-8; a GBK page must therefore never happen to be valid UTF-8.
TEST_F(PortalTest, GbkBodiesWithChineseAreNeverValidUtf8) {
    std::vector<std::string> bodies;
    for (const char* newsid :
         {"seven-comments", "repeated-page", "slash-title", "same-title-a", "same-title-b",
          "lengths", "repeat-last", "untitled", "odd-records", "gen-300-1"}) {
        for (int page = 1; page <= 4; ++page) {
            bodies.push_back(comments(newsid, page));
        }
        bodies.push_back(*get(std::string("http://news.example/gn/") + newsid + ".html").body);
    }
    for (const auto& body : bodies) {
        const bool ascii = std::all_of(body.begin(), body.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        EXPECT_TRUE(ascii || !platform::isValidUtf8(body)) << body.substr(0, 200);
    }
}

TEST_F(PortalTest, ArticlePagesNameTheirThreadInEachEncoding) {
    const std::string gbk = *get("http://news.example/gj/slash-title.html").body;
    EXPECT_NE(gbk.find("channel:'gj'"), std::string::npos);
    EXPECT_NE(gbk.find("newsid:'slash-title'"), std::string::npos);
    EXPECT_EQ(gbk.find("charset"), std::string::npos);
    EXPECT_NE(gbk.find(local("中东局势/最新进展?")), std::string::npos);
    EXPECT_TRUE(platform::convertStrict(gbk, "GB18030", "UTF-8"));

    const std::string utf8 = *get("/gj/slash-title.utf8.html").body;
    EXPECT_TRUE(platform::isValidUtf8(utf8));
    EXPECT_LT(utf8.find("<meta charset=\"utf-8\">"), utf8.find("</head>"));
    EXPECT_NE(utf8.find("中东局势/最新进展?"), std::string::npos);
    EXPECT_NE(utf8.find("channel:'gj'"), std::string::npos);
    EXPECT_NE(utf8.find("newsid:'slash-title'"), std::string::npos);

    const std::string big5 = *get("/gj/slash-title.big5.html").body;
    EXPECT_LT(big5.find("charset=big5"), big5.find("</head>"));
    const auto decoded = platform::convertStrict(big5, "BIG5", "UTF-8");
    ASSERT_TRUE(decoded);
    EXPECT_NE(decoded->find("新聞"), std::string::npos);
    EXPECT_NE(decoded->find("&#19996;"), std::string::npos);  // 东 has no Big5 form
    EXPECT_NE(decoded->find("channel:'gj'"), std::string::npos);
    EXPECT_NE(decoded->find("newsid:'slash-title'"), std::string::npos);

    const std::string generated = *get("/gn/gen-10-5.html").body;
    EXPECT_NE(generated.find(local(generatedTitle({10, 5}))), std::string::npos);

    EXPECT_EQ(get("/gn/no-such-thread.html").status, 404);
    EXPECT_EQ(get("/gn/no-such-thread.utf8.html").status, 404);
    EXPECT_EQ(get("http://elsewhere.example/").status, 502);
    EXPECT_EQ(get("/nothing/here/at/all").status, 404);

    const Reply viewer = get("http://news.example/comment/skin/default.html?channel=gn&newsid=x");
    EXPECT_EQ(viewer.status, 200);
    EXPECT_NE(viewer.body->find("newsid=x"), std::string::npos);
    EXPECT_NE(get("/").body->find("/gn/seven-comments.html"), std::string::npos);
}

TEST_F(PortalTest, BodyChangesForTheReliabilityFaults) {
    const std::string plain = comments("seven-comments", 1);

    const std::string spoiled = comments("seven-comments", 1, {true, std::nullopt, std::nullopt});
    EXPECT_FALSE(platform::convertStrict(spoiled, "GB18030", "UTF-8"));
    EXPECT_EQ(records(spoiled), records(plain));
    // A reader walking two bytes from every byte of 0x80 up still finds every quote and brace.
    std::string walked;
    for (std::size_t i = 0; i < spoiled.size(); ++i) {
        if (static_cast<unsigned char>(spoiled[i]) >= 0x80) {
            ++i;
        } else {
            walked.push_back(spoiled[i]);
        }
    }
    std::string plainWalked;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (static_cast<unsigned char>(plain[i]) >= 0x80) {
            ++i;
        } else {
            plainWalked.push_back(plain[i]);
        }
    }
    EXPECT_EQ(walked.substr(0, plainWalked.size()), plainWalked);

    const std::string huge =
        comments("seven-comments", 1, {false, 20u * 1024 * 1024, std::nullopt});
    EXPECT_EQ(huge.size(), 20u * 1024 * 1024);
    EXPECT_EQ(huge.substr(0, plain.size()), plain);
    EXPECT_EQ(records(huge), 3u);

    const std::string many = comments("seven-comments", 1, {false, std::nullopt, 10000u});
    EXPECT_EQ(records(many), 10000u);
    EXPECT_EQ(title(many), title(plain));

    const std::string article = *get("/gn/seven-comments.html", {true, 100000u, std::nullopt}).body;
    EXPECT_EQ(article.size(), 100000u);
    EXPECT_NE(article.find("newsid:'seven-comments'"), std::string::npos);
    EXPECT_FALSE(platform::convertStrict(article, "GB18030", "UTF-8"));
}

}  // namespace
}  // namespace tidewell::fakeportal
