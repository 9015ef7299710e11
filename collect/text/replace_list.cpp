#include "collect/text/replace_list.h"

#include "collect/text/detail/characters.h"
#include "collect/text/split.h"

namespace tidewell::text {
namespace {

// ReplaceAll into out (emptied first); false, with out left alone, when find is not there.
bool replaceAllInto(std::string_view text, std::string_view find, std::string_view replacement,
                    bool ignoreAsciiCase, std::string& out) {
    if (find.empty()) {
        return false;
    }
    size_t pos = 0;
    size_t known = 0;
    bool any = false;
    while (true) {
        const size_t found = detail::findText(text, find, pos, ignoreAsciiCase, known);
        if (found == std::string_view::npos) {
            break;
        }
        if (!any) {
            out.clear();
            out.reserve(text.size());
            any = true;
        }
        out.append(text.substr(pos, found - pos));
        out.append(replacement);
        pos = found + find.size();
        known = found;
    }
    if (any) {
        out.append(text.substr(pos));
    }
    return any;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool ignoreAsciiCase) {
    std::string out;
    if (!replaceAllInto(text, find, replacement, ignoreAsciiCase, out)) {
        return std::string(text);
    }
    return out;
}

std::string ReplaceList(std::string_view text, std::string_view tags, std::string_view values,
                        std::string_view separator, bool ignoreCase) {
    if (separator.empty()) {
        separator = "|";
    }
    return ReplaceList(text, SplitText(tags, separator), SplitText(values, separator), ignoreCase);
}

std::string ReplaceList(std::string_view text, const std::vector<std::string_view>& tags,
                        const std::vector<std::string_view>& values, bool ignoreCase) {
    std::string out(text);
    std::string next;
    for (size_t i = 0; i < tags.size(); ++i) {
        const std::string_view value = i < values.size() ? values[i] : std::string_view();
        if (replaceAllInto(out, tags[i], value, ignoreCase, next)) {
            out.swap(next);
        }
    }
    return out;
}

}  // namespace tidewell::text
