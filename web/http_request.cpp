#include "web/http_request.h"

#include <algorithm>

#include "platform/encoding.h"
#include "web/wire_text.h"

namespace tidewell::web {
namespace {

constexpr std::string_view kSetCookie = "Set-Cookie:";

// The charset parameter of a Content-Type value, when it names something iconv may know.
std::string charsetOf(std::string_view contentType) {
    std::string lower(contentType);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    auto at = lower.find("charset=");
    if (at == std::string::npos) {
        return {};
    }
    std::string_view rest = std::string_view(contentType).substr(at + 8);
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
        rest.remove_prefix(1);
    }
    std::string name;
    for (char c : rest) {
        bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == ':';
        if (!allowed || name.size() >= 40) {
            break;
        }
        name += c;
    }
    return name;
}

// The lines of a header block split at CR LF, without a member after a final CR LF.
std::vector<std::string_view> headerLines(std::string_view all) {
    std::vector<std::string_view> lines;
    while (!all.empty()) {
        auto end = all.find("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(all);
            break;
        }
        lines.push_back(all.substr(0, end));
        all.remove_prefix(end + 2);
    }
    return lines;
}

}  // namespace

void HttpRequest::Renew() {
    request_.reset();
    CreateRequest();
}

void HttpRequest::CreateRequest() {
    request_ = CurlRequest::Create();
}

void HttpRequest::Open(std::string_view method, std::string& url, bool asynchronous) {
    if (!detail::hasScheme(url)) {
        url.insert(0, "http://");
    }
    if (request_) {
        request_->Open(detail::wireFromLocal(method), detail::wireFromLocal(url), asynchronous);
    }
}

int HttpRequest::Status() const {
    return request_ ? request_->Status() : 0;
}

std::string HttpRequest::StatusText() const {
    return request_ ? detail::localFromWire(request_->StatusText()) : std::string();
}

std::string HttpRequest::ResponseText() const {
    if (!request_ || !request_->ReplyReceived()) {
        return {};
    }
    const std::string& body = request_->ResponseBody();
    std::string charset = charsetOf(request_->GetResponseHeader("Content-Type"));
    if (charset.empty()) {
        return platform::localFromUtf8(body);
    }
    return platform::convertLenient(body, charset.c_str(), "GB18030");
}

std::string HttpRequest::ResponseBody() const {
    return request_ ? request_->ResponseBody() : std::string();
}

std::istringstream HttpRequest::ResponseStream() const {
    return std::istringstream(ResponseBody());
}

OptionValue HttpRequest::Option(int index) const {
    if (!request_) {
        return {};
    }
    OptionValue current = request_->GetOption(index);
    if (auto* text = std::get_if<std::string>(&current)) {
        *text = detail::localFromWire(*text);
    }
    return current;
}

OptionValue HttpRequest::Option(int index, const OptionValue& value) {
    if (!request_) {
        return {};
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        request_->SetOption(index, detail::wireFromLocal(*text));
    } else {
        request_->SetOption(index, value);
    }
    return Option(index);
}

void HttpRequest::SetProxy(int setting, const std::string& server, const std::string& bypass) {
    if (request_) {
        request_->SetProxy(setting, detail::wireFromLocal(server), detail::wireFromLocal(bypass));
    }
}

void HttpRequest::SetCredentials(const std::string& user, const std::string& password, int flags) {
    if (request_) {
        request_->SetCredentials(detail::wireFromLocal(user), detail::wireFromLocal(password),
                                 flags);
    }
}

void HttpRequest::SetRequestHeader(const std::string& name, const std::string& value) {
    if (request_) {
        request_->SetRequestHeader(detail::wireFromLocal(name), detail::wireFromLocal(value));
    }
}

std::string HttpRequest::GetResponseHeader(const std::string& name) const {
    if (!request_) {
        return {};
    }
    return detail::localFromWire(request_->GetResponseHeader(detail::wireFromLocal(name)));
}

std::string HttpRequest::GetAllResponseHeaders() const {
    return request_ ? detail::localFromWire(request_->GetAllResponseHeaders()) : std::string();
}

void HttpRequest::Send(const std::string& bodyText, const std::string& bodyBytes) {
    if (!request_) {
        return;
    }
    if (!bodyBytes.empty()) {
        request_->Send(bodyBytes);
    } else if (!bodyText.empty()) {
        request_->Send(detail::wireFromLocal(bodyText));
    } else {
        request_->Send();
    }
}

bool HttpRequest::WaitForResponse(int seconds) {
    return request_ && request_->WaitForResponse(seconds) && request_->ReplyReceived();
}

void HttpRequest::Abort() {
    if (request_) {
        request_->Abort();
    }
}

void HttpRequest::SetTimeouts(int resolve, int connect, int send, int receive) {
    if (request_) {
        request_->SetTimeouts({resolve, connect > 0 ? connect : resolve, send > 0 ? send : resolve,
                               receive > 0 ? receive : resolve});
    }
}

void HttpRequest::SetClientCertificate(const std::string& certificate) {
    if (request_) {
        request_->SetClientCertificate(platform::utf8FromLocal(certificate));
    }
}

void HttpRequest::SetAutoLogonPolicy(int policy) {
    if (request_) {
        request_->SetAutoLogonPolicy(policy);
    }
}

std::string HttpRequest::GetCookie(const std::string& name) const {
    std::string all = GetAllResponseHeaders();
    // The value ends at the next ";" or at the end of its line, so a cookie without
    // attributes has its value too and a value never runs into the next header.
    for (std::string marker : {"Set-Cookie: ", "Set-Cookie:"}) {
        marker += name;
        marker += '=';
        auto at = all.find(marker);
        if (at == std::string::npos) {
            continue;
        }
        auto start = at + marker.size();
        auto end = all.find_first_of(";\r", start);
        std::string value = all.substr(start, end == std::string::npos ? end : end - start);
        if (!value.empty()) {
            return value;
        }
    }
    return {};
}

std::string HttpRequest::SetCookieLines() const {
    std::string all = GetAllResponseHeaders();
    std::string kept;
    for (std::string_view line : headerLines(all)) {
        if (line.starts_with(kSetCookie)) {
            kept += line;
            kept += "\r\n";
        }
    }
    return kept;
}

std::string HttpRequest::ClearCookies() {
    storedCookie_.clear();
    return {};
}

void HttpRequest::Reset() {
    Renew();
    ClearCookies();
}

std::string HttpRequest::ReplyCookies() const {
    std::string lines = SetCookieLines();
    std::string cookies;
    for (std::string_view line : headerLines(lines)) {
        line.remove_prefix(kSetCookie.size());
        if (line.starts_with(' ')) {
            line.remove_prefix(1);
        }
        cookies += line;
        cookies += "; ";
    }
    return cookies;
}

bool HttpRequest::LastReplyReceived() const {
    return request_ && request_->ReplyReceived();
}

}  // namespace tidewell::web
