#pragma once

#include <map>
#include <string>
#include <vector>

namespace tidewell::cli {

struct Options {
    // Texts of the window's edit boxes (object name in UTF-8 -> local text), handed to the run
    // exactly as if they had been typed into the window.
    std::map<std::string, std::string> editTexts;
    std::string commentHost;
    bool utf8Output = false;
    bool preview = false;
    bool quiet = false;
};

struct ParseResult {
    Options options;
    // Set for --help, --version and every error: print message and exit with exitCode.
    bool exitNow = false;
    int exitCode = 0;
    std::string message;
};

// Reads the command line (UTF-8 arguments, without the program name), the list file or
// standard input, and the settings file when one is named.
ParseResult ParseOptions(const std::vector<std::string>& args);

// The address list from a list file's bytes: UTF-8, or GB18030 when not valid UTF-8; LF or
// CR LF lines; the result has CR LF between lines (local text).
std::string ListTextFromFile(const std::string& bytes);

}  // namespace tidewell::cli
