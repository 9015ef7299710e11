// A comment page fetched the way the collection run fetches it, through tidewell-fakeportal as
// the http_proxy, with the stand-in's request log showing what went on the wire.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "web/http_request.h"
#include "web/tests/proxy_environment.h"

extern char** environ;

namespace tidewell::web {
namespace {

// Runs the stand-in on a free loopback port for as long as the object lives.
class FakePortal {
  public:
    explicit FakePortal(const std::string& logFile) {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        std::vector<std::string> arguments = {TIDEWELL_FAKEPORTAL_BINARY, "--port", "0", "--log",
                                              logFile};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        output_ = pipeEnds[0];
        if (spawned != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start " + arguments[0]);
        }
        port_ = readPort();
    }
    ~FakePortal() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    int port() const { return port_; }

  private:
    // The first line is "listening on 127.0.0.1:PORT".
    int readPort() {
        const std::string prefix = "listening on 127.0.0.1:";
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (line.find('\n') == std::string::npos) {
            pollfd entry{output_, POLLIN, 0};
            if (std::chrono::steady_clock::now() > deadline || ::poll(&entry, 1, 100) < 0) {
                throw std::runtime_error("no port from the stand-in");
            }
            char chunk[256];
            ssize_t got =
                (entry.revents & (POLLIN | POLLHUP)) ? ::read(output_, chunk, sizeof chunk) : 0;
            if (got < 0 || (got == 0 && (entry.revents & POLLHUP))) {
                throw std::runtime_error("the stand-in ended");
            }
            line.append(chunk, static_cast<size_t>(got));
        }
        if (!line.starts_with(prefix)) {
            throw std::runtime_error("unexpected first line: " + line);
        }
        return std::stoi(line.substr(prefix.size()));
    }

    pid_t pid_ = -1;
    int output_ = -1;
    int port_ = 0;
};

// The header names of a log line "METHOD TARGET | Name: value | Name: value".
std::vector<std::string> headerNames(const std::string& logLine) {
    std::vector<std::string> names;
    size_t at = logLine.find(" | ");
    while (at != std::string::npos) {
        size_t start = at + 3;
        at = logLine.find(" | ", start);
        std::string field = logLine.substr(start, at == std::string::npos ? at : at - start);
        names.push_back(field.substr(0, field.find(':')));
    }
    return names;
}

class FakePortalTest : public testing::ProxyFreeTest {};

TEST_F(FakePortalTest, CommentPageThroughTheStandInComesBackAsLocalText) {
    const std::filesystem::path logFile = std::filesystem::path(::testing::TempDir()) /
                                          ("web_fakeportal_" + std::to_string(::getpid()) + ".log");
    FakePortal portal(logFile.string());
    testing::ScopedEnvironment proxy("http_proxy",
                                     ("http://127.0.0.1:" + std::to_string(portal.port())).c_str());
    const std::string url =
        "http://comment.news.example/page/info?format=js&channel=gn&newsid=gen-150-1&group=0"
        "&compress=1&ie=gbk&oe=gbk&page=1&page_size=100";

    HttpRequest request;
    request.CreateRequest();
    std::string page = request.FetchText(url);

    EXPECT_TRUE(request.LastReplyReceived());
    EXPECT_EQ(request.Status(), 200);
    EXPECT_TRUE(platform::utf8FromLocalStrict(page).has_value());
    EXPECT_NE(page.find(platform::local("\"title\": \"生成话题1号：共150条评论\"")),
              std::string::npos)
        << page.substr(0, 300);
    EXPECT_NE(page.find("\"cmntlist\": [{\"status\": "), std::string::npos);

    std::ifstream log(logFile);
    std::string line;
    ASSERT_TRUE(std::getline(log, line));
    EXPECT_TRUE(line.starts_with("GET " + url + " | ")) << line;
    EXPECT_EQ(headerNames(line),
              (std::vector<std::string>{"Host", "Referer", "Content-Type", "User-Agent"}))
        << line;
    EXPECT_NE(line.find(" | Referer: " + url + " | "), std::string::npos) << line;
    EXPECT_FALSE(std::getline(log, line)) << "one request only";
    std::filesystem::remove(logFile);
}

}  // namespace
}  // namespace tidewell::web
