#pragma once

#include <string>

#include "collect/comment_service.h"
#include "collect/run_window.h"

namespace tidewell::pattern {
class PatternMatcher;
}

namespace tidewell::collect {

// The bracket codes (emoticons such as [哈哈]) removed from every comment: the innermost
// square-bracket pairs with at least one character between them.
inline constexpr const char* kBracketCodePattern = "\\[[^\\[\\]]+?\\]";

// Cleans the content (bracket codes removed by the matcher, which holds kBracketCodePattern)
// and tests its length against the window's range. Returns whether the comment is kept; the
// cleaned content is left in `cleaned` either way.
bool FilterComment(const CommentRecord& record, pattern::PatternMatcher& brackets,
                   const RunWindow& window, std::string& cleaned);

// The kept comment rendered through the window's template (no line break at the end).
std::string RenderComment(const CommentRecord& record, const std::string& cleaned,
                          const RunWindow& window);

}  // namespace tidewell::collect
