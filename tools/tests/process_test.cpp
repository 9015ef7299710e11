// The stand-in as its users see it: a process on a loopback port, asked through libcurl or a
// raw socket.

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/encoding.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace tidewell::tools {
namespace {

using platform::local;

struct Fetched {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    curl_off_t declaredLength = -1;
    std::chrono::milliseconds elapsed{0};
};

// One libcurl handle; requests through it reuse their connection as the collector's do.
class Client {
  public:
    Client() : handle_(curl_easy_init()) {
        curl_easy_setopt(handle_, CURLOPT_PROXY, "");  // ignore any proxy of the environment
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Client::collect);
        curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, 20000L);
    }
    ~Client() { curl_easy_cleanup(handle_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void proxy(const std::string& url) { curl_easy_setopt(handle_, CURLOPT_PROXY, url.c_str()); }
    void timeoutMs(long ms) { curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, ms); }

    Fetched get(const std::string& url) {
        Fetched f;
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &f.body);
        const auto start = std::chrono::steady_clock::now();
        f.code = curl_easy_perform(handle_);
        f.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &f.status);
        curl_easy_getinfo(handle_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &f.declaredLength);
        return f;
    }
    long newConnections() {
        long n = 0;
        curl_easy_getinfo(handle_, CURLINFO_NUM_CONNECTS, &n);
        return n;
    }

  private:
    static size_t collect(char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    }
    CURL* handle_;
};

std::string commentUrl(const std::string& newsid, int page = 1) {
    return "http://" TIDEWELL_COMMENT_HOST "/page/info?format=js&channel=gn&newsid=" + newsid +
           "&group=0&compress=1&ie=gbk&oe=gbk&page=" + std::to_string(page) + "&page_size=100";
}

std::string directCommentUrl(const FakePortalProcess& portal, const std::string& newsid,
                             int page = 1) {
    return "http://127.0.0.1:" + std::to_string(portal.port()) +
           "/page/info?format=js&channel=gn&newsid=" + newsid + "&page=" + std::to_string(page);
}

std::size_t records(std::string_view reply) {
    std::size_t n = 0;
    for (auto at = reply.find("{\"status\": \""); at != std::string_view::npos;
         at = reply.find("{\"status\": \"", at + 1)) {
        ++n;
    }
    return n;
}

