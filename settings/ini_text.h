#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The byte rules of the settings text: lines joined by CR LF, headers "[" + name + "]", entries
// key + "=" + value. Nothing is parsed into tables; every operation searches the whole text by
// exact byte comparison. A Yield is called before each search round so that the window stays
// responsive; it may run code that changes the text, so no position survives it.
namespace tidewell::settings::detail {

using Yield = std::function<void()>;

inline constexpr std::size_t npos = std::string::npos;

// True at the start of the text or right after CR LF.
bool startsLine(std::string_view text, std::size_t pos);

// The "[" of the first header line (a line starting with "[" closed on the same line by "]"
// followed by CR LF or by the end of the text) whose preceding CR LF starts in [from, to) and
// whose "]" lies at or before to; npos when there is none.
std::size_t findHeaderLine(std::string_view text, std::size_t from, std::size_t to);

// Value of the key in the section, or std::nullopt when either is missing. Only the first header
// that starts a line counts, and only the key's first line in that section.
std::optional<std::string> lookupValue(const std::string& text, std::string_view section,
                                       std::string_view key, const Yield& yield);

// Sets the value, inserting the key under the header or the section at the end as needed. False
// when the section could not be found again after the eleventh header it appended.
bool writeEntry(std::string& text, std::string_view section, std::string_view key,
                std::string_view value, const Yield& yield);

// The changes below return kDone, kSectionNotFound or kKeyNotFound. For them a header hit at
// position 1 counts as well.
int deleteEntry(std::string& text, std::string_view section, std::string_view key);
int renameSection(std::string& text, std::string_view oldName, std::string_view newName,
                  const Yield& yield);
int renameKey(std::string& text, std::string_view section, std::string_view oldKey,
              std::string_view newKey, const Yield& yield);

// True when the text holds a CR LF (which no section, key or raw value may hold).
bool hasLineBreak(std::string_view text);

}  // namespace tidewell::settings::detail
