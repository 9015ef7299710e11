#include "tools/fakeportal/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tidewell_config.h"

namespace tidewell::fakeportal {
namespace {

std::optional<long long> wholeNumber(std::string_view text) {
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string_view>& arguments,
                                    std::string& error) {
    Options options;
    options.fixtures = TIDEWELL_FAKEPORTAL_FIXTURES;
    options.commentHost = TIDEWELL_COMMENT_HOST;
    options.newsHost = TIDEWELL_NEWS_HOST;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        std::optional<std::string_view> inlineValue;
        if (name.substr(0, 2) == "--") {
            if (auto eq = name.find('='); eq != std::string_view::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 >= arguments.size()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return arguments[++i];
        };
        auto flag = [&]() {
            if (inlineValue) {
                error = std::string(name) + " takes no value";
                return false;
            }
            return true;
        };

        if (name == "--help" || name == "-h") {
            if (!flag()) {
                return std::nullopt;
            }
            options.help = true;
        } else if (name == "--repeat-last-page") {
            if (!flag()) {
                return std::nullopt;
            }
            options.repeatLastPage = true;
        } else if (name == "--port" || name == "--threads") {
            auto text = value();
            if (!text) {
                return std::nullopt;
            }
            auto number = wholeNumber(*text);
            const bool port = name == "--port";
            if (!number || *number < (port ? 0 : 1) || *number > (port ? 65535 : 1024)) {
                error = std::string(name) + (port ? " needs a port number 0 to 65535"
                                                  : " needs a thread count 1 to 1024");
                return std::nullopt;
            }
            (port ? options.port : options.threads) = static_cast<int>(*number);
        } else if (name == "--exit-after") {
            auto text = value();
            if (!text) {
                return std::nullopt;
            }
            const std::string copy(*text);
            char* end = nullptr;
            const double seconds = std::strtod(copy.c_str(), &end);
            if (copy.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
                error = "--exit-after needs a number of seconds above 0";
                return std::nullopt;
            }
            options.exitAfterSeconds = seconds;
        } else if (name == "--fault") {
            auto text = value();
            if (!text) {
                return std::nullopt;
            }
            auto fault = parseFault(*text, error);
            if (!fault) {
                return std::nullopt;
            }
            options.faults.push_back(*fault);
        } else if (name == "--fixtures" || name == "--comment-host" || name == "--news-host" ||
                   name == "--log") {
            auto text = value();
            if (!text) {
                return std::nullopt;
            }
            if (text->empty()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            if (name == "--fixtures") {
                options.fixtures = std::string(*text);
                options.fixturesGiven = true;
            } else if (name == "--comment-host") {
                options.commentHost = std::string(*text);
            } else if (name == "--news-host") {
                options.newsHost = std::string(*text);
            } else {
                options.logFile = std::string(*text);
            }
        } else {
            error = "unknown argument " + std::string(arguments[i]);
            return std::nullopt;
        }
    }
    return options;
}

std::string usageText() {
    return std::string(
               "Usage: tidewell-fakeportal [OPTION]...\n"
               "A local stand-in for the news portal: the comment service and article pages,\n"
               "served on 127.0.0.1 for the tests, the benchmarks and the offline demo. Use it\n"
               "as the collector's http_proxy (requests are routed by host) or ask it directly\n"
               "(/page/info is the comment service, every other path a news page).\n"
               "The first line of standard output is \"listening on 127.0.0.1:PORT\".\n"
               "\n"
               "  --port N             listen on port N; 0 (the default) takes a free port\n"
               "  --fixtures DIR       folder of *.thread fixture files (default: ") +
           TIDEWELL_FAKEPORTAL_FIXTURES +
           ")\n"
           "  --comment-host HOST  host of the comment service (default: " TIDEWELL_COMMENT_HOST
           ")\n"
           "  --news-host HOST     host of the article pages (default: " TIDEWELL_NEWS_HOST
           ")\n"
           "  --repeat-last-page   past the last page answer the last page again instead of an\n"
           "                       empty comment list (a fixture may choose for itself)\n"
           "  --fault SPEC         play a fault; repeatable (see below)\n"
           "  --log FILE           write one line per request: METHOD TARGET | Name: value ...\n"
           "                       with the headers in the order received\n"
           "  --threads N          serving threads (default 32)\n"
           "  --exit-after SECONDS stop by itself after that long\n"
           "  --help               show this text\n"
           "\n"
           "Threads: every fixture file's thread, and gen-<comments>-<seed> (made up, the same\n"
           "for the same seed). Article pages: /<channel>/<newsid>.html (GBK, no charset\n"
           "declared), .utf8.html (UTF-8, meta charset), .big5.html (Big5, meta charset).\n"
           "\n"
           "Fault SPEC: KIND[=ARG][@NEWSID][#N]\n"
           "  latency=MS     wait MS milliseconds, then answer\n"
           "  status=CODE    answer with that HTTP status\n"
           "  reset          reset the connection instead of answering\n"
           "  truncate[=B]   declare the full Content-Length, send B bytes (default half), hang "
           "up\n"
           "  stall[=MS]     say nothing for MS ms (default 130000), then hang up\n"
           "  badgbk         put byte sequences that are not GBK into the body\n"
           "  huge[=B]       pad the body to B bytes (default 20971520)\n"
           "  records[=N]    a comment page of N records (default 10000)\n"
           "  @NEWSID        only requests of that thread (comment pages, article and viewer "
           "pages)\n"
           "  #N             only the N-th request: of that thread with @NEWSID, else of the "
           "server\n"
           "Stops on SIGTERM or SIGINT.\n";
}

}  // namespace tidewell::fakeportal
