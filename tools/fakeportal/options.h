#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fakeportal/fault.h"

// The command line of tidewell-fakeportal.
namespace tidewell::fakeportal {

struct Options {
    int port = 0;  // 0: a free port
    std::string fixtures;
    bool fixturesGiven = false;  // a missing default folder is no error, a missing given one is
    std::string commentHost;
    std::string newsHost;
    bool repeatLastPage = false;
    std::vector<Fault> faults;
    std::string logFile;
    int threads = 32;
    std::optional<double> exitAfterSeconds;
    bool help = false;
};

// The arguments after the program name. On failure returns std::nullopt and sets error.
std::optional<Options> parseOptions(const std::vector<std::string_view>& arguments,
                                    std::string& error);

std::string usageText();

}  // namespace tidewell::fakeportal
