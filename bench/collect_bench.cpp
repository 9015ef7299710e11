// The collector over one long thread: gen-20000-1 of tidewell-fakeportal (20 000 comments on
// 200 pages) collected with no page pause into one output file.
//
// CollectInProcess runs CollectionRun in this process with a HeadlessWindow and takes the CPU
// time of the calling thread (getrusage(RUSAGE_THREAD)) before and after. libcurl works in that
// same thread (one multi handle, no worker threads), so the difference is the collector's whole
// CPU: fetching, parsing, filtering, rendering, comparing pages and writing the file, without
// the time spent waiting for replies. cpu_us_per_page divides it by the thread's 200 pages;
// the target is under 300 us.
//
// CollectorProgram runs tidewell-collect as a child on the same thread and reads its rusage
// through wait4: its CPU per page (start-up included) and its peak resident memory.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collect/collection_run.h"
#include "collect/headless_window.h"
#include "platform/encoding.h"
#include "tools/fakeportal_process.h"

namespace {

using namespace tidewell;

constexpr int kPages = 200;
const std::string kNewsid = "gen-20000-1";

// The file the thread's title names: "生成话题1号：共20000条评论.txt".
std::string outputPath(const bench::ScratchFolder& folder) {
    return folder.path() + platform::utf8FromLocal(platform::local("生成话题1号：共20000条评论")) +
           ".txt";
}

struct InProcessRun {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    int pagesFetched = 0;
    bool failed = false;
};

InProcessRun collectInProcess(const bench::ScratchFolder& folder) {
    collect::HeadlessWindow window;
    window.SetEditText(collect::control::kList, bench::viewerAddress(kNewsid));
    window.SetEditText(collect::control::kSaveDirectory, folder.path());
    window.SetEditText(collect::control::kPageDelay, "0");
    InProcessRun run;
    static const std::string pageWord = platform::local(" 页：");
    window.onLabel = [&](const std::string& text) {
        if (text.find(pageWord) != std::string::npos) {
            ++run.pagesFetched;
        }
    };
    window.onMessage = [](const std::string&, const std::string&) {};
    collect::RunContext context;

    const double cpuBefore = bench::threadCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    collect::CollectionRun(window, context, false);
    run.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    run.cpuSeconds = bench::threadCpuSeconds() - cpuBefore;
    run.failed = !context.failures.empty();
    return run;
}

void BM_CollectInProcess(benchmark::State& state) {
    bench::ScratchFolder folder("collect-bench");
    double cpu = 0;
    double wall = 0;
    long lines = 0;
    for (auto _ : state) {
        folder.clear();
        const InProcessRun run = collectInProcess(folder);
        lines = bench::countLines(outputPath(folder));
        if (run.failed || run.pagesFetched != kPages + 1 || lines <= 0) {
            state.SkipWithError("the thread was not collected whole");
            return;
        }
        state.SetIterationTime(run.wallSeconds);
        cpu += run.cpuSeconds;
        wall += run.wallSeconds;
    }
    const double pages = static_cast<double>(state.iterations()) * kPages;
    state.counters["cpu_us_per_page"] = cpu / pages * 1e6;
    state.counters["pages_per_s"] = pages / wall;
    state.counters["lines_written"] = static_cast<double>(lines);
}

void BM_CollectorProgram(benchmark::State& state) {
    bench::ScratchFolder folder("collect-bench-child");
    const std::string list = folder.path() + "list.txt";
    const std::string saveDir = folder.path() + "out/";
    bench::writeTextFile(list, bench::viewerAddress(kNewsid) + "\n");
    double cpu = 0;
    double wall = 0;
    double peak = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(saveDir);
        const bench::ChildUsage used = bench::runChild(
            TIDEWELL_COLLECT_PATH, {"--quiet", "--delay", "0", "--save-dir", saveDir, list});
        if (used.exitStatus != 0) {
            state.SkipWithError("tidewell-collect failed");
            return;
        }
        state.SetIterationTime(used.wallSeconds);
        cpu += used.cpuSeconds;
        wall += used.wallSeconds;
        peak = std::max(peak, used.peakResidentMiB);
    }
    const double pages = static_cast<double>(state.iterations()) * kPages;
    state.counters["cpu_us_per_page"] = cpu / pages * 1e6;
    state.counters["pages_per_s"] = pages / wall;
    state.counters["peak_rss_mib"] = peak;
}

double maximum(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

void registerAll() {
    for (auto [name, run] : {std::pair{"CollectInProcess/gen-20000-1", &BM_CollectInProcess},
                             std::pair{"CollectorProgram/gen-20000-1", &BM_CollectorProgram}}) {
        benchmark::RegisterBenchmark(name, run)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(5)
            ->UseManualTime()
            ->ComputeStatistics("max", maximum);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    tools::FakePortalProcess portal;
    bench::useProxy(portal.proxyUrl());
    {
        // The stand-in makes each generated page on its first request; one run fills its cache.
        bench::ScratchFolder warmUp("collect-bench-warm-up");
        collectInProcess(warmUp);
    }
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
