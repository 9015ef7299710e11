#include "tools/fakeportal/fixture_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "platform/encoding.h"

namespace tidewell::fakeportal {
namespace {

using platform::local;

std::optional<Thread> parse(std::string_view text, std::string& error) {
    return parseThreadFixture(text, "from-file", "t.thread", error);
}

TEST(FixtureFile, ReadsHeaderPagesCommentsRecordsAndRepeats) {
    const std::string text =
        "\xEF\xBB\xBF# a comment line\n"
        "title: 标题/带斜杠?和问号\n"
        "newsid: 1-1-123\r\n"
        "channel: sh\n"
        "past-end: repeat\n"
        "fault: reset#2\n"
        "\n"
        "comment\n"
        "  ip: 10.0.0.1\n"
        "  area: 北京\n"
        "  content:  two blanks after the colon keep one\n"
        "  time: 2024-03-01 08:00:00\n"
        "  nick: 甲\n"
        "  uid: 42\n"
        "comment\n"
        "  content: 只有内容\n"
        "  config: wb_screen_name=乙&wb_user_id=7&\n"
        "page\n"
        "record: {\"status\": \"x\", \"content\": \"他说\\\\\"好\\\\\"\\x81\\x20\"}\n"
        "page = 1\n"
        "page\n"
        "reply: var data={\\n\n"
        "reply: 第二行}\n";
    std::string error;
    auto thread = parse(text, error);
    ASSERT_TRUE(thread) << error;
    EXPECT_EQ(thread->title, "标题/带斜杠?和问号");
    EXPECT_EQ(thread->newsid, "1-1-123");
    EXPECT_EQ(thread->channel, "sh");
    EXPECT_EQ(thread->pastEnd, PastEnd::RepeatLast);
    ASSERT_EQ(thread->faults.size(), 1u);
    EXPECT_EQ(thread->faults[0].kind, FaultKind::Reset);
    EXPECT_EQ(thread->faults[0].newsid, "1-1-123");
    EXPECT_EQ(thread->faults[0].nth, 2u);

    ASSERT_EQ(thread->pages.size(), 4u);
    const Page& first = thread->pages[0];
    ASSERT_EQ(first.entries.size(), 2u);
    const auto& a = std::get<Comment>(first.entries[0]);
    EXPECT_EQ(a.ip, "10.0.0.1");
    EXPECT_EQ(a.area, "北京");
    EXPECT_EQ(a.content, " two blanks after the colon keep one");
    EXPECT_EQ(a.time, "2024-03-01 08:00:00");
    EXPECT_EQ(a.nick, "甲");
    EXPECT_EQ(a.uid, "42");
    EXPECT_FALSE(a.config);
    const auto& b = std::get<Comment>(first.entries[1]);
    EXPECT_EQ(b.content, "只有内容");
    EXPECT_EQ(b.ip, "");
    EXPECT_EQ(b.config, "wb_screen_name=乙&wb_user_id=7&");

    ASSERT_EQ(thread->pages[1].entries.size(), 1u);
    EXPECT_EQ(std::get<RawRecord>(thread->pages[1].entries[0]).local,
              local("{\"status\": \"x\", \"content\": \"他说\\\"好\\\"") + "\x81\x20\"}");
    EXPECT_EQ(thread->pages[2].sameAs, 0u);
    EXPECT_EQ(thread->pages[3].rawReply, local("var data={\n\n第二行}"));
}

TEST(FixtureFile, TakesNewsidFromFileNameAndChannelGnByDefault) {
    std::string error;
    auto thread = parse("comment\ncontent: x\n", error);
    ASSERT_TRUE(thread) << error;
    EXPECT_EQ(thread->newsid, "from-file");
    EXPECT_EQ(thread->channel, "gn");
    EXPECT_EQ(thread->title, "");
    EXPECT_FALSE(thread->pastEnd);
    ASSERT_EQ(thread->pages.size(), 1u);

    auto empty = parse("# nothing but a comment\n", error);
    ASSERT_TRUE(empty) << error;
    EXPECT_TRUE(empty->pages.empty());
}

TEST(FixtureFile, NamesTheLineOfEveryMistake) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"title: a\nbogus: 1\n", "t.thread:2: unknown key \"bogus\""},
        {"just words\n", "t.thread:1: expected"},
        {"ip: 1\n", "t.thread:1: \"ip\" belongs to a comment"},
        {"comment\ncontent: a\ncontent: b\n", "t.thread:3: \"content\" given twice"},
        {"title: a\ntitle: b\n", "t.thread:2: \"title\" given twice"},
        {"comment\ntitle: late\n", "t.thread:2: \"title\" belongs before"},
        {"page = 1\n", "t.thread:1: \"page = N\" needs the number of an earlier page"},
        {"page\npage = 3\n", "t.thread:2: \"page = N\""},
        {"page\npage = 1\ncomment\n", "t.thread:3: a repeated page"},
        {"reply: x\ncomment\n", "t.thread:2: a page whose reply is written out"},
        {"comment\nreply: x\n", "t.thread:2: a page whose reply is written out"},
        {"record: bad \\q escape\n", "t.thread:1: unknown escape \\q"},
        {"record: \\x4\n", "t.thread:1: \\x needs two hex digits"},
        {"record: ends in \\\n", "t.thread:1: a backslash ends the value"},
        {"past-end: sometimes\n", "t.thread:1: past-end is"},
        {"newsid: a b\n", "t.thread:1: the newsid"},
        {"channel: g/n\n", "t.thread:1: the channel"},
        {"fault: reset@other\n", "t.thread:1: a fault of a fixture applies to its own thread"},
        {"fault: explode\n", "t.thread:1: fault \"explode\": unknown kind"},
        {"title: \xFF\n", "t.thread:1: not UTF-8"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.text, error)) << c.text;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " gave: " << error;
    }
}

class FixtureFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/fakeportal-fixtures-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name) << text;
    }
    std::filesystem::path folder_;
};

TEST_F(FixtureFolder, ReadsThreadFilesInNameOrderAndRefusesADuplicateNewsid) {
    write("b.thread", "title: B\n");
    write("a.thread", "title: A\n");
    write("notes.txt", "not a fixture\n");
    std::string error;
    auto threads = loadFixtureFolder(folder_, error);
    ASSERT_TRUE(threads) << error;
    ASSERT_EQ(threads->size(), 2u);
    EXPECT_EQ((*threads)[0].newsid, "a");
    EXPECT_EQ((*threads)[1].newsid, "b");

    write("c.thread", "newsid: a\n");
    EXPECT_FALSE(loadFixtureFolder(folder_, error));
    EXPECT_NE(error.find("newsid \"a\" is already used by"), std::string::npos) << error;

    EXPECT_FALSE(loadFixtureFolder(folder_ / "missing", error));
}

// The threads the end-to-end tests rely on.
TEST(FixtureFile, RepositoryFixturesHoldTheThreadsOthersUse) {
    std::string error;
    auto threads = loadFixtureFolder(TIDEWELL_FAKEPORTAL_FIXTURES, error);
    ASSERT_TRUE(threads) << error;
    std::map<std::string, const Thread*> byNewsid;
    for (const auto& t : *threads) {
        byNewsid[t.newsid] = &t;
    }
    auto commentsPerPage = [&](const std::string& newsid) {
        std::vector<std::size_t> counts;
        for (const auto& page : byNewsid.at(newsid)->pages) {
            counts.push_back(page.sameAs ? 1000 + *page.sameAs : page.entries.size());
        }
        return counts;
    };
    ASSERT_TRUE(byNewsid.count("seven-comments"));
    EXPECT_EQ(commentsPerPage("seven-comments"), (std::vector<std::size_t>{3, 3, 1}));
    ASSERT_TRUE(byNewsid.count("repeated-page"));
    EXPECT_EQ(commentsPerPage("repeated-page")[1], 1000u);  // page 2 is page 1 again
    ASSERT_TRUE(byNewsid.count("slash-title"));
    EXPECT_NE(byNewsid["slash-title"]->title.find('/'), std::string::npos);
    EXPECT_NE(byNewsid["slash-title"]->title.find('?'), std::string::npos);
    ASSERT_TRUE(byNewsid.count("same-title-a") && byNewsid.count("same-title-b"));
    EXPECT_EQ(byNewsid["same-title-a"]->title, byNewsid["same-title-b"]->title);
    ASSERT_TRUE(byNewsid.count("lengths"));
    EXPECT_GE(byNewsid["lengths"]->pages.at(0).entries.size(), 10u);
    ASSERT_TRUE(byNewsid.count("repeat-last"));
    EXPECT_EQ(byNewsid["repeat-last"]->pastEnd, PastEnd::RepeatLast);
    ASSERT_TRUE(byNewsid.count("untitled"));
    EXPECT_EQ(byNewsid["untitled"]->title, "");
    ASSERT_TRUE(byNewsid.count("odd-records"));
}

}  // namespace
}  // namespace tidewell::fakeportal
