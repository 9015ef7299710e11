#include "cli/options.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <system_error>

#include "collect/collection_run.h"
#include "collect/headless_window.h"
#include "collect/text/numbers.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "tidewell_config.h"

namespace tidewell::cli {
namespace {

const char* const kUsage =
    "Usage: tidewell-collect [options] [LIST_FILE|-]\n"
    "Collects the reader comments of every address in LIST_FILE (one per line; - reads\n"
    "standard input) into text files named after the articles' titles.\n"
    "\n"
    "  --template TEXT     output template             (default: "
    "#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#)\n"
    "  --pages N           page limit per thread        (default 全部)\n"
    "  --delay SECONDS     pause after each page        (default 0)\n"
    "  --min N, --max N    comment length range         (default 0 and 200)\n"
    "  --per-file N        comments per output file     (default 全部)\n"
    "  --save-dir DIR      save directory               (default: the program directory's "
    "保存目录)\n"
    "  --settings FILE     take the defaults of the options above from the 主界面 section of a\n"
    "                      settings file written by the desktop program (and the address list\n"
    "                      from its side file when LIST_FILE is left out)\n"
    "  --preview           stop after the first page with kept comments, print it on standard\n"
    "                      output, write no file\n"
    "  --utf8              write the output files in UTF-8 instead of the local encoding\n"
    "  --comment-host HOST override the build's comment-service host (HOST or HOST:PORT)\n"
    "  --quiet             no progress lines\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 all collected and written, 1 some fetch or file failed, 2 bad input.\n";

ParseResult fail(const std::string& message) {
    ParseResult result;
    result.exitNow = true;
    result.exitCode = 2;
    result.message = "tidewell-collect: " + message + "\n";
    return result;
}

// True when the text begins with a number as the window reads it (full-width digits too).
bool beginsWithNumber(const std::string& localText) {
    std::string ascii = text::FullWidthToAscii(localText);
    size_t i = ascii.find_first_not_of(' ');
    if (i == std::string::npos) {
        return false;
    }
    if (ascii[i] == '+' || ascii[i] == '-') {
        ++i;
    }
    if (i < ascii.size() && ascii[i] == '.') {
        ++i;
    }
    return i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9';
}

struct Setting {
    const char* option;
    std::string_view control;
    const char* key;  // key in the settings file's 主界面 section
    bool numeric;
    bool allowAll;  // "全部" is a valid value
};

const Setting kSettings[] = {
    {"--template", collect::control::kTemplate, "保存模板", false, false},
    {"--delay", collect::control::kPageDelay, "页延时秒", true, false},
    {"--pages", collect::control::kPageLimit, "采集页数", true, true},
    {"--per-file", collect::control::kPerFile, "几条保存", true, true},
    {"--save-dir", collect::control::kSaveDirectory, "保存目录", false, false},
    {"--min", collect::control::kMinLength, "评论最少", true, false},
    {"--max", collect::control::kMaxLength, "评论最多", true, false},
};

std::optional<std::string> readInput(const std::string& name) {
    if (name == "-") {
        std::string bytes(std::istreambuf_iterator<char>(std::cin), {});
        return bytes;
    }
    return platform::readWholeFile(platform::localFromUtf8(name));
}

std::string absoluteDirectory(const std::string& utf8) {
    if (utf8.empty() || utf8.front() == '/' || utf8.starts_with("~/")) {
        return utf8;
    }
    std::error_code ec;
    return (std::filesystem::current_path(ec) / utf8).lexically_normal().string();
}

}  // namespace

std::string ListTextFromFile(const std::string& bytes) {
    std::string_view view(bytes);
    if (view.starts_with("\xEF\xBB\xBF")) {
        view.remove_prefix(3);
    }
    std::string localText = platform::isValidUtf8(view) ? platform::localFromUtf8(view)
                                                         : std::string(view);
    std::string out;
    out.reserve(localText.size() + localText.size() / 16);
    size_t start = 0;
    while (start < localText.size()) {
        size_t end = localText.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) {
            end = localText.size();
        }
        size_t lineEnd = end;
        if (lineEnd > start && localText[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        out.append(localText, start, lineEnd - start);
        if (!last) {
            out += "\r\n";
        }
        start = end + 1;
    }
    return out;
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    Options& options = result.options;
    std::map<std::string, std::string> given;  // option -> UTF-8 value
    std::optional<std::string> listFile;
    std::optional<std::string> settingsFile;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            result.exitNow = true;
            result.message = kUsage;
            return result;
        }
        if (arg == "--version") {
            result.exitNow = true;
            result.message = std::string("tidewell-collect ") + TIDEWELL_VERSION + "\n";
            return result;
        }
        if (arg == "--preview") {
            options.preview = true;
        } else if (arg == "--utf8") {
            options.utf8Output = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg == "--comment-host" || arg == "--settings") {
            auto v = value();
            if (!v || v->empty()) {
                return fail(arg + " needs a value");
            }
            if (arg == "--settings") {
                settingsFile = *v;
            } else {
                options.commentHost = *v;
            }
        } else if (arg.starts_with("--")) {
            bool known = false;
            for (const Setting& s : kSettings) {
                if (arg == s.option) {
                    auto v = value();
                    if (!v) {
                        return fail(arg + " needs a value");
                    }
                    given[arg] = *v;
                    known = true;
                }
            }
            if (!known) {
                return fail("unknown option " + arg + " (see --help)");
            }
        } else if (!listFile) {
            listFile = arg;
        } else {
            return fail("more than one list file given: " + arg);
        }
    }

    std::string listText;
    if (settingsFile) {
        const std::string path = platform::localFromUtf8(*settingsFile);
        if (!platform::fileExists(path) || platform::isDirectory(path)) {
            return fail("cannot read the settings file " + *settingsFile);
        }
        settings::SettingsStore store;
        store.Bind(path, settings::StoreMode::Memory);
        store.SetSection(platform::local("主界面"));
        collect::HeadlessWindow designTexts;
        for (const Setting& s : kSettings) {
            options.editTexts[std::string(s.control)] =
                store.ReadText(platform::local(s.key), designTexts.EditText(s.control));
        }
        listText = store.ReadBytes(platform::local("列表"), std::string());
        if (size_t nul = listText.find('\0'); nul != std::string::npos) {
            listText.resize(nul);
        }
    }

    for (const Setting& s : kSettings) {
        auto it = given.find(s.option);
        if (it == given.end()) {
            continue;
        }
        std::string utf8 = it->second;
        if (std::string_view(s.option) == "--save-dir") {
            utf8 = absoluteDirectory(utf8);
        }
        std::string localText = platform::localFromUtf8(utf8);
        if (s.numeric && !beginsWithNumber(localText) &&
            !(s.allowAll && localText == platform::local("全部"))) {
            return fail(std::string(s.option) + " needs a number, not \"" + it->second + "\"");
        }
        options.editTexts[std::string(s.control)] = std::move(localText);
    }

    if (listFile) {
        auto bytes = readInput(*listFile);
        if (!bytes) {
            return fail("cannot read the list file " + *listFile);
        }
        listText = ListTextFromFile(*bytes);
    } else if (!settingsFile) {
        return fail("no address list: give LIST_FILE, - for standard input, or --settings");
    }
    options.editTexts[std::string(collect::control::kList)] = listText;
    return result;
}

}  // namespace tidewell::cli
