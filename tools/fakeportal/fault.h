#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Faults the stand-in plays on request: slow, failing, broken and oversized replies.
namespace tidewell::fakeportal {

enum class FaultKind {
    Latency,   // wait ARG ms, then answer normally
    Status,    // answer with HTTP status ARG
    Reset,     // close the connection with a reset instead of answering
    Truncate,  // declare the full Content-Length, send ARG bytes (default half), hang up
    Stall,     // hold the connection silently for ARG ms, then hang up
    BadGbk,    // sprinkle byte sequences that are not GBK into the body
    Huge,      // pad the body to ARG bytes (default 20 MiB)
    Records,   // a comment page with ARG records (default 10 000) on one page
};

struct Fault {
    FaultKind kind = FaultKind::Latency;
    std::optional<std::uint64_t> argument;
    std::optional<std::string> newsid;  // only requests naming this thread
    std::optional<std::uint64_t> nth;   // only the n-th such request (1-based)
};

// Parses "KIND[=ARG][@NEWSID][#N]". On failure returns std::nullopt and sets error.
std::optional<Fault> parseFault(std::string_view text, std::string& error);

inline constexpr std::uint64_t kDefaultStallMs = 130'000;
inline constexpr std::uint64_t kDefaultHugeBytes = 20ull * 1024 * 1024;
inline constexpr std::uint64_t kDefaultRecords = 10'000;

// What the faults in force make of one request.
struct FaultEffects {
    std::uint64_t latencyMs = 0;
    std::optional<int> status;
    bool reset = false;
    std::optional<std::uint64_t> stallMs;
    bool truncate = false;
    std::optional<std::uint64_t> truncateBytes;
    bool badGbk = false;
    std::optional<std::uint64_t> hugeBytes;
    std::optional<std::uint64_t> records;

    bool any() const;
};

// The faults of a server run with the request counters they select by. Safe to share
// between the serving threads.
class FaultPlan {
  public:
    explicit FaultPlan(std::vector<Fault> faults);

    // Counts one request (for the server, and for its thread when newsid is not empty) and
    // returns the effects of every fault that applies to it.
    FaultEffects decide(std::string_view newsid);

  private:
    std::vector<Fault> faults_;
    std::mutex mutex_;
    std::uint64_t requests_ = 0;
    std::map<std::string, std::uint64_t, std::less<>> threadRequests_;
};

}  // namespace tidewell::fakeportal
