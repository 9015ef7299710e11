#include "settings/stored_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/file_lock.h"
#include "settings/ini_text.h"

namespace tidewell::settings::detail {
namespace {

bool isTemporarySuffix(std::string_view rest) {
    // What platform::writeFileAtomic appends: ".tmp" + digits + "-" + digits.
    if (!rest.starts_with(".tmp")) {
        return false;
    }
    rest.remove_prefix(4);
    std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i != dash && (rest[i] < '0' || rest[i] > '9')) {
            return false;
        }
    }
    return true;
}

// The members of a registry path, split at "\" outside two-byte characters, empty ones dropped.
std::optional<std::vector<std::string>> registryMembers(std::string_view registryPath) {
    std::vector<std::string> members;
    std::string current;
    for (std::size_t i = 0; i < registryPath.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(registryPath[i]);
        if (c >= 0x80 && i + 1 < registryPath.size()) {
            current += registryPath.substr(i, 2);
            ++i;
            continue;
        }
        if (c == '\\') {
            if (!current.empty()) {
                members.push_back(std::move(current));
            }
            current.clear();
            continue;
        }
        current += static_cast<char>(c);
    }
    if (!current.empty()) {
        members.push_back(std::move(current));
    }
    for (const std::string& m : members) {
        // A member becomes a folder or file name and must stay one.
        if (m == "." || m == ".." || m.find('/') != std::string::npos ||
            m.find('\0') != std::string::npos) {
            return std::nullopt;
        }
    }
    if (members.empty()) {
        return std::nullopt;
    }
    return members;
}

std::optional<std::string> configHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        return platform::localFromUtf8(xdg);
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return platform::localFromUtf8(std::string(home) + "/.config");
    }
    return std::nullopt;
}

std::string folderOf(const std::string& localPath) {
    std::size_t slash = localPath.rfind('/');
    return slash == std::string::npos ? std::string(".") : localPath.substr(0, slash);
}

}  // namespace

std::optional<std::string> readSettingsFile(const std::string& localPath) {
    if (localPath.empty()) {
        return std::nullopt;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(platform::fsPath(localPath), ec)) {
        return std::nullopt;
    }
    return platform::readWholeFile(localPath);
}

void removeStaleTemporaries(const std::string& settingsPath) {
    const std::filesystem::path path = platform::fsPath(settingsPath);
    const std::string name = path.filename().string();
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    // Which entries of a folder are temporary files of the given kind of file.
    auto removeIn = [](const std::filesystem::path& dir, auto isTemporaryOf) {
        std::error_code ec;
        std::vector<std::filesystem::path> stale;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string entry = it->path().filename().string();
            std::size_t tmp = entry.rfind(".tmp");
            if (tmp != std::string::npos && tmp > 0 &&
                isTemporarySuffix(std::string_view(entry).substr(tmp)) &&
                isTemporaryOf(std::string_view(entry).substr(0, tmp))) {
                stale.push_back(it->path());
            }
        }
        for (const std::filesystem::path& p : stale) {
            std::filesystem::remove(p, ec);
        }
    };
    removeIn(folder, [&](std::string_view target) { return target == name; });
    removeIn(folder / "inibin", [](std::string_view target) { return target.ends_with(".ibn"); });
}

std::string baseName(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool isFileNamePart(std::string_view text) {
    static constexpr std::string_view kForbidden = "\\/:*?\"<>|";
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // Only a byte that can be a second byte belongs to the character (0x40 and above
            // but DEL, or a digit of a four-byte form); after a broken first byte a "/" or a
            // control character still counts on its own.
            if (i + 1 < text.size()) {
                const auto next = static_cast<unsigned char>(text[i + 1]);
                if ((next >= 0x40 && next != 0x7F) || (next >= '0' && next <= '9')) {
                    ++i;
                }
            }
            continue;
        }
        if (c < 0x20 || c == 0x7F ||
            kForbidden.find(static_cast<char>(c)) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> sideFilePath(std::string_view boundPath, std::string_view section,
                                        std::string_view key) {
    if (!isFileNamePart(section) || !isFileNamePart(key)) {
        return std::nullopt;
    }
    std::string path;
    if (std::size_t slash = boundPath.rfind('/'); slash != std::string_view::npos) {
        path = boundPath.substr(0, slash + 1);
    }
    path += "inibin/";
    path += section;
    path += '-';
    path += key;
    path += ".ibn";
    return path;
}

std::optional<std::string> registryFilePath(std::string_view registryPath) {
    std::optional<std::vector<std::string>> members = registryMembers(registryPath);
    std::optional<std::string> home = configHome();
    if (!members || !home) {
        return std::nullopt;
    }
    std::string path = *home;
    for (const std::string& m : *members) {
        path += '/';
        path += m;
    }
    path += ".ini";
    return path;
}

std::optional<std::string> readRegistryValue(const std::string& registryPath,
                                             const std::string& name) {
    std::optional<std::string> file = registryFilePath(registryPath);
    if (!file) {
        return std::nullopt;
    }
    std::optional<std::string> text = readSettingsFile(*file);
    if (!text) {
        return std::nullopt;
    }
    return lookupValue(*text, registryPath, name, nullptr);
}

bool writeRegistryValue(const std::string& registryPath, const std::string& name,
                        const std::string& value) {
    std::optional<std::string> file = registryFilePath(registryPath);
    if (!file || hasLineBreak(name) || hasLineBreak(value) || hasLineBreak(registryPath)) {
        return false;
    }
    const std::string folder = folderOf(*file);
    if (!platform::createDirectories(folder)) {
        return false;
    }
    // Two copies of the program may write values of the same key at once.
    std::optional<FileLock> lock = FileLock::acquireFolder(folder);
    if (!lock) {
        return false;
    }
    std::string text = readSettingsFile(*file).value_or(std::string());
    if (!writeEntry(text, registryPath, name, value, nullptr)) {
        return false;
    }
    return platform::writeFileAtomic(*file, text);
}

}  // namespace tidewell::settings::detail
