// The listings of SettingsStore: which sections and keys the settings text holds. Two of them
// read the open file line by line, two search the text in memory.

#include <optional>
#include <string_view>

#include "collect/text/text_between.h"
#include "platform/event_pump.h"
#include "settings/ini_text.h"
#include "settings/settings_store.h"

namespace tidewell::settings {
namespace {

using detail::npos;

// Containment, character by character; an empty filter lets everything through.
bool contains(std::string_view text, std::string_view part) {
    return part.empty() || text::FindText(text, part, 0, false) != std::string_view::npos;
}

bool lacks(std::string_view text, std::string_view part) {
    return part.empty() || text::FindText(text, part, 0, false) == std::string_view::npos;
}

bool isHeaderLine(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The lines of the text split at CR LF, each handed over after a yield.
template <typename Visit>
void forEachLine(const std::string& text, Visit visit) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        platform::pumpEvents();
        std::size_t end = text.find("\r\n", pos);
        std::string_view line(text.data() + pos, (end == npos ? text.size() : end) - pos);
        if (!visit(line) || end == npos) {
            return;
        }
        pos = end + 2;
    }
}

struct HeaderAt {
    std::size_t position;
    std::string name;
};

// The nearest header line above the line that starts at lineStart. With a floor, the search
// gives up on reaching the line that starts there (its header was already reported).
std::optional<HeaderAt> headerAbove(std::string_view text, std::size_t lineStart,
                                    std::size_t floor = npos) {
    while (lineStart >= 2 && text.substr(lineStart - 2, 2) == "\r\n") {
        std::size_t end = lineStart - 2;
        std::size_t start = end == 0 ? npos : text.rfind("\r\n", end - 1);
        start = start == npos ? 0 : start + 2;
        if (floor != npos && start <= floor) {
            return std::nullopt;
        }
        std::string_view line = text.substr(start, end - start);
        if (isHeaderLine(line)) {
            return HeaderAt{start, std::string(line.substr(1, line.size() - 2))};
        }
        lineStart = start;
    }
    return std::nullopt;
}

}  // namespace

int SettingsStore::ListSections(std::vector<std::string>& out, const std::string& mustContain,
                                const std::string& mustNotContain) {
    out.clear();
    if (handle_ == Handle::None) {
        return 0;
    }
    // The file holds the same bytes as the text (write-through); a copy keeps the walk steady
    // while window events run between lines.
    const std::string file = text_;
    forEachLine(file, [&](std::string_view line) {
        if (isHeaderLine(line) && contains(line, mustContain) && lacks(line, mustNotContain)) {
            out.push_back(text::TextBetween(line, "[", "]"));
        }
        return true;
    });
    return static_cast<int>(out.size());
}

int SettingsStore::ListKeys(std::vector<std::string>& out, const std::string& keyMustContain,
                            const std::string& keyMustNotContain, const std::string& sectionSwitch,
                            const std::string& headerMustContain,
                            const std::string& headerMustNotContain) {
    out.clear();
    if (handle_ == Handle::None) {
        return 0;
    }
    // With a section switch only the keys of the first header line that passes the header
    // filters are listed, up to the next header line.
    const bool oneSection = !sectionSwitch.empty();
    bool inSection = false;
    const std::string file = text_;
    forEachLine(file, [&](std::string_view line) {
        if (isHeaderLine(line)) {
            if (!oneSection) {
                return true;
            }
            if (inSection) {
                return false;
            }
            inSection = contains(line, headerMustContain) && lacks(line, headerMustNotContain);
            return true;
        }
        if (oneSection && !inSection) {
            return true;
        }
        std::string key = text::TextBetween(line, "", "=");
        if (!key.empty() && contains(key, keyMustContain) && lacks(key, keyMustNotContain)) {
            out.push_back(std::move(key));
        }
        return true;
    });
    return static_cast<int>(out.size());
}

int SettingsStore::SectionsWithKey(const std::string& key, std::vector<std::string>& out) {
    out.clear();
    const std::string needle = "\r\n" + key + "=";
    std::size_t pos = 0;
    std::size_t previousLine = npos;
    while (true) {
        platform::pumpEvents();
        std::size_t hit = pos <= text_.size() ? text_.find(needle, pos) : npos;
        if (hit == npos) {
            break;
        }
        pos = hit + 1;
        const std::size_t lineStart = hit + 2;
        // Each section once: a hit under the same header as the one before is passed over.
        std::optional<HeaderAt> header = headerAbove(text_, lineStart, previousLine);
        previousLine = lineStart;
        if (header) {
            out.push_back(std::move(header->name));
        }
    }
    return static_cast<int>(out.size());
}

int SettingsStore::KeysWithValue(const std::string& valueStart, std::vector<std::string>& out,
                                 const std::string& section) {
    out.clear();
    // An empty value start finds the keys with an empty value, except on the last line.
    const std::string needle = valueStart.empty() ? std::string("=\r\n") : "=" + valueStart;
    std::size_t pos = 0;
    while (true) {
        platform::pumpEvents();
        std::size_t hit = pos <= text_.size() ? text_.find(needle, pos) : npos;
        if (hit == npos) {
            break;
        }
        pos = hit + 1;
        std::size_t lineStart = hit == 0 ? npos : text_.rfind("\r\n", hit - 1);
        lineStart = lineStart == npos ? 0 : lineStart + 2;
        if (!section.empty()) {
            std::optional<HeaderAt> header = headerAbove(text_, lineStart);
            if (!header || header->name != section) {
                continue;
            }
        }
        out.push_back(text_.substr(lineStart, hit - lineStart));
    }
    return static_cast<int>(out.size());
}

}  // namespace tidewell::settings
