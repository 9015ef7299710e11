// The page fetch routines of HttpRequest: whole requests with the program's default headers,
// cookies, time-outs and proxy.

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/event_pump.h"
#include "web/decode_text.h"
#include "web/fetch_timing.h"
#include "web/http_request.h"
#include "web/wire_text.h"

namespace tidewell::web {
namespace {

constexpr double kTolerance = 0.0000001;
constexpr Timeouts kFetchTimeouts{10000, 10000, 120000, 60000};
constexpr Timeouts kLocationTimeouts{5000, 5000, 10000, 5000};
constexpr int kDefaultWaitSeconds = 120;
constexpr int kLocationWaitSeconds = 25;

const std::string kTextUserAgent =
    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
const std::string kBytesUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
const std::string kFormContentType = "application/x-www-form-urlencoded";
const std::string kLocationAccept =
    "image/gif, image/x-xbitmap, image/jpeg, imagepeg, application/x-shockwave-flash, "
    "application/x-silverlight, */*";

// The headers RedirectLocation and QuickLocation send before any Referer.
void setLocationHeaders(HttpRequest& request) {
    request.SetRequestHeader("User-Agent", kBytesUserAgent);
    request.SetRequestHeader("Accept-Language", "zh-cn");
    request.SetRequestHeader("Connection", "Keep-Alive");
    request.SetRequestHeader("Accept", kLocationAccept);
}

int clampToInt(double value) {
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

}  // namespace

namespace detail {

FetchTiming fetchTiming(double seconds) {
    if (std::isnan(seconds)) {
        seconds = 0;
    }
    if (std::fabs(seconds + 1) < kTolerance) {
        return {std::nullopt, kDefaultWaitSeconds};
    }
    if (seconds < 1 - kTolerance) {
        return {kFetchTimeouts, kDefaultWaitSeconds};
    }
    // The tolerance also goes into the truncation, so that a value a hair below a whole
    // second counts as that second (and never as a wait of 0).
    int milliseconds = clampToInt(seconds * 1000 + kTolerance * 1000);
    return {Timeouts{kFetchTimeouts.resolve, kFetchTimeouts.connect, milliseconds, milliseconds},
            std::max(1, clampToInt(seconds + kTolerance))};
}

FetchTiming fetchTiming(int seconds) {
    if (seconds == -1) {
        return {std::nullopt, kDefaultWaitSeconds};
    }
    if (seconds < 1) {
        return {kFetchTimeouts, kDefaultWaitSeconds};
    }
    int milliseconds = seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
    return {Timeouts{kFetchTimeouts.resolve, kFetchTimeouts.connect, milliseconds, milliseconds},
            seconds};
}

}  // namespace detail

std::string HttpRequest::FetchText(const std::string& url, const FetchOptions& options) {
    fetch(url, options, true);
    if (options.resultKind == kResultPlatformText) {
        return ResponseText();
    }
    if (!request_) {
        return {};
    }
    if (options.resultKind == kResultRawBytes) {
        return request_->ResponseBody();
    }
    // The decoder reads its own string: the body is lent to it and taken back, not copied.
    DecodeSource source;
    request_->SwapResponseBody(source.bytes);
    std::string text = DecodeText(source, options.resultKind);
    request_->SwapResponseBody(source.bytes);
    return text;
}

std::string HttpRequest::FetchBytes(const std::string& url, const FetchOptions& options) {
    fetch(url, options, false);
    return ResponseBody();
}

void HttpRequest::fetch(const std::string& url, const FetchOptions& options, bool textDefaults) {
    bool hasBody = !options.postData.empty() || !options.postBytes.empty();
    std::string trimmed = detail::trimText(url);
    std::string opened = trimmed;
    Open(hasBody ? "POST" : "GET", opened, !options.synchronous);

    // The referer is the address as the caller wrote it, without the scheme Open may add.
    SetRequestHeader("Referer", options.referer.empty() ? trimmed : options.referer);
    SetRequestHeader("Content-Type",
                     options.contentType.empty() ? kFormContentType : options.contentType);
    SetRequestHeader("User-Agent", !options.userAgent.empty() ? options.userAgent
                                   : textDefaults             ? kTextUserAgent
                                                              : kBytesUserAgent);

    std::string cookie = options.cookie != nullptr ? *options.cookie : std::string();
    if (!storedCookie_.empty() && cookie.empty()) {
        cookie = storedCookie_;
        if (options.cookie != nullptr) {
            *options.cookie = cookie;
        }
    }
    if (cookie == "-1") {
        SetRequestHeader("Cookie", "");
    } else if (!cookie.empty()) {
        SetRequestHeader("Cookie", cookie);
    }

    detail::FetchTiming timing =
        textDefaults ? detail::fetchTiming(options.timeout)
                     : detail::fetchTiming(clampToInt(
                           std::trunc(std::isnan(options.timeout) ? 0 : options.timeout)));
    if (timing.timeouts) {
        const Timeouts& t = *timing.timeouts;
        SetTimeouts(t.resolve, t.connect, t.send, t.receive);
    }

    if (options.proxy && *options.proxy != "-1") {
        std::string proxy = *options.proxy;
        if (proxy == "IE") {
            const char* system = std::getenv("http_proxy");
            proxy = system != nullptr ? system : "";
        }
        platform::pumpEvents();
        SetProxy(proxy.empty() ? kProxyDefault : kProxyNamed, proxy, "");
    }

    Send(options.postData, options.postBytes);
    if (!options.synchronous) {
        WaitForResponse(timing.waitSeconds);
    }
    if (options.keepReplyCookies) {
        storedCookie_ = ReplyCookies();
    }
}

std::string HttpRequest::RedirectLocation(std::string& url, bool synchronous,
                                          const std::string& referer) {
    Option(kOptionEnableRedirects, 0L);
    SetTimeouts(kLocationTimeouts.resolve, kLocationTimeouts.connect, kLocationTimeouts.send,
                kLocationTimeouts.receive);
    Open("GET", url, !synchronous);
    setLocationHeaders(*this);
    SetRequestHeader("Referer", referer.empty() ? detail::trimText(url) : referer);
    Send();
    if (!synchronous) {
        WaitForResponse(kLocationWaitSeconds);
    }
    return GetResponseHeader("Location");
}

std::string HttpRequest::QuickLocation(const std::string& url) {
    if (!request_) {
        return {};
    }
    // Straight on the request object: no scheme default, no trimming.
    request_->SetOption(kOptionEnableRedirects, 0L);
    request_->SetTimeouts(kLocationTimeouts);
    request_->Open("GET", detail::wireFromLocal(url), false);
    setLocationHeaders(*this);
    request_->Send();
    return GetResponseHeader("Location");
}

}  // namespace tidewell::web
