#include "settings/ini_text.h"

#include "settings/settings_store.h"

namespace tidewell::settings::detail {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// How often WriteValue appends a header for a section it then cannot find before giving up.
constexpr int kMaxHeaderAppends = 10;

std::string headerOf(std::string_view section) {
    std::string header;
    header.reserve(section.size() + 2);
    header += '[';
    header += section;
    header += ']';
    return header;
}

std::string entryNeedle(std::string_view key) {
    std::string needle;
    needle.reserve(key.size() + 3);
    needle += kCrLf;
    needle += key;
    needle += '=';
    return needle;
}

void yieldNow(const Yield& yield) {
    if (yield) {
        yield();
    }
}

// The "]" that closes a header line opened at `open`: the first "]" followed by CR LF, or a "]"
// that ends the text. A header line at the very end of the text has no CR LF after it, and it
// must still end the section before it, or deleting that section would take it along.
std::size_t findHeaderClose(std::string_view text, std::size_t open) {
    std::size_t close = text.find("]\r\n", open);
    if (close == npos && text.size() > open && text.back() == ']') {
        close = text.size() - 1;
    }
    return close;
}

// The section header for reading and writing: "[" + name + "]" at the start of the text or
// after CR LF; the search yields before each round.
std::size_t findSectionForReadWrite(const std::string& text, const std::string& header,
                                    const Yield& yield) {
    std::size_t pos = 0;
    while (true) {
        yieldNow(yield);
        std::size_t hit = pos <= text.size() ? text.find(header, pos) : npos;
        if (hit == npos || startsLine(text, hit)) {
            return hit;
        }
        pos = hit + 1;
    }
}

// The section header for deleting and renaming: as above, but a hit at position 1 counts too.
std::size_t findSectionForEdit(const std::string& text, const std::string& header,
                               const Yield& yield) {
    std::size_t pos = 0;
    while (true) {
        yieldNow(yield);
        std::size_t hit = pos <= text.size() ? text.find(header, pos) : npos;
        if (hit == npos || hit == 1 || startsLine(text, hit)) {
            return hit;
        }
        pos = hit + 1;
    }
}

// Position of the CR LF that starts the key's line in the section whose header closes at
// `close`; npos when the key is missing there. A hit behind a later header line belongs to
// another section.
std::size_t findEntry(std::string_view text, std::size_t close, std::string_view key) {
    std::size_t hit = text.find(entryNeedle(key), close);
    if (hit == npos || findHeaderLine(text, close + 1, hit + 1) != npos) {
        return npos;
    }
    return hit;
}

std::size_t lineEnd(std::string_view text, std::size_t from) {
    std::size_t end = text.find(kCrLf, from);
    return end == npos ? text.size() : end;
}

}  // namespace

bool startsLine(std::string_view text, std::size_t pos) {
    return pos == 0 ||
           (pos >= 2 && pos <= text.size() && text[pos - 2] == '\r' && text[pos - 1] == '\n');
}

bool hasLineBreak(std::string_view text) {
    return text.find(kCrLf) != npos;
}

std::size_t findHeaderLine(std::string_view text, std::size_t from, std::size_t to) {
    std::size_t search = from;
    while (search < text.size()) {
        std::size_t crlf = text.find("\r\n[", search);
        if (crlf == npos || crlf >= to) {
            return npos;
        }
        std::size_t open = crlf + 2;
        std::size_t close = findHeaderClose(text, open);
        if (close == npos) {
            // No later "[" can have a closing "]" either.
            return npos;
        }
        if (close > to) {
            return npos;
        }
        if (text.substr(open, close - open).find(kCrLf) == npos) {
            return open;
        }
        search = open;
    }
    return npos;
}

std::optional<std::string> lookupValue(const std::string& text, std::string_view section,
                                       std::string_view key, const Yield& yield) {
    const std::string header = headerOf(section);
    std::size_t hit = findSectionForReadWrite(text, header, yield);
    if (hit == npos) {
        return std::nullopt;
    }
    std::size_t entry = findEntry(text, hit + header.size() - 1, key);
    if (entry == npos) {
        return std::nullopt;
    }
    std::size_t valueStart = entry + key.size() + 3;
    return text.substr(valueStart, lineEnd(text, valueStart) - valueStart);
}

bool writeEntry(std::string& text, std::string_view section, std::string_view key,
                std::string_view value, const Yield& yield) {
    const std::string header = headerOf(section);
    std::size_t pos = 0;
    int appended = 0;
    while (true) {
        yieldNow(yield);
        std::size_t hit = pos <= text.size() ? text.find(header, pos) : npos;
        if (hit != npos && !startsLine(text, hit)) {
            pos = hit + 1;
            continue;
        }
        if (hit != npos) {
            std::size_t close = hit + header.size() - 1;
            std::size_t entry = findEntry(text, close, key);
            if (entry != npos) {
                std::size_t valueStart = entry + key.size() + 3;
                text.replace(valueStart, lineEnd(text, valueStart) - valueStart, value);
                return true;
            }
            // The new entry starts a line of its own after the header line. Bytes after the
            // "]" (only in a file edited by hand) stay on the header line rather than becoming
            // the new entry's old value, which the next round would overwrite.
            // The next round finds the new, empty entry and sets its value.
            text.insert(lineEnd(text, close + 1), entryNeedle(key));
            continue;
        }
        std::size_t noted = text.size();
        if (!text.empty()) {
            text += kCrLf;
        }
        text += header;
        if (++appended > kMaxHeaderAppends) {
            return false;
        }
        pos = noted;
    }
}

int deleteEntry(std::string& text, std::string_view section, std::string_view key) {
    const std::string header = headerOf(section);
    std::size_t hit = findSectionForEdit(text, header, nullptr);
    if (hit == npos) {
        return kSectionNotFound;
    }
    // The section runs up to the "[" of the next header line, its last CR LF included.
    std::size_t next = findHeaderLine(text, hit, text.size());
    std::size_t end = next == npos ? text.size() : next;
    if (key.empty()) {
        text.erase(hit, end - hit);
        return kDone;
    }
    std::size_t entry = text.find(entryNeedle(key), hit);
    if (entry == npos || (next != npos && entry + 2 >= end)) {
        return kKeyNotFound;
    }
    text.erase(entry, lineEnd(text, entry + 2) - entry);
    return kDone;
}

int renameSection(std::string& text, std::string_view oldName, std::string_view newName,
                  const Yield& yield) {
    std::size_t hit = findSectionForEdit(text, headerOf(oldName), yield);
    if (hit == npos) {
        return kSectionNotFound;
    }
    text.replace(hit + 1, oldName.size(), newName);
    return kDone;
}

int renameKey(std::string& text, std::string_view section, std::string_view oldKey,
              std::string_view newKey, const Yield& yield) {
    const std::string header = headerOf(section);
    std::size_t hit = findSectionForEdit(text, header, yield);
    if (hit == npos) {
        return kSectionNotFound;
    }
    std::size_t entry = findEntry(text, hit + header.size() - 1, oldKey);
    if (entry == npos) {
        return kKeyNotFound;
    }
    text.replace(entry + 2, oldKey.size(), newKey);
    return kDone;
}

}  // namespace tidewell::settings::detail
