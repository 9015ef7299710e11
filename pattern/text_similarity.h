#pragma once

#include <string_view>

#include "pattern/pattern_matcher.h"

namespace tidewell::pattern {

// Rates how alike two local texts are, 0 to 100. Each text is cut into pieces at HTML tags,
// sentence punctuation and CR LF; the rating is the mean of the shares of each text's pieces
// that occur anywhere in the other text.
class TextSimilarity {
  public:
    // Creates the engine and sets the separator pattern.
    TextSimilarity();

    // Kept so that the owner can set up this object as it does a PatternMatcher. Creates the
    // engine again only when construction could not; returns whether the object is ready.
    bool CreateRegExp();

    // 100 when both texts are empty, 0 when exactly one is.
    int Compare(std::string_view first, std::string_view second);

  private:
    PatternMatcher matcher_;
    bool ready_ = false;
};

}  // namespace tidewell::pattern
