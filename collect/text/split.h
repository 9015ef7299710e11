#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tidewell::text {

// The members of text between separators (case respected, never matching from the second byte
// of a two-byte character). Empty members between two separators are kept; a final separator
// adds no member; an empty text gives none. An empty separator gives the whole text as one.
// The members are views into text. With pumpEvery above 0 the event pump runs after every
// that many members, so that splitting a long text keeps the window responsive.
std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator,
                                        size_t pumpEvery = 0);

// Leading and trailing blanks removed: ASCII spaces and the ideographic space "　".
std::string TrimBlanks(std::string_view text);

}  // namespace tidewell::text
