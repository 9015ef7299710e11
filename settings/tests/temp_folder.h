#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/encoding.h"
#include "platform/files.h"

namespace tidewell::settings::testing {

// A fresh folder for one test, removed with everything in it at the end.
class TempFolder {
  public:
    explicit TempFolder(std::filesystem::path base = std::filesystem::temp_directory_path()) {
        static std::atomic<int> counter{0};
        path_ =
            base / ("tw-settings-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& fs() const { return path_; }
    // Local-text path of a file in the folder; the name is written in UTF-8.
    std::string file(const std::string& utf8Name) const {
        return platform::localPath(path_) + "/" + platform::local(utf8Name);
    }

  private:
    std::filesystem::path path_;
};

// The bytes of a file, or "<missing>".
inline std::string fileBytes(const std::string& localPath) {
    return platform::readWholeFile(localPath).value_or("<missing>");
}

}  // namespace tidewell::settings::testing
