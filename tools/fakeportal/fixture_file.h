#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fakeportal/thread.h"

// Thread fixture files: UTF-8 text, one directive a line (the format is described in
// tools/README.md).
namespace tidewell::fakeportal {

// Parses one fixture file. defaultNewsid is used when the file names none (the file name
// without ".thread"); origin names the file in messages. On failure returns std::nullopt and
// sets error to "origin:line: what is wrong".
std::optional<Thread> parseThreadFixture(std::string_view text, std::string_view defaultNewsid,
                                         std::string_view origin, std::string& error);

// Reads every "*.thread" file of a folder, in name order. Two threads with the same newsid
// are an error.
std::optional<std::vector<Thread>> loadFixtureFolder(const std::filesystem::path& folder,
                                                     std::string& error);

}  // namespace tidewell::fakeportal
