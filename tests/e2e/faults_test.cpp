// tidewell-collect against a portal stand-in that misbehaves: slow, silent, reset, cut-off,
// failing, broken and oversized replies. Whatever the network does, the run ends, names every
// address it finally could not fetch, and keeps every page that arrived whole.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "tests/support/child_process.h"
#include "tests/support/folder.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ProcessResult;
using Clock = std::chrono::steady_clock;

const std::string kNews = std::string("http://") + TIDEWELL_NEWS_HOST;
// Three pages of 3, 3 and 1 comments, and a thread of one page that no fault touches.
const std::string kThreePages =
    kNews + "/comment/skin/default.html?channel=gn&newsid=seven-comments";
const std::string kOther = kNews + "/comment/skin/default.html?channel=gn&newsid=same-title-a";
const std::string kThreePagesFile = "七条评论分三页的新闻.txt";
const std::string kFailedLine = "采集失败：";

using testing::Folder;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines of standard error that name an address whose fetch finally failed.
std::set<std::string> failedAddresses(const std::string& err) {
    std::set<std::string> addresses;
    for (size_t at = err.find(kFailedLine); at != std::string::npos;
         at = err.find(kFailedLine, at + 1)) {
        const size_t start = at + kFailedLine.size();
        addresses.insert(err.substr(start, err.find('\n', start) - start));
    }
    return addresses;
}

// The body of one GET sent straight to the stand-in, without the collector's HTTP client.
std::string rawGet(int port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (::write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
                reply.append(buffer, static_cast<size_t>(n));
            }
        }
    }
    ::close(fd);
    const size_t bodyStart = reply.find("\r\n\r\n");
    return bodyStart == std::string::npos ? std::string() : reply.substr(bodyStart + 4);
}

