#include "web/curl_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>

namespace tidewell::web {
namespace {

using Clock = std::chrono::steady_clock;

// A reply body above this ends the transfer like a broken connection instead of exhausting
// memory; pages of the portal are a few hundred kilobytes.
constexpr size_t kMaxBodyBytes = size_t{256} << 20;

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// libcurl refuses addresses with blanks, control bytes or raw non-ASCII bytes; those are sent
// percent-encoded, as browsers do.
std::string escapeUrl(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (char c : url) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

bool isHeaderName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F && c != ':' && c != ';';
    });
}

bool isHeaderValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

// WinHTTP-style bypass lists are separated by ";" or blanks, libcurl's by commas.
std::string curlBypassList(std::string_view bypass) {
    std::string out;
    std::string item;
    auto flush = [&] {
        if (!item.empty()) {
            if (!out.empty()) {
                out += ',';
            }
            out += item;
            item.clear();
        }
    };
    for (char c : bypass) {
        if (c == ';' || c == ',' || c == ' ' || c == '\t') {
            flush();
        } else {
            item += c;
        }
    }
    flush();
    return out;
}

long clampToLong(long long value) {
    return static_cast<long>(std::clamp<long long>(value, 0, LONG_MAX));
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// Appends to the list; false when libcurl is out of memory.
bool append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        return false;
    }
    list.release();
    list.reset(grown);
    return true;
}

}  // namespace

struct CurlRequest::Handles {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    Slist headers;
    Slist proxyHeaders;

    ~Handles() {
        if (easy != nullptr) {
            if (multi != nullptr) {
                curl_multi_remove_handle(multi, easy);
            }
            curl_easy_cleanup(easy);
        }
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
    }
};

struct CurlRequest::Callbacks {
    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        auto* request = static_cast<CurlRequest*>(self);
        size_t length = size * count;
        try {
            std::string_view line(data, length);
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
                line.remove_suffix(1);
            }
            if (line.starts_with("HTTP/")) {
                // Each reply of a redirect chain (and each interim reply) starts afresh.
                request->replyHeaders_.clear();
                request->replyBody_.clear();
                request->statusText_.clear();
                auto space = line.find(' ');
                if (space != std::string_view::npos) {
                    auto rest = line.substr(space + 1);
                    auto second = rest.find(' ');
                    request->statusText_ = second == std::string_view::npos
                                               ? std::string()
                                               : std::string(rest.substr(second + 1));
                }
            } else if (!line.empty()) {
                request->replyHeaders_.emplace_back(line);
            }
        } catch (...) {
            return 0;
        }
        return length;
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self) {
        auto* request = static_cast<CurlRequest*>(self);
        size_t length = size * count;
        try {
            if (request->replyBody_.size() + length > kMaxBodyBytes) {
                return 0;
            }
            request->replyBody_.append(data, length);
        } catch (...) {
            return 0;
        }
        return length;
    }

    static int onConnected(void* self, char*, char*, int, int) {
        auto* request = static_cast<CurlRequest*>(self);
        request->connected_ = true;
        request->lastActivity_ = Clock::now();
        return CURL_PREREQFUNC_OK;
    }
};

std::shared_ptr<CurlRequest> CurlRequest::Create() {
    static std::once_flag initialised;
    static bool ready = false;
    std::call_once(initialised, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!ready) {
        return nullptr;
    }
    auto handles = std::make_unique<Handles>();
    handles->multi = curl_multi_init();
    handles->easy = curl_easy_init();
    if (handles->multi == nullptr || handles->easy == nullptr) {
        return nullptr;
    }
    std::shared_ptr<CurlRequest> request(new CurlRequest());
    CURL* easy = handles->easy;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // HTTP/1.1 keeps header names and their order as the server sent them.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Headers of the request stay between us and the server; a tunnelling proxy sees none.
    curl_easy_setopt(easy, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Callbacks::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, request.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Callbacks::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request.get());
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Callbacks::onConnected);
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
    append(handles->proxyHeaders, "Proxy-Connection:");
    curl_easy_setopt(easy, CURLOPT_PROXYHEADER, handles->proxyHeaders.get());
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, request.get());
    request->handles_ = std::move(handles);
    return request;
}

