// Inputs the fuzz targets (tests/fuzz/*_fuzz.cpp) once broke, kept so the faults stay mended.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/files.h"
#include "settings/stored_files.h"

namespace tidewell {
namespace {

// settings_store: a section or key whose broken two-byte character swallowed the byte after it
// let "/" (and control characters) through, so a side file could land in another folder.
TEST(FuzzRegressions, SideFileNameKeepsSlashAfterBrokenCharacter) {
    const std::string broken[] = {
        "\x81/", "\x81/..\x81/..\x81/x", std::string("\x81\0", 2), "\x80\x81\x81/", "\x81\x7F",
    };
    for (const std::string& name : broken) {
        EXPECT_FALSE(settings::detail::isFileNamePart(name)) << name;
        EXPECT_EQ(settings::detail::sideFilePath("/s/t.ini", "S", name), std::nullopt) << name;
        EXPECT_EQ(settings::detail::sideFilePath("/s/t.ini", name, "k"), std::nullopt) << name;
    }
    // Whole characters still pass, a lone first byte too, and the file stays in inibin.
    for (const std::string& name : {std::string("\x95\x5C\x95\x7C"), std::string("\xC1\xD0"),
                                    std::string("\x81\x30\x81\x30"), std::string("a\x81")}) {
        const std::optional<std::string> path =
            settings::detail::sideFilePath("/s/t.ini", "S", name);
        ASSERT_TRUE(path) << name;
        EXPECT_EQ(platform::fsPath(*path).parent_path(), std::filesystem::path("/s/inibin"));
    }
}

}  // namespace
}  // namespace tidewell