// A folder of its own for one collection: the list file and the save folder "out".
class WorkFolder {
  public:
    WorkFolder() {
        static int counter = 0;
        path_ = fs::temp_directory_path() /
                ("tw-faults-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~WorkFolder() { fs::remove_all(path_); }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    fs::path out() const { return path_ / "out"; }

    ProcessResult collect(const tools::FakePortalProcess& portal,
                          const std::vector<std::string>& addresses,
                          std::vector<std::string> args = {}, bool quiet = true) const {
        const fs::path list = path_ / "list.txt";
        {
            std::ofstream file(list, std::ios::binary);
            for (const std::string& address : addresses) {
                file << address << "\n";
            }
        }
        args.insert(args.begin(), {"--save-dir", out().string()});
        if (quiet) {
            args.push_back("--quiet");
        }
        args.push_back(list.string());
        ChildProcess child(TIDEWELL_COLLECT_PATH, args,
                           {"http_proxy=" + portal.proxyUrl(), "no_proxy=", "NO_PROXY="});
        return child.Finish(std::chrono::seconds(30));
    }

  private:
    fs::path path_;
};

class Faults : public ::testing::Test {
  protected:
    // What the two threads give when nothing goes wrong, collected once for the suite.
    static void SetUpTestSuite() {
        tools::FakePortalProcess portal;
        {
            WorkFolder work;
            ProcessResult r = work.collect(portal, {kThreePages, kOther});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            whole_ = testing::ReadFolder(work.out());
        }
        WorkFolder work;
        work.collect(portal, {kThreePages}, {"--pages", "1"});
        firstPage_ = testing::ReadFolder(work.out())[kThreePagesFile];
    }

    void SetUp() override {
        ASSERT_EQ(whole_.size(), 2u);
        ASSERT_EQ(splitLines(whole_[kThreePagesFile]).size(), 7u);
        ASSERT_EQ(splitLines(firstPage_).size(), 3u);
    }

    ProcessResult collect(const tools::FakePortalProcess& portal,
                          const std::vector<std::string>& addresses,
                          std::vector<std::string> args = {}, bool quiet = true) {
        return work_.collect(portal, addresses, std::move(args), quiet);
    }

    static Folder whole_;
    static std::string firstPage_;
    WorkFolder work_;
    const fs::path out_ = work_.out();
};

Folder Faults::whole_;
std::string Faults::firstPage_;

// What becomes of the three-page thread.
enum class Outcome {
    Whole,      // every page, as without the fault
    FirstPage,  // page 1 only: the thread ended at page 2
    Nothing,    // no page: an empty file named after channel and newsid
};

struct FaultCase {
    const char* name;
    std::vector<std::string> faults;
    Outcome outcome;
    bool reported;      // its address is named as failed, and the exit status is 1
    double minSeconds;  // shows that the fault was played (waits, retries)
};

// Names the case in test listings.
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

// Faults on the n-th request of the thread: request 1 is page 1 on a fresh connection, request
// 2 is page 2 on the kept-alive one (libcurl itself sends it again on a fresh connection when
// the connection dies before any reply byte). A fetch with no reply is tried twice more after 1
// s and 3 s, so #2 to #7 cover every try of page 2.
std::vector<std::string> fromRequestTwoOn(const std::string& kind) {
    std::vector<std::string> faults;
    for (int n = 2; n <= 7; ++n) {
        faults.push_back(kind + "@seven-comments#" + std::to_string(n));
    }
    return faults;
}

const FaultCase kCases[] = {
    {"Latency", {"latency=300@seven-comments"}, Outcome::Whole, false, 1.2},
    // A stall shorter than the receive time-out that ends in a hang-up is a reply that never
    // came: on the kept-alive connection libcurl sends the request again at once, on a fresh
    // one the run tries again after a second.
    {"ShortStallOnAKeptAliveConnection",
     {"stall=1500@seven-comments#2"},
     Outcome::Whole,
     false,
     1.5},
    {"ShortStallOnAFreshConnection", {"stall=1500@seven-comments#1"}, Outcome::Whole, false, 2.5},
    {"ResetHealedByTheRetry",
     {"reset@seven-comments#2", "reset@seven-comments#3"},
     Outcome::Whole,
     false,
     1.0},
    {"ResetOfEveryRequest", {"reset@seven-comments"}, Outcome::Nothing, true, 4.0},
    {"ResetFromPageTwoOn", fromRequestTwoOn("reset"), Outcome::FirstPage, true, 4.0},
    {"TruncatedBodyHealedByTheRetry", {"truncate@seven-comments#2"}, Outcome::Whole, false, 1.0},
    // The records of a cut-off page never reach the files, though some arrived whole.
    {"TruncatedFromPageTwoOn", fromRequestTwoOn("truncate"), Outcome::FirstPage, true, 4.0},
    // An error status is a reply: its body holds no record, so the thread ends there, without
    // a retry and without a failure line.
    {"ErrorStatusOnPageTwo", {"status=503@seven-comments#2"}, Outcome::FirstPage, false, 0},
    {"ErrorStatusOnEveryRequest", {"status=500@seven-comments"}, Outcome::Nothing, false, 0},
    {"TwentyMegabyteBodies", {"huge@seven-comments"}, Outcome::Whole, false, 0},
};

class FaultTable : public Faults, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTable, RunEndsReportsFailuresAndKeepsWholePages) {
    const FaultCase& c = GetParam();
    std::vector<std::string> args;
    for (const std::string& fault : c.faults) {
        args.insert(args.end(), {"--fault", fault});
    }
    tools::FakePortalProcess portal(args);
    const auto started = Clock::now();
    ProcessResult r = collect(portal, {kThreePages, kOther});
    const std::chrono::duration<double> took = Clock::now() - started;

    EXPECT_EQ(r.exitCode, c.reported ? 1 : 0) << r.err;
    EXPECT_EQ(r.err.find("采集完成！"), 0u) << r.err;
    const std::set<std::string> failed = failedAddresses(r.err);
    EXPECT_EQ(failed, c.reported ? std::set<std::string>{kThreePages} : std::set<std::string>{})
        << r.err;
    EXPECT_GE(took.count(), c.minSeconds);

