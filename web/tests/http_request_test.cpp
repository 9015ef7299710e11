#include "web/http_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "web/tests/proxy_environment.h"
#include "web/tests/raw_server.h"

// GCC 12 warns about designated initializers that leave members at their defaults, which is
// how FetchOptions are meant to be written.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tidewell::web {
namespace {

using testing::httpReply;
using testing::RawServer;

class HttpRequestTest : public testing::ProxyFreeTest {
  protected:
    HttpRequestTest() { request.CreateRequest(); }

    HttpRequest request;
};

TEST_F(HttpRequestTest, OpenPutsHttpOnlyBeforeAddressesWithoutScheme) {
    struct Case {
        std::string given;
        std::string opened;
    };
    const Case cases[] = {
        {"host/page", "http://host/page"},
        {"HTTP://host/page", "HTTP://host/page"},
        {"https://host/page", "https://host/page"},
        {"Https://host/page", "Https://host/page"},
        {"ftp://host/file", "ftp://host/file"},
        {"host:8080/page", "http://host:8080/page"},
        {"host/go?to=http://elsewhere/", "http://host/go?to=http://elsewhere/"},
        {" host/page", "http:// host/page"},
    };
    for (const Case& c : cases) {
        std::string url = c.given;
        request.Open("GET", url);
        EXPECT_EQ(url, c.opened) << c.given;
        HttpRequest unconnected;
        url = c.given;
        unconnected.Open(url);
        EXPECT_EQ(url, c.opened) << "without a platform request: " << c.given;
    }
}

TEST_F(HttpRequestTest, OpenDefaultsToASynchronousGet) {
    RawServer server([](const std::string&) { return httpReply("ok"); });
    std::string url = server.hostPath("/plain");
    request.Open(url);
    request.Send();
    // Synchronous: the reply is there without waiting.
    EXPECT_EQ(request.Status(), 200);
    EXPECT_EQ(request.ResponseBody(), "ok");
    EXPECT_TRUE(request.LastReplyReceived());
    EXPECT_TRUE(server.lastRequest().starts_with("GET /plain HTTP/1.1\r\n"));
}

TEST_F(HttpRequestTest, SendPrefersBytesThenTextThenNoBody) {
    RawServer server([](const std::string&) { return httpReply(""); });
    struct Case {
        std::string text;
        std::string bytes;
        std::string sentBody;
    };
    const Case cases[] = {
        {"text=1", "bytes=2", "bytes=2"},
        {"text=1", "", "text=1"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string url = server.url("/post");
        request.Open("POST", url);
        request.Send(c.text, c.bytes);
        std::string sent = server.lastRequest();
        EXPECT_EQ(sent.substr(sent.find("\r\n\r\n") + 4), c.sentBody);
        EXPECT_NE(sent.find("\r\nContent-Length: " + std::to_string(c.sentBody.size()) + "\r\n"),
                  std::string::npos)
            << sent;
    }
}

TEST_F(HttpRequestTest, RequestCarriesOnlyTheHeadersSetInTheirOrder) {
    RawServer server([](const std::string&) { return httpReply(""); });
    std::string url = server.url("/h");
    request.Open("POST", url);
    request.SetRequestHeader("X-Second", "2");
    request.SetRequestHeader("X-First", "1");
    request.SetRequestHeader("x-second", "two");  // replaces in place
    request.SetRequestHeader("X-Empty", "");
    request.SetRequestHeader("X-Bad", "a\r\nInjected: yes");  // refused
    request.Send(std::string(2000, 'a'));
    EXPECT_EQ(server.lastRequest(), "POST /h HTTP/1.1\r\nHost: " + server.hostPath("") +
                                        "\r\nX-Second: two\r\nX-First: 1\r\nX-Empty:\r\n"
                                        "Content-Length: 2000\r\n\r\n" +
                                        std::string(2000, 'a'));
}

TEST_F(HttpRequestTest, ReplyAccessorsGiveStatusHeadersAndBody) {
    RawServer server([](const std::string&) {
        return httpReply("hi", "X-One: a\r\nX-Two:  spaced  \r\nX-One: b\r\n",
                         "HTTP/1.1 201 Created Here");
    });
    std::string url = server.url("/r");
    request.Open(url);
    request.Send();
    EXPECT_EQ(request.Status(), 201);
    EXPECT_EQ(request.StatusText(), "Created Here");
    EXPECT_EQ(request.GetResponseHeader("x-one"), "a");
    EXPECT_EQ(request.GetResponseHeader("X-Two"), "spaced");
    EXPECT_EQ(request.GetResponseHeader("X-Missing"), "");
    EXPECT_EQ(request.GetAllResponseHeaders(),
              "Content-Length: 2\r\nX-One: a\r\nX-Two:  spaced  \r\nX-One: b\r\n");
    EXPECT_EQ(request.ResponseBody(), "hi");
    std::istringstream stream = request.ResponseStream();
    EXPECT_EQ(stream.str(), "hi");
}

TEST_F(HttpRequestTest, CookieHelpersReadTheSetCookieLines) {
    struct Case {
        std::string headers;
        std::string lines;
        std::string cookies;
        std::string sid;
    };
    const Case cases[] = {
        {"X-Other: 1\r\n", "", "", ""},
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie:b=2\r\n",
         "Set-Cookie: a=1; path=/\r\nSet-Cookie:b=2\r\n", "a=1; path=/; b=2; ", ""},
        {"Set-Cookie: sid=abc; path=/\r\n", "Set-Cookie: sid=abc; path=/\r\n", "sid=abc; path=/; ",
         "abc"},
        {"Set-Cookie:sid=abc; path=/\r\n", "Set-Cookie:sid=abc; path=/\r\n", "sid=abc; path=/; ",
         "abc"},
        // Only the exact "Set-Cookie:" counts.
        {"set-cookie: sid=low\r\nSet-Cookie2: sid=two\r\n", "", "", ""},
        // A value ends with its line; the next header never becomes part of it.
        {"Set-Cookie: sid=abc\r\nSet-Cookie: x=1; path=/\r\n",
         "Set-Cookie: sid=abc\r\nSet-Cookie: x=1; path=/\r\n", "sid=abc; x=1; path=/; ", "abc"},
        {"Set-Cookie: xsid=no; path=/\r\nSet-Cookie: sid=yes;\r\n",
         "Set-Cookie: xsid=no; path=/\r\nSet-Cookie: sid=yes;\r\n", "xsid=no; path=/; sid=yes;; ",
         "yes"},
    };
    for (const Case& c : cases) {
        RawServer server([&](const std::string&) { return httpReply("", c.headers); });
        std::string url = server.url("/c");
        request.Open(url);
        request.Send();
        EXPECT_EQ(request.SetCookieLines(), c.lines) << c.headers;
        EXPECT_EQ(request.ReplyCookies(), c.cookies) << c.headers;
        EXPECT_EQ(request.GetCookie("sid"), c.sid) << c.headers;
    }
}

TEST_F(HttpRequestTest, SetTimeoutsFillsLeftOutValuesWithTheResolveTimeout) {
    request.SetTimeouts(3000);
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{3000, 3000, 3000, 3000}));
    request.SetTimeouts(3000, 0, 5000, -1);
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{3000, 3000, 5000, 3000}));
    request.SetTimeouts(1, 2, 3, 4);
    EXPECT_EQ(request.GetRequestObject()->GetTimeouts(), (Timeouts{1, 2, 3, 4}));
}

