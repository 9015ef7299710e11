#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <climits>
#include <thread>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "web/fetch_timing.h"
#include "web/http_request.h"
#include "web/tests/proxy_environment.h"
#include "web/tests/raw_server.h"

// GCC 12 warns about designated initializers that leave members at their defaults, which is
// how FetchOptions are meant to be written.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tidewell::web {
namespace {

using platform::local;
using testing::httpReply;
using testing::RawServer;
using testing::ScopedEnvironment;
using Clock = std::chrono::steady_clock;

const std::string kTextAgent = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
const std::string kBytesAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
const std::string kForm = "application/x-www-form-urlencoded";

// The value of a request header in the recorded bytes, std::nullopt when it is absent.
std::optional<std::string> headerOf(const std::string& request, const std::string& name) {
    auto at = request.find("\r\n" + name + ":");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    auto start = at + name.size() + 3;
    auto end = request.find("\r\n", start);
    std::string value = request.substr(start, end - start);
    return value.starts_with(' ') ? value.substr(1) : value;
}

// An in-process cpp-httplib server on a free loopback port.
class HttplibServer {
  public:
    HttplibServer() {
        port_ = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~HttplibServer() {
        server.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    httplib::Server server;

  private:
    int port_ = 0;
    std::thread thread_;
};

class FetchTest : public testing::ProxyFreeTest {
  protected:
    FetchTest() { request.CreateRequest(); }

    HttpRequest request;
};

TEST_F(FetchTest, UrlAloneSendsTheDefaultHeadersInOrder) {
    RawServer server([](const std::string&) { return httpReply("page"); });
    EXPECT_EQ(request.FetchText(server.url("/page?a=1")), "page");
    EXPECT_EQ(server.lastRequest(), "GET /page?a=1 HTTP/1.1\r\nHost: " + server.hostPath("") +
                                        "\r\nReferer: " + server.url("/page?a=1") +
                                        "\r\nContent-Type: " + kForm +
                                        "\r\nUser-Agent: " + kTextAgent + "\r\n\r\n");
    EXPECT_TRUE(request.LastReplyReceived());
}

TEST_F(FetchTest, UrlIsTrimmedAndGetsTheSchemeButTheRefererKeepsTheCallersForm) {
    RawServer server([](const std::string&) { return httpReply("page"); });
    const std::string fullWidthBlank = local("　");
    struct Case {
        std::string url;
        std::string referer;
    };
    const Case cases[] = {
        {"  " + server.hostPath("/a") + " ", server.hostPath("/a")},
        {fullWidthBlank + server.url("/a") + fullWidthBlank + " ", server.url("/a")},
        {"HTTP://" + server.hostPath("/a"), "HTTP://" + server.hostPath("/a")},
    };
    for (const Case& c : cases) {
        std::string url = c.url;
        EXPECT_EQ(request.FetchText(url), "page") << c.url;
        EXPECT_EQ(url, c.url) << "the caller's variable stays";
        std::string sent = server.lastRequest();
        EXPECT_TRUE(sent.starts_with("GET /a HTTP/1.1\r\n")) << sent;
        EXPECT_EQ(headerOf(sent, "Referer"), c.referer);
    }
}

TEST_F(FetchTest, PostBodiesMakeAPostWithTheFormContentType) {
    RawServer server([](const std::string&) { return httpReply("done"); });
    struct Case {
        FetchOptions options;
        std::string body;
        std::string contentType;
    };
    const Case cases[] = {
        {{.postData = "a=1"}, "a=1", kForm},
        {{.postData = "a=1", .postBytes = std::string("b\0=2", 4)}, std::string("b\0=2", 4), kForm},
        {{.postBytes = "{}", .contentType = "application/json"}, "{}", "application/json"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(request.FetchText(server.url("/p"), c.options), "done");
        EXPECT_EQ(server.lastRequest(),
                  "POST /p HTTP/1.1\r\nHost: " + server.hostPath("") +
                      "\r\nReferer: " + server.url("/p") + "\r\nContent-Type: " + c.contentType +
                      "\r\nUser-Agent: " + kTextAgent +
                      "\r\nContent-Length: " + std::to_string(c.body.size()) + "\r\n\r\n" + c.body);
    }
}

TEST_F(FetchTest, RefererAndUserAgentArgumentsReplaceTheDefaults) {
    RawServer server([](const std::string&) { return httpReply("x"); });
    request.FetchText(server.url("/"),
                      {.referer = "http://from.example/", .userAgent = "Tidewell"});
    EXPECT_EQ(headerOf(server.lastRequest(), "Referer"), "http://from.example/");
    EXPECT_EQ(headerOf(server.lastRequest(), "User-Agent"), "Tidewell");

    EXPECT_EQ(request.FetchBytes(server.url("/b")), "x");
    std::string sent = server.lastRequest();
    EXPECT_EQ(headerOf(sent, "User-Agent"), kBytesAgent);
    EXPECT_LT(sent.find("Referer:"), sent.find("Content-Type:"));
    EXPECT_LT(sent.find("Content-Type:"), sent.find("User-Agent:"));
}

TEST_F(FetchTest, CookiesAreKeptAndSentByTheCookieRules) {
    RawServer server([](const std::string& sent) {
        if (sent.starts_with("GET /login ")) {
            return httpReply("", "Set-Cookie: a=1\r\n");
        }
        return httpReply("");
    });
    // Nothing stored, nothing given: no Cookie header.
    request.FetchText(server.url("/"));
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), std::nullopt);

    request.FetchText(server.url("/login"), {.keepReplyCookies = true});
    EXPECT_EQ(request.StoredCookie(), "a=1; ");

    std::string cookie;
    request.FetchText(server.url("/"), {.cookie = &cookie});
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), "a=1; ");
    EXPECT_EQ(cookie, "a=1; ");

