#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// The request log: one line per request, "METHOD TARGET | Name: value | Name: value ...", the
// headers in the order they arrived, bytes as sent.
namespace tidewell::fakeportal {

// The log line (without line break) of a request head: the request line and the header lines
// as received, each ending in CR LF or LF. The HTTP version is left out; header values lose
// their surrounding blanks, and a folded continuation line joins its header with one blank.
std::string formatRequestLogLine(std::string_view rawHead);

class RequestLog {
  public:
    // Creates or empties the file.
    explicit RequestLog(const std::string& path);

    bool isOpen() const { return file_ != nullptr; }
    // Appends the line of a request head and flushes, so that a reader sees it at once.
    void write(std::string_view rawHead);

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace tidewell::fakeportal
