#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "collect/comment_service.h"
#include "collect/run_window.h"
#include "platform/files.h"

namespace tidewell::collect {

// The save directory from the window's save-directory box, always ending in "/": an absolute
// path ("/..." or "~/...") as typed, anything else the program directory's folder 保存目录.
std::string SaveDirectory(const RunWindow& window);
std::string SaveDirectory(std::string_view typed, std::string_view programDirectory);

// Creates every missing folder of a path that ends in "/"; false at the first that fails.
bool CreateFolderChain(std::string_view directory);

// Replaces a file with the bytes, through a temporary file beside it.
bool WriteWholeFile(std::string_view path, std::string_view bytes);

// The one open output file. Its lines go to a temporary file beside the target, which takes
// the target's name only when it is closed whole; a file that failed is reported by Close.
class OutputFile {
  public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Closes the open file, if any, then starts the new one (empty).
    bool Open(std::string_view path);
    // Appends the bytes; does nothing when no file is open or an earlier write failed.
    void Write(std::string_view bytes);
    // Finishes the open file; false when it could not be written whole.
    bool Close();
    bool IsOpen() const;
    const std::string& Path() const { return path_; }

  private:
    std::optional<platform::AtomicFileWriter> writer_;
    std::string path_;
    bool failed_ = false;
};

// Writes the threads of one run into the save directory. It remembers the names it wrote, so
// that a later thread never overwrites an earlier thread's file, and the files it could not
// write, for the run's end message.
class ThreadWriter {
  public:
    ThreadWriter(std::string saveDirectory, bool utf8Output);

    // Writes one thread's article text ("\r\n" between lines), perFile lines a file (below 1:
    // one file). Lets pending window events run between lines.
    void WriteThreadFiles(const std::string& title, const std::string& articleText,
                          const ThreadKey& key, int perFile);

    // Paths (local text) of the files that could not be written.
    const std::vector<std::string>& Failures() const { return failures_; }

    // The base of the file names for a thread: the cleaned title, or channel and newsid when
    // the thread has no title; never empty, never a path.
    static std::string BaseName(const std::string& title, const ThreadKey& key);

  private:
    std::vector<std::string> fileNames(const std::string& base, size_t files) const;
    std::string freeBase(const std::string& base, size_t files) const;
    void finish(OutputFile& file);

    std::string directory_;
    bool utf8Output_;
    std::set<std::string> written_;
    std::vector<std::string> failures_;
};

}  // namespace tidewell::collect