    request.FetchText(server.url("/"));
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), "a=1; ");

    cookie = "-1";
    request.FetchText(server.url("/"), {.cookie = &cookie});
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), "");
    EXPECT_EQ(cookie, "-1");

    cookie = "x=9";
    request.FetchText(server.url("/"), {.cookie = &cookie});
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), "x=9");
    EXPECT_EQ(cookie, "x=9");

    // Keeping the cookies of a reply without any empties the stored cookie.
    request.FetchText(server.url("/"), {.keepReplyCookies = true});
    EXPECT_EQ(request.StoredCookie(), "");
    request.FetchText(server.url("/"));
    EXPECT_EQ(headerOf(server.lastRequest(), "Cookie"), std::nullopt);
}

TEST(FetchTiming, TimeOutArgumentMapsToTimeOutsAndWait) {
    const Timeouts defaults{10000, 10000, 120000, 60000};
    struct Case {
        double seconds;
        std::optional<Timeouts> timeouts;
        int wait;
    };
    const Case cases[] = {
        {0, defaults, 120},
        {0.5, defaults, 120},
        {-1, std::nullopt, 120},
        {-1.00000001, std::nullopt, 120},
        {-2, defaults, 120},
        {60, Timeouts{10000, 10000, 60000, 60000}, 60},
        {2.5, Timeouts{10000, 10000, 2500, 2500}, 2},
        {1, Timeouts{10000, 10000, 1000, 1000}, 1},
        // Within the tolerance of 1 counts as 1 s, never as a wait of 0.
        {0.99999995, Timeouts{10000, 10000, 1000, 1000}, 1},
        {1e12, Timeouts{10000, 10000, INT_MAX, INT_MAX}, INT_MAX},
    };
    for (const Case& c : cases) {
        detail::FetchTiming timing = detail::fetchTiming(c.seconds);
        EXPECT_EQ(timing.timeouts, c.timeouts) << c.seconds;
        EXPECT_EQ(timing.waitSeconds, c.wait) << c.seconds;
    }
    struct WholeCase {
        int seconds;
        std::optional<Timeouts> timeouts;
        int wait;
    };
    const WholeCase wholeCases[] = {
        {-1, std::nullopt, 120},
        {0, defaults, 120},
        {-7, defaults, 120},
        {5, Timeouts{10000, 10000, 5000, 5000}, 5},
        {INT_MAX, Timeouts{10000, 10000, INT_MAX, INT_MAX}, INT_MAX},
    };
    for (const WholeCase& c : wholeCases) {
        detail::FetchTiming timing = detail::fetchTiming(c.seconds);
        EXPECT_EQ(timing.timeouts, c.timeouts) << c.seconds;
        EXPECT_EQ(timing.waitSeconds, c.wait) << c.seconds;
    }
}

TEST_F(FetchTest, FetchSetsTheTimeOutsOnTheRequest) {
    RawServer server([](const std::string&) { return httpReply("x"); });
    request.FetchText(server.url("/"), {.timeout = 60});
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{10000, 10000, 60000, 60000}));
    request.FetchText(server.url("/"));
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{10000, 10000, 120000, 60000}));
    request.SetTimeouts(1234);
    request.FetchText(server.url("/"), {.timeout = -1});
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{1234, 1234, 1234, 1234}));
    request.FetchBytes(server.url("/"), {.timeout = 3.9});
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{10000, 10000, 3000, 3000}));
}

