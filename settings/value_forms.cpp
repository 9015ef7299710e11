#include "settings/value_forms.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/encoding.h"

namespace tidewell::settings {
namespace {

struct Units {
    std::string year = platform::local("年");
    std::string month = platform::local("月");
    std::string day = platform::local("日");
    std::string hour = platform::local("时");
    std::string minute = platform::local("分");
    std::string second = platform::local("秒");
};

const Units& units() {
    static const Units u;
    return u;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValid(const DateTime& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// A small reader over the stored text.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    void skipSpaces() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }
    bool number(int& out) {
        std::size_t start = pos_;
        while (pos_ < text_.size() && pos_ - start < 6 && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            ++pos_;
        }
        if (pos_ == start) {
            return false;
        }
        std::from_chars(text_.data() + start, text_.data() + pos_, out);
        return true;
    }
    bool take(std::string_view word) {
        if (text_.substr(pos_).starts_with(word)) {
            pos_ += word.size();
            return true;
        }
        return false;
    }
    bool takeAnyOf(std::string_view chars) {
        if (pos_ < text_.size() && chars.find(text_[pos_]) != std::string_view::npos) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skipSpaces();
        return pos_ == text_.size();
    }
    std::size_t position() const { return pos_; }
    void rewind(std::size_t pos) { pos_ = pos; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// "2014年5月26日8时5分3秒" and its shorter forms.
std::optional<DateTime> parseWritten(Reader& r) {
    const Units& u = units();
    DateTime t;
    if (!(r.number(t.year) && r.take(u.year) && r.number(t.month) && r.take(u.month) &&
          r.number(t.day) && r.take(u.day))) {
        return std::nullopt;
    }
    r.skipSpaces();
    if (r.number(t.hour)) {
        if (!r.take(u.hour)) {
            return std::nullopt;
        }
        if (r.number(t.minute)) {
            if (!r.take(u.minute)) {
                return std::nullopt;
            }
            if (r.number(t.second) && !r.take(u.second)) {
                return std::nullopt;
            }
        }
    }
    return t;
}

// "2014-5-26 08:05:00", "2014/5/26", with "T" allowed before the time.
std::optional<DateTime> parseNumeric(Reader& r) {
    DateTime t;
    if (!(r.number(t.year) && r.takeAnyOf("-/") && r.number(t.month) && r.takeAnyOf("-/") &&
          r.number(t.day))) {
        return std::nullopt;
    }
    if (r.takeAnyOf(" \tT")) {
        r.skipSpaces();
        if (r.number(t.hour)) {
            if (!(r.takeAnyOf(":") && r.number(t.minute))) {
                return std::nullopt;
            }
            if (r.takeAnyOf(":") && !r.number(t.second)) {
                return std::nullopt;
            }
        }
    }
    return t;
}

}  // namespace

const std::string& lineBreakMarker() {
    static const std::string marker = platform::local("┊*┊");
    return marker;
}

std::string escapeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = text.find("\r\n", pos);
        if (hit == std::string_view::npos) {
            out += text.substr(pos);
            return out;
        }
        out += text.substr(pos, hit - pos);
        out += lineBreakMarker();
        pos = hit + 2;
    }
}

std::string unescapeLineBreaks(std::string_view stored) {
    const std::string& marker = lineBreakMarker();
    std::string out;
    out.reserve(stored.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = stored.find(marker, pos);
        if (hit == std::string_view::npos) {
            out += stored.substr(pos);
            return out;
        }
        out += stored.substr(pos, hit - pos);
        out += "\r\n";
        pos = hit + marker.size();
    }
}

std::string formatNumber(double value) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    return std::string(buffer, result.ptr);
}

double parseLeadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // from_chars takes no sign of its own here, so "+-1" stays no number.
    if (pos >= text.size() || text[pos] == '+' || text[pos] == '-') {
        return 0;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), value,
                                     std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large for a double (tiny values come back as 0 and are fine).
        bool tiny = false;
        for (const char* p = text.data() + pos; p < end; ++p) {
            if (*p == 'e' || *p == 'E') {
                tiny = p + 1 < end && p[1] == '-';
                break;
            }
        }
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

int wholeNumber(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    value = std::trunc(value);
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

const std::string& trueText() {
    static const std::string text = platform::local("真");
    return text;
}

const std::string& falseText() {
    static const std::string text = platform::local("假");
    return text;
}

std::string formatDateTime(const DateTime& t) {
    const Units& u = units();
    std::string out = std::to_string(t.year) + u.year + std::to_string(t.month) + u.month +
                      std::to_string(t.day) + u.day;
    if (t.second != 0) {
        out += std::to_string(t.hour) + u.hour + std::to_string(t.minute) + u.minute +
               std::to_string(t.second) + u.second;
    } else if (t.minute != 0) {
        out += std::to_string(t.hour) + u.hour + std::to_string(t.minute) + u.minute;
    } else if (t.hour != 0) {
        out += std::to_string(t.hour) + u.hour;
    }
    return out;
}

std::optional<DateTime> parseDateTime(std::string_view text) {
    Reader reader(text);
    reader.skipSpaces();
    const std::size_t start = reader.position();
    std::optional<DateTime> t = parseWritten(reader);
    if (!t) {
        reader.rewind(start);
        t = parseNumeric(reader);
    }
    if (!t || !reader.atEnd() || !isValid(*t)) {
        return std::nullopt;
    }
    return t;
}

}  // namespace tidewell::settings
