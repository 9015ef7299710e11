#include "tools/fakeportal/portal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/encoding.h"
#include "tools/fakeportal/generator.h"

namespace tidewell::fakeportal {
namespace {

constexpr std::uint64_t kPageSize = 100;
constexpr std::string_view kCommentType = "application/javascript";
constexpr std::string_view kHtmlType = "text/html";

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) {
        h = (h ^ c) * 0x100000001B3ull;
    }
    return h;
}

std::string midFor(std::string_view newsid, std::uint64_t ordinal) {
    char buf[24];
    std::snprintf(
        buf, sizeof buf, "%016llX",
        static_cast<unsigned long long>(fnv1a(newsid) ^ (ordinal * 0x9E3779B97F4A7C15ull)));
    return buf;
}

std::uint64_t pageNumber(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0) {
        return 1;
    }
    return value;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

PageCache::Body shared(std::string text) {
    return std::make_shared<const std::string>(std::move(text));
}

Reply plain(int status, std::string text) {
    return Reply{status, "text/plain", shared(std::move(text))};
}

}  // namespace

Portal::Portal(PortalSettings settings, std::vector<Thread> fixtures)
    : settings_(std::move(settings)), cache_(settings_.cacheBytes) {
    settings_.commentHost = lowerCase(settings_.commentHost);
    settings_.newsHost = lowerCase(settings_.newsHost);

    std::vector<IndexEntry> index;
    for (Thread& thread : fixtures) {
        FixtureThread fixture;
        ReplyHead head{thread.channel, thread.newsid, thread.title, settings_.newsHost, 0};
        for (const Page& page : thread.pages) {
            if (!page.sameAs) {
                head.total += page.entries.size();
            }
        }
        std::uint64_t ordinal = 0;
        for (const Page& page : thread.pages) {
            if (page.sameAs) {
                fixture.pages.push_back(fixture.pages.at(*page.sameAs));
                continue;
            }
            if (page.rawReply) {
                fixture.pages.push_back(shared(*page.rawReply));
                continue;
            }
            std::vector<std::string> records;
            for (const PageEntry& entry : page.entries) {
                if (const auto* comment = std::get_if<Comment>(&entry)) {
                    records.push_back(
                        renderRecord(*comment, midFor(thread.newsid, ordinal), settings_.newsHost));
                } else {
                    records.push_back(std::get<RawRecord>(entry).local);
                }
                ++ordinal;
            }
            fixture.pages.push_back(shared(renderCommentReply(head, records)));
        }
        fixture.pastEndEmpty = shared(renderCommentReply(head, {}));
        index.push_back(IndexEntry{thread.channel, thread.newsid, thread.title});
        const std::string key = platform::localFromUtf8(thread.newsid);
        fixture.thread = std::move(thread);
        fixtures_.emplace(key, std::move(fixture));
    }
    index_ = shared(renderIndexPage(index));
    unknownThread_ = shared(renderUnknownThreadReply());
}

Route Portal::route(const RequestTarget& target) const {
    Route route;
    route.host = target.host;
    bool comment = false;
    // A proxy request naming the stand-in itself is taken like a plain one.
    const bool self = target.host == "127.0.0.1" || target.host == "localhost";
    if (target.absolute && !self) {
        if (target.host == settings_.commentHost) {
            comment = true;
        } else if (target.host != settings_.newsHost) {
            route.kind = RouteKind::UnknownHost;
            return route;
        }
    } else {
        comment = target.path == "/page/info";
    }

    if (comment) {
        if (target.path == "/page/info") {
            route.kind = RouteKind::CommentPage;
            route.channel = queryValue(target.query, "channel");
            route.newsid = queryValue(target.query, "newsid");
            route.page = pageNumber(queryValue(target.query, "page"));
        }
        return route;
    }

    const std::string& path = target.path;
    if (path == "/" || path == "/index.html") {
        route.kind = RouteKind::Index;
        return route;
    }
    if (path == "/comment/skin/default.html") {
        route.kind = RouteKind::Viewer;
        route.channel = queryValue(target.query, "channel");
        route.newsid = queryValue(target.query, "newsid");
        return route;
    }
    const auto slash = path.find('/', 1);
    if (slash == std::string::npos || path.find('/', slash + 1) != std::string::npos) {
        return route;
    }
    std::string_view file = std::string_view(path).substr(slash + 1);
    if (endsWith(file, ".utf8.html")) {
        route.encoding = ArticleEncoding::Utf8;
        file.remove_suffix(10);
    } else if (endsWith(file, ".big5.html")) {
        route.encoding = ArticleEncoding::Big5;
        file.remove_suffix(10);
    } else if (endsWith(file, ".html")) {
        file.remove_suffix(5);
    } else {
        return route;
    }
    if (slash > 1 && !file.empty()) {
        route.kind = RouteKind::Article;
        route.channel = path.substr(1, slash - 1);
        route.newsid = std::string(file);
    }
    return route;
}

