#pragma once

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "web/curl_request.h"
#include "web/fetch_options.h"

// The program's one door to the network: a request object over libcurl with a stored cookie
// text, the cookie helpers and the page fetch routines. Every text here is local text; what
// goes to and comes from the network is converted on the way.
//
// Construction leaves the object without a platform request; its owner calls CreateRequest
// once before anything else. Copies share the platform request (and so its connection and
// settings) but each keeps its own stored cookie. Nothing throws: a failed call yields the
// empty value of its result.
namespace tidewell::web {

class HttpRequest {
  public:
    HttpRequest() = default;

    // A GET that does not follow redirects and returns the reply's "Location" header.
    std::string QuickLocation(const std::string& url);
    // Starts over on a new platform request; the stored cookie stays.
    void Renew();
    void CreateRequest();
    // A URL without "://" gets "http://" in front, written back into the caller's variable.
    void Open(std::string_view method, std::string& url, bool asynchronous = false);
    void Open(std::string& url, bool asynchronous = false) { Open("GET", url, asynchronous); }
    std::shared_ptr<CurlRequest> GetRequestObject() const { return request_; }
    int Status() const;
    std::string StatusText() const;
    // The reply decoded by the charset of its Content-Type (UTF-8 when none), as local text.
    std::string ResponseText() const;
    std::string ResponseBody() const;
    std::istringstream ResponseStream() const;
    // Reads the option.
    OptionValue Option(int index) const;
    // Sets the option, then reads it back.
    OptionValue Option(int index, const OptionValue& value);
    void SetProxy(int setting, const std::string& server = {}, const std::string& bypass = {});
    void SetCredentials(const std::string& user, const std::string& password, int flags = 0);
    void SetRequestHeader(const std::string& name, const std::string& value);
    std::string GetResponseHeader(const std::string& name) const;
    // Header lines of the reply, each followed by CR LF.
    std::string GetAllResponseHeaders() const;
    // The bytes when non-empty, else the text when non-empty, else no body.
    void Send(const std::string& bodyText = {}, const std::string& bodyBytes = {});
    // True when the reply has arrived within the seconds.
    bool WaitForResponse(int seconds);
    void Abort();
    // Each of connect, send and receive that is not above 0 takes the resolve value.
    void SetTimeouts(int resolve, int connect = 0, int send = 0, int receive = 0);
    // A client certificate file (local-text path).
    void SetClientCertificate(const std::string& certificate);
    void SetAutoLogonPolicy(int policy);
    // The value of the named cookie in the last reply's "Set-Cookie:" lines.
    std::string GetCookie(const std::string& name) const;
    // The last reply's "Set-Cookie:" lines, each followed by CR LF.
    std::string SetCookieLines() const;
    std::string FetchText(const std::string& url, const FetchOptions& options = {});
    std::string FetchBytes(const std::string& url, const FetchOptions& options = {});
    // Returns the empty text.
    std::string ClearCookies();
    // A GET with redirects switched off (they stay off); returns the "Location" header.
    std::string RedirectLocation(std::string& url, bool synchronous = false,
                                 const std::string& referer = {});
    // Renew, then ClearCookies.
    void Reset();
    // The last reply's cookies as one "Cookie" header text: "a=1; path=/; b=2; ".
    std::string ReplyCookies() const;

    // True when the last request got an HTTP reply of any status; false after a refused or
    // broken connection, an unknown host, a time-out or an address that cannot be fetched.
    bool LastReplyReceived() const;
    const std::string& StoredCookie() const { return storedCookie_; }

  private:
    // The steps FetchText and FetchBytes share, up to the reply.
    void fetch(const std::string& url, const FetchOptions& options, bool textDefaults);

    std::shared_ptr<CurlRequest> request_;
    std::string storedCookie_;
};

}  // namespace tidewell::web
