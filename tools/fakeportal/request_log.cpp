#include "tools/fakeportal/request_log.h"

namespace tidewell::fakeportal {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string formatRequestLogLine(std::string_view rawHead) {
    std::string line;
    bool first = true;
    while (!rawHead.empty()) {
        const auto end = rawHead.find('\n');
        std::string_view text = rawHead.substr(0, end);
        rawHead = end == std::string_view::npos ? std::string_view() : rawHead.substr(end + 1);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        if (first) {
            first = false;
            if (auto space = text.rfind(' ');
                space != std::string_view::npos && text.substr(space + 1, 5) == "HTTP/") {
                text = text.substr(0, space);
            }
            line += text;
            continue;
        }
        if (text.empty()) {
            break;
        }
        if (text.front() == ' ' || text.front() == '\t') {
            line += ' ';
            line += trimmed(text);
            continue;
        }
        const auto colon = text.find(':');
        line += " | ";
        if (colon == std::string_view::npos) {
            line += text;
            continue;
        }
        line += text.substr(0, colon);
        line += ": ";
        line += trimmed(text.substr(colon + 1));
    }
    return line;
}

RequestLog::RequestLog(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}

void RequestLog::write(std::string_view rawHead) {
    if (!file_) {
        return;
    }
    std::string line = formatRequestLogLine(rawHead);
    line.push_back('\n');
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

}  // namespace tidewell::fakeportal
