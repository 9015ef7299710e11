// Speed of the text work of every collected page: cutting a comment reply into records and
// fields, dropping repeated lines from a long thread, and decoding character references.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "collect/comment_service.h"
#include "collect/text/duplicate_lines.h"
#include "collect/text/entities.h"
#include "platform/encoding.h"

namespace {

using tidewell::platform::local;

std::vector<std::string> localPhrases() {
    std::vector<std::string> phrases;
    for (const char* p : {"这个新闻说得很有道理，", "楼上的说法我不同意。", "支持一下！", "看完了",
                          "作者写得太好了", "希望有关部门尽快处理", "真是没想到会这样",
                          "我们小区也有这种情况", "顶", "说的都是实话", "hello world ", "666 "}) {
        phrases.push_back(local(p));
    }
    return phrases;
}

// A page of the comment service: 100 records of about 400 bytes each.
std::string commentReply() {
    const std::vector<std::string> phrases = localPhrases();
    std::mt19937 random(1);
    std::string reply =
        "var data={\"result\": {\"status\": {\"msg\": \"\", \"code\": 0}, "
        "\"news\": {\"title\": \"" +
        local("某地发布新规 引发网友热议") + "\", \"channel\": \"gn\"}, \"cmntlist\": [";
    for (int i = 0; i < 100; ++i) {
        std::string content;
        while (content.size() < 150) {
            content += phrases[random() % phrases.size()];
        }
        const std::string id = std::to_string(1000000 + i * 7919);
        reply += std::string(i ? ", " : "") + "{\"status\": \"M_PASS\", \"mid\": \"" + id +
                 "\", \"ip\": \"10.1." + std::to_string(i) + ".7\", \"area\": \"" +
                 local("广东广州") + "\", \"content\": \"" + content +
                 "\", \"time\": \"2024-05-01 12:" + std::to_string(10 + i % 50) +
                 ":00\", \"nick\": \"" + local("网友") + id + "\", \"uid\": \"" + id +
                 "\", \"config\": \"wb_verified=0&wb_screen_name=" + local("微博用户") + id +
                 "&wb_user_id=" + id + "&wb_time=\", \"agree\": \"" + std::to_string(i % 13) +
                 "\"}";
    }
    reply += "]}}";
    return reply;
}

void BM_ParseCommentReply(benchmark::State& state) {
    const std::string reply = commentReply();
    for (auto _ : state) {
        std::string title = tidewell::collect::ReplyTitle(reply);
        benchmark::DoNotOptimize(title);
        int position = 0;
        int records = 0;
        for (std::string record = tidewell::collect::NextCommentRecord(reply, position);
             !record.empty(); record = tidewell::collect::NextCommentRecord(reply, position)) {
            tidewell::collect::CommentRecord comment =
                tidewell::collect::ParseCommentRecord(record);
            benchmark::DoNotOptimize(comment);
            ++records;
        }
        if (records != 100) {
            state.SkipWithError("reply did not give 100 records");
        }
    }
    state.counters["reply_bytes"] = static_cast<double>(reply.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_ParseCommentReply)->Unit(benchmark::kMicrosecond);

// 200 000 rendered lines of about 40 bytes, one in ten repeating an earlier line.
std::string threadLines() {
    const std::vector<std::string> phrases = localPhrases();
    std::mt19937 random(2);
    std::vector<std::string> lines;
    lines.reserve(200000);
    for (int i = 0; i < 200000; ++i) {
        if (i > 0 && random() % 10 == 0) {
            lines.push_back(lines[random() % lines.size()]);
            continue;
        }
        std::string line = std::to_string(i) + " ";
        while (line.size() < 36) {
            line += phrases[random() % phrases.size()];
        }
        lines.push_back(std::move(line));
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void BM_RemoveDuplicateLines(benchmark::State& state) {
    const std::string text = threadLines();
    for (auto _ : state) {
        std::string result = tidewell::text::RemoveDuplicateLines(text, "\r\n");
        benchmark::DoNotOptimize(result);
    }
    state.counters["text_bytes"] = static_cast<double>(text.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_RemoveDuplicateLines)->Unit(benchmark::kMillisecond);

// 1 MB of comment text with named and numeric references among the phrases.
std::string textWithReferences() {
    const std::vector<std::string> phrases = localPhrases();
    const char* references[] = {"&quot;",   "&amp;",    "&nbsp;",   "&ldquo;",   "&rdquo;",
                                "&hellip;", "&#20013;", "&#x6587;", "&#128512;", "&#65;",
                                "&lt;",     "&gt;",     "&mdash;",  "&#8226;",   "&#38;lt;"};
    std::mt19937 random(3);
    std::string text;
    while (text.size() < 1024 * 1024) {
        text += phrases[random() % phrases.size()];
        if (random() % 2 == 0) {
            text += references[random() % std::size(references)];
        }
    }
    return text;
}

void BM_DecodeEntities(benchmark::State& state) {
    const std::string text = textWithReferences();
    for (auto _ : state) {
        std::string result = tidewell::text::DecodeEntities(text);
        benchmark::DoNotOptimize(result);
    }
    state.counters["text_bytes"] = static_cast<double>(text.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeEntities)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
