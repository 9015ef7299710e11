#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tidewell::text {

// The members of text between separators (case respected, never matching from the second byte
// of a two-byte character). Empty members between two separators are kept; a final separator
// adds no member; an empty text gives none. An empty separator gives the whole text as one.
// The members are views into text.
std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator);

// Leading and trailing blanks removed: ASCII spaces and the ideographic space "　".
std::string TrimBlanks(std::string_view text);

}  // namespace tidewell::text
