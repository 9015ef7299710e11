#pragma once

#include <string>
#include <string_view>

namespace tidewell::text {

// The text between a left and a right marker (see the implementation for the full rules).
// position: 1-based byte position, in and out; nullptr when the caller keeps none.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int* position = nullptr);

// Every "''" turned into a double quote.
std::string QuoteMarks(std::string_view text);

}  // namespace tidewell::text
