#pragma once

namespace tidewell::settings {

// A calendar date and time of day, as the store keeps it ("2014年5月26日8时5分").
// The default value, 1 January of the year 100 at midnight, is what a stored text that names no
// date-time reads as.
struct DateTime {
    int year = 100;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace tidewell::settings
