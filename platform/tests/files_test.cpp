#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/encoding.h"
#include "platform/event_pump.h"

namespace tidewell::platform {
namespace {

TEST(Files, AtomicWriteReplacesAndLeavesNoTemporary) {
    auto dir = std::filesystem::temp_directory_path() / ("tw-files-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::string folder = localPath(dir) + local("/保存目录/子");
    ASSERT_TRUE(createDirectories(folder));
    EXPECT_TRUE(isDirectory(folder));
    const std::string file = folder + local("/标题.txt");
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    ASSERT_TRUE(writeFileAtomic(file, std::string("new\r\n\0x", 7)));
    EXPECT_EQ(readWholeFile(file), std::string("new\r\n\0x", 7));
    EXPECT_TRUE(std::filesystem::exists(dir / "保存目录" / "子" / "标题.txt"));
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(fsPath(folder))) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    EXPECT_FALSE(readWholeFile(folder + "/missing").has_value());
    EXPECT_FALSE(writeFileAtomic(folder + "/no/such/dir/f", "x"));
    std::filesystem::remove_all(dir);
}

TEST(EventPump, HooksAreCalledAndRestored) {
    int pumps = 0;
    {
        ScopedEventPump scoped([&] { ++pumps; });
        pumpEvents();
        pumpEvents();
    }
    pumpEvents();
    EXPECT_EQ(pumps, 2);

    int slept = 0;
    auto previous = setSleepHook([&](int ms) { slept += ms; });
    sleepMs(10);
    sleepMs(10);
    setSleepHook(previous);
    EXPECT_EQ(slept, 20);
}

}  // namespace
}  // namespace tidewell::platform
