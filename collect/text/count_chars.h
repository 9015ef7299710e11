#pragma once

#include <string_view>

namespace tidewell::text {

// Number of characters: a two-byte character, a CR LF pair, a lone CR or LF and every other
// byte count one each. A four-byte GB18030 character counts one as well.
int CountChars(std::string_view text);

}  // namespace tidewell::text
