#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace tidewell::testing {

// File name -> bytes of every file directly in the folder (empty when there is no folder).
using Folder = std::map<std::string, std::string>;

Folder ReadFolder(const std::filesystem::path& folder);

// The build's comment-viewer address of a thread.
std::string ViewerAddress(const std::string& newsid, const std::string& channel = "gn");

}  // namespace tidewell::testing
