// The collection run driven through a headless window against the portal stand-in.

#include "collect/collection_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "collect/headless_window.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace tidewell::collect {
namespace {

using platform::local;
namespace fs = std::filesystem;

std::string viewer(const std::string& newsid) {
    return std::string("http://") + TIDEWELL_NEWS_HOST +
           "/comment/skin/default.html?channel=gn&newsid=" + newsid;
}

class CollectionRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        portal_ = std::make_unique<tools::FakePortalProcess>();
        setenv("http_proxy", portal_->proxyUrl().c_str(), 1);
        unsetenv("no_proxy");
        unsetenv("NO_PROXY");
    }
    static void TearDownTestSuite() { portal_.reset(); }

    void SetUp() override {
        out_ = fs::temp_directory_path() /
               ("tw-run-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(out_);
        window_.SetEditText(control::kSaveDirectory, platform::localPath(out_));
        window_.onLabel = [this](const std::string& text) { labels_.push_back(text); };
        window_.onMessage = [this](const std::string& text, const std::string& title) {
            messages_.push_back(text);
            EXPECT_EQ(title, local("Brenvik·Tidewell"));
        };
        window_.onTextDialog = [this](const std::string& content, const std::string& prompt,
                                      const std::string& title) {
            dialogs_.push_back({content, prompt, title});
        };
    }
    void TearDown() override { fs::remove_all(out_); }

    void setList(const std::vector<std::string>& addresses) {
        std::string list;
        for (const std::string& a : addresses) {
            list += a + "\r\n";
        }
        window_.SetEditText(control::kList, list);
    }
    size_t fileCount() {
        size_t n = 0;
        if (fs::exists(out_)) {
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(out_)) {
                ++n;
            }
        }
        return n;
    }
    bool labelled(const std::string& utf8) const {
        for (const std::string& l : labels_) {
            if (l == local(utf8)) {
                return true;
            }
        }
        return false;
    }

    static std::unique_ptr<tools::FakePortalProcess> portal_;
    HeadlessWindow window_;
    RunContext context_;
    fs::path out_;
    std::vector<std::string> labels_;
    std::vector<std::string> messages_;
    std::vector<std::vector<std::string>> dialogs_;
};

std::unique_ptr<tools::FakePortalProcess> CollectionRunTest::portal_;

TEST_F(CollectionRunTest, BlankLinesCountButCollectNothing) {
    window_.SetEditText(control::kList, viewer("same-title-a") + "\r\n\r\n" +
                                            viewer("same-title-b") + "\r\n");
    int maximumSeen = 0;
    window_.onPump = [&] { maximumSeen = window_.ProgressMaximum(); };
    CollectionRun(window_, context_, false);
    EXPECT_EQ(maximumSeen, 3);
    EXPECT_TRUE(labelled("(3:1) " + viewer("same-title-a")));
    EXPECT_TRUE(labelled("(3:3) " + viewer("same-title-b")));
    EXPECT_TRUE(labelled("(3:3) 2 页：同名新闻：两篇文章用了同一个标题"));
    for (const std::string& l : labels_) {
        EXPECT_FALSE(l.starts_with("(3:2)")) << platform::utf8FromLocal(l);
    }
    EXPECT_EQ(fileCount(), 2u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], local("采集完成！"));
    EXPECT_EQ(window_.StartCaption(), IdleCaption());
    EXPECT_EQ(window_.ProgressPosition(), 0);
    EXPECT_EQ(window_.LabelText(), "");
    EXPECT_TRUE(window_.LabelOverProgress());
}

TEST_F(CollectionRunTest, EmptyListDoesNothing) {
    window_.SetEditText(control::kList, "");
    CollectionRun(window_, context_, false);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(labels_.empty());
    EXPECT_FALSE(fs::exists(out_));
    // a bare LF does not split: one member, which is no address a fetch can reach
    window_.SetEditText(control::kList, "\n");
    auto previous = platform::setSleepHook([](int) {});
    CollectionRun(window_, context_, false);
    platform::setSleepHook(previous);
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(context_.failures.size(), 1u);
}

