#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// Bodies made on demand (generated pages, padded and spoiled variants), kept until the cache
// is full and then dropped least recently used first. Safe to share between threads.
namespace tidewell::fakeportal {

class PageCache {
  public:
    using Body = std::shared_ptr<const std::string>;

    explicit PageCache(std::size_t capacityBytes);

    // The body stored under key, or the one make() returns, which is stored unless it alone is
    // larger than the whole cache. make() runs without the lock held, so two threads may make
    // the same body at once; the bodies are equal, either one is kept.
    Body getOrMake(const std::string& key, const std::function<std::string()>& make);

    std::size_t bytes() const;

  private:
    struct Entry {
        Body body;
        std::list<std::string>::iterator use;
    };

    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::size_t bytes_ = 0;
    std::list<std::string> uses_;  // most recently used first
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace tidewell::fakeportal
