#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/date_time.h"

// The stored forms of typed values: how texts, numbers, booleans and date-times become the value
// part of a settings line and come back. Local text throughout.
namespace tidewell::settings {

// "┊*┊": stands for one CR LF inside a stored text value.
const std::string& lineBreakMarker();
std::string escapeLineBreaks(std::string_view text);
std::string unescapeLineBreaks(std::string_view stored);

// "%.13g", independent of the C locale.
std::string formatNumber(double value);
// The leading decimal number of the text (spaces before it skipped); 0 when there is none.
double parseLeadingNumber(std::string_view text);
// A number cut toward zero into an int, clamped to its range; 0 for NaN.
int wholeNumber(double value);

// "真" and "假".
const std::string& trueText();
const std::string& falseText();

// "2014年5月26日8时5分": the date, then the time of day down to its last part that is not 0.
std::string formatDateTime(const DateTime& value);
// The written form above, or "2014-5-26 8:05:00" / "2014/5/26"; std::nullopt when the text names
// no valid date-time.
std::optional<DateTime> parseDateTime(std::string_view text);

}  // namespace tidewell::settings
