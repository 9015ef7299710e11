#include "tools/fakeportal/options.h"

#include <gtest/gtest.h>

#include "tidewell_config.h"
#include "tools/fakeportal/fault.h"
#include "tools/fakeportal/request_log.h"

namespace tidewell::fakeportal {
namespace {

std::optional<Options> parse(std::vector<std::string_view> arguments, std::string& error) {
    return parseOptions(arguments, error);
}

TEST(Options, DefaultsAndEveryOption) {
    std::string error;
    auto defaults = parse({}, error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->port, 0);
    EXPECT_EQ(defaults->fixtures, TIDEWELL_FAKEPORTAL_FIXTURES);
    EXPECT_FALSE(defaults->fixturesGiven);
    EXPECT_EQ(defaults->commentHost, TIDEWELL_COMMENT_HOST);
    EXPECT_EQ(defaults->newsHost, TIDEWELL_NEWS_HOST);
    EXPECT_FALSE(defaults->repeatLastPage);
    EXPECT_FALSE(defaults->exitAfterSeconds);

    auto all =
        parse({"--port", "8080", "--fixtures=/tmp/f", "--comment-host", "c.test", "--news-host",
               "n.test", "--repeat-last-page", "--fault", "reset#2", "--fault=status=503@x",
               "--log", "/tmp/log", "--threads", "4", "--exit-after", "2.5"},
              error);
    ASSERT_TRUE(all) << error;
    EXPECT_EQ(all->port, 8080);
    EXPECT_EQ(all->fixtures, "/tmp/f");
    EXPECT_TRUE(all->fixturesGiven);
    EXPECT_EQ(all->commentHost, "c.test");
    EXPECT_EQ(all->newsHost, "n.test");
    EXPECT_TRUE(all->repeatLastPage);
    ASSERT_EQ(all->faults.size(), 2u);
    EXPECT_EQ(all->faults[1].kind, FaultKind::Status);
    EXPECT_EQ(all->logFile, "/tmp/log");
    EXPECT_EQ(all->threads, 4);
    EXPECT_EQ(all->exitAfterSeconds, 2.5);

    auto help = parse({"--help"}, error);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
    EXPECT_NE(usageText().find("KIND[=ARG][@NEWSID][#N]"), std::string::npos);
}

TEST(Options, RefusesMistakes) {
    const std::vector<std::vector<std::string_view>> cases = {
        {"--port"},
        {"--port", "65536"},
        {"--port", "-1"},
        {"--port", "80x"},
        {"--threads", "0"},
        {"--exit-after", "0"},
        {"--exit-after", "soon"},
        {"--fault", "bogus"},
        {"--log", ""},
        {"--repeat-last-page=yes"},
        {"--verbose"},
        {"stray"},
    };
    for (const auto& arguments : cases) {
        std::string error;
        EXPECT_FALSE(parse(arguments, error)) << arguments[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(Faults, ReadsEverySpecForm) {
    const struct {
        const char* text;
        FaultKind kind;
        std::optional<std::uint64_t> argument;
        std::optional<std::string> newsid;
        std::optional<std::uint64_t> nth;
    } cases[] = {
        {"latency=250", FaultKind::Latency, 250, std::nullopt, std::nullopt},
        {"status=503@1-1-2", FaultKind::Status, 503, "1-1-2", std::nullopt},
        {"reset#3", FaultKind::Reset, std::nullopt, std::nullopt, 3},
        {"truncate", FaultKind::Truncate, std::nullopt, std::nullopt, std::nullopt},
        {"truncate=10@gen-5-1#2", FaultKind::Truncate, 10, "gen-5-1", 2},
        {"stall=2000", FaultKind::Stall, 2000, std::nullopt, std::nullopt},
        {"badgbk@x", FaultKind::BadGbk, std::nullopt, "x", std::nullopt},
        {"huge", FaultKind::Huge, std::nullopt, std::nullopt, std::nullopt},
        {"records=20000", FaultKind::Records, 20000, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        std::string error;
        auto fault = parseFault(c.text, error);
        ASSERT_TRUE(fault) << c.text << ": " << error;
        EXPECT_EQ(fault->kind, c.kind) << c.text;
        EXPECT_EQ(fault->argument, c.argument) << c.text;
        EXPECT_EQ(fault->newsid, c.newsid) << c.text;
        EXPECT_EQ(fault->nth, c.nth) << c.text;
    }
    for (const char* bad :
         {"", "latency", "latency=", "latency=1s", "status=99", "status=600", "reset=1", "badgbk=2",
          "reset#0", "reset#x", "reset#", "reset@", "Reset", "explode=1"}) {
        std::string error;
        EXPECT_FALSE(parseFault(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

Fault fault(const char* text) {
    std::string error;
    return *parseFault(text, error);
}

TEST(Faults, PlanSelectsByThreadAndByRequestNumber) {
    FaultPlan plan({fault("status=500#2"), fault("reset@a#2"), fault("latency=5@b"),
                    fault("latency=7@b"), fault("badgbk@b#1"), fault("huge")});
    // Request 1 of the server, request 1 of b.
    FaultEffects e = plan.decide("b");
    EXPECT_FALSE(e.status);
    EXPECT_EQ(e.latencyMs, 12u);
    EXPECT_TRUE(e.badGbk);
    EXPECT_EQ(e.hugeBytes, kDefaultHugeBytes);
    // Request 2 of the server, request 1 of a.
    e = plan.decide("a");
    EXPECT_EQ(e.status, 500);
    EXPECT_FALSE(e.reset);
    EXPECT_EQ(e.latencyMs, 0u);
    // Request 3 of the server, request 2 of a.
    e = plan.decide("a");
    EXPECT_FALSE(e.status);
    EXPECT_TRUE(e.reset);
    // Request 4, naming no thread; request 2 of b.
    e = plan.decide("");
    EXPECT_FALSE(e.reset);
    EXPECT_EQ(e.latencyMs, 0u);
    e = plan.decide("b");
    EXPECT_FALSE(e.badGbk);
    EXPECT_EQ(e.latencyMs, 12u);

    FaultPlan none({});
    EXPECT_FALSE(none.decide("a").any());
}

TEST(RequestLogLine, KeepsHeaderOrderAndLeavesOutTheVersion) {
    const struct {
        const char* head;
        const char* line;
    } cases[] = {
        {"GET /page/info?a=1 HTTP/1.1\r\nZeta: 1\r\nAccept: */*\r\nalpha:  two  words \r\n\r\n",
         "GET /page/info?a=1 | Zeta: 1 | Accept: */* | alpha: two  words"},
        {"GET http://news.example/gn/x.html HTTP/1.0\nHost: news.example\n\n",
         "GET http://news.example/gn/x.html | Host: news.example"},
        {"HEAD / HTTP/1.1\r\nX-Folded: one\r\n  two\r\nEmpty:\r\n\r\n",
         "HEAD / | X-Folded: one two | Empty: "},
        {"GET /\r\n\r\n", "GET /"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatRequestLogLine(c.head), c.line) << c.head;
    }
}

}  // namespace
}  // namespace tidewell::fakeportal
