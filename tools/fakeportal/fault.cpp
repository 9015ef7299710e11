#include "tools/fakeportal/fault.h"

#include <charconv>

namespace tidewell::fakeportal {
namespace {

enum class ArgumentRule { Required, Optional, None };

struct KindInfo {
    std::string_view name;
    FaultKind kind;
    ArgumentRule rule;
};

constexpr KindInfo kKinds[] = {
    {"latency", FaultKind::Latency, ArgumentRule::Required},
    {"status", FaultKind::Status, ArgumentRule::Required},
    {"reset", FaultKind::Reset, ArgumentRule::None},
    {"truncate", FaultKind::Truncate, ArgumentRule::Optional},
    {"stall", FaultKind::Stall, ArgumentRule::Optional},
    {"badgbk", FaultKind::BadGbk, ArgumentRule::None},
    {"huge", FaultKind::Huge, ArgumentRule::Optional},
    {"records", FaultKind::Records, ArgumentRule::Optional},
};

std::optional<std::uint64_t> parseNumber(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty()) {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<Fault> parseFault(std::string_view text, std::string& error) {
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    Fault fault;
    std::string_view rest = text;

    if (auto hash = rest.rfind('#'); hash != std::string_view::npos) {
        auto nth = parseNumber(rest.substr(hash + 1));
        if (!nth || *nth == 0) {
            error = "fault " + quoted + ": #N needs a request number of 1 or more";
            return std::nullopt;
        }
        fault.nth = nth;
        rest = rest.substr(0, hash);
    }
    if (auto at = rest.find('@'); at != std::string_view::npos) {
        if (at + 1 == rest.size()) {
            error = "fault " + quoted + ": @ needs a newsid";
            return std::nullopt;
        }
        fault.newsid = std::string(rest.substr(at + 1));
        rest = rest.substr(0, at);
    }
    std::string_view name = rest;
    std::optional<std::string_view> argument;
    if (auto eq = rest.find('='); eq != std::string_view::npos) {
        name = rest.substr(0, eq);
        argument = rest.substr(eq + 1);
    }

    const KindInfo* info = nullptr;
    for (const auto& candidate : kKinds) {
        if (candidate.name == name) {
            info = &candidate;
        }
    }
    if (info == nullptr) {
        error = "fault " + quoted +
                ": unknown kind (latency, status, reset, truncate, stall, badgbk, huge, records)";
        return std::nullopt;
    }
    fault.kind = info->kind;
    if (argument) {
        if (info->rule == ArgumentRule::None) {
            error = "fault " + quoted + ": " + std::string(name) + " takes no argument";
            return std::nullopt;
        }
        fault.argument = parseNumber(*argument);
        if (!fault.argument) {
            error = "fault " + quoted + ": the argument must be a whole number";
            return std::nullopt;
        }
    } else if (info->rule == ArgumentRule::Required) {
        error = "fault " + quoted + ": " + std::string(name) + " needs =ARG";
        return std::nullopt;
    }
    if (fault.kind == FaultKind::Status && (*fault.argument < 100 || *fault.argument > 599)) {
        error = "fault " + quoted + ": the status must lie between 100 and 599";
        return std::nullopt;
    }
    return fault;
}

bool FaultEffects::any() const {
    return latencyMs > 0 || status || reset || stallMs || truncate || badGbk || hugeBytes ||
           records;
}

FaultPlan::FaultPlan(std::vector<Fault> faults) : faults_(std::move(faults)) {}

FaultEffects FaultPlan::decide(std::string_view newsid) {
    std::uint64_t serverCount = 0;
    std::uint64_t threadCount = 0;
    {
        std::lock_guard lock(mutex_);
        serverCount = ++requests_;
        if (!newsid.empty()) {
            auto it = threadRequests_.find(newsid);
            if (it == threadRequests_.end()) {
                it = threadRequests_.emplace(std::string(newsid), 0).first;
            }
            threadCount = ++it->second;
        }
    }

    FaultEffects effects;
    for (const Fault& fault : faults_) {
        if (fault.newsid && *fault.newsid != newsid) {
            continue;
        }
        if (fault.nth && *fault.nth != (fault.newsid ? threadCount : serverCount)) {
            continue;
        }
        switch (fault.kind) {
            case FaultKind::Latency:
                effects.latencyMs += fault.argument.value_or(0);
                break;
            case FaultKind::Status:
                effects.status = static_cast<int>(*fault.argument);
                break;
            case FaultKind::Reset:
                effects.reset = true;
                break;
            case FaultKind::Truncate:
                effects.truncate = true;
                effects.truncateBytes = fault.argument;
                break;
            case FaultKind::Stall:
                effects.stallMs = fault.argument.value_or(kDefaultStallMs);
                break;
            case FaultKind::BadGbk:
                effects.badGbk = true;
                break;
            case FaultKind::Huge:
                effects.hugeBytes = fault.argument.value_or(kDefaultHugeBytes);
                break;
            case FaultKind::Records:
                effects.records = fault.argument.value_or(kDefaultRecords);
                break;
        }
    }
    return effects;
}

}  // namespace tidewell::fakeportal