TEST_F(CollectionRunTest, PageLimitIsReadBeforeEveryPage) {
    setList({viewer("gen-1000-3")});
    int pages = 0;
    window_.onLabel = [&](const std::string& text) {
        if (text.find(local(" 页：")) != std::string::npos) {
            ++pages;
            if (pages == 2) {
                window_.SetEditText(control::kPageLimit, "3");
            }
        }
    };
    CollectionRun(window_, context_, false);
    EXPECT_EQ(pages, 3);
}

TEST_F(CollectionRunTest, StopPressedDuringAPauseEndsTheRunAndKeepsThePages) {
    setList({viewer("seven-comments"), viewer("same-title-a")});
    window_.SetEditText(control::kPageDelay, "20");
    window_.SetEditText(control::kPerFile, "1");
    int pumps = 0;
    std::chrono::steady_clock::time_point pressed;
    platform::ScopedEventPump pump([&] {
        // the first pump inside the pause after page 1 is the stop press
        if (++pumps == 1) {
            pressed = std::chrono::steady_clock::now();
            CollectionRun(window_, context_, true);  // a right press stops too
            EXPECT_EQ(window_.StartCaption(), StoppingCaption());
            CollectionRun(window_, context_, false);
            EXPECT_EQ(window_.StartCaption(), StoppingCaption());
        }
    });
    CollectionRun(window_, context_, false);
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(2));
    EXPECT_EQ(fileCount(), 3u);  // the three comments of page 1, one a file
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], local("采集完成！"));
    EXPECT_TRUE(dialogs_.empty());
    EXPECT_FALSE(labelled("(2:2) " + viewer("same-title-a")));
    EXPECT_EQ(window_.StartCaption(), IdleCaption());
}

TEST_F(CollectionRunTest, PreviewShowsTheFirstPageWithComments) {
    setList({viewer("no-such-thread"), viewer("seven-comments"), viewer("lengths")});
    CollectionRun(window_, context_, true);
    ASSERT_EQ(dialogs_.size(), 1u);
    EXPECT_EQ(dialogs_[0][1], local("七条评论分三页的新闻"));
    EXPECT_EQ(dialogs_[0][2], local("预览一页评论："));
    EXPECT_EQ(std::count(dialogs_[0][0].begin(), dialogs_[0][0].end(), '\n'), 2);
    EXPECT_EQ(window_.DisplayText(), dialogs_[0][0]);
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(labelled("(3:3) " + viewer("lengths")));
    EXPECT_TRUE(context_.stopRequested);
    EXPECT_EQ(fileCount(), 0u);
    EXPECT_TRUE(fs::exists(out_));  // the save directory is made all the same
}

TEST_F(CollectionRunTest, PreviewWithoutCommentsShowsNothing) {
    setList({viewer("no-such-thread")});
    CollectionRun(window_, context_, true);
    EXPECT_TRUE(dialogs_.empty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CollectionRunTest, FilteredPageEndsTheThread) {
    setList({viewer("seven-comments")});
    window_.SetEditText(control::kMaxLength, local("全部"));
    CollectionRun(window_, context_, false);
    EXPECT_FALSE(labelled("(1:1) 2 页：七条评论分三页的新闻"));
    EXPECT_EQ(platform::readWholeFile(platform::localPath(out_) + local("/七条评论分三页的新闻.txt")),
              std::string());
}

TEST(CollectionRunRefused, FetchWithoutReplyIsRetriedThenReported) {
    // nothing listens on this port: every fetch is refused
    setenv("http_proxy", "http://127.0.0.1:9", 1);
    HeadlessWindow window;
    RunContext context;
    const fs::path out = fs::temp_directory_path() / ("tw-run-refused-" + std::to_string(::getpid()));
    window.SetEditText(control::kSaveDirectory, platform::localPath(out));
    window.SetEditText(control::kList, viewer("seven-comments"));
    std::vector<int> waits;
    auto previous = platform::setSleepHook([&](int ms) { waits.push_back(ms); });
    std::string message;
    window.onMessage = [&](const std::string& text, const std::string&) { message = text; };
    CollectionRun(window, context, false);
    platform::setSleepHook(previous);
    EXPECT_EQ(waits.size(), 400u);  // 1 s and 3 s in 10 ms steps
    EXPECT_EQ(message, local("采集完成！\r\n采集失败：") + viewer("seven-comments"));
    ASSERT_EQ(context.failures.size(), 1u);
    fs::remove_all(out);
}

}  // namespace
}  // namespace tidewell::collect
