// tidewell-collect against tidewell-fakeportal, through http_proxy, so the build's own hosts
// are used. The files it writes are compared byte for byte with the files in tests/expected.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "platform/encoding.h"
#include "platform/files.h"
#include "tests/support/child_process.h"
#include "tests/support/folder.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ProcessResult;
using testing::RunProcess;

const std::string kNews = std::string("http://") + TIDEWELL_NEWS_HOST;

std::string viewer(const std::string& newsid) {
    return testing::ViewerAddress(newsid);
}

class CollectCli : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { portal_ = std::make_unique<tools::FakePortalProcess>(); }
    static void TearDownTestSuite() { portal_.reset(); }

    void SetUp() override {
        work_ = fs::temp_directory_path() /
                ("tw-e2e-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
        out_ = work_ / "out";
    }
    void TearDown() override { fs::remove_all(work_); }

    std::string writeList(const std::vector<std::string>& lines, const std::string& eol = "\n") {
        const fs::path list = work_ / "list.txt";
        std::ofstream file(list, std::ios::binary);
        for (const std::string& line : lines) {
            file << line << eol;
        }
        return list.string();
    }
    std::vector<std::string> env() const {
        return {"http_proxy=" + portal_->proxyUrl(), "no_proxy=", "NO_PROXY="};
    }
    ProcessResult collect(std::vector<std::string> args) {
        args.insert(args.begin(), {"--save-dir", out_.string()});
        return RunProcess(TIDEWELL_COLLECT_PATH, args, env());
    }
    // With TIDEWELL_UPDATE_EXPECTED=1 in the environment the files written become the expected
    // ones (read them before committing).
    void expectFolder(const std::string& expected) {
        const fs::path folder = fs::path(TIDEWELL_EXPECTED_DIR) / expected;
        if (std::getenv("TIDEWELL_UPDATE_EXPECTED") != nullptr) {
            fs::remove_all(folder);
            fs::create_directories(folder);
            for (const auto& entry : fs::directory_iterator(out_)) {
                fs::copy_file(entry.path(), folder / entry.path().filename());
            }
        }
        auto want = testing::ReadFolder(folder);
        ASSERT_FALSE(want.empty()) << "no expected files for " << expected;
        auto got = testing::ReadFolder(out_);
        EXPECT_EQ(got.size(), want.size());
        for (const auto& [name, bytes] : want) {
            auto it = got.find(name);
            if (it == got.end()) {
                ADD_FAILURE() << "missing " << name;
                continue;
            }
            EXPECT_EQ(it->second, bytes) << name;
        }
        for (const auto& [name, bytes] : got) {
            EXPECT_TRUE(want.count(name)) << "unexpected file " << name;
        }
    }

    static std::unique_ptr<tools::FakePortalProcess> portal_;
    fs::path work_;
    fs::path out_;
};

std::unique_ptr<tools::FakePortalProcess> CollectCli::portal_;

