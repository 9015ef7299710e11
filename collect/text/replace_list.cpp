#include "collect/text/replace_list.h"

#include "collect/text/detail/characters.h"
#include "collect/text/split.h"

namespace tidewell::text {

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool ignoreAsciiCase) {
    if (find.empty()) {
        return std::string(text);
    }
    std::string out;
    size_t pos = 0;
    size_t known = 0;
    while (true) {
        const size_t found = detail::findText(text, find, pos, ignoreAsciiCase, known);
        if (found == std::string_view::npos) {
            break;
        }
        if (out.empty()) {
            out.reserve(text.size());
        }
        out.append(text.substr(pos, found - pos));
        out.append(replacement);
        pos = found + find.size();
        known = found;
    }
    if (pos == 0) {
        return std::string(text);
    }
    out.append(text.substr(pos));
    return out;
}

std::string ReplaceList(std::string_view text, std::string_view tags, std::string_view values,
                        std::string_view separator, bool ignoreCase) {
    if (separator.empty()) {
        separator = "|";
    }
    const std::vector<std::string_view> tagList = SplitText(tags, separator);
    const std::vector<std::string_view> valueList = SplitText(values, separator);
    std::string out(text);
    for (size_t i = 0; i < tagList.size(); ++i) {
        const std::string_view value = i < valueList.size() ? valueList[i] : std::string_view();
        out = ReplaceAll(out, tagList[i], value, ignoreCase);
    }
    return out;
}

}  // namespace tidewell::text
