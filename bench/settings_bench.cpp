// The settings store writes a whole new file (temporary file, flush, rename) for every change.
// These runs show what that costs: 1 000 WriteText calls of distinct keys into one section, then
// 1 000 rewrites of those keys, on a real file. "per_write" is the wall time of one call.
//
// The folder is $TIDEWELL_BENCH_DIR or the system's temporary folder (a disk here); the
// "memory" variants run in /dev/shm, where the flush does not wait for a disk, and so show the
// store's own work apart from the disk's.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/settings_store.h"

namespace {

using tidewell::settings::SettingsStore;
using tidewell::settings::StoreMode;

constexpr int kKeys = 1000;

std::filesystem::path diskFolder() {
    if (const char* dir = std::getenv("TIDEWELL_BENCH_DIR"); dir != nullptr && dir[0] != '\0') {
        return dir;
    }
    return std::filesystem::temp_directory_path();
}

// A fresh settings file in a folder of its own, removed afterwards.
class BenchFile {
  public:
    explicit BenchFile(const std::filesystem::path& base)
        : folder_(base / ("tw-settings-bench-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    ~BenchFile() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    BenchFile(const BenchFile&) = delete;
    BenchFile& operator=(const BenchFile&) = delete;

    std::string path() const {
        return tidewell::platform::localPath(folder_ / "Brenvik·Tidewell.ini");
    }

  private:
    std::filesystem::path folder_;
};

std::string key(int i) {
    return tidewell::platform::local("键") + std::to_string(i);
}

std::string value(int i, int round) {
    return tidewell::platform::local("值") + std::to_string(i * 7 + round) + "-abcdefghij";
}

void reportPerWrite(benchmark::State& state) {
    const auto writes = static_cast<double>(state.iterations()) * kKeys;
    state.SetItemsProcessed(static_cast<int64_t>(writes));
    state.counters["per_write"] =
        benchmark::Counter(writes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void newKeys(benchmark::State& state, const std::filesystem::path& base) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            BenchFile file(base);
            SettingsStore store;
            if (!store.Bind(file.path(), StoreMode::File)) {
                state.SkipWithError("cannot bind the settings file");
                return;
            }
            store.SetSection(tidewell::platform::local("主界面"));
            state.ResumeTiming();
            for (int i = 0; i < kKeys; ++i) {
                benchmark::DoNotOptimize(store.WriteText(key(i), value(i, 0)));
            }
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    reportPerWrite(state);
}

void rewrites(benchmark::State& state, const std::filesystem::path& base) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            BenchFile file(base);
            SettingsStore store;
            // The 1 000 keys are put in place in memory and saved once.
            store.Bind(file.path(), StoreMode::Memory);
            store.SetSection(tidewell::platform::local("主界面"));
            for (int i = 0; i < kKeys; ++i) {
                store.WriteText(key(i), value(i, 0));
            }
            if (!store.SaveAs() || !store.Bind(file.path(), StoreMode::File)) {
                state.SkipWithError("cannot bind the settings file");
                return;
            }
            store.SetSection(tidewell::platform::local("主界面"));
            state.ResumeTiming();
            for (int i = 0; i < kKeys; ++i) {
                benchmark::DoNotOptimize(store.WriteText(key(i), value(i, 1)));
            }
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    reportPerWrite(state);
}

void registerAll() {
    auto add = [](const char* name, void (*run)(benchmark::State&, const std::filesystem::path&),
                  const std::filesystem::path& base) {
        benchmark::RegisterBenchmark(name, run, base)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    const std::filesystem::path disk = diskFolder();
    add("WriteText/1000_new_keys/disk", newKeys, disk);
    add("WriteText/1000_rewrites/disk", rewrites, disk);
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) {
        add("WriteText/1000_new_keys/memory", newKeys, "/dev/shm");
        add("WriteText/1000_rewrites/memory", rewrites, "/dev/shm");
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