TEST_F(HttpRequestTest, RedirectOptionReadsBackAndSwitchesFollowing) {
    RawServer server([](const std::string& sent) {
        if (sent.starts_with("GET /old ")) {
            return httpReply("moved", "Location: /new\r\n", "HTTP/1.1 302 Found");
        }
        return httpReply("arrived");
    });
    EXPECT_EQ(request.Option(kOptionEnableRedirects), OptionValue(1L));
    std::string url = server.url("/old");
    request.Open(url);
    request.Send();
    EXPECT_EQ(request.ResponseBody(), "arrived");

    EXPECT_EQ(request.Option(kOptionEnableRedirects, OptionValue(0L)), OptionValue(0L));
    EXPECT_EQ(request.Option(kOptionEnableRedirects), OptionValue(0L));
    request.Open(url);
    request.Send();
    EXPECT_EQ(request.Status(), 302);
    EXPECT_EQ(request.ResponseBody(), "moved");
    EXPECT_EQ(request.GetResponseHeader("Location"), "/new");

    EXPECT_EQ(request.Option(99), OptionValue());
    EXPECT_EQ(HttpRequest().Option(kOptionEnableRedirects), OptionValue());
}

TEST_F(HttpRequestTest, CopiesShareTheRequestButNotTheStoredCookie) {
    RawServer server([](const std::string&) { return httpReply("", "Set-Cookie: a=1\r\n"); });
    request.FetchText(server.url("/"), {.keepReplyCookies = true});
    ASSERT_EQ(request.StoredCookie(), "a=1; ");

    HttpRequest copy = request;
    EXPECT_EQ(copy.GetRequestObject(), request.GetRequestObject());
    EXPECT_EQ(copy.ClearCookies(), "");
    EXPECT_EQ(copy.StoredCookie(), "");
    EXPECT_EQ(request.StoredCookie(), "a=1; ");

    copy.FetchText(server.url("/"));
    request.FetchText(server.url("/"));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(HttpRequestTest, RenewAndResetStartOnAFreshRequest) {
    RawServer server([](const std::string&) { return httpReply("", "Set-Cookie: a=1\r\n"); });
    request.FetchText(server.url("/"), {.keepReplyCookies = true});
    request.Option(kOptionEnableRedirects, OptionValue(0L));
    auto first = request.GetRequestObject();

    request.Renew();
    EXPECT_NE(request.GetRequestObject(), first);
    EXPECT_EQ(request.Option(kOptionEnableRedirects), OptionValue(1L));
    EXPECT_EQ(request.StoredCookie(), "a=1; ");
    EXPECT_FALSE(request.LastReplyReceived());

    request.Reset();
    EXPECT_EQ(request.StoredCookie(), "");
    EXPECT_NE(request.GetRequestObject(), nullptr);
}

TEST_F(HttpRequestTest, WithoutPlatformRequestEveryResultIsEmpty) {
    RawServer server([](const std::string&) { return httpReply("body"); });
    HttpRequest empty;
    std::string url = server.url("/");
    empty.Open(url);
    empty.SetRequestHeader("A", "b");
    empty.Send("x");
    EXPECT_FALSE(empty.WaitForResponse(1));
    EXPECT_EQ(empty.Status(), 0);
    EXPECT_EQ(empty.ResponseBody(), "");
    EXPECT_EQ(empty.FetchText(url), "");
    EXPECT_EQ(empty.QuickLocation(url), "");
    EXPECT_FALSE(empty.LastReplyReceived());
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(HttpRequestTest, ConnectionIsKeptAliveBetweenRequests) {
    RawServer server([](const std::string&) { return httpReply("page"); });
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(request.FetchText(server.url("/" + std::to_string(i))), "page");
    }
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(HttpRequestTest, AsynchronousSendReturnsBeforeTheReply) {
    RawServer server([](const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return httpReply("late");
    });
    std::string url = server.url("/slow");
    request.Open("GET", url, true);
    request.Send();
    EXPECT_EQ(request.Status(), 0);  // not there yet
    EXPECT_TRUE(request.WaitForResponse(10));
    EXPECT_EQ(request.ResponseBody(), "late");
}

TEST_F(HttpRequestTest, WaitEndsAtItsTimeWhenTheServerStalls) {
    RawServer server([](const std::string&) { return std::nullopt; });
    request.SetTimeouts(60000);
    std::string url = server.url("/stall");
    request.Open("GET", url, true);
    request.Send();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(request.WaitForResponse(1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(request.LastReplyReceived());
    EXPECT_EQ(request.ResponseBody(), "");

    request.Abort();
    EXPECT_FALSE(request.WaitForResponse(1));
}

TEST_F(HttpRequestTest, CredentialsAnswerTheServersChallengeForOneRequest) {
    RawServer server([](const std::string& sent) {
        if (sent.find("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n") != std::string::npos) {
            return httpReply("welcome");
        }
        return httpReply("who?", "WWW-Authenticate: Basic realm=\"portal\"\r\n",
                         "HTTP/1.1 401 Unauthorized");
    });
    std::string url = server.url("/private");
    request.Open(url);
    request.SetCredentials("user", "pass");
    request.Send();
    EXPECT_EQ(request.Status(), 200);
    EXPECT_EQ(request.ResponseBody(), "welcome");

    request.Open(url);
    request.Send();
    EXPECT_EQ(request.Status(), 401);
    EXPECT_EQ(server.lastRequest().find("Authorization"), std::string::npos);
}

TEST_F(HttpRequestTest, ProxySettingsChooseTheRoute) {
    RawServer origin([](const std::string&) { return httpReply("direct"); });
    RawServer proxy([](const std::string&) { return httpReply("proxied"); });
    testing::ScopedEnvironment system("http_proxy", proxy.hostPath("").c_str());
    auto fetch = [&] {
        std::string url = origin.url("/x");
        request.Open(url);
        request.Send();
        return request.ResponseBody();
    };
    EXPECT_EQ(fetch(), "proxied");
    request.SetProxy(kProxyDirect);
    EXPECT_EQ(fetch(), "direct");
    request.SetProxy(kProxyNamed, proxy.hostPath(""), "example.org; 127.0.0.1");
    EXPECT_EQ(fetch(), "direct");
    request.SetProxy(kProxyNamed, proxy.hostPath(""));
    EXPECT_EQ(fetch(), "proxied");
    request.SetProxy(kProxyDefault);
    EXPECT_EQ(fetch(), "proxied");
    EXPECT_EQ(proxy.requests().size(), 3u);
}

TEST_F(HttpRequestTest, ResponseTextDecodesByTheContentTypeCharset) {
    // "评论" in UTF-8 and in GBK.
    const std::string utf8 = "\xE8\xAF\x84\xE8\xAE\xBA";
    const std::string gbk = "\xC6\xC0\xC2\xDB";
    struct Case {
        std::string headers;
        std::string body;
    };
    const Case cases[] = {
        {"Content-Type: text/html; charset=utf-8\r\n", utf8},
        {"Content-Type: text/html; charset=\"GBK\"\r\n", gbk},
        {"Content-Type: text/html\r\n", utf8},
    };
    for (const Case& c : cases) {
        RawServer server([&](const std::string&) { return httpReply(c.body, c.headers); });
        std::string url = server.url("/t");
        request.Open(url);
        request.Send();
        EXPECT_EQ(request.ResponseText(), gbk) << c.headers;
    }
}

}  // namespace
}  // namespace tidewell::web