    Folder want = whole_;
    switch (c.outcome) {
        case Outcome::Whole:
            break;
        case Outcome::FirstPage:
            want[kThreePagesFile] = firstPage_;
            break;
        case Outcome::Nothing:
            want.erase(kThreePagesFile);
            want["gn_seven-comments.txt"] = "";
            break;
    }
    const Folder got = testing::ReadFolder(out_);
    EXPECT_EQ(got.size(), want.size());
    for (const auto& [name, bytes] : want) {
        auto it = got.find(name);
        ASSERT_NE(it, got.end()) << "missing " << name;
        EXPECT_EQ(it->second, bytes) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(Faults, FailedArticlePageIsReportedAsTyped) {
    tools::FakePortalProcess portal({"--fault", "reset@same-title-b"});
    const std::string article = kNews + "/gn/same-title-b.html";
    ProcessResult r = collect(portal, {"  " + article, kOther});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(failedAddresses(r.err), std::set<std::string>{article}) << r.err;
    // Without the page the thread is unknown; the comment service is asked all the same and
    // has nothing for it.
    Folder got = testing::ReadFolder(out_);
    EXPECT_EQ(got.size(), 2u);
    EXPECT_EQ(got["无标题.txt"], "");
    EXPECT_EQ(got["同名新闻：两篇文章用了同一个标题.txt"],
              whole_["同名新闻：两篇文章用了同一个标题.txt"]);
}

TEST_F(Faults, BytesThatAreNoGbkStayInTheComments) {
    tools::FakePortalProcess portal({"--fault", "badgbk@seven-comments"});
    ProcessResult r = collect(portal, {kThreePages, kOther});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    // Every comment is there, with the stray bytes the service put before its text; the title
    // carries them too, and the file stays in the save folder.
    const std::string spoil = "\x80\xFF\x81\x20";
    const std::string said = platform::local(" 说：");
    std::vector<std::string> want;
    for (std::string line : splitLines(whole_[kThreePagesFile])) {
        line.insert(line.find(said) + said.size(), spoil);
        want.push_back(line);
    }
    Folder got = testing::ReadFolder(out_);
    ASSERT_EQ(got.size(), 2u);
    got.erase("同名新闻：两篇文章用了同一个标题.txt");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got.begin()->first.ends_with(" " + kThreePagesFile)) << got.begin()->first;
    EXPECT_EQ(splitLines(got.begin()->second), want);
}

TEST_F(Faults, RepeatedPageWithBytesThatAreNoGbkEndsTheThread) {
    // Every page is the same page, spoilt: the second one is seen to repeat the first.
    const std::string newsid = "gen-3-6";
    tools::FakePortalProcess portal(
        {"--fault", "records=200@" + newsid, "--fault", "badgbk@" + newsid});
    ProcessResult r = collect(
        portal, {kNews + "/comment/skin/default.html?channel=gn&newsid=" + newsid}, {}, false);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 2000);
    EXPECT_NE(r.err.find("(1:1) 2 页："), std::string::npos) << r.err.substr(0, 2000);
    EXPECT_EQ(r.err.find("(1:1) 3 页："), std::string::npos) << r.err.substr(0, 2000);
    EXPECT_EQ(testing::ReadFolder(out_).size(), 1u);
}

TEST_F(Faults, TenThousandRecordsOnOnePage) {
    // Every page of the thread is the same page of 10 000 made-up records, so the second page
    // repeats the first and ends the thread.
    const std::string newsid = "gen-3-5";
    tools::FakePortalProcess portal({"--fault", "records@" + newsid});
    ProcessResult r =
        collect(portal, {kNews + "/comment/skin/default.html?channel=gn&newsid=" + newsid},
                {"--template", "#时间#|#IP#", "--max", "100000"});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    // The lines the page must give: one per record whose comment is more than bracket codes,
    // a line that comes again kept at its last place.
    const std::string page = platform::utf8FromLocal(
        rawGet(portal.port(), "/page/info?format=js&channel=gn&newsid=" + newsid +
                                  "&group=0&compress=1&ie=gbk&oe=gbk&page=1&page_size=100"));
    auto field = [](const std::string& record, const std::string& key) {
        const std::string left = "\"" + key + "\": \"";
        const size_t start = record.find(left);
        if (start == std::string::npos) {
            return std::string();
        }
        const size_t from = start + left.size();
        return record.substr(from, record.find('"', from) - from);
    };
    std::vector<std::string> lines;
    size_t records = 0;
    const std::string opener = "{\"status\": \"";
    for (size_t at = page.find(opener); at != std::string::npos; at = page.find(opener, at + 1)) {
        const std::string record = page.substr(at, page.find('}', at) - at);
        ++records;
        std::string content = field(record, "content");
        for (size_t open; (open = content.find('[')) != std::string::npos;) {
            const size_t close = content.find(']', open);
            if (close == std::string::npos) {
                break;
            }
            content.erase(open, close + 1 - open);
        }
        if (!content.empty()) {
            lines.push_back(field(record, "time") + "|" + field(record, "ip"));
        }
    }
    ASSERT_EQ(records, 10000u);
    std::vector<std::string> want;
    std::set<std::string> seen;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (seen.insert(*it).second) {
            want.push_back(*it);
        }
    }
    std::reverse(want.begin(), want.end());

    const Folder got = testing::ReadFolder(out_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got.begin()->first, "生成话题5号：共3条评论.txt");
    const std::vector<std::string> written = splitLines(got.begin()->second);
    EXPECT_GT(written.size(), 9000u);
    EXPECT_EQ(written, want);
}

}  // namespace
}  // namespace tidewell
