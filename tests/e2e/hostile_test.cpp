// Thread titles that try to leave the save folder, break file names or the terminal: the
// stand-in serves them from fixture threads written for the test, and tidewell-collect must
// keep every file inside its save folder, every comment in a file of its own, and go on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;

struct HostileThread {
    const char* newsid;
    // The title as the reply carries it, in the fixture's escapes (\xHH is a raw byte); nullptr
    // for a thread the service does not know.
    const char* title;
    // The file the thread must be written to (UTF-8), or nullptr where the name depends on how
    // bytes that are no characters meet the file system.
    const char* file;
    // Whether the thread's one comment arrives; a zero byte ends the reply's text.
    bool commentArrives;
};

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

const std::string kThousandCharacters = repeat("../", 333) + "x";
const std::string kShortenedName = repeat("..／", 40) + ".txt";  // 200 bytes and ".txt"

const HostileThread kThreads[] = {
    {"up", "../../x", "..／..／x.txt", true},
    {"absolute", "/etc/passwd", "／etc／passwd.txt", true},
    {"dot", ".", "..txt", true},
    {"dotdot", "..", "...txt", true},
    {"long", kThousandCharacters.c_str(), kShortenedName.c_str(), true},
    {"controls", R"(甲\x01\x1b[31m乙\t丙\r\n丁\x7f)", "甲[31m乙丙丁.txt", true},
    // U+009B, the one-character form of the terminal's command introducer.
    {"c1-control",
     "戊\xC2\x9B"
     "2J己",
     nullptr, true},
    {"blank", R"(\x01\x02\t)", "gn_blank.txt", true},
    {"nul", R"(戊\x00己)", "gn_nul.txt", false},
    // Three titles that differ only where the file system gets a replacement character.
    {"not-gbk-1", R"(坏\x80 )", nullptr, true},
    {"not-gbk-2", R"(坏\xff )", nullptr, true},
    {"replacement", "坏� ", nullptr, true},
    // A path in the user's own address: the thread is unknown and named after the address.
    {"../../y", nullptr, "gn_..／..／y.txt", false},
};

std::string commentOf(size_t index) {
    return "第" + std::to_string(index + 1) + "条评论";
}

class HostileTitles : public ::testing::Test {
  protected:
    void SetUp() override {
        work_ = fs::temp_directory_path() / ("tw-hostile-" + std::to_string(::getpid()));
        fs::remove_all(work_);
        fixtures_ = work_ / "fixtures";
        out_ = work_ / "deep" / "er" / "out";
        fs::create_directories(fixtures_);
    }
    void TearDown() override { fs::remove_all(work_); }

    fs::path work_;
    fs::path fixtures_;
    fs::path out_;
};

TEST_F(HostileTitles, FilesStayInTheSaveFolderAndTheRunGoesOn) {
    const fs::path list = work_ / "list.txt";
    {
        std::ofstream addresses(list, std::ios::binary);
        for (size_t i = 0; i < std::size(kThreads); ++i) {
            const HostileThread& t = kThreads[i];
            addresses << "http://" << TIDEWELL_NEWS_HOST
                      << "/comment/skin/default.html?channel=gn&newsid=" << t.newsid << "\n";
            if (t.title == nullptr) {
                continue;
            }
            std::ofstream fixture(fixtures_ / (std::string(t.newsid) + ".thread"),
                                  std::ios::binary);
            fixture << "newsid: " << t.newsid << "\npage\n"
                    << "reply: var data={\"result\": {\"news\": {\"title\": \"" << t.title
                    << "\"}, \"cmntlist\": [{\"status\": \"M_PASS\", \"content\": \""
                    << commentOf(i) << "\"}]}}\n";
        }
    }
    tools::FakePortalProcess portal({"--fixtures", fixtures_.string()});
    ProcessResult r =
        RunProcess(TIDEWELL_COLLECT_PATH,
                   {"--save-dir", out_.string(), "--utf8", "--template", "#评论#", list.string()},
                   {"http_proxy=" + portal.proxyUrl(), "no_proxy=", "NO_PROXY="});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("(13:13) "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("采集完成！"), std::string::npos) << r.err;
    // The titles are shown in the progress lines, but no control character reaches the terminal.
    const auto controls = std::count_if(r.err.begin(), r.err.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte != '\n' && (byte < 0x20 || byte == 0x7F);
    });
    EXPECT_EQ(controls, 0) << r.err;
    EXPECT_EQ(r.err.find("\xC2\x9B"), std::string::npos);

    // Nothing but the files of the threads, all straight in the save folder.
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(work_)) {
        if (entry.path() == list || entry.path().parent_path() == fixtures_ ||
            entry.is_directory()) {
            continue;
        }
        EXPECT_EQ(entry.path().parent_path(), out_) << entry.path();
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_FALSE(fs::exists("/etc/passwd.txt"));

    // One file per thread, each with its own comment: no thread overwrote another.
    EXPECT_EQ(files.size(), std::size(kThreads));
    std::multiset<std::string> contents;
    for (const auto& [name, bytes] : files) {
        contents.insert(bytes);
    }
    for (size_t i = 0; i < std::size(kThreads); ++i) {
        const HostileThread& t = kThreads[i];
        const std::string want = t.commentArrives ? commentOf(i) + "\r\n" : "";
        if (t.commentArrives) {
            EXPECT_EQ(contents.count(want), 1u) << t.newsid;
        }
        if (t.file != nullptr) {
            ASSERT_TRUE(files.count(t.file)) << t.newsid << ": no file " << t.file;
            EXPECT_EQ(files[t.file], want) << t.newsid;
        }
    }
}

}  // namespace
}  // namespace tidewell
