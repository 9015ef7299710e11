#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/encoding.h"

namespace tidewell::platform {
namespace {

// Closes a descriptor when it leaves scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

std::string temporarySuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    return ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000000);
}

}  // namespace

std::filesystem::path fsPath(std::string_view localPath) {
    return std::filesystem::path(utf8FromLocal(localPath));
}

std::string localPath(const std::filesystem::path& path) {
    return localFromUtf8(path.string());
}

std::optional<std::string> readWholeFile(std::string_view path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size > 0) {
        bytes.resize(static_cast<size_t>(size));
        in.seekg(0);
        in.read(bytes.data(), size);
        bytes.resize(static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomic(std::string_view path, std::string_view bytes) {
    const std::filesystem::path target = fsPath(path);
    std::filesystem::path temp = target;
    temp += temporarySuffix();
    FileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        return false;
    }
    bool ok = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = ::close(fd.release()) == 0 && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

bool createDirectories(std::string_view path) {
    std::error_code ec;
    const std::filesystem::path p = fsPath(path);
    std::filesystem::create_directories(p, ec);
    return std::filesystem::is_directory(p, ec);
}

bool isDirectory(std::string_view path) {
    std::error_code ec;
    return std::filesystem::is_directory(fsPath(path), ec);
}

bool fileExists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(fsPath(path), ec);
}

}  // namespace tidewell::platform
