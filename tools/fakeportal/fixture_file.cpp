#include "tools/fakeportal/fixture_file.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "platform/encoding.h"
#include "platform/files.h"

namespace tidewell::fakeportal {
namespace {

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A written-out value: UTF-8 with the escapes \n \r \t \\ and \xHH (a raw byte that is not
// converted, so a fixture can hold bytes that are not GBK). The result is local text.
std::optional<std::string> decodeWritten(std::string_view value, std::string& problem) {
    std::string out;
    std::string pending;
    auto flush = [&] {
        out += platform::localFromUtf8(pending);
        pending.clear();
    };
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            pending.push_back(value[i]);
            continue;
        }
        if (i + 1 >= value.size()) {
            problem = "a backslash ends the value";
            return std::nullopt;
        }
        const char c = value[++i];
        switch (c) {
            case 'n':
                pending.push_back('\n');
                break;
            case 'r':
                pending.push_back('\r');
                break;
            case 't':
                pending.push_back('\t');
                break;
            case '\\':
                pending.push_back('\\');
                break;
            case 'x': {
                if (i + 2 >= value.size() || hexValue(value[i + 1]) < 0 ||
                    hexValue(value[i + 2]) < 0) {
                    problem = "\\x needs two hex digits";
                    return std::nullopt;
                }
                flush();
                out.push_back(
                    static_cast<char>(hexValue(value[i + 1]) * 16 + hexValue(value[i + 2])));
                i += 2;
                break;
            }
            default:
                problem = std::string("unknown escape \\") + c;
                return std::nullopt;
        }
    }
    flush();
    return out;
}

bool validKey(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    return std::none_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '/' || c == '?' || c == '&' || c == '#' || c == '@' ||
               c == '\'' || c == '"';
    });
}

const std::set<std::string_view> kHeaderKeys = {"title", "newsid", "channel", "past-end", "fault"};
const std::set<std::string_view> kCommentKeys = {"ip",   "area", "content", "time",
                                                 "nick", "uid",  "config"};

class Parser {
  public:
    Parser(std::string_view defaultNewsid, std::string_view origin) : origin_(origin) {
        thread_.newsid = std::string(defaultNewsid);
        thread_.channel = "gn";
        thread_.origin = std::string(origin);
    }

