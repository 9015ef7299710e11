#pragma once

#include <optional>

#include "web/curl_request.h"

// How the time-out argument of a page fetch becomes the request's time-outs and its wait.
namespace tidewell::web::detail {

struct FetchTiming {
    std::optional<Timeouts> timeouts;  // std::nullopt leaves the request's time-outs as they are
    int waitSeconds = 120;
};

// FetchText: seconds as a real number, compared with a tolerance of 1e-7.
FetchTiming fetchTiming(double seconds);
// FetchBytes: whole seconds.
FetchTiming fetchTiming(int seconds);

}  // namespace tidewell::web::detail
