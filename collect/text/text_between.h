#pragma once

#include <string>
#include <string_view>

// Cutting values out of text between markers. Text is local text: a byte of 0x80 or above
// starts a two-byte character, and no search ever matches from the second byte of one.
namespace tidewell::text {

// Position of the first occurrence of needle in hay at or after the 0-based byte offset from,
// or std::string_view::npos. A match never starts on the second byte of a two-byte character
// (counted from the start of hay). With ignoreAsciiCase only the letters A-Z/a-z of one-byte
// characters fold. An empty needle is found nowhere.
size_t FindText(std::string_view hay, std::string_view needle, size_t from, bool ignoreAsciiCase);

// Every "''" turned into a double quote, left to right, without overlap.
std::string QuoteMarks(std::string_view text);

// A left and a right marker prepared once for many cuts (markers are written as for
// TextBetween: "''" stands for a double quote, an empty marker for the start or end of text).
class MarkerPair {
  public:
    MarkerPair(std::string_view left, std::string_view right);

    // TextBetween with these markers; the result is a view into text.
    std::string_view Cut(std::string_view text, int* position = nullptr) const;

  private:
    std::string left_;
    std::string right_;
    std::string bareLeft_;   // left_ without double quotes, for the second attempt
    std::string bareRight_;  // right_ without double quotes
    bool retry_ = false;     // the second attempt differs from the first
    bool atHead_ = false;    // the left marker is the start of the text
    bool atTail_ = false;    // the right marker is the end of the text
};

// The text between a left and a right marker, searched without regard to ASCII letter case.
// "''" in a marker means a double quote; when nothing is found, both markers are tried once
// more with their double quotes taken out. An empty left marker means the start of the text,
// an empty right marker its end.
// position: 1-based byte position to search from, in and out; on success it moves to the first
// byte after the right marker, on failure it stays. nullptr when the caller keeps none.
// Gives empty text when the markers are not found.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int* position = nullptr);

}  // namespace tidewell::text
