#include "settings/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "settings/ini_text.h"
#include "settings/stored_files.h"

namespace tidewell::settings {
namespace {

const detail::Yield& pump() {
    static const detail::Yield yield = [] { platform::pumpEvents(); };
    return yield;
}

// Clears the busy flag however the work ends.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& busy_;
};

// Creates the settings file empty when it is missing (never truncating it) and checks that the
// file and its folder take the writes to come.
bool prepareForWriting(const std::string& localPath) {
    const std::filesystem::path path = platform::fsPath(localPath);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) {
        return false;
    }
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool samePath(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code ec;
    bool same = std::filesystem::equivalent(platform::fsPath(a), platform::fsPath(b), ec);
    return !ec && same;
}

}  // namespace

SettingsStore::~SettingsStore() {
    CloseFile();
}

void SettingsStore::CloseFile() {
    lock_.reset();
    handle_ = Handle::None;
    text_.clear();
    committed_.clear();
}

bool SettingsStore::OpenFile(const std::string& fileName, bool memory) {
    CloseFile();
    fileName_ = fileName;
    if (memory) {
        text_ = detail::readSettingsFile(fileName).value_or(std::string());
        handle_ = Handle::Memory;
        return true;
    }
    // Lock first, then read, so that a store taking over from another sees its last change.
    std::optional<FileLock> lock = FileLock::tryAcquire(fileName + ".lock");
    text_ = detail::readSettingsFile(fileName).value_or(std::string());
    if (!lock || !prepareForWriting(fileName)) {
        return false;
    }
    detail::removeStaleTemporaries(fileName);
    committed_ = text_;
    lock_ = std::move(lock);
    handle_ = Handle::Disk;
    return true;
}

void SettingsStore::Reload() {
    if (std::optional<std::string> bytes = detail::readSettingsFile(fileName_)) {
        text_ = std::move(*bytes);
        if (handle_ == Handle::Disk) {
            committed_ = text_;
        }
    }
}

bool SettingsStore::commit() {
    if (handle_ != Handle::Disk) {
        return true;
    }
    if (platform::writeFileAtomic(fileName_, text_)) {
        committed_ = text_;
        return true;
    }
    // The disk still holds the last complete state; so must the text.
    text_ = committed_;
    return false;
}

int SettingsStore::enqueue(ChangeRequest request) {
    queue_.push_back(std::move(request));
    if (busy_) {
        return kDeferred;
    }
    return ProcessQueue();
}

int SettingsStore::ProcessQueue() {
    if (busy_) {
        return kDeferred;
    }
    if (queue_.empty()) {
        return kFailed;
    }
    int first = kFailed;
    bool isFirst = true;
    // Requests queued while one is carried out are worked off here, in order.
    while (!queue_.empty()) {
        ChangeRequest request = std::move(queue_.front());
        queue_.pop_front();
        int result;
        {
            BusyScope busy(busy_);
            result = carryOut(request);
        }
        if (isFirst) {
            first = result;
            isFirst = false;
        }
    }
    return first;
}

int SettingsStore::carryOut(const ChangeRequest& r) {
    switch (r.kind) {
        case ChangeKind::Write:
            return WriteValue(r.first, r.second, r.third, true);
        case ChangeKind::Delete:
            return DeleteEntry(r.first, r.second, true);
        case ChangeKind::RenameSection:
            return RenameSection(r.first, r.second, true);
        case ChangeKind::RenameKey:
            return RenameKey(r.first, r.second, r.third, true);
    }
    return kFailed;
}

int SettingsStore::WriteValue(const std::string& section, const std::string& key,
                              const std::string& value, bool immediate) {
    if (!immediate) {
        return enqueue({ChangeKind::Write, section, key, value});
    }
    // A CR LF would cut the line in two and turn its rest into lines of their own.
    if (detail::hasLineBreak(section) || detail::hasLineBreak(key) || detail::hasLineBreak(value)) {
        return kFailed;
    }
    if (!detail::writeEntry(text_, section, key, value, pump())) {
        StoreMessage(platform::local("配置模块出现意外，可能导致无法正常保存！详情请咨询Brenvik。"),
                     48, std::string());
        if (messageHook_) {
            messageHook_(text_, 0, boundPath_.empty() ? platform::local("Brenvik：") : boundPath_);
        }
        // The headers appended in vain never reach the disk.
        if (handle_ == Handle::Disk) {
            text_ = committed_;
        }
        return kFailed;
    }
    return commit() ? kDone : kFailed;
}

