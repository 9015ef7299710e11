#pragma once

#include <string>
#include <string_view>

// Text on its way between the program's local text and the network.
namespace tidewell::web::detail {

// Local text as it goes to libcurl: ASCII unchanged, anything else as UTF-8.
std::string wireFromLocal(std::string_view local);
// Header text from the network as local text: UTF-8 converted, any other bytes kept as they are.
std::string localFromWire(std::string_view wire);

// True when the URL begins with a scheme and "://" ("http://", "HTTPS://", "ftp://").
bool hasScheme(std::string_view url);

// Removes ASCII blanks and full-width blanks (local A1 A1) at both ends; tabs and line breaks
// stay.
std::string trimText(std::string_view text);

}  // namespace tidewell::web::detail
