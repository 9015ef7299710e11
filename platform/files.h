#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// File access by local-text paths. Paths are local text inside the program and become UTF-8
// when they meet the file system; file contents are bytes and are never converted.
namespace tidewell::platform {

// The file-system path of a local-text path.
std::filesystem::path fsPath(std::string_view localPath);
// The local-text form of a file-system path.
std::string localPath(const std::filesystem::path& path);

// The whole file, or std::nullopt when it cannot be read.
std::optional<std::string> readWholeFile(std::string_view localPath);

// A file written through a temporary file beside it: the target takes the new bytes only when
// Commit succeeds, so it holds either its old or its whole new content at every moment. A
// writer dropped without Commit removes its temporary and leaves the target as it was.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::string_view localPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the temporary file could not be created.
    bool IsOpen() const { return fd_ >= 0; }
    // Appends the bytes; false once any write has failed.
    bool Write(std::string_view bytes);
    // Flushes the temporary to disk and renames it over the target; false when anything failed.
    bool Commit();

  private:
    void discard();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    bool failed_ = false;
};

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it
// over the target, so the target holds either its old or its new bytes at every moment.
bool writeFileAtomic(std::string_view localPath, std::string_view bytes);

// Creates the folder and any missing parents; true when the folder exists afterwards.
bool createDirectories(std::string_view localPath);

bool isDirectory(std::string_view localPath);
bool fileExists(std::string_view localPath);

}  // namespace tidewell::platform
