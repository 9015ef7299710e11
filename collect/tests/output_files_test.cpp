#include "collect/output_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"

namespace tidewell::collect {
namespace {

using platform::local;
namespace fs = std::filesystem;

class OutputFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("tw-out-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        dir_ = platform::localPath(root_) + "/";
    }
    void TearDown() override {
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }
    std::string read(const std::string& localName) {
        return platform::readWholeFile(dir_ + localName).value_or("<missing>");
    }
    std::set<std::string> names() {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(root_)) {
            out.insert(platform::localFromUtf8(e.path().filename().string()));
        }
        return out;
    }

    fs::path root_;
    std::string dir_;
};

TEST(SaveDirectory, AbsoluteTypedOrProgramFolder) {
    const std::string program = "/opt/tw";
    const std::string fallback = "/opt/tw/" + local("保存目录") + "/";
    EXPECT_EQ(SaveDirectory("/data/out", program), "/data/out/");
    EXPECT_EQ(SaveDirectory("/data/out/", program), "/data/out/");
    EXPECT_EQ(SaveDirectory(local("不填则当前程序目录"), program), fallback);
    EXPECT_EQ(SaveDirectory("", program), fallback);
    EXPECT_EQ(SaveDirectory("out/", program), fallback);
    EXPECT_EQ(SaveDirectory("D:\\out", program), fallback);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SaveDirectory("~/c", program), "/home/u/c/");
}

TEST_F(OutputFilesTest, FolderChainCreatesEveryLevel) {
    const std::string chain = dir_ + local("甲/乙/丙/");
    EXPECT_TRUE(CreateFolderChain(chain));
    EXPECT_TRUE(platform::isDirectory(chain));
    EXPECT_TRUE(CreateFolderChain(chain));
    ASSERT_TRUE(platform::writeFileAtomic(dir_ + "file", "x"));
    EXPECT_FALSE(CreateFolderChain(dir_ + "file/sub/"));
}

TEST_F(OutputFilesTest, SplitsLinesOverFiles) {
    ThreadWriter writer(dir_, false);
    const std::string article = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7";
    int pumps = 0;
    platform::ScopedEventPump pump([&] { ++pumps; });
    writer.WriteThreadFiles(local("标题"), article, {}, 3);
    EXPECT_EQ(read(local("标题.txt")), "1\r\n2\r\n3\r\n");
    EXPECT_EQ(read(local("标题_1.txt")), "4\r\n5\r\n6\r\n");
    EXPECT_EQ(read(local("标题_2.txt")), "7\r\n");
    EXPECT_EQ(pumps, 7);
    EXPECT_TRUE(writer.Failures().empty());
    EXPECT_EQ(names().size(), 3u);  // no temporary file left behind
}

TEST_F(OutputFilesTest, OneFileModeAndDuplicateLines) {
    ThreadWriter writer(dir_, false);
    writer.WriteThreadFiles("a", "x\r\ny\r\nx\r\nz\r\n", {}, 0);
    EXPECT_EQ(read("a.txt"), "y\r\nx\r\nz");
    writer.WriteThreadFiles("single", "only\r\n", {}, 0);
    EXPECT_EQ(read("single.txt"), "only\r\n");
    writer.WriteThreadFiles("empty", "", {}, 0);
    EXPECT_EQ(read("empty.txt"), "");
    writer.WriteThreadFiles("none", "", {}, 2);
    EXPECT_EQ(read("none.txt"), "<missing>");
}

TEST_F(OutputFilesTest, NamesAreCleanAndNeverOverwriteAnEarlierThread) {
    ThreadWriter writer(dir_, false);
    writer.WriteThreadFiles("a/b?c", "1", {}, 0);
    EXPECT_EQ(read(local("a／b？c.txt")), "1");
    writer.WriteThreadFiles("same", "first", {}, 0);
    writer.WriteThreadFiles("same", "second", {}, 0);
    writer.WriteThreadFiles("same", "third\r\nline", {}, 1);
    EXPECT_EQ(read("same.txt"), "first");
    EXPECT_EQ(read("same(2).txt"), "second");
    EXPECT_EQ(read("same(3).txt"), "third\r\n");
    EXPECT_EQ(read("same(3)_1.txt"), "line\r\n");
    // no title: named after the thread
    writer.WriteThreadFiles("", "c", ThreadKey{"gn", "1-1-2"}, 0);
    EXPECT_EQ(read("gn_1-1-2.txt"), "c");
}

TEST_F(OutputFilesTest, HostileTitlesStayInsideTheDirectory) {
    ThreadWriter writer(dir_, false);
    const std::string titles[] = {"../../x", "/etc/passwd", ".", "..", std::string("a\0b\x01\x1f", 5),
                                  std::string(1000, 'y'), local(std::string(400, 'a') + "中")};
    for (const std::string& title : titles) {
        writer.WriteThreadFiles(title, "line", {}, 0);
    }
    EXPECT_TRUE(writer.Failures().empty());
    EXPECT_EQ(names().size(), std::size(titles));
    for (const auto& e : fs::directory_iterator(root_)) {
        EXPECT_LE(e.path().filename().string().size(), 255u);
        EXPECT_TRUE(e.is_regular_file());
    }
    EXPECT_FALSE(fs::exists(root_.parent_path() / "x.txt"));
}

TEST_F(OutputFilesTest, UnwritableDirectoryIsReported) {
    if (::geteuid() == 0) {
        // root writes anywhere; a missing folder fails the same way
        dir_ += "missing/";
    } else {
        fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
    }
    ThreadWriter writer(dir_, false);
    writer.WriteThreadFiles("t", "1\r\n2", {}, 1);
    writer.WriteThreadFiles("u", "1", {}, 0);
    ASSERT_EQ(writer.Failures().size(), 3u);
    EXPECT_EQ(writer.Failures()[0], dir_ + "t.txt");
    EXPECT_EQ(writer.Failures()[2], dir_ + "u.txt");
}

TEST_F(OutputFilesTest, Utf8Output) {
    ThreadWriter writer(dir_, true);
    writer.WriteThreadFiles("u", local("中文\r\n好"), {}, 0);
    EXPECT_EQ(read("u.txt"), "中文\r\n好");
}

}  // namespace
}  // namespace tidewell::collect
