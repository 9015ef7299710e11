#include "platform/program_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "platform/files.h"

namespace tidewell::platform {

std::string executableDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        exe = std::filesystem::current_path(ec) / "tidewell";
    }
    return localPath(exe.parent_path());
}

std::string userDataDirectory() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    return localFromUtf8(base + "/" + kProductNameUtf8);
}

std::string programDirectory() {
    std::string dir = executableDirectory();
    if (::access(fsPath(dir).c_str(), W_OK) == 0) {
        return dir;
    }
    std::string user = userDataDirectory();
    createDirectories(user);
    return user;
}

}  // namespace tidewell::platform