TEST_F(FetchTest, StalledServerNeverHoldsAFetchLongerThanItsWaitAndOneSecond) {
    RawServer server([](const std::string&) { return std::nullopt; });
    struct Case {
        FetchOptions options;
        std::chrono::milliseconds bound;
    };
    const Case cases[] = {
        {{.timeout = 2}, std::chrono::seconds(3)},
        {{.timeout = 1, .synchronous = true}, std::chrono::seconds(2)},
    };
    for (const Case& c : cases) {
        auto start = Clock::now();
        EXPECT_EQ(request.FetchText(server.url("/stall"), c.options), "");
        EXPECT_LT(Clock::now() - start, c.bound);
        EXPECT_FALSE(request.LastReplyReceived());
    }
    // The request stays usable afterwards.
    RawServer healthy([](const std::string&) { return httpReply("back"); });
    EXPECT_EQ(request.FetchText(healthy.url("/")), "back");
}

TEST_F(FetchTest, ServerThatNeverFinishesTheBodyEndsAtTheReceiveTimeOut) {
    RawServer server([](const std::string&) {
        return std::string("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part");
    });
    auto start = Clock::now();
    EXPECT_EQ(request.FetchText(server.url("/half"), {.timeout = 1}), "");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(request.LastReplyReceived());
}

TEST_F(FetchTest, FailedConnectionsReturnEmptyTextAtOnce) {
    RawServer server([](const std::string&) { return httpReply("never"); });
    const std::string cases[] = {
        "http://127.0.0.1:" + std::to_string(testing::closedPort()) + "/",
        "ftp://" + server.hostPath("/file"),
        "file:///etc/hostname",
    };
    for (const std::string& url : cases) {
        auto start = Clock::now();
        EXPECT_EQ(request.FetchText(url), "") << url;
        EXPECT_EQ(request.FetchBytes(url), "") << url;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << url;
        EXPECT_FALSE(request.LastReplyReceived()) << url;
        EXPECT_EQ(request.Status(), 0) << url;
    }
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(FetchTest, HttpErrorReplyIsAReplyWithItsBody) {
    RawServer server(
        [](const std::string&) { return httpReply("gone", "", "HTTP/1.1 404 Not Found"); });
    EXPECT_EQ(request.FetchText(server.url("/x")), "gone");
    EXPECT_TRUE(request.LastReplyReceived());
    EXPECT_EQ(request.Status(), 404);
}

class ProxyTest : public FetchTest {
  protected:
    ProxyTest()
        : origin([](const std::string&) { return httpReply("direct"); }),
          proxy([](const std::string&) { return httpReply("proxied"); }) {}

    // True when the last fetch went through the proxy in absolute form.
    bool lastWentThroughProxy() const {
        return proxy.lastRequest().starts_with("GET " + origin.url("/x") + " HTTP/1.1\r\n");
    }

    RawServer origin;
    RawServer proxy;
};

TEST_F(ProxyTest, NamedProxyCarriesTheRequestAndSendsOnlyItsHeaders) {
    EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = proxy.hostPath("")}), "proxied");
    EXPECT_TRUE(lastWentThroughProxy());
    EXPECT_EQ(proxy.lastRequest(),
              "GET " + origin.url("/x") + " HTTP/1.1\r\nHost: " + origin.hostPath("") +
                  "\r\nReferer: " + origin.url("/x") + "\r\nContent-Type: " + kForm +
                  "\r\nUser-Agent: " + kTextAgent + "\r\n\r\n");
    // A left-out proxy and "-1" leave the setting as it is.
    EXPECT_EQ(request.FetchText(origin.url("/x")), "proxied");
    EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = "-1"}), "proxied");
    // An empty proxy text returns to the default configuration.
    EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = ""}), "direct");
    EXPECT_EQ(proxy.requests().size(), 3u);
}

TEST_F(ProxyTest, IEReadsTheSystemProxyFromHttpProxy) {
    int pumped = 0;
    platform::ScopedEventPump pump([&] { ++pumped; });
    {
        ScopedEnvironment system("http_proxy", ("http://" + proxy.hostPath("/")).c_str());
        // no_proxy would send the default configuration straight to the origin; a named
        // proxy is used for every host.
        ScopedEnvironment bypass("no_proxy", "*");
        EXPECT_EQ(request.FetchText(origin.url("/x")), "direct");
        EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = "IE"}), "proxied");
        EXPECT_TRUE(lastWentThroughProxy());
        EXPECT_EQ(pumped, 1);
    }
    // Without a system proxy "IE" is the default configuration.
    EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = "IE"}), "direct");
    EXPECT_EQ(pumped, 2);
    EXPECT_EQ(request.FetchText(origin.url("/x"), {.proxy = "-1"}), "direct");
    EXPECT_EQ(pumped, 2);
}

