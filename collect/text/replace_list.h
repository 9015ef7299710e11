#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tidewell::text {

// Every occurrence of find replaced by replacement, scanning from the start and never
// rescanning inserted text; matches never start on the second byte of a two-byte character.
// With ignoreAsciiCase only the letters A-Z/a-z fold. An empty find changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool ignoreAsciiCase);

// The text with each tag of the tag list replaced by the value in the same place of the value
// list, tag after tag in list order. Both lists are split at separator (empty: "|"); missing
// values are empty text and surplus values are dropped. ignoreCase: ASCII letter case.
std::string ReplaceList(std::string_view text, std::string_view tags, std::string_view values,
                        std::string_view separator = "|", bool ignoreCase = true);

// ReplaceList with both lists already split (for callers that fill the same tags many times).
std::string ReplaceList(std::string_view text, const std::vector<std::string_view>& tags,
                        const std::vector<std::string_view>& values, bool ignoreCase);

}  // namespace tidewell::text