TEST_F(CollectCli, MultiPageThreadSplitThreeCommentsAFile) {
    auto r = collect({"--per-file", "3", writeList({viewer("seven-comments")})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectFolder("split");
    EXPECT_NE(r.err.find("(1:1) 3 页：七条评论分三页的新闻"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("采集完成！\n")) << r.err;
}

TEST_F(CollectCli, RepeatedPageEndsTheThread) {
    auto r = collect({writeList({viewer("repeated-page")})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectFolder("repeated");
    EXPECT_EQ(r.err.find("(1:1) 3 页"), std::string::npos) << r.err;
}

TEST_F(CollectCli, TitlesWithSlashesAndSameTitles) {
    auto r = collect({writeList(
        {viewer("slash-title"), viewer("same-title-a"), viewer("same-title-b"), viewer("untitled")},
        "\r\n")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectFolder("titles");
}

TEST_F(CollectCli, ArticlePagesInEachEncodingAndACommentViewer) {
    auto r = collect(
        {writeList({kNews + "/gn/same-title-a.html", "", kNews + "/gn/same-title-b.utf8.html",
                    "  " + kNews + "/gn/slash-title.big5.html  "})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("(4:4) "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("(4:2) "), std::string::npos) << "a blank line is skipped";
    expectFolder("articles");
}

TEST_F(CollectCli, PageLimitOfTwo) {
    auto r = collect({"--pages", "２", "--utf8", writeList({viewer("seven-comments")})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectFolder("page-limit");
    EXPECT_EQ(r.err.find("3 页"), std::string::npos) << r.err;
}

TEST_F(CollectCli, LengthRangeAndTemplate) {
    auto r = collect({"--min", "3", "--max", "10", "--template", "#评论#|#昵称#|#ip#",
                      writeList({viewer("lengths")})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectFolder("lengths");
}

TEST_F(CollectCli, PreviewPrintsTheFirstPageAndWritesNothing) {
    auto r = collect({"--preview", writeList({viewer("seven-comments"), viewer("lengths")})});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "七条评论分三页的新闻\n"
        "北京(10.0.1.1)的网友读者甲(1000000001)在 2024-03-01 08:07:00 "
        "说：第一页第一条评论，写得不错。\r\n"
        "上海(10.0.1.2)的网友读者乙(1000000002)在 2024-03-01 08:06:00 说：第一页第二条评论！\r\n"
        "广东广州(10.0.1.3)的网友读者丙(1000000003)在 2024-03-01 08:05:00 "
        "说：第一页第三条评论？\n");
    EXPECT_EQ(r.err.find("(2:2)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("采集完成"), std::string::npos) << r.err;
    EXPECT_TRUE(testing::ReadFolder(out_).empty());
}

TEST_F(CollectCli, InterruptDuringAPagePauseKeepsWhatWasCollected) {
    ChildProcess child(TIDEWELL_COLLECT_PATH,
                       {"--save-dir", out_.string(), "--delay", "30", "--per-file", "3",
                        writeList({viewer("seven-comments"), viewer("lengths")})},
                       env());
    ASSERT_TRUE(child.WaitForError(
        [](const std::string& err) { return err.find("1 页：") != std::string::npos; },
        std::chrono::seconds(20)));
    const auto pressed = std::chrono::steady_clock::now();
    child.Signal(SIGINT);
    ProcessResult r = child.Finish(std::chrono::seconds(20));
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(5));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("采集完成！"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("(2:2)"), std::string::npos) << r.err;
    auto files = testing::ReadFolder(out_);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, "七条评论分三页的新闻.txt");
    EXPECT_EQ(std::count(files.begin()->second.begin(), files.begin()->second.end(), '\n'), 3);
}

TEST_F(CollectCli, BadInputIsRefusedWithOneLine) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{(work_ / "missing.txt").string()}, "cannot read the list file"},
        {{"--delay", "abc", writeList({viewer("x")})}, "--delay needs a number"},
        {{"--pages", "many", writeList({viewer("x")})}, "--pages needs a number"},
        {{"--bogus", writeList({viewer("x")})}, "unknown option --bogus"},
        {{}, "no address list"},
        {{"--settings", (work_ / "none.ini").string()}, "cannot read the settings file"},
    };
    for (const Case& c : cases) {
        auto r = collect(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.error;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(testing::ReadFolder(out_).empty());
    }
}

TEST_F(CollectCli, UnwritableSaveDirectoryIsReported) {
    std::ofstream(work_ / "blocker") << "x";
    auto list = writeList({viewer("seven-comments"), viewer("same-title-a")});
    auto r =
        RunProcess(TIDEWELL_COLLECT_PATH,
                   {"--save-dir", (work_ / "blocker" / "out").string(), "--quiet", list}, env());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("采集完成！\n无法写入：" + (work_ / "blocker" / "out").string() +
                         "/七条评论分三页的新闻.txt\n无法写入："),
              std::string::npos)
        << r.err;
}

TEST_F(CollectCli, SettingsFileGivesDefaultsAndTheList) {
    // what the desktop program leaves behind: its settings file and the list's side file
    const fs::path ini = work_ / "Brenvik·Tidewell.ini";
    std::ofstream(ini, std::ios::binary)
        << platform::local("[主界面]\r\n采集页数=1\r\n几条保存=2\r\n保存模板=#昵称#┊*┊#评论#");
    fs::create_directories(work_ / "inibin");
    std::ofstream(work_ / "inibin" / "主界面-列表.ibn", std::ios::binary)
        << viewer("seven-comments") << "\r\n";
    auto r = collect({"--settings", ini.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto files = testing::ReadFolder(out_);
    ASSERT_EQ(files.size(), 3u);  // page 1 only, two template lines a comment, two lines a file
    EXPECT_EQ(files["七条评论分三页的新闻.txt"],
              platform::local("读者甲\r\n第一页第一条评论，写得不错。\r\n"));
    // an option given on the command line wins over the file
    fs::remove_all(out_);
    r = collect({"--settings", ini.string(), "--per-file", "全部"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testing::ReadFolder(out_).size(), 1u);
}

TEST_F(CollectCli, ListFromStandardInputInLocalEncoding) {
    // GB18030 bytes that are not valid UTF-8, with CR LF lines
    const std::string list = viewer("same-title-a") + "\r\n";
    auto r = RunProcess(TIDEWELL_COLLECT_PATH,
                        {"--save-dir", out_.string(), "--template", "#评论#", "-"}, env(), list);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testing::ReadFolder(out_).size(), 1u);
}

}  // namespace
}  // namespace tidewell
