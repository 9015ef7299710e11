#include "tools/fakeportal/request_target.h"

namespace tidewell::fakeportal {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

RequestTarget parseRequestTarget(std::string_view target) {
    RequestTarget result;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (!startsWithNoCase(target, scheme)) {
            continue;
        }
        result.absolute = true;
        target.remove_prefix(scheme.size());
        const auto hostEnd = target.find_first_of("/?#");
        std::string_view authority = target.substr(0, hostEnd);
        target = hostEnd == std::string_view::npos ? std::string_view() : target.substr(hostEnd);
        if (auto at = authority.rfind('@'); at != std::string_view::npos) {
            authority.remove_prefix(at + 1);
        }
        if (auto colon = authority.rfind(':');
            colon != std::string_view::npos &&
            authority.find(']', colon) == std::string_view::npos) {
            authority = authority.substr(0, colon);
        }
        for (char c : authority) {
            result.host.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
        break;
    }
    if (auto hash = target.find('#'); hash != std::string_view::npos) {
        target = target.substr(0, hash);
    }
    const auto question = target.find('?');
    result.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos) {
        result.query = std::string(target.substr(question + 1));
    }
    if (result.path.empty() || result.path.front() != '/') {
        result.path.insert(result.path.begin(), '/');
    }
    return result;
}

std::string queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view member = query.substr(0, amp);
        const auto eq = member.find('=');
        if (eq != std::string_view::npos && member.substr(0, eq) == key) {
            return std::string(member.substr(eq + 1));
        }
        if (amp == std::string_view::npos) {
            break;
        }
        query.remove_prefix(amp + 1);
    }
    return {};
}

}  // namespace tidewell::fakeportal
