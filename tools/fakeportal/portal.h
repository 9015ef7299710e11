#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/fakeportal/page_cache.h"
#include "tools/fakeportal/reply_builder.h"
#include "tools/fakeportal/request_target.h"
#include "tools/fakeportal/thread.h"

// What the stand-in answers, request by request: routing by host and path, comment pages of
// fixture and generated threads, article pages. Knows nothing of sockets; the server applies
// the faults that need the connection.
namespace tidewell::fakeportal {

struct PortalSettings {
    std::string commentHost;
    std::string newsHost;
    PastEnd pastEnd = PastEnd::EmptyList;  // for threads whose fixture does not choose
    std::size_t cacheBytes = std::size_t{512} * 1024 * 1024;
};

enum class RouteKind { CommentPage, Article, Viewer, Index, NotFound, UnknownHost };

struct Route {
    RouteKind kind = RouteKind::NotFound;
    std::string host;     // of an absolute-form target
    std::string channel;  // as sent
    std::string newsid;   // as sent; names the thread a request belongs to
    std::uint64_t page = 1;
    ArticleEncoding encoding = ArticleEncoding::Gbk;
};

// Changes to a body that faults ask for.
struct BodyChanges {
    bool badGbk = false;
    std::optional<std::uint64_t> hugeBytes;
    std::optional<std::uint64_t> records;  // comment pages only
};

struct Reply {
    int status = 200;
    std::string contentType;
    PageCache::Body body;
};

class Portal {
  public:
    Portal(PortalSettings settings, std::vector<Thread> fixtures);

    Route route(const RequestTarget& target) const;
    Reply respond(const Route& route, const BodyChanges& changes = {});

    const PortalSettings& settings() const { return settings_; }

  private:
    struct FixtureThread {
        Thread thread;
        std::vector<PageCache::Body> pages;
        PageCache::Body pastEndEmpty;
    };

    Reply commentPage(const Route& route, const BodyChanges& changes, std::string& key);
    Reply article(const Route& route, std::string& key);
    std::string renderRecords(const std::vector<Comment>& comments, const std::string& newsid,
                              std::uint64_t firstOrdinal, const ReplyHead& head) const;
    PastEnd pastEndFor(const FixtureThread* fixture) const;

    PortalSettings settings_;
    std::map<std::string, FixtureThread, std::less<>> fixtures_;  // by newsid in local text
    PageCache cache_;
    PageCache::Body index_;
    PageCache::Body unknownThread_;
};

}  // namespace tidewell::fakeportal
