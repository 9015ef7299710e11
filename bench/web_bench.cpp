// Page fetches through HttpRequest against the same requests on a plain libcurl easy handle,
// both on one kept-alive loopback connection to an in-process server with a 40 KB GBK page
// (raw sockets, so the benchmark needs no server library).
// Prints the ratio ours/plain of the median times; the target is at most 1.2.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "web/decode_text.h"
#include "web/http_request.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kRepetitions = 9;

// Other work on the machine only ever adds time, so the best run is the steadiest measure.
double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

std::string gbkPage() {
    std::string page =
        "<html><head><title>" + tidewell::platform::local("评论") + "</title></head><body>\n";
    const std::string line =
        tidewell::platform::local("网友评论：今天的新闻很有意思，大家都在讨论这件事情。") +
        "<br>\n";
    while (page.size() < 40 * 1024) {
        page += line;
    }
    page += "</body></html>\n";
    return page;
}

// A keep-alive HTTP server on raw sockets: every request gets the page.
class PageServer {
  public:
    PageServer() : page_(gbkPage()) {
        reply_ = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                 std::to_string(page_.size()) + "\r\n\r\n" + page_;
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::perror("listen");
            std::exit(1);
        }
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~PageServer() {
        stopping_ = true;
        acceptor_.join();
        for (std::thread& worker : workers_) {
            worker.join();
        }
        ::close(listener_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/page"; }
    size_t pageSize() const { return page_.size(); }

  private:
    static bool readable(int fd) {
        pollfd entry{fd, POLLIN, 0};
        return ::poll(&entry, 1, 20) > 0;
    }
    void acceptLoop() {
        while (!stopping_) {
            if (readable(listener_)) {
                int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (socket >= 0) {
                    workers_.emplace_back([this, socket] { serve(socket); });
                }
            }
        }
    }
    void serve(int socket) {
        std::string buffer;
        char chunk[4096];
        while (!stopping_) {
            if (!readable(socket)) {
                continue;
            }
            ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
            if (got <= 0) {
                break;
            }
            buffer.append(chunk, static_cast<size_t>(got));
            size_t end;
            while ((end = buffer.find("\r\n\r\n")) != std::string::npos) {
                buffer.erase(0, end + 4);
                if (::send(socket, reply_.data(), reply_.size(), MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(reply_.size())) {
                    break;
                }
            }
        }
        ::close(socket);
    }

    std::string page_;
    std::string reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

PageServer* server = nullptr;

void BM_FetchText(benchmark::State& state) {
    tidewell::web::HttpRequest request;
    request.CreateRequest();
    const std::string url = server->url();
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            std::string page = request.FetchText(url);
            if (page.size() != server->pageSize()) {
                state.SkipWithError("short page");
                return;
            }
            benchmark::DoNotOptimize(page);
        }
    }
}

// The same fetches without decoding, and the decoding alone: where the time goes.
void BM_FetchBytes(benchmark::State& state) {
    tidewell::web::HttpRequest request;
    request.CreateRequest();
    const std::string url = server->url();
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            std::string page = request.FetchBytes(url);
            benchmark::DoNotOptimize(page);
        }
    }
}

void BM_DecodeOnly(benchmark::State& state) {
    const std::string page = gbkPage();
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            std::string text = tidewell::web::DecodeBytes(page);
            benchmark::DoNotOptimize(text);
        }
    }
}

size_t appendBody(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

void BM_PlainCurl(benchmark::State& state) {
    CURL* easy = curl_easy_init();
    const std::string url = server->url();
    std::string page;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &page);
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            page.clear();
            if (curl_easy_perform(easy) != CURLE_OK || page.size() != server->pageSize()) {
                state.SkipWithError("short page");
                break;
            }
            benchmark::DoNotOptimize(page);
        }
    }
    curl_easy_cleanup(easy);
}

// Both sides in turns of 100 requests within one run, so that a busy spell of the machine
// (other builds share its two cores) weighs on both alike; the ratio comes from this run.
void BM_Paired(benchmark::State& state) {
    constexpr int kTurn = 100;
    using Clock = std::chrono::steady_clock;
    tidewell::web::HttpRequest request;
    request.CreateRequest();
    CURL* easy = curl_easy_init();
    const std::string url = server->url();
    std::string plainPage;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &plainPage);
    for (auto _ : state) {
        Clock::duration ours{};
        Clock::duration plain{};
        for (int turn = 0; turn < kRequests / kTurn; ++turn) {
            for (bool oursNow : {turn % 2 == 0, turn % 2 != 0}) {
                auto start = Clock::now();
                for (int i = 0; i < kTurn; ++i) {
                    if (oursNow) {
                        benchmark::DoNotOptimize(request.FetchText(url));
                    } else {
                        plainPage.clear();
                        curl_easy_perform(easy);
                        benchmark::DoNotOptimize(plainPage);
                    }
                }
                (oursNow ? ours : plain) += Clock::now() - start;
            }
        }
        using Ms = std::chrono::duration<double, std::milli>;
        state.counters["ours_ms"] = Ms(ours).count();
        state.counters["plain_ms"] = Ms(plain).count();
        state.counters["ratio"] = Ms(ours).count() / Ms(plain).count();
    }
    curl_easy_cleanup(easy);
}

void registerRuns(const char* name, void (*run)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, run)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(kRepetitions)
        ->UseRealTime()
        ->ComputeStatistics("min", minimum);
}

// Keeps the best and the median time of each benchmark so that main can print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate) {
                times[run.aggregate_name][run.run_name.function_name] = run.GetAdjustedRealTime();
                if (auto ratio = run.counters.find("ratio"); ratio != run.counters.end()) {
                    ratios[run.aggregate_name] = ratio->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::map<std::string, double>> times;
    std::map<std::string, double> ratios;
};

}  // namespace

int main(int argc, char** argv) {
    // Client and server threads share one processor, so that each request is the same
    // hand-over between them; spread over the machine's cores, which threads meet where changes
    // from run to run and swamps the difference measured here.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(std::max(0, sched_getcpu()), &one);
    sched_setaffinity(0, sizeof one, &one);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // Repetitions of the benchmarks take turns, so that a busy spell of the machine falls on
    // both sides alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    PageServer pageServer;
    server = &pageServer;
    registerRuns("BM_FetchText", BM_FetchText);
    registerRuns("BM_FetchBytes", BM_FetchBytes);
    registerRuns("BM_DecodeOnly", BM_DecodeOnly);
    registerRuns("BM_PlainCurl", BM_PlainCurl);
    registerRuns("BM_Paired", BM_Paired);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* statistic : {"min", "median"}) {
        double ours = reporter.times[statistic]["BM_FetchText"];
        double plain = reporter.times[statistic]["BM_PlainCurl"];
        if (ours > 0 && plain > 0) {
            std::printf(
                "separate runs, %s of %d: %d fetches of a %zu-byte page: FetchText %.1f ms, "
                "plain libcurl %.1f ms, ratio %.3f\n",
                statistic, kRepetitions, kRequests, pageServer.pageSize(), ours, plain,
                ours / plain);
        }
    }
    if (reporter.ratios.count("median") != 0) {
        std::printf("paired runs, median of %d: ratio ours/plain %.3f (target at most 1.2)\n",
                    kRepetitions, reporter.ratios["median"]);
    }
    server = nullptr;
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
