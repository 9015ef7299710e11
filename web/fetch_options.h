#pragma once

#include <optional>
#include <string>

namespace tidewell::web {

// Result kinds of FetchText besides the charset codes of DecodeText.
inline constexpr int kResultPlatformText = -2;  // the reply decoded by its Content-Type charset
inline constexpr int kResultRawBytes = -1;      // the body bytes taken as local text unchanged

// The optional arguments of FetchText and FetchBytes. Left as they are, a fetch is a GET with
// the default headers, no cookie, the default time-outs, libcurl's own proxy configuration and
// an asynchronous send that waits at most 120 seconds, with encoding detection on the body.
struct FetchOptions {
    // A non-empty body makes the request a POST; the bytes win over the text.
    std::string postData;
    // FetchText only: kResultPlatformText, kResultRawBytes or a CharsetCode (0 detects).
    int resultKind = 0;
    // Seconds. -1 leaves the time-outs as they are, below 1 takes the defaults; FetchBytes
    // drops the fraction.
    double timeout = 0;
    // A proxy server, "IE" for the system proxy (the http_proxy variable) or "-1" to skip the
    // step; left out, the proxy setting of the request object stays as it is.
    std::optional<std::string> proxy;
    bool synchronous = false;
    std::string postBytes;
    std::string referer;
    // In and out: receives the stored cookie when it is empty and one is stored; "-1" sends
    // an empty Cookie header. nullptr stands for an empty cookie.
    std::string* cookie = nullptr;
    // Replace the stored cookie by the reply's cookies.
    bool keepReplyCookies = false;
    std::string contentType;
    std::string userAgent;
};

}  // namespace tidewell::web