    std::optional<Thread> run(std::string_view text, std::string& error) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") {
            text.remove_prefix(3);
        }
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            ++lineNo_;
            if (!line(text.substr(start, end - start))) {
                error = error_;
                return std::nullopt;
            }
            start = end + 1;
        }
        if (!validKey(thread_.newsid)) {
            lineNo_ = 0;
            fail("the newsid \"" + thread_.newsid +
                 "\" is empty or holds a blank or one of / ? & # @ ' \"");
            error = error_;
            return std::nullopt;
        }
        for (Fault& fault : thread_.faults) {
            fault.newsid = thread_.newsid;
        }
        return std::move(thread_);
    }

  private:
    bool fail(std::string message) {
        error_ = std::string(origin_) + ":" + std::to_string(lineNo_) + ": " + message;
        return false;
    }

    bool line(std::string_view raw) {
        if (!platform::isValidUtf8(raw)) {
            return fail("not UTF-8");
        }
        const std::string_view text = trimBlanks(raw);
        if (text.empty() || text.front() == '#') {
            return true;
        }
        if (text == "comment") {
            return startComment();
        }
        if (text.substr(0, 4) == "page" &&
            (text.size() == 4 || text[4] == ' ' || text[4] == '\t' || text[4] == '=')) {
            return startPage(trimBlanks(text.substr(4)));
        }
        const auto colon = text.find(':');
        if (colon == std::string_view::npos) {
            return fail("expected \"page\", \"comment\" or \"key: value\"");
        }
        const std::string_view key = trimBlanks(text.substr(0, colon));
        // The value is everything after the colon and one blank; trailing blanks are dropped.
        std::string_view value = raw.substr(raw.find(':') + 1);
        if (!value.empty() && value.front() == ' ') {
            value.remove_prefix(1);
        }
        while (!value.empty() &&
               (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) {
            value.remove_suffix(1);
        }

        if (kHeaderKeys.count(key)) {
            return header(key, value);
        }
        if (kCommentKeys.count(key)) {
            return commentField(key, value);
        }
        if (key == "record") {
            return record(value);
        }
        if (key == "reply") {
            return reply(value);
        }
        return fail("unknown key \"" + std::string(key) + "\"");
    }

    bool header(std::string_view key, std::string_view value) {
        if (inBody_) {
            return fail("\"" + std::string(key) + "\" belongs before the first page or comment");
        }
        if (key == "fault") {
            std::string problem;
            auto fault = parseFault(value, problem);
            if (!fault) {
                return fail(problem);
            }
            if (fault->newsid) {
                return fail("a fault of a fixture applies to its own thread; leave out @NEWSID");
            }
            thread_.faults.push_back(*fault);
            return true;
        }
        if (!givenHeader_.insert(std::string(key)).second) {
            return fail("\"" + std::string(key) + "\" given twice");
        }
        if (key == "title") {
            thread_.title = std::string(value);
        } else if (key == "newsid") {
            thread_.newsid = std::string(value);
            if (!validKey(value)) {
                return fail("the newsid is empty or holds a blank or one of / ? & # @ ' \"");
            }
        } else if (key == "channel") {
            thread_.channel = std::string(value);
            if (!validKey(value)) {
                return fail("the channel is empty or holds a blank or one of / ? & # @ ' \"");
            }
        } else if (value == "empty") {
            thread_.pastEnd = PastEnd::EmptyList;
        } else if (value == "repeat") {
            thread_.pastEnd = PastEnd::RepeatLast;
        } else {
            return fail("past-end is \"empty\" or \"repeat\"");
        }
        return true;
    }

    bool startPage(std::string_view rest) {
        inBody_ = true;
        comment_ = nullptr;
        Page page;
        if (!rest.empty()) {
            if (rest.front() != '=') {
                return fail("expected \"page\" or \"page = N\"");
            }
            rest = trimBlanks(rest.substr(1));
            std::size_t number = 0;
            auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
            if (ec != std::errc() || end != rest.data() + rest.size() || number < 1 ||
                number > thread_.pages.size()) {
                return fail("\"page = N\" needs the number of an earlier page");
            }
            page.sameAs = number - 1;
        }
        thread_.pages.push_back(std::move(page));
        return true;
    }

    // The page that new entries go to; a file may start with a comment and leave out "page".
    Page* openPage() {
        inBody_ = true;
        if (thread_.pages.empty()) {
            thread_.pages.emplace_back();
        }
        Page& page = thread_.pages.back();
        if (page.sameAs) {
            fail("a repeated page (\"page = N\") holds nothing of its own");
            return nullptr;
        }
        if (page.rawReply) {
            fail("a page whose reply is written out holds no comments or records");
            return nullptr;
        }
        return &page;
    }

    bool startComment() {
        Page* page = openPage();
        if (page == nullptr) {
            return false;
        }
        page->entries.emplace_back(Comment{});
        comment_ = &std::get<Comment>(page->entries.back());
        commentFields_.clear();
        return true;
    }

    bool commentField(std::string_view key, std::string_view value) {
        if (comment_ == nullptr) {
            return fail("\"" + std::string(key) +
                        "\" belongs to a comment; start one with \"comment\"");
        }
        if (!commentFields_.insert(std::string(key)).second) {
            return fail("\"" + std::string(key) + "\" given twice for one comment");
        }
        const std::string text(value);
        if (key == "ip") {
            comment_->ip = text;
        } else if (key == "area") {
            comment_->area = text;
        } else if (key == "content") {
            comment_->content = text;
        } else if (key == "time") {
            comment_->time = text;
        } else if (key == "nick") {
            comment_->nick = text;
        } else if (key == "uid") {
            comment_->uid = text;
        } else {
            comment_->config = text;
        }
        return true;
    }

    bool record(std::string_view value) {
        Page* page = openPage();
        if (page == nullptr) {
            return false;
        }
        std::string problem;
        auto local = decodeWritten(value, problem);
        if (!local) {
            return fail(problem);
        }
        page->entries.emplace_back(RawRecord{std::move(*local)});
        comment_ = nullptr;
        return true;
    }

    bool reply(std::string_view value) {
        inBody_ = true;
        if (thread_.pages.empty()) {
            thread_.pages.emplace_back();
        }
        Page& page = thread_.pages.back();
        if (page.sameAs || !page.entries.empty()) {
            return fail("a page whose reply is written out holds no comments or records");
        }
        std::string problem;
        auto local = decodeWritten(value, problem);
        if (!local) {
            return fail(problem);
        }
        if (page.rawReply) {
            page.rawReply->push_back('\n');
            *page.rawReply += *local;
        } else {
            page.rawReply = std::move(*local);
        }
        comment_ = nullptr;
        return true;
    }

    std::string_view origin_;
    Thread thread_;
    std::size_t lineNo_ = 0;
    std::string error_;
    bool inBody_ = false;
    Comment* comment_ = nullptr;
    std::set<std::string, std::less<>> commentFields_;
    std::set<std::string, std::less<>> givenHeader_;
};

}  // namespace

std::optional<Thread> parseThreadFixture(std::string_view text, std::string_view defaultNewsid,
                                         std::string_view origin, std::string& error) {
    return Parser(defaultNewsid, origin).run(text, error);
}

std::optional<std::vector<Thread>> loadFixtureFolder(const std::filesystem::path& folder,
                                                     std::string& error) {
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() == ".thread") {
            files.push_back(it->path());
        }
    }
    if (ec) {
        error = folder.string() + ": " + ec.message();
        return std::nullopt;
    }
    std::sort(files.begin(), files.end());

    std::vector<Thread> threads;
    std::map<std::string, std::string> seen;
    for (const auto& file : files) {
        auto bytes = platform::readWholeFile(platform::localPath(file));
        if (!bytes) {
            error = file.string() + ": cannot be read";
            return std::nullopt;
        }
        auto thread = parseThreadFixture(*bytes, file.stem().string(), file.string(), error);
        if (!thread) {
            return std::nullopt;
        }
        auto [it, fresh] = seen.emplace(thread->newsid, file.string());
        if (!fresh) {
            error = file.string() + ": newsid \"" + thread->newsid + "\" is already used by " +
                    it->second;
            return std::nullopt;
        }
        threads.push_back(std::move(*thread));
    }
    return threads;
}

}  // namespace tidewell::fakeportal