CurlRequest::~CurlRequest() = default;

void CurlRequest::Open(std::string_view method, std::string_view url, bool asynchronous) {
    cancelTransfer();
    method_ = method.empty() ? "GET" : std::string(method);
    url_ = escapeUrl(url);
    asynchronous_ = asynchronous;
    schemeSupported_ =
        startsWithIgnoringCase(url, "http://") || startsWithIgnoringCase(url, "https://");
    headers_.clear();
    user_.clear();
    password_.clear();
    credentialFlags_ = kCredentialsForServer;
    body_.reset();
    replyReceived_ = false;
    status_ = 0;
    statusText_.clear();
    replyHeaders_.clear();
    replyBody_.clear();
    effectiveUrl_.clear();
    state_ = State::Opened;
}

bool CurlRequest::SetRequestHeader(std::string_view name, std::string_view value) {
    if (state_ != State::Opened || !isHeaderName(name) || !isHeaderValue(value)) {
        return false;
    }
    for (auto& [existingName, existingValue] : headers_) {
        if (equalsIgnoringCase(existingName, name)) {
            existingValue = value;
            return true;
        }
    }
    headers_.emplace_back(name, value);
    return true;
}

bool CurlRequest::Send(std::optional<std::string_view> body) {
    if (state_ != State::Opened) {
        return false;
    }
    if (body) {
        body_ = std::string(*body);
    }
    if (!schemeSupported_) {
        failWithoutReply();
        return true;
    }
    configure();
    connected_ = false;
    moved_ = 0;
    lastActivity_ = Clock::now();
    if (curl_multi_add_handle(handles_->multi, handles_->easy) != CURLM_OK) {
        failWithoutReply();
        return true;
    }
    state_ = State::Running;
    if (asynchronous_) {
        // One step starts the connection (a refused one ends here already).
        drive(Clock::now());
    } else {
        drive(std::nullopt);
    }
    return true;
}

bool CurlRequest::WaitForResponse(int seconds) {
    if (state_ == State::Done) {
        return true;
    }
    if (state_ != State::Running) {
        return false;
    }
    std::optional<Clock::time_point> deadline;
    if (seconds >= 0) {
        deadline = Clock::now() + std::chrono::seconds(seconds);
    }
    return drive(deadline);
}

void CurlRequest::Abort() {
    cancelTransfer();
    replyReceived_ = false;
    state_ = State::Idle;
}

int CurlRequest::Status() const {
    return replyReceived_ ? status_ : 0;
}

std::string CurlRequest::StatusText() const {
    return replyReceived_ ? statusText_ : std::string();
}

std::string CurlRequest::GetResponseHeader(std::string_view name) const {
    if (!replyReceived_) {
        return {};
    }
    for (const std::string& line : replyHeaders_) {
        auto colon = line.find(':');
        if (colon != std::string::npos &&
            equalsIgnoringCase(trimBlanks(std::string_view(line).substr(0, colon)), name)) {
            return std::string(trimBlanks(std::string_view(line).substr(colon + 1)));
        }
    }
    return {};
}

std::string CurlRequest::GetAllResponseHeaders() const {
    std::string all;
    if (replyReceived_) {
        for (const std::string& line : replyHeaders_) {
            all += line;
            all += "\r\n";
        }
    }
    return all;
}

const std::string& CurlRequest::ResponseBody() const {
    static const std::string kEmpty;
    return replyReceived_ ? replyBody_ : kEmpty;
}

void CurlRequest::SwapResponseBody(std::string& other) {
    if (replyReceived_) {
        replyBody_.swap(other);
    }
}

void CurlRequest::SetProxy(int setting, std::string_view server, std::string_view bypass) {
    proxySetting_ = setting;
    proxyServer_ = server;
    proxyBypass_ = curlBypassList(bypass);
    settingsChanged_ = true;
}

