// How long the desktop program's window goes without looking at its events while it collects.
// The real program (settings store, main window, Qt run window) runs under
// QT_QPA_PLATFORM=offscreen and collects gen-50000-1 (50 000 comments on 500 pages) from
// tidewell-fakeportal with no page pause, then writes the thread's file (duplicate lines
// removed on the way). Target: no interval between two event pumps longer than 50 ms, not
// counting the fetches, which by design block the window (a fetch is never interrupted).
//
// How it is measured:
// - Every event pump is seen: the process-wide hook (text operations, file writing, pauses) is
//   set to a wrapper around QCoreApplication::processEvents(), and the run is given the
//   program's own run window behind a wrapper whose PumpEvents (before each address and page)
//   notes the time as well. An interval runs from the return of one pump to the start of the
//   next; the first starts when the run starts and the last ends when it returns to the event
//   loop.
// - Fetches are timed where libcurl does the transfer: this program defines
//   curl_multi_add_handle and curl_multi_remove_handle, which note the time and hand over to
//   libcurl's own (found with dlsym(RTLD_NEXT)). HttpRequest adds its handle when it sends a
//   request and removes it when the reply is complete or has failed, so the span between the
//   two is the wait for the network. The time of the transfers inside an interval is taken off
//   that interval; what stays is the program's own work, decoding the reply included.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <dlfcn.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "app/startup.h"
#include "bench/bench_support.h"
#include "collect/collection_run.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "tools/fakeportal_process.h"

namespace {

using namespace tidewell;
using Clock = std::chrono::steady_clock;

const std::string kNewsid = "gen-50000-1";

// The intervals between event pumps, with the transfers inside each taken off.
class PumpRecorder {
  public:
    void start() {
        *this = PumpRecorder();
        active_ = true;
        last_ = Clock::now();
    }
    void beforePump() {
        if (active_) {
            close(Clock::now());
        }
    }
    void afterPump() {
        if (active_) {
            ++pumps_;
            last_ = Clock::now();
        }
    }
    void finish() {
        close(Clock::now());
        active_ = false;
    }
    void transferStarted() { transferStart_ = Clock::now(); }
    void transferEnded() {
        const Clock::duration spent = Clock::now() - transferStart_;
        inTransfers_ += spent;
        transfers_ += spent;
    }
    void setPlace(const std::string& place) { place_ = place; }

    double longestMs() const { return ms(longest_); }
    double transfersMs() const { return ms(transfers_); }
    long pumps() const { return pumps_; }
    const std::string& longestPlace() const { return longestPlace_; }

  private:
    static double ms(Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }
    void close(Clock::time_point now) {
        const Clock::duration own = (now - last_) - inTransfers_;
        inTransfers_ = {};
        if (own > longest_) {
            longest_ = own;
            longestPlace_ = place_;
        }
    }

    bool active_ = false;
    Clock::time_point last_;
    Clock::time_point transferStart_;
    Clock::duration inTransfers_{};
    Clock::duration transfers_{};
    Clock::duration longest_{};
    long pumps_ = 0;
    std::string place_;
    std::string longestPlace_;
};

PumpRecorder recorder;

// The program's run window, with its event pumps noted.
class NotingRunWindow : public collect::RunWindow {
  public:
    explicit NotingRunWindow(collect::RunWindow& inner) : inner_(inner) {}

    std::string EditText(std::string_view name) const override { return inner_.EditText(name); }
    std::string StartCaption() const override { return inner_.StartCaption(); }
    void SetStartCaption(const std::string& caption) override { inner_.SetStartCaption(caption); }
    void SetProgressMaximum(int maximum) override { inner_.SetProgressMaximum(maximum); }
    void SetProgressPosition(int position) override { inner_.SetProgressPosition(position); }
    void PlaceLabelOverProgress(int left, int top) override {
        inner_.PlaceLabelOverProgress(left, top);
    }
    void SetLabelText(const std::string& text) override {
        recorder.setPlace(text);
        inner_.SetLabelText(text);
    }
    void SetDisplayText(const std::string& text) override { inner_.SetDisplayText(text); }
    void PumpEvents() override {
        recorder.beforePump();
        inner_.PumpEvents();
        recorder.afterPump();
    }
    void ShowTextDialog(const std::string& content, const std::string& prompt,
                        const std::string& title) override {
        inner_.ShowTextDialog(content, prompt, title);
    }
    int ShowMessage(const std::string& text, int flags, const std::string& title) override {
        return inner_.ShowMessage(text, flags, title);
    }

  private:
    collect::RunWindow& inner_;
};

void BM_WindowResponsiveness(benchmark::State& state) {
    bench::ScratchFolder folder("window-bench");
    app::Program program(folder.path() + "program");
    program.shell().setMessageHook([](const app::MessageRequest&) { return app::message::kIdOk; });
    platform::ScopedEventPump pump([] {
        recorder.beforePump();
        QCoreApplication::processEvents();
        recorder.afterPump();
    });
    app::MainWindow& window = program.window();
    window.show();
    window.SetEditText(collect::control::kList, bench::viewerAddress(kNewsid));
    window.SetEditText(collect::control::kSaveDirectory, folder.path() + "out");
    window.SetEditText(collect::control::kPageDelay, "0");
    QCoreApplication::processEvents();
    NotingRunWindow runWindow(program.runWindow());

    const std::string file =
        folder.path() + "out/" +
        platform::utf8FromLocal(platform::local("生成话题1号：共50000条评论")) + ".txt";
    for (auto _ : state) {
        std::filesystem::remove_all(folder.path() + "out");
        recorder.start();
        const auto start = Clock::now();
        collect::CollectionRun(runWindow, program.runContext(), false);
        recorder.finish();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        const long lines = bench::countLines(file);
        if (!program.runContext().failures.empty() || lines < 40000) {
            state.SkipWithError("the thread was not collected whole");
            return;
        }
        state.counters["longest_ms"] = recorder.longestMs();
        state.counters["fetches_ms"] = recorder.transfersMs();
        state.counters["pumps"] = static_cast<double>(recorder.pumps());
        state.counters["lines_written"] = static_cast<double>(lines);
        state.SetLabel("longest after: " + platform::utf8FromLocal(recorder.longestPlace()));
    }
}

double maximum(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

}  // namespace

extern "C" {

// The transfer spans of every fetch (see the top of this file).
CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    static const auto real =
        reinterpret_cast<CURLMcode (*)(CURLM*, CURL*)>(dlsym(RTLD_NEXT, "curl_multi_add_handle"));
    recorder.transferStarted();
    return real(multi, easy);
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
    static const auto real = reinterpret_cast<CURLMcode (*)(CURLM*, CURL*)>(
        dlsym(RTLD_NEXT, "curl_multi_remove_handle"));
    const CURLMcode result = real(multi, easy);
    recorder.transferEnded();
    return result;
}

}  // extern "C"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    tools::FakePortalProcess portal;
    bench::useProxy(portal.proxyUrl());
    {
        // The stand-in makes each page on its first request: one unmeasured run fills it.
        benchmark::RegisterBenchmark("WindowResponsiveness/warm-up", BM_WindowResponsiveness)
            ->Iterations(1)
            ->UseManualTime();
    }
    benchmark::RegisterBenchmark("WindowResponsiveness/gen-50000-1", BM_WindowResponsiveness)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(3)
        ->UseManualTime()
        ->ComputeStatistics("max", maximum);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
