#include "collect/thread_identification.h"

#include "collect/text/text_between.h"
#include "tidewell_config.h"

namespace tidewell::collect {

std::string CommentViewerMarker(std::string_view newsHost) {
    std::string marker(newsHost.empty() ? std::string_view(TIDEWELL_NEWS_HOST) : newsHost);
    marker += "/comment";
    return marker;
}

ThreadKey IdentifyThread(std::string_view address, const PageFetcher& fetch,
                         std::string_view newsHost) {
    ThreadKey key;
    const std::string marker = CommentViewerMarker(newsHost);
    if (text::FindText(address, marker, 0, true) != std::string_view::npos) {
        key.channel = QueryValue(address, "channel");
        key.newsid = QueryValue(address, "newsid");
        return key;
    }
    const std::string page = fetch(std::string(address));
    key.channel = text::TextBetween(page, "channel:'", "'");
    key.newsid = text::TextBetween(page, "newsid:'", "'");
    if (key.channel.empty()) {
        key.channel = text::TextBetween(page, "channel:''", "''");
    }
    if (key.newsid.empty()) {
        key.newsid = text::TextBetween(page, "newsid:''", "''");
    }
    return key;
}

std::string QueryValue(std::string_view address, std::string_view key) {
    const std::string left = std::string(key) + "=";
    std::string value = text::TextBetween(address, left, "&");
    if (value.empty()) {
        value = text::TextBetween(address, left, "");
    }
    return value;
}

}  // namespace tidewell::collect