std::string SettingsStore::ReadValue(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, bool emptyIsMissing) {
    std::optional<std::string> value = detail::lookupValue(text_, section, key, pump());
    if (!value || (emptyIsMissing && value->empty())) {
        return defaultValue;
    }
    return std::move(*value);
}

std::ptrdiff_t SettingsStore::FindHeaderBetween(std::ptrdiff_t from, std::ptrdiff_t to) const {
    if (to < 0) {
        return -1;
    }
    std::size_t hit = detail::findHeaderLine(text_, static_cast<std::size_t>(from < 0 ? 0 : from),
                                             static_cast<std::size_t>(to));
    return hit == detail::npos ? -1 : static_cast<std::ptrdiff_t>(hit);
}

int SettingsStore::DeleteEntry(const std::string& section, const std::string& key, bool immediate) {
    if (!immediate) {
        return enqueue({ChangeKind::Delete, section, key, std::string()});
    }
    int result = detail::deleteEntry(text_, section, key);
    if (result == kDone && !commit()) {
        return kFailed;
    }
    return result;
}

int SettingsStore::RenameSection(const std::string& oldName, const std::string& newName,
                                 bool immediate) {
    if (!immediate) {
        return enqueue({ChangeKind::RenameSection, oldName, newName, std::string()});
    }
    if (detail::hasLineBreak(newName)) {
        return kFailed;
    }
    int result = detail::renameSection(text_, oldName, newName, pump());
    if (result == kDone && !commit()) {
        return kFailed;
    }
    return result;
}

int SettingsStore::RenameKey(const std::string& section, const std::string& oldKey,
                             const std::string& newKey, bool immediate) {
    if (!immediate) {
        return enqueue({ChangeKind::RenameKey, section, oldKey, newKey});
    }
    if (detail::hasLineBreak(newKey)) {
        return kFailed;
    }
    int result = detail::renameKey(text_, section, oldKey, newKey, pump());
    if (result == kDone && !commit()) {
        return kFailed;
    }
    return result;
}

bool SettingsStore::SaveAs(const std::string& path) {
    const std::string target = path.empty() ? fileName_ : path;
    if (target.empty()) {
        return false;
    }
    if (handle_ == Handle::Disk && samePath(target, fileName_)) {
        return platform::writeFileAtomic(target, text_);
    }
    // Another store may hold that file; its next change would silently undo this one.
    std::optional<FileLock> lock = FileLock::tryAcquireExisting(target + ".lock");
    if (!lock) {
        return false;
    }
    return platform::writeFileAtomic(target, text_);
}

void SettingsStore::SetText(const std::string& text, bool append) {
    if (!append) {
        text_.clear();
    }
    text_ += text;
    commit();
}

bool SettingsStore::Bind(const std::string& path, StoreMode mode) {
    boundPath_ = path;
    mode_ = mode;
    if (mode == StoreMode::Registry) {
        return true;
    }
    return OpenFile(path, mode == StoreMode::Memory);
}

std::string SettingsStore::SetSection(const std::string& section) {
    section_ = section;
    static const std::string company = platform::local("Brenvik软件");
    registryPath_ = company + "\\" + detail::baseName(boundPath_) + "\\" + section + "\\";
    return registryPath_;
}

int SettingsStore::StoreMessage(const std::string& text, int flags, const std::string& title) {
    constexpr int kSystemModal = 4096;
    constexpr int kIconMask = 0xF0;
    constexpr int kIconInformation = 64;
    flags |= kSystemModal;
    const int icon = flags & kIconMask;
    if (icon != 16 && icon != 32 && icon != 48 && icon != 64) {
        flags |= kIconInformation;
    }
    if (!messageHook_) {
        return 0;
    }
    static const std::string defaultTitle = platform::local("Brenvik：");
    return messageHook_(text, flags, title.empty() ? defaultTitle : title);
}

}  // namespace tidewell::settings
