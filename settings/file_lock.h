#pragma once

#include <optional>
#include <string>

// An exclusive advisory lock (flock) held for as long as the object lives.
//
// The settings file itself cannot carry the lock: every change replaces it by renaming a new
// file over it, and a lock on the replaced inode would guard nothing. The store therefore locks
// a companion file "<settings file>.lock" that is never renamed or removed (removing it would
// let two stores lock two different inodes under the same name).
namespace tidewell::settings {

class FileLock {
  public:
    // Creates the lock file when needed and takes the lock without waiting; std::nullopt when
    // another holder has it or the file cannot be opened.
    static std::optional<FileLock> tryAcquire(const std::string& localPath);
    // Tries the lock of an existing lock file only; a missing lock file means nobody holds it,
    // which gives an empty lock (engaged, holding nothing).
    static std::optional<FileLock> tryAcquireExisting(const std::string& localPath);
    // Locks a folder, waiting for other holders (for short read-modify-write steps).
    static std::optional<FileLock> acquireFolder(const std::string& localPath);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

  private:
    explicit FileLock(int fd) : fd_(fd) {}
    void release();

    int fd_ = -1;
};

}  // namespace tidewell::settings
