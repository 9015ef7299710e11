#pragma once

#include <memory>
#include <string_view>
#include <utility>

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

    // Compare(first, second) > percent, found with no more piece lookups than the answer needs
    // (two pages of a thread that goes on are told apart after a fifth of the pieces or so).
    bool MoreAlikeThan(std::string_view first, std::string_view second, int percent);

    // A text cut into its pieces, ready to have pieces looked up in it.
    struct Side;

  private:
    // Both texts cut, the second taken from the last call when it is that call's first text,
    // which is kept for the next call.
    std::pair<std::shared_ptr<Side>, std::shared_ptr<Side>> sides(std::string_view first,
                                                                  std::string_view second);

    PatternMatcher matcher_;
    bool ready_ = false;
    // The first text of the last comparison, shared by copies.
    std::shared_ptr<Side> last_;
    bool lastReady_ = false;
};

}  // namespace tidewell::pattern
