#pragma once

#include <string>
#include <string_view>

// Numbers typed into edit boxes are read when used: full-width characters become their ASCII
// forms, then the leading number is taken; a text that does not begin with one counts as 0.
namespace tidewell::text {

// Full-width forms (U+FF01..U+FF5E) turned into their ASCII forms and the ideographic space
// into a space; everything else stays.
std::string FullWidthToAscii(std::string_view text);

// The leading whole number: optional blanks, an optional sign, digits ("12ab" -> 12,
// "全部" -> 0). Full-width digits count; values beyond int are clamped.
int LeadingInteger(std::string_view text);

// The leading decimal number ("0.5" -> 0.5, "３" -> 3, ".5" -> 0.5), else 0.
double LeadingNumber(std::string_view text);

}  // namespace tidewell::text