void CurlRequest::SetCredentials(std::string_view user, std::string_view password, int flags) {
    user_ = user;
    password_ = password;
    credentialFlags_ = flags;
}

OptionValue CurlRequest::GetOption(int index) const {
    switch (index) {
        case kOptionUserAgentString:
            return userAgent_;
        case kOptionUrl:
            return effectiveUrl_.empty() ? url_ : effectiveUrl_;
        case kOptionSslErrorIgnoreFlags:
            return ignoreSslErrors_;
        case kOptionEnableRedirects:
            return followRedirects_ ? 1L : 0L;
        case kOptionMaxAutomaticRedirects:
            return maxRedirects_;
        default:
            return {};
    }
}

bool CurlRequest::SetOption(int index, const OptionValue& value) {
    bool changed = setOption(index, value);
    settingsChanged_ = settingsChanged_ || changed;
    return changed;
}

bool CurlRequest::setOption(int index, const OptionValue& value) {
    std::optional<long> number;
    if (const long* n = std::get_if<long>(&value)) {
        number = *n;
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
        char* end = nullptr;
        long parsed = std::strtol(text->c_str(), &end, 10);
        if (end != text->c_str()) {
            number = parsed;
        }
    }
    switch (index) {
        case kOptionUserAgentString:
            if (const std::string* text = std::get_if<std::string>(&value);
                text != nullptr && isHeaderValue(*text)) {
                userAgent_ = *text;
                return true;
            }
            return false;
        case kOptionSslErrorIgnoreFlags:
            if (number) {
                ignoreSslErrors_ = *number;
            }
            return number.has_value();
        case kOptionEnableRedirects:
            if (number) {
                followRedirects_ = *number != 0;
            }
            return number.has_value();
        case kOptionMaxAutomaticRedirects:
            if (number && *number >= 0) {
                maxRedirects_ = *number;
                return true;
            }
            return false;
        default:
            return false;
    }
}

void CurlRequest::cancelTransfer() {
    if (state_ == State::Running) {
        curl_multi_remove_handle(handles_->multi, handles_->easy);
    }
}

void CurlRequest::configure() {
    CURL* easy = handles_->easy;
    curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());

    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    bool hasBody = body_.has_value() || method_ == "POST";
    if (hasBody) {
        if (!body_) {
            body_.emplace();
        }
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_->size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body_->data());
    }
    if (method_ == "HEAD" && !hasBody) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
        if (method_ != "GET" && method_ != "POST") {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method_.c_str());
        } else if (method_ == "GET" && hasBody) {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "GET");
        }
    }

    // The request carries the headers it was given, in their order, and beside them only what
    // HTTP needs (Host, Content-Length): libcurl's own extras are switched off by empty entries.
    if (!headersConfigured_ || headers_ != configuredHeaders_) {
        Slist headers;
        for (const auto& [name, value] : headers_) {
            append(headers, value.empty() ? name + ";" : name + ": " + value);
        }
        for (const char* name : {"Accept", "Content-Type", "Expect", "Proxy-Connection"}) {
            bool given = std::any_of(headers_.begin(), headers_.end(), [&](const auto& header) {
                return equalsIgnoringCase(header.first, name);
            });
            if (!given) {
                append(headers, std::string(name) + ":");
            }
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        handles_->headers = std::move(headers);
        configuredHeaders_ = headers_;
        headersConfigured_ = true;
    }

    bool credentials = !user_.empty() || !password_.empty();
    if (credentials || credentialsConfigured_) {
        bool forProxy = credentialFlags_ == kCredentialsForProxy;
        auto given = [&](const std::string& text, bool wanted) {
            return credentials && wanted ? text.c_str() : nullptr;
        };
        curl_easy_setopt(easy, CURLOPT_USERNAME, given(user_, !forProxy));
        curl_easy_setopt(easy, CURLOPT_PASSWORD, given(password_, !forProxy));
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, given(user_, forProxy));
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, given(password_, forProxy));
        credentialsConfigured_ = credentials;
    }

    if (settingsChanged_) {
        applySettings();
        settingsChanged_ = false;
    }
}

