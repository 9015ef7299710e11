#pragma once

#include <string>
#include <string_view>

namespace tidewell::text {

// The text split at separator with every member dropped that equals (byte for byte) a later
// member: of each set of equal members only the last remains, in its place. The kept members
// are joined with separator and the result has no separator at its end; with fewer than two
// members the text comes back unchanged. Lets pending window events run while it works.
std::string RemoveDuplicateLines(std::string_view text, std::string_view separator);

}  // namespace tidewell::text
