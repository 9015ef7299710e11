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

AtomicFileWriter::AtomicFileWriter(std::string_view localPath) : target_(fsPath(localPath)) {
    temp_ = target_;
    temp_ += temporarySuffix();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    failed_ = !writeAll(fd_, bytes);
    return !failed_;
}

bool AtomicFileWriter::Commit() {
    if (fd_ < 0) {
        return false;
    }
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok && ::rename(temp_.c_str(), target_.c_str()) == 0) {
        return true;
    }
    ::unlink(temp_.c_str());
    return false;
}

void AtomicFileWriter::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_.c_str());
    }
}

bool writeFileAtomic(std::string_view path, std::string_view bytes) {
    AtomicFileWriter writer(path);
    return writer.Write(bytes) && writer.Commit();
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