TEST_F(ProxyTest, DefaultConfigurationFollowsTheEnvironment) {
    ScopedEnvironment system("http_proxy", proxy.hostPath("").c_str());
    EXPECT_EQ(request.FetchText(origin.url("/x")), "proxied");
    EXPECT_TRUE(lastWentThroughProxy());
}

TEST_F(FetchTest, RedirectsAreFollowedUntilALocationRoutineSwitchesThemOff) {
    HttplibServer server;
    server.server.Get(
        "/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new"); });
    server.server.Get("/new", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("arrived", "text/plain");
    });

    EXPECT_EQ(request.FetchText(server.url("/old")), "arrived");
    std::string url = server.url("/new");
    EXPECT_EQ(request.RedirectLocation(url), "");

    url = server.url("/old");
    EXPECT_EQ(request.RedirectLocation(url), "/new");
    EXPECT_EQ(request.Option(kOptionEnableRedirects), OptionValue(0L));
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{5000, 5000, 10000, 5000}));
    // Redirects stay off for the next fetch on the same request.
    request.FetchText(server.url("/old"));
    EXPECT_EQ(request.Status(), 302);

    request.Renew();
    EXPECT_EQ(request.FetchText(server.url("/old")), "arrived");
    EXPECT_EQ(request.QuickLocation(server.url("/old")), "/new");
    EXPECT_EQ(request.FetchText(server.url("/old")), "");
    EXPECT_EQ(request.Status(), 302);
}

TEST_F(FetchTest, LocationRoutinesSendTheirHeadersInOrder) {
    RawServer server([](const std::string&) {
        return httpReply("", "Location: http://next.example/\r\n", "HTTP/1.1 301 Moved");
    });
    const std::string accept =
        "image/gif, image/x-xbitmap, image/jpeg, imagepeg, application/x-shockwave-flash, "
        "application/x-silverlight, */*";
    const std::string common =
        "\r\nUser-Agent: " + kBytesAgent +
        "\r\nAccept-Language: zh-cn\r\nConnection: Keep-Alive\r\nAccept: " + accept;

    std::string url = server.hostPath("/r");
    EXPECT_EQ(request.RedirectLocation(url), "http://next.example/");
    EXPECT_EQ(url, server.url("/r"));
    EXPECT_EQ(server.lastRequest(), "GET /r HTTP/1.1\r\nHost: " + server.hostPath("") + common +
                                        "\r\nReferer: " + server.url("/r") + "\r\n\r\n");

    url = server.url("/r");
    EXPECT_EQ(request.RedirectLocation(url, true, "http://from.example/"), "http://next.example/");
    EXPECT_EQ(headerOf(server.lastRequest(), "Referer"), "http://from.example/");

    EXPECT_EQ(request.QuickLocation(server.url("/q")), "http://next.example/");
    EXPECT_EQ(server.lastRequest(),
              "GET /q HTTP/1.1\r\nHost: " + server.hostPath("") + common + "\r\n\r\n");

    // QuickLocation takes the address as it stands: without a scheme there is nothing to fetch.
    size_t before = server.requests().size();
    EXPECT_EQ(request.QuickLocation(server.hostPath("/q")), "");
    EXPECT_EQ(server.requests().size(), before);
}

TEST_F(FetchTest, ResultKindChoosesTheDecoding) {
    HttplibServer server;
    // "评论" in UTF-8.
    const std::string utf8 = "\xE8\xAF\x84\xE8\xAE\xBA";
    server.server.Get("/u", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(utf8, "text/html; charset=utf-8");
    });
    server.server.Get("/g", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(local("评论"), "text/html");
    });

    EXPECT_EQ(request.FetchText(server.url("/u"), {.resultKind = kResultRawBytes}), utf8);
    EXPECT_EQ(request.FetchText(server.url("/u")), local("评论"));
    EXPECT_EQ(request.FetchText(server.url("/u"), {.resultKind = kResultPlatformText}),
              local("评论"));
    EXPECT_EQ(request.FetchBytes(server.url("/u")), utf8);
    EXPECT_EQ(request.FetchText(server.url("/g")), local("评论"));
}

}  // namespace
}  // namespace tidewell::web
