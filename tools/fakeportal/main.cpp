// tidewell-fakeportal: a local stand-in for the news portal (comment service and article pages).

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <thread>

#include "platform/files.h"
#include "tools/fakeportal/fault.h"
#include "tools/fakeportal/fixture_file.h"
#include "tools/fakeportal/options.h"
#include "tools/fakeportal/portal.h"
#include "tools/fakeportal/request_log.h"
#include "tools/fakeportal/server.h"

namespace fp = tidewell::fakeportal;

namespace {

int fail(const std::string& message, int code) {
    std::cerr << "tidewell-fakeportal: " << message << "\n";
    return code;
}

// Waits for SIGTERM or SIGINT, for the time limit, or for the server to end on its own.
void waitForEnd(const sigset_t& signals, const std::optional<double>& limitSeconds,
                const std::atomic<bool>& serverEnded) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (!serverEnded) {
        timespec slice{0, 200'000'000};
        if (limitSeconds) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const double left = *limitSeconds - (static_cast<double>(now.tv_sec - start.tv_sec) +
                                                 (now.tv_nsec - start.tv_nsec) / 1e9);
            if (left <= 0) {
                return;
            }
            if (left < 0.2) {
                slice.tv_nsec = static_cast<long>(left * 1e9) + 1;
            }
        }
        if (sigtimedwait(&signals, nullptr, &slice) > 0) {
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Signals are taken by sigtimedwait in this thread only; every thread started later
    // inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    std::string error;
    auto options = fp::parseOptions(arguments, error);
    if (!options) {
        return fail(error + " (see --help)", 2);
    }
    if (options->help) {
        std::cout << fp::usageText();
        return 0;
    }

    std::vector<fp::Thread> threads;
    if (options->fixturesGiven || tidewell::platform::isDirectory(options->fixtures)) {
        auto loaded = fp::loadFixtureFolder(options->fixtures, error);
        if (!loaded) {
            return fail(error, 2);
        }
        threads = std::move(*loaded);
    }

    std::vector<fp::Fault> faults = options->faults;
    for (const auto& thread : threads) {
        faults.insert(faults.end(), thread.faults.begin(), thread.faults.end());
    }
    fp::FaultPlan plan(std::move(faults));

    std::unique_ptr<fp::RequestLog> log;
    if (!options->logFile.empty()) {
        log = std::make_unique<fp::RequestLog>(options->logFile);
        if (!log->isOpen()) {
            return fail(options->logFile + ": cannot be written", 2);
        }
    }

    fp::PortalSettings settings;
    settings.commentHost = options->commentHost;
    settings.newsHost = options->newsHost;
    settings.pastEnd = options->repeatLastPage ? fp::PastEnd::RepeatLast : fp::PastEnd::EmptyList;
    fp::Portal portal(settings, std::move(threads));

    fp::PortalServer server(portal, plan, log.get(), options->threads);
    const int port = server.bind(options->port);
    if (port < 0) {
        return fail("cannot listen on 127.0.0.1:" + std::to_string(options->port), 1);
    }
    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);

    std::atomic<bool> serverEnded = false;
    std::thread serving([&] {
        server.run();
        serverEnded = true;
    });
    waitForEnd(signals, options->exitAfterSeconds, serverEnded);
    server.stop();
    serving.join();
    return 0;
}
