#pragma once

#include <string>
#include <string_view>

namespace tidewell::text {

// The text made usable as a file name: \ / : * ? | < > become their full-width forms
// (＼ ／ ： ＊ ？ ｜ ＜ ＞), double quotes, CR, LF and TAB are removed. Nothing else changes.
std::string CleanFileName(std::string_view text);

}  // namespace tidewell::text
