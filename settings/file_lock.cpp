#include "settings/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/files.h"

namespace tidewell::settings {
namespace {

bool lockDescriptor(int fd, bool wait) {
    while (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<FileLock> FileLock::tryAcquire(const std::string& localPath) {
    const std::string path = platform::fsPath(localPath).string();
    FileLock lock(
        ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644));
    if (lock.fd_ < 0 || !lockDescriptor(lock.fd_, false)) {
        return std::nullopt;
    }
    return lock;
}

std::optional<FileLock> FileLock::tryAcquireExisting(const std::string& localPath) {
    const std::string path = platform::fsPath(localPath).string();
    FileLock lock(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (lock.fd_ < 0) {
        if (errno == ENOENT) {
            return FileLock(-1);
        }
        return std::nullopt;
    }
    if (!lockDescriptor(lock.fd_, false)) {
        return std::nullopt;
    }
    return lock;
}

std::optional<FileLock> FileLock::acquireFolder(const std::string& localPath) {
    const std::string path = platform::fsPath(localPath).string();
    FileLock lock(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.fd_ < 0 || !lockDescriptor(lock.fd_, true)) {
        return std::nullopt;
    }
    return lock;
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

void FileLock::release() {
    if (fd_ >= 0) {
        // Closing the only descriptor of the open file description drops the lock.
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace tidewell::settings
