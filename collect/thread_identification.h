#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "collect/comment_service.h"

namespace tidewell::collect {

// Fetches a page and returns its text (empty when the fetch failed).
using PageFetcher = std::function<std::string(const std::string& url)>;

// The comment-viewer marker of the build: the news host followed by "/comment".
std::string CommentViewerMarker(std::string_view newsHost = {});

// The comment thread behind an address: straight from the query of a comment-viewer address,
// or cut out of the article page, which it fetches once.
ThreadKey IdentifyThread(std::string_view address, const PageFetcher& fetch,
                         std::string_view newsHost = {});

// The value of key= in an address, up to the next "&" or the end; as it stands, not decoded.
std::string QueryValue(std::string_view address, std::string_view key);

}  // namespace tidewell::collect
