#include "collect/text/text_between.h"

namespace tidewell::text {

std::string TextBetween(std::string_view, std::string_view, std::string_view, int*) { return {}; }

std::string QuoteMarks(std::string_view text) { return std::string(text); }

}  // namespace tidewell::text