// Sends the bytes as they are and returns everything the server sends back before it closes.
std::string rawExchange(int port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        timeval timeout{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        char buf[4096];
        ssize_t n = 0;
        while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) {
            reply.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return reply;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FakePortalProcess, AnswersProxyAndPlainRequestsAlikeOverOneConnection) {
    FakePortalProcess portal;
    ASSERT_GT(portal.port(), 0);
    EXPECT_EQ(portal.proxyUrl(), "http://127.0.0.1:" + std::to_string(portal.port()));

    Client direct;
    const Fetched plain = direct.get(directCommentUrl(portal, "seven-comments"));
    ASSERT_EQ(plain.code, CURLE_OK);
    EXPECT_EQ(plain.status, 200);
    EXPECT_EQ(records(plain.body), 3u);
    EXPECT_NE(plain.body.find(local("七条评论分三页的新闻")), std::string::npos);

    Client proxied;
    proxied.proxy(portal.proxyUrl());
    const Fetched viaProxy = proxied.get(commentUrl("seven-comments"));
    ASSERT_EQ(viaProxy.code, CURLE_OK);
    EXPECT_EQ(viaProxy.body, plain.body);
    EXPECT_EQ(proxied.newConnections(), 1);

    // Keep-alive: the next requests, to either host, ride on the same connection.
    const Fetched page2 = proxied.get(commentUrl("seven-comments", 2));
    EXPECT_EQ(records(page2.body), 3u);
    EXPECT_EQ(proxied.newConnections(), 0);
    const Fetched article = proxied.get("http://" TIDEWELL_NEWS_HOST "/gn/seven-comments.html");
    EXPECT_EQ(article.status, 200);
    EXPECT_NE(article.body.find("newsid:'seven-comments'"), std::string::npos);
    EXPECT_EQ(proxied.newConnections(), 0);

    const Fetched stranger = proxied.get("http://www.example.org/");
    EXPECT_EQ(stranger.status, 502);
}

TEST(FakePortalProcess, ServesArticlesInEachEncodingAndTheViewerPage) {
    FakePortalProcess portal;
    Client client;
    client.proxy(portal.proxyUrl());
    const std::string base = "http://" TIDEWELL_NEWS_HOST "/gn/gen-20-3";

    const Fetched gbk = client.get(base + ".html");
    EXPECT_EQ(gbk.status, 200);
    EXPECT_EQ(gbk.body.find("charset"), std::string::npos);
    EXPECT_TRUE(platform::convertStrict(gbk.body, "GB18030", "UTF-8"));
    const Fetched utf8 = client.get(base + ".utf8.html");
    EXPECT_TRUE(platform::isValidUtf8(utf8.body));
    EXPECT_NE(utf8.body.find("<meta charset=\"utf-8\">"), std::string::npos);
    const Fetched big5 = client.get(base + ".big5.html");
    EXPECT_NE(big5.body.find("charset=big5"), std::string::npos);
    EXPECT_TRUE(platform::convertStrict(big5.body, "BIG5", "UTF-8"));
    for (const Fetched* page : {&gbk, &utf8, &big5}) {
        EXPECT_NE(page->body.find("channel:'gn'"), std::string::npos);
        EXPECT_NE(page->body.find("newsid:'gen-20-3'"), std::string::npos);
    }

    const Fetched viewer = client.get("http://" TIDEWELL_NEWS_HOST
                                      "/comment/skin/default.html?channel=gn&newsid=gen-20-3");
    EXPECT_EQ(viewer.status, 200);
    EXPECT_EQ(client.get("http://" TIDEWELL_NEWS_HOST "/gn/unknown.html").status, 404);
}

TEST(FakePortalProcess, PastTheLastPageAnswersAnEmptyListOrTheLastPageAgain) {
    for (bool repeat : {false, true}) {
        FakePortalProcess portal(repeat ? std::vector<std::string>{"--repeat-last-page"}
                                        : std::vector<std::string>{});
        Client client;
        client.proxy(portal.proxyUrl());
        const Fetched last = client.get(commentUrl("seven-comments", 3));
        const Fetched past = client.get(commentUrl("seven-comments", 4));
        EXPECT_EQ(records(last.body), 1u);
        EXPECT_EQ(past.body == last.body, repeat);
        EXPECT_EQ(records(past.body), repeat ? 1u : 0u);
        // The fixture chooses for itself whatever the server's default.
        EXPECT_EQ(client.get(commentUrl("repeat-last", 5)).body,
                  client.get(commentUrl("repeat-last", 2)).body);
    }
}

TEST(FakePortalProcess, CustomHostsAndFixtureFolder) {
    char pattern[] = "/tmp/fakeportal-process-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::ofstream(folder + "/mine.thread") << "title: 我的\ncomment\ncontent: 一条\n";
    {
        FakePortalProcess portal(
            {"--fixtures", folder, "--comment-host", "cmt.test", "--news-host", "www.test"});
        Client client;
        client.proxy(portal.proxyUrl());
        EXPECT_EQ(records(client.get("http://cmt.test/page/info?newsid=mine&page=1").body), 1u);
        EXPECT_EQ(client.get("http://www.test/gn/mine.html").status, 200);
        EXPECT_EQ(client.get(commentUrl("mine")).status, 502);
        EXPECT_EQ(records(client.get("http://cmt.test/page/info?newsid=seven-comments").body), 0u);
    }
    std::filesystem::remove_all(folder);
}

TEST(FakePortalProcess, ConnectionFaults) {
    FakePortalProcess portal({"--fault", "reset@gen-1-1", "--fault", "truncate=10@gen-1-2",
                              "--fault", "stall=5000@gen-1-3", "--fault", "status=503@gen-1-4",
                              "--fault", "latency=300@gen-1-5"});
    Client client;
    client.proxy(portal.proxyUrl());

    EXPECT_EQ(client.get(commentUrl("gen-1-1")).code, CURLE_RECV_ERROR);

    const Fetched truncated = client.get(commentUrl("gen-1-2"));
    EXPECT_EQ(truncated.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(truncated.body.size(), 10u);

    client.timeoutMs(300);
    const Fetched stalled = client.get(commentUrl("gen-1-3"));
    EXPECT_EQ(stalled.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_TRUE(stalled.body.empty());
    client.timeoutMs(20000);

    const Fetched failed = client.get(commentUrl("gen-1-4"));
    EXPECT_EQ(failed.code, CURLE_OK);
    EXPECT_EQ(failed.status, 503);

    const Fetched slow = client.get(commentUrl("gen-1-5"));
    EXPECT_EQ(slow.code, CURLE_OK);
    EXPECT_EQ(records(slow.body), 1u);
    EXPECT_GE(slow.elapsed.count(), 300);

    // Faults are per thread: another thread is served as usual, and the server still stops
    // at once although a stall is in progress.
    EXPECT_EQ(records(client.get(commentUrl("gen-1-9")).body), 1u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(portal.stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(FakePortalProcess, StopsAtOnceWhileAReaderHoldsALargeReply) {
    FakePortalProcess portal({"--fault", "huge=60000000"});
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(portal.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::string request = "GET /page/info?newsid=gen-5-1&page=1 HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    char first[16];
    ASSERT_GT(::recv(fd, first, sizeof first, 0), 0);  // the reply has begun; nothing more is read
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(portal.stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    ::close(fd);
}

TEST(FakePortalProcess, BodyFaults) {
    FakePortalProcess portal({"--fault", "badgbk@gen-3-1", "--fault", "huge@gen-3-2", "--fault",
                              "records@gen-3-3", "--fault", "truncate@gen-3-4"});
    Client client;
    client.proxy(portal.proxyUrl());

    const Fetched bad = client.get(commentUrl("gen-3-1"));
    EXPECT_EQ(bad.status, 200);
    EXPECT_FALSE(platform::convertStrict(bad.body, "GB18030", "UTF-8"));
    EXPECT_EQ(records(bad.body), 3u);

    const Fetched huge = client.get(commentUrl("gen-3-2"));
    EXPECT_EQ(huge.code, CURLE_OK);
    EXPECT_EQ(huge.body.size(), 20u * 1024 * 1024);
    EXPECT_EQ(records(huge.body), 3u);

    EXPECT_EQ(records(client.get(commentUrl("gen-3-3")).body), 10000u);

    const Fetched half = client.get(commentUrl("gen-3-4"));
    EXPECT_EQ(half.code, CURLE_PARTIAL_FILE);
    EXPECT_GT(half.body.size(), 0u);
    EXPECT_EQ(half.body.size(), static_cast<std::size_t>(half.declaredLength / 2));
}

TEST(FakePortalProcess, TheNthRequestFailsCountedByServerOrByThread) {
    FakePortalProcess portal({"--fault", "status=418#2", "--fault", "reset@gen-2-9#3"});
    Client client;
    client.proxy(portal.proxyUrl());
    EXPECT_EQ(client.get(commentUrl("gen-2-1")).status, 200);
    EXPECT_EQ(client.get(commentUrl("gen-2-2")).status, 418);
    EXPECT_EQ(client.get(commentUrl("gen-2-3")).status, 200);

    EXPECT_EQ(client.get(commentUrl("gen-2-9")).code, CURLE_OK);
    EXPECT_EQ(client.get("http://" TIDEWELL_NEWS_HOST "/gn/gen-2-9.html").code, CURLE_OK);
    // libcurl sends a request again by itself when a kept-alive connection dies before any
    // reply byte, so the reset is shown to a fresh connection.
    Client fresh;
    fresh.proxy(portal.proxyUrl());
    EXPECT_EQ(fresh.get(commentUrl("gen-2-9", 2)).code, CURLE_RECV_ERROR);
    EXPECT_EQ(fresh.get(commentUrl("gen-2-9", 2)).code, CURLE_OK);
}

TEST(FakePortalProcess, LogsEveryRequestWithItsHeadersInOrder) {
    char pattern[] = "/tmp/fakeportal-log-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string log = pattern;
    {
        FakePortalProcess portal({"--log", log});
        const std::string first =
            "GET http://" TIDEWELL_COMMENT_HOST
            "/page/info?channel=gn&newsid=seven-comments&page=1"
            " HTTP/1.1\r\nHost: " TIDEWELL_COMMENT_HOST
            "\r\nZeta: last letter first\r\nAccept: */*\r\nAlpha:  1 \r\n\r\n";
        // A target with a blank and a second "?" is taken as a real server takes it.
        const std::string second =
            "GET /gn/seven-comments.html?from=a?b c HTTP/1.1\r\nHost: x\r\n"
            "Connection: close\r\n\r\n";
        // Two requests on one connection: both are answered and both are logged.
        const std::string reply = rawExchange(portal.port(), first + second);
        EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply.substr(0, 200);
        EXPECT_NE(reply.find("HTTP/1.1 200 OK\r\n", 1), std::string::npos);
        EXPECT_NE(reply.find("newsid:'seven-comments'"), std::string::npos);
    }
    EXPECT_EQ(readFile(log),
              "GET http://" TIDEWELL_COMMENT_HOST
              "/page/info?channel=gn&newsid=seven-comments&page=1 | Host: " TIDEWELL_COMMENT_HOST
              " | Zeta: last letter first | Accept: */* | Alpha: 1\n"
              "GET /gn/seven-comments.html?from=a?b c | Host: x | Connection: close\n");
    ::unlink(log.c_str());
}

TEST(FakePortalProcess, StopsOnSigtermOrByItselfAndRefusesABadStart) {
    FakePortalProcess stopped;
    EXPECT_EQ(stopped.stop(), 0);
    EXPECT_EQ(stopped.stop(), 0);

    FakePortalProcess timed({"--exit-after", "0.3"});
    EXPECT_EQ(timed.waitForExit(std::chrono::seconds(10)), 0);

    EXPECT_THROW((FakePortalProcess({"--fixtures", "/nonexistent/fixtures"})), std::runtime_error);
    EXPECT_THROW((FakePortalProcess({"--fault", "explode"})), std::runtime_error);
    EXPECT_THROW((FakePortalProcess({}, "/nonexistent/tidewell-fakeportal")), std::runtime_error);
}

}  // namespace
}  // namespace tidewell::tools