Reply Portal::respond(const Route& route, const BodyChanges& changes) {
    Reply reply;
    std::string key;
    switch (route.kind) {
        case RouteKind::CommentPage:
            reply = commentPage(route, changes, key);
            break;
        case RouteKind::Article:
            reply = article(route, key);
            break;
        case RouteKind::Viewer:
            reply = Reply{200, std::string(kHtmlType),
                          shared(renderViewerPage(platform::utf8FromLocal(route.channel),
                                                  platform::utf8FromLocal(route.newsid)))};
            break;
        case RouteKind::Index:
            reply = Reply{200, std::string(kHtmlType), index_};
            break;
        case RouteKind::NotFound:
            return plain(404, "not found\n");
        case RouteKind::UnknownHost:
            return plain(502, "this stand-in serves only " + settings_.commentHost + " and " +
                                  settings_.newsHost + ", not " + route.host + "\n");
    }
    if (reply.status != 200 || (!changes.badGbk && !changes.hugeBytes)) {
        return reply;
    }
    const bool html = route.kind != RouteKind::CommentPage;
    auto change = [&, base = reply.body] {
        std::string body = *base;
        if (changes.badGbk) {
            body = spoilGbk(std::move(body));
        }
        if (changes.hugeBytes) {
            body = padBody(std::move(body), *changes.hugeBytes, html);
        }
        return body;
    };
    if (key.empty()) {
        reply.body = shared(change());
    } else {
        key += changes.badGbk ? "|bad" : "";
        key += changes.hugeBytes ? "|huge=" + std::to_string(*changes.hugeBytes) : "";
        reply.body = cache_.getOrMake(key, change);
    }
    return reply;
}

PastEnd Portal::pastEndFor(const FixtureThread* fixture) const {
    if (fixture != nullptr && fixture->thread.pastEnd) {
        return *fixture->thread.pastEnd;
    }
    return settings_.pastEnd;
}

std::string Portal::renderRecords(const std::vector<Comment>& comments, const std::string& newsid,
                                  std::uint64_t firstOrdinal, const ReplyHead& head) const {
    std::vector<std::string> records;
    records.reserve(comments.size());
    for (std::size_t i = 0; i < comments.size(); ++i) {
        records.push_back(
            renderRecord(comments[i], midFor(newsid, firstOrdinal + i), settings_.newsHost));
    }
    return renderCommentReply(head, records);
}

Reply Portal::commentPage(const Route& route, const BodyChanges& changes, std::string& key) {
    const Reply base{200, std::string(kCommentType), nullptr};
    const auto fixtureIt = fixtures_.find(route.newsid);
    const FixtureThread* fixture = fixtureIt == fixtures_.end() ? nullptr : &fixtureIt->second;
    const auto generated = fixture ? std::nullopt : parseGeneratedNewsid(route.newsid);
    const std::string channel = platform::utf8FromLocal(route.channel);
    const std::string newsid = platform::utf8FromLocal(route.newsid);

    if (changes.records) {
        ReplyHead head{channel, newsid, "", settings_.newsHost, *changes.records};
        std::uint64_t seed = fnv1a(route.newsid);
        if (fixture) {
            head.channel = fixture->thread.channel;
            head.title = fixture->thread.title;
        } else if (generated) {
            head.title = generatedTitle(*generated);
            seed = generated->seed;
        }
        key = "r|" + route.channel + "|" + route.newsid + "|" + std::to_string(*changes.records);
        Reply reply = base;
        reply.body = cache_.getOrMake(key, [&] {
            return renderRecords(generateComments(seed, 0, *changes.records), newsid, 0, head);
        });
        return reply;
    }

    Reply reply = base;
    if (fixture) {
        const auto& pages = fixture->pages;
        if (route.page <= pages.size()) {
            reply.body = pages[route.page - 1];
        } else if (pastEndFor(fixture) == PastEnd::RepeatLast && !pages.empty()) {
            reply.body = pages.back();
        } else {
            reply.body = fixture->pastEndEmpty;
        }
        key = "f|" + route.newsid + "|" + std::to_string(route.page);
        return reply;
    }
    if (!generated) {
        reply.body = unknownThread_;
        return reply;
    }

    const std::uint64_t pageCount = (generated->comments + kPageSize - 1) / kPageSize;
    std::uint64_t page = route.page;
    if (page > pageCount) {
        page = pastEndFor(nullptr) == PastEnd::RepeatLast ? pageCount : 0;
    }
    key = "g|" + route.channel + "|" + route.newsid + "|" + std::to_string(page);
    const ReplyHead head{channel, newsid, generatedTitle(*generated), settings_.newsHost,
                         generated->comments};
    reply.body = cache_.getOrMake(key, [&] {
        if (page == 0) {
            return renderCommentReply(head, {});
        }
        const std::uint64_t first = (page - 1) * kPageSize;
        const std::uint64_t count = std::min(kPageSize, generated->comments - first);
        return renderRecords(generateComments(generated->seed, first, count), newsid, first, head);
    });
    return reply;
}

Reply Portal::article(const Route& route, std::string& key) {
    std::string title;
    if (auto it = fixtures_.find(route.newsid); it != fixtures_.end()) {
        title = it->second.thread.title;
    } else if (auto generated = parseGeneratedNewsid(route.newsid)) {
        title = generatedTitle(*generated);
    } else {
        return plain(404, "no such article\n");
    }
    key = "a|" + std::to_string(static_cast<int>(route.encoding)) + "|" + route.channel + "|" +
          route.newsid;
    Reply reply{200, std::string(kHtmlType), nullptr};
    reply.body = cache_.getOrMake(key, [&] {
        return renderArticle(route.encoding, platform::utf8FromLocal(route.channel),
                             platform::utf8FromLocal(route.newsid), title);
    });
    return reply;
}

}  // namespace tidewell::fakeportal
