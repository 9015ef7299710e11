#include "tools/fakeportal/page_cache.h"

namespace tidewell::fakeportal {

PageCache::PageCache(std::size_t capacityBytes) : capacity_(capacityBytes) {}

PageCache::Body PageCache::getOrMake(const std::string& key,
                                     const std::function<std::string()>& make) {
    {
        std::lock_guard lock(mutex_);
        if (auto it = entries_.find(key); it != entries_.end()) {
            uses_.splice(uses_.begin(), uses_, it->second.use);
            return it->second.body;
        }
    }
    auto body = std::make_shared<const std::string>(make());
    if (body->size() > capacity_) {
        return body;
    }
    std::lock_guard lock(mutex_);
    if (auto it = entries_.find(key); it != entries_.end()) {
        return it->second.body;
    }
    while (bytes_ + body->size() > capacity_ && !uses_.empty()) {
        auto old = entries_.find(uses_.back());
        bytes_ -= old->second.body->size();
        entries_.erase(old);
        uses_.pop_back();
    }
    uses_.push_front(key);
    entries_.emplace(key, Entry{body, uses_.begin()});
    bytes_ += body->size();
    return body;
}

std::size_t PageCache::bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

}  // namespace tidewell::fakeportal