void CurlRequest::applySettings() {
    CURL* easy = handles_->easy;
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent_.empty() ? nullptr : userAgent_.c_str());

    // libcurl's connect phase takes in the name lookup.
    long long connectMs =
        std::max(timeouts_.resolve, 0) + static_cast<long long>(std::max(timeouts_.connect, 0));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, clampToLong(connectMs));

    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maxRedirects_);

    if (proxySetting_ == kProxyDirect) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_NOPROXY, nullptr);
    } else if (proxySetting_ == kProxyNamed && !proxyServer_.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXY, proxyServer_.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, proxyBypass_.c_str());
    } else {
        curl_easy_setopt(easy, CURLOPT_PROXY, nullptr);
        curl_easy_setopt(easy, CURLOPT_NOPROXY, nullptr);
    }

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, ignoreSslErrors_ != 0 ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, ignoreSslErrors_ != 0 ? 0L : 2L);
    curl_easy_setopt(easy, CURLOPT_SSLCERT,
                     clientCertificate_.empty() ? nullptr : clientCertificate_.c_str());
}

bool CurlRequest::drive(std::optional<Clock::time_point> deadline) {
    while (state_ == State::Running) {
        int running = 0;
        if (curl_multi_perform(handles_->multi, &running) != CURLM_OK) {
            failWithoutReply();
            break;
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(handles_->multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handles_->easy) {
                finish(message->data.result);
            }
        }
        if (state_ != State::Running) {
            break;
        }

        // libcurl bounds the connect phase; sending and receiving end when the server has been
        // silent for the send or receive time-out, as each read or write of WinHTTP does.
        auto now = Clock::now();
        auto wait = std::chrono::milliseconds(1000);
        if (connected_) {
            curl_off_t uploaded = 0;
            curl_off_t downloaded = 0;
            long headerBytes = 0;
            curl_easy_getinfo(handles_->easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
            curl_easy_getinfo(handles_->easy, CURLINFO_SIZE_DOWNLOAD_T, &downloaded);
            curl_easy_getinfo(handles_->easy, CURLINFO_HEADER_SIZE, &headerBytes);
            long long moved = uploaded + downloaded + headerBytes;
            if (moved != moved_) {
                moved_ = moved;
                lastActivity_ = now;
            }
            bool sending = body_ && uploaded < static_cast<curl_off_t>(body_->size());
            int idleLimit = sending ? timeouts_.send : timeouts_.receive;
            if (idleLimit > 0) {
                auto idleEnd = lastActivity_ + std::chrono::milliseconds(idleLimit);
                if (now >= idleEnd) {
                    failWithoutReply();
                    break;
                }
                wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(idleEnd - now));
            }
        }
        if (deadline) {
            if (now >= *deadline) {
                return false;
            }
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
        }
        curl_multi_poll(handles_->multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
    }
    return state_ == State::Done;
}

void CurlRequest::finish(int curlResult) {
    curl_multi_remove_handle(handles_->multi, handles_->easy);
    if (curlResult != CURLE_OK) {
        state_ = State::Done;
        failWithoutReply();
        return;
    }
    long code = 0;
    curl_easy_getinfo(handles_->easy, CURLINFO_RESPONSE_CODE, &code);
    status_ = static_cast<int>(code);
    const char* effective = nullptr;
    if (curl_easy_getinfo(handles_->easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective != nullptr) {
        effectiveUrl_ = effective;
    }
    replyReceived_ = true;
    state_ = State::Done;
}

void CurlRequest::failWithoutReply() {
    cancelTransfer();
    replyReceived_ = false;
    status_ = 0;
    statusText_.clear();
    replyHeaders_.clear();
    replyBody_.clear();
    state_ = State::Done;
}

}  // namespace tidewell::web
