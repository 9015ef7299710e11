#include "collect/collection_run.h"

#include <memory>

#include "collect/comment_filter.h"
#include "collect/comment_service.h"
#include "collect/output_files.h"
#include "collect/text/duplicate_lines.h"
#include "collect/text/entities.h"
#include "collect/text/numbers.h"
#include "collect/text/split.h"
#include "collect/text/wait.h"
#include "collect/thread_identification.h"
#include "pattern/pattern_matcher.h"
#include "pattern/text_similarity.h"
#include "platform/encoding.h"
#include "platform/program_dir.h"
#include "web/http_request.h"

namespace tidewell::collect {
namespace {

const std::string kLineBreak = "\r\n";

// Waits after a fetch that got no reply at all before trying again.
constexpr int kRetryWaitsMs[] = {1000, 3000};

// A page above this likeness to the page before is the service repeating itself.
constexpr int kRepeatLikeness = 90;

struct Texts {
    std::string pageWord = platform::local(" 页：");
    std::string previewTitle = platform::local("预览一页评论：");
    std::string done = platform::local("采集完成！");
    std::string fetchFailed = platform::local("采集失败：");
    std::string writeFailed = platform::local("无法写入：");
    std::string product = platform::local(platform::kProductNameUtf8);
};

const Texts& texts() {
    static const Texts t;
    return t;
}

// Everything one full or preview run works with, created when it starts.
class Run {
public:
    Run(RunWindow& window, RunContext& context, bool preview)
        : window_(window), context_(context), preview_(preview) {
        brackets_.CreateRegExp();
        request_.CreateRequest();
        similarity_.CreateRegExp();
    }

    void Execute();

private:
    void collectThread(int index, int count, const std::string& address);
    std::string fetch(const std::string& url, const std::string& address);
    std::string progressPrefix(int index, int count) const {
        std::string prefix = "(";
        prefix += std::to_string(count);
        prefix += ':';
        prefix += std::to_string(index);
        prefix += ") ";
        return prefix;
    }

    RunWindow& window_;
    RunContext& context_;
    const bool preview_;
    pattern::PatternMatcher brackets_;
    web::HttpRequest request_;
    pattern::TextSimilarity similarity_;
    std::unique_ptr<ThreadWriter> writer_;
    bool addressFailed_ = false;
};

// A fetch that gets no reply at all is tried twice more; a stop ends the wait.
std::string Run::fetch(const std::string& url, const std::string& address) {
    for (size_t attempt = 0;; ++attempt) {
        std::string body = request_.FetchText(url);
        if (request_.LastReplyReceived()) {
            return body;
        }
        if (context_.stopRequested) {
            return {};
        }
        if (attempt == std::size(kRetryWaitsMs)) {
            break;
        }
        text::WaitWhileNotStopped(kRetryWaitsMs[attempt], context_.stopRequested);
        if (context_.stopRequested) {
            return {};
        }
    }
    if (!addressFailed_) {
        addressFailed_ = true;
        std::string line = texts().fetchFailed;
        line += address;
        context_.failures.push_back(std::move(line));
    }
    return {};
}

void Run::collectThread(int index, int count, const std::string& address) {
    addressFailed_ = false;
    const ThreadKey key =
        IdentifyThread(address, [&](const std::string& url) { return fetch(url, address); });

    int page = 0;
    std::string title;
    std::string previous;
    std::string article;
    bool repeated = false;
    std::string pageText;
    do {
        window_.PumpEvents();
        ++page;
        const int limit = text::LeadingInteger(window_.EditText(control::kPageLimit));
        if (limit >= 1 && page > limit) {
            break;
        }
        if (context_.stopRequested) {
            break;
        }
        const std::string reply =
            fetch(CommentPageAddress(key, page, context_.commentHost), address);
        if (title.empty()) {
            title = ReplyTitle(reply);
        }
        window_.SetLabelText(progressPrefix(index, count) + std::to_string(page) +
                             texts().pageWord + title);

        pageText.clear();
        int position = 0;
        std::string cleaned;
        for (std::string record = NextCommentRecord(reply, position); !record.empty();
             record = NextCommentRecord(reply, position)) {
            const CommentRecord comment = ParseCommentRecord(record);
            if (FilterComment(comment, brackets_, window_, cleaned)) {
                pageText += RenderComment(comment, cleaned, window_);
                pageText += kLineBreak;
            }
        }

        if (!pageText.empty()) {
            pageText = text::DecodeEntities(text::RemoveDuplicateLines(pageText, kLineBreak));
            window_.SetDisplayText(pageText);
            if (preview_) {
                window_.ShowTextDialog(pageText, title, texts().previewTitle);
                context_.stopRequested = true;
                break;
            }
            if (!previous.empty() &&
                similarity_.MoreAlikeThan(pageText, previous, kRepeatLikeness)) {
                repeated = true;
                break;
            }
            previous = pageText;
            if (!article.empty() && !article.ends_with(kLineBreak)) {
                article += kLineBreak;
            }
            article += pageText;
        }

        const double delay = text::LeadingNumber(window_.EditText(control::kPageDelay));
        if (delay > 0.0000001) {
            text::WaitWhileNotStopped(static_cast<int>(delay * 1000), context_.stopRequested);
        }
    } while (!repeated && !pageText.empty());

    if (!preview_) {
        writer_->WriteThreadFiles(title, article, key,
                                  text::LeadingInteger(window_.EditText(control::kPerFile)));
    }
}

void Run::Execute() {
    const std::string list = window_.EditText(control::kList);
    const auto members = text::SplitText(list, kLineBreak);
    const int count = static_cast<int>(members.size());
    if (count == 0) {
        return;
    }
    window_.SetStartCaption(RunningCaption());
    context_.stopRequested = false;
    context_.failures.clear();

    window_.PlaceLabelOverProgress(10, 0);
    window_.SetProgressMaximum(count);
    const std::string directory = SaveDirectory(window_);
    CreateFolderChain(directory);
    writer_ = std::make_unique<ThreadWriter>(directory, context_.utf8Output);
    brackets_.SetPattern(kBracketCodePattern);

    for (int index = 1; index <= count; ++index) {
        window_.PumpEvents();
        if (context_.stopRequested) {
            break;
        }
        window_.SetProgressPosition(index);
        const std::string address = text::TrimBlanks(members[static_cast<size_t>(index - 1)]);
        if (address.empty()) {
            continue;
        }
        window_.SetLabelText(progressPrefix(index, count) + address);
        collectThread(index, count, address);
    }

    window_.SetProgressPosition(0);
    window_.SetLabelText(std::string());
    window_.SetStartCaption(IdleCaption());
    if (!preview_) {
        for (const std::string& path : writer_->Failures()) {
            std::string line = texts().writeFailed;
            line += path;
            context_.failures.push_back(std::move(line));
        }
        std::string message = texts().done;
        for (const std::string& line : context_.failures) {
            message += kLineBreak + line;
        }
        window_.ShowMessage(message, 0, texts().product);
    }
}

}  // namespace

const std::string& IdleCaption() {
    static const std::string caption = platform::local("开始采集");
    return caption;
}

const std::string& RunningCaption() {
    static const std::string caption = platform::local("停止采集");
    return caption;
}

const std::string& StoppingCaption() {
    static const std::string caption = platform::local("正在停止..");
    return caption;
}

void CollectionRun(RunWindow& window, RunContext& context, bool preview) {
    Run run(window, context, preview);
    if (window.StartCaption() != IdleCaption()) {
        window.SetStartCaption(StoppingCaption());
        context.stopRequested = true;
        return;
    }
    run.Execute();
}

}  // namespace tidewell::collect
