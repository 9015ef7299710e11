#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// The platform request object behind HttpRequest: one libcurl easy handle driven through its
// own multi handle, so a request can be started by Send and finished later by WaitForResponse,
// and the connection cache lives as long as the object does (keep-alive between requests).
// Texts here are what goes on the wire (UTF-8 or bytes); HttpRequest converts local text.
namespace tidewell::web {

// A value handed through Option: nothing, a number or a text.
using OptionValue = std::variant<std::monostate, long, std::string>;

// Option indexes the request object understands.
inline constexpr int kOptionUserAgentString = 0;
inline constexpr int kOptionUrl = 1;  // read only: the address of the current request
inline constexpr int kOptionSslErrorIgnoreFlags = 4;
inline constexpr int kOptionEnableRedirects = 6;
inline constexpr int kOptionMaxAutomaticRedirects = 14;

// Proxy settings of SetProxy.
inline constexpr int kProxyDefault = 0;  // libcurl's own: http_proxy, https_proxy, no_proxy
inline constexpr int kProxyDirect = 1;
inline constexpr int kProxyNamed = 2;

// SetCredentials flags.
inline constexpr int kCredentialsForServer = 0;
inline constexpr int kCredentialsForProxy = 1;

struct Timeouts {
    int resolve = 0;  // milliseconds; 0 or less waits without limit
    int connect = 60000;
    int send = 30000;
    int receive = 30000;
    bool operator==(const Timeouts&) const = default;
};

class CurlRequest {
  public:
    // nullptr when libcurl cannot give a handle.
    static std::shared_ptr<CurlRequest> Create();

    ~CurlRequest();
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    // Starts a new request; a request still running is abandoned. Only http:// and https://
    // addresses can be sent; any other fails at Send like a refused connection.
    void Open(std::string_view method, std::string_view url, bool asynchronous);
    // Replaces a header of the same name (any letter case) in place, else appends; false for a
    // name or value that would break the request (line breaks, a colon in the name).
    bool SetRequestHeader(std::string_view name, std::string_view value);
    // Sends the opened request; std::nullopt sends no body. A synchronous request returns when
    // it has ended, an asynchronous one at once. False when nothing was opened.
    bool Send(std::optional<std::string_view> body = std::nullopt);
    // Drives the request until it ends or the seconds pass (below 0: no limit of its own; the
    // time-outs still end a stalled request). True when the request has ended.
    bool WaitForResponse(int seconds);
    void Abort();

    // The reply; empty values until a request has ended with a reply.
    bool ReplyReceived() const { return replyReceived_; }
    int Status() const;
    std::string StatusText() const;
    // The first header of the name (letter case ignored), value without leading blanks.
    std::string GetResponseHeader(std::string_view name) const;
    // Every header line of the final reply, each followed by CR LF; no status line.
    std::string GetAllResponseHeaders() const;
    const std::string& ResponseBody() const;
    // Exchanges the reply body with other, so that a caller can lend the bytes to a reader
    // that wants its own string and take them back, without copying them. Does nothing
    // before a reply.
    void SwapResponseBody(std::string& other);

    // Kept across requests until changed.
    void SetTimeouts(const Timeouts& timeouts) {
        timeouts_ = timeouts;
        settingsChanged_ = true;
    }
    const Timeouts& GetTimeouts() const { return timeouts_; }
    void SetProxy(int setting, std::string_view server, std::string_view bypass);
    // For the current request only (Open forgets them).
    void SetCredentials(std::string_view user, std::string_view password, int flags);
    OptionValue GetOption(int index) const;
    // False for an unknown or read-only option.
    bool SetOption(int index, const OptionValue& value);
    void SetClientCertificate(std::string_view file) {
        clientCertificate_ = file;
        settingsChanged_ = true;
    }
    // Kept for callers that set it; libcurl never logs on on its own.
    void SetAutoLogonPolicy(int policy) { autoLogonPolicy_ = policy; }

  private:
    struct Handles;
    enum class State { Idle, Opened, Running, Done };

    CurlRequest() = default;
    void cancelTransfer();
    void configure();
    void applySettings();
    bool setOption(int index, const OptionValue& value);
    // Runs the transfer until it ends or the deadline passes; true when it has ended.
    bool drive(std::optional<std::chrono::steady_clock::time_point> deadline);
    void finish(int curlResult);
    void failWithoutReply();

    // libcurl's callbacks, defined beside the implementation.
    struct Callbacks;
    friend struct Callbacks;

    std::unique_ptr<Handles> handles_;

    // Kept across requests; handed to libcurl again only after a change.
    bool settingsChanged_ = true;
    Timeouts timeouts_;
    int proxySetting_ = kProxyDefault;
    std::string proxyServer_;
    std::string proxyBypass_;
    std::string userAgent_;
    long ignoreSslErrors_ = 0;
    bool followRedirects_ = true;
    long maxRedirects_ = 10;
    std::string clientCertificate_;
    int autoLogonPolicy_ = 0;

    // The current request.
    State state_ = State::Idle;
    std::string method_;
    std::string url_;
    bool asynchronous_ = false;
    bool schemeSupported_ = false;
    std::vector<std::pair<std::string, std::string>> headers_;
    std::string user_;
    std::string password_;
    int credentialFlags_ = kCredentialsForServer;
    std::optional<std::string> body_;
    // What the easy handle holds from the request before, so that a request like the one
    // before (a run fetches page after page) skips building it again.
    std::vector<std::pair<std::string, std::string>> configuredHeaders_;
    bool headersConfigured_ = false;
    bool credentialsConfigured_ = false;

    // Progress of the running transfer, for the send and receive time-outs.
    bool connected_ = false;
    long long moved_ = 0;  // bytes sent and received so far
    std::chrono::steady_clock::time_point lastActivity_;

    // The reply.
    bool replyReceived_ = false;
    int status_ = 0;
    std::string statusText_;
    std::vector<std::string> replyHeaders_;
    std::string replyBody_;
    std::string effectiveUrl_;
};

}  // namespace tidewell::web
