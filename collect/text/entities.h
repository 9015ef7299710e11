#pragma once

#include <string>
#include <string_view>

namespace tidewell::text {

// The text with character references replaced: first the named references of the program's
// table (letter case respected, "&amp;" last, so "&amp;lt;" gives "&lt;"), then the numeric
// ones: "&#" decimal digits ";" and "&#x"/"&#X" hex digits ";" become the character they name
// in local text. Anything else, and a reference to 0, a surrogate or a value above U+10FFFF,
// stays as it stands. Lets pending window events run on long texts.
std::string DecodeEntities(std::string_view text);

}  // namespace tidewell::text
