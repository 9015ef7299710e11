// The headless collector against the least any collector must do, in one run on this machine.
// tidewell-fakeportal serves gen-50000-1 (50 000 comments on 500 pages); then, in turns,
//   (a) tidewell-collect collects the thread with no page pause into its file, and
//   (b) a plain libcurl loop fetches the same 500 comment page addresses in order, through the
//       same http_proxy on one kept-alive connection, and drops the bodies.
// Each repetition runs one of each, the order changing from one to the next, so that a busy
// spell of the machine falls on both alike. Reported: both wall times and the ratio a / b
// (target at most 1.3), and the peak resident memory of tidewell-collect as wait4 reports it
// (target under 64 MiB).
//
// The stand-in answers a cached page in well under a tenth of a millisecond, far faster than
// any real portal, so the ratio shows the collector's own work per page against bare loopback
// transfers. For comparison the same pair also runs against a second stand-in that waits 2 ms
// before each reply (--fault latency=2), a fast real server's time.

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collect/comment_service.h"
#include "tools/fakeportal_process.h"

namespace {

using namespace tidewell;

constexpr int kPages = 500;
const std::string kNewsid = "gen-50000-1";

size_t countBody(char* /*data*/, size_t size, size_t count, void* bytes) {
    *static_cast<size_t*>(bytes) += size * count;
    return size * count;
}

// The 500 page fetches alone; seconds, or a negative number when a page did not come.
double plainLoop() {
    CURL* easy = curl_easy_init();
    size_t bytes = 0;
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &countBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &bytes);
    const collect::ThreadKey key{"gn", kNewsid};
    bool whole = true;
    const auto start = std::chrono::steady_clock::now();
    for (int page = 1; page <= kPages && whole; ++page) {
        const std::string url = collect::CommentPageAddress(key, page);
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        const size_t before = bytes;
        long status = 0;
        whole = curl_easy_perform(easy) == CURLE_OK &&
                curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
                status == 200 && bytes > before;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curl_easy_cleanup(easy);
    return whole ? seconds : -1;
}

class Collector {
  public:
    Collector() : folder_("end-to-end-bench") {
        bench::writeTextFile(list(), bench::viewerAddress(kNewsid) + "\n");
    }
    bench::ChildUsage run() const {
        std::filesystem::remove_all(saveDir());
        return bench::runChild(TIDEWELL_COLLECT_PATH,
                               {"--quiet", "--delay", "0", "--save-dir", saveDir(), list()});
    }

  private:
    std::string list() const { return folder_.path() + "list.txt"; }
    std::string saveDir() const { return folder_.path() + "out/"; }
    bench::ScratchFolder folder_;
};

void BM_EndToEnd(benchmark::State& state, const tools::FakePortalProcess* portal) {
    static int turn = 0;
    bench::useProxy(portal->proxyUrl());
    Collector collector;
    for (auto _ : state) {
        bench::ChildUsage collected;
        double plain = 0;
        if (turn++ % 2 == 0) {
            collected = collector.run();
            plain = plainLoop();
        } else {
            plain = plainLoop();
            collected = collector.run();
        }
        if (collected.exitStatus != 0 || plain <= 0) {
            state.SkipWithError("the thread did not come whole");
            return;
        }
        state.SetIterationTime(collected.wallSeconds);
        state.counters["collector_ms"] = collected.wallSeconds * 1000;
        state.counters["plain_ms"] = plain * 1000;
        state.counters["ratio"] = collected.wallSeconds / plain;
        state.counters["peak_rss_mib"] = collected.peakResidentMiB;
        state.counters["collector_cpu_ms"] = collected.cpuSeconds * 1000;
    }
}

double maximum(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    {
        tools::FakePortalProcess portal;
        tools::FakePortalProcess slowPortal({"--fault", "latency=2"});
        // The stand-in makes each page on its first request, and the first start of the
        // collector reads it from disk: one unmeasured round of each.
        for (const tools::FakePortalProcess* p : {&portal, &slowPortal}) {
            bench::useProxy(p->proxyUrl());
            if (plainLoop() < 0 || Collector().run().exitStatus != 0) {
                std::fprintf(stderr, "end_to_end_bench: the stand-in did not serve the thread\n");
                return 1;
            }
        }
        benchmark::RegisterBenchmark("EndToEnd/gen-50000-1", BM_EndToEnd, &portal)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(7)
            ->UseManualTime()
            ->ComputeStatistics("max", maximum);
        benchmark::RegisterBenchmark("EndToEnd/gen-50000-1/latency-2ms", BM_EndToEnd, &slowPortal)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(3)
            ->UseManualTime()
            ->ComputeStatistics("max", maximum);
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
