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

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it
// over the target, so the target holds either its old or its new bytes at every moment.
bool writeFileAtomic(std::string_view localPath, std::string_view bytes);

// Creates the folder and any missing parents; true when the folder exists afterwards.
bool createDirectories(std::string_view localPath);

bool isDirectory(std::string_view localPath);
bool fileExists(std::string_view localPath);

}  // namespace tidewell::platform
