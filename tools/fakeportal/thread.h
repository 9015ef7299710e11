#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tools/fakeportal/fault.h"

// A comment thread as the stand-in serves it: what a fixture file describes, page by page.
namespace tidewell::fakeportal {

// One comment as the service lists it. Texts are UTF-8; the reply carries them in local text.
struct Comment {
    std::string ip;
    std::string area;
    std::string content;
    std::string time;
    std::string nick;
    std::string uid;
    // The "config" field as it stands; when absent it is built from nick and uid.
    std::optional<std::string> config;
};

// A record written out by hand for odd cases, already in local text, braces included.
struct RawRecord {
    std::string local;
};

using PageEntry = std::variant<Comment, RawRecord>;

struct Page {
    std::vector<PageEntry> entries;
    // The whole reply written out by hand (local text); when set, entries is empty.
    std::optional<std::string> rawReply;
    // This page repeats an earlier one (0-based index) byte for byte.
    std::optional<std::size_t> sameAs;
};

// What the service answers for a page past the last one.
enum class PastEnd { EmptyList, RepeatLast };

struct Thread {
    std::string newsid;              // UTF-8
    std::string channel;             // UTF-8
    std::string title;               // UTF-8, may be empty
    std::optional<PastEnd> pastEnd;  // unset: the server-wide choice
    std::vector<Page> pages;
    std::vector<Fault> faults;  // each restricted to this thread
    std::string origin;         // file the thread came from, for messages
};

}  // namespace tidewell::fakeportal
