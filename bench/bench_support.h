#pragma once

#include <string>
#include <vector>

// Small helpers shared by the benchmarks that drive whole collections against
// tidewell-fakeportal. POSIX only, no Qt.
namespace tidewell::bench {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, ending in "/" (plain ASCII, so it is local text as well).
    const std::string& path() const { return path_; }
    // Removes everything inside the folder.
    void clear() const;

  private:
    std::string path_;
};

// The comment-viewer address of a thread of the stand-in (the thread is known from the address,
// so a collection makes no article fetch).
std::string viewerAddress(const std::string& newsid);

// Points libcurl (and so every fetch of the process and its children) at the stand-in.
void useProxy(const std::string& proxyUrl);

// What a finished child process used, as wait4 reports it.
struct ChildUsage {
    int exitStatus = -1;  // -1 when it ended by a signal
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user + system
    double peakResidentMiB = 0;
};

// Runs the program with the arguments (standard output and error to /dev/null) and waits.
ChildUsage runChild(const std::string& program, const std::vector<std::string>& arguments);

// CPU time (user + system) the calling thread has used so far.
double threadCpuSeconds();

// Writes the bytes into the file; false when it cannot.
bool writeTextFile(const std::string& path, const std::string& bytes);

// Number of lines (CR LF between them, none needed after the last) in the file, or -1 when it
// cannot be read.
long countLines(const std::string& path);

}  // namespace tidewell::bench
