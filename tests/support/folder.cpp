#include "tests/support/folder.h"

#include <fstream>
#include <iterator>

#include "tidewell_config.h"

namespace tidewell::testing {

Folder ReadFolder(const std::filesystem::path& folder) {
    Folder files;
    if (!std::filesystem::is_directory(folder)) {
        return files;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

std::string ViewerAddress(const std::string& newsid, const std::string& channel) {
    return std::string("http://") + TIDEWELL_NEWS_HOST +
           "/comment/skin/default.html?channel=" + channel + "&newsid=" + newsid;
}

}  // namespace tidewell::testing
