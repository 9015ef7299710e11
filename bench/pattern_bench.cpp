// Speed of the two pattern jobs of every comment page: rating a page against the one before,
// and stripping bracket codes from comment text.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "pattern/pattern_matcher.h"
#include "pattern/text_similarity.h"
#include "platform/encoding.h"

namespace {

using tidewell::platform::local;

// One rendered comment line of about 200 bytes, made of phrases, punctuation, bracket codes
// and an occasional HTML tag, like the lines of a collected page.
class CommentMaker {
  public:
    CommentMaker() {
        for (const char* p :
             {"这个新闻说得很有道理", "楼上的说法我不同意", "支持一下", "看完了", "作者写得太好了",
              "希望有关部门尽快处理", "真是没想到会这样", "我们小区也有这种情况", "顶", "前排围观",
              "说的都是实话", "这价格谁买得起啊", "早就该这样了", "hello world", "666"}) {
            phrases_.push_back(local(p));
        }
        for (const char* p : {"，", "。", "！", "？", ", ", "; ", "……", " "}) {
            marks_.push_back(local(p));
        }
        for (const char* p : {"[微笑]", "[哈哈]", "[赞]", "[怒]", "[doge]", "[[泪]]"}) {
            codes_.push_back(local(p));
        }
        tail_ = local(" 发表于 2024-05-01 12:30:45 来自 北京网友");
    }

    std::string line() {
        std::string out;
        while (out.size() < 150) {
            out += phrases_[random_() % phrases_.size()];
            const unsigned pick = random_() % 10;
            if (pick < 2) {
                out += codes_[random_() % codes_.size()];
            } else if (pick == 2) {
                out += "<br>";
            }
            out += marks_[random_() % marks_.size()];
        }
        return out + tail_ + std::to_string(serial_++) + "\r\n";
    }

  private:
    std::mt19937 random_{20240501};
    std::vector<std::string> phrases_;
    std::vector<std::string> marks_;
    std::vector<std::string> codes_;
    std::string tail_;
    int serial_ = 0;
};

void BM_ComparePages(benchmark::State& state) {
    CommentMaker maker;
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) {
        lines.push_back(maker.line());
    }
    // Two pages of 100 comments sharing the given number of them: 90 when the service
    // repeats itself, none for two pages of a thread that goes on.
    const auto offset = static_cast<std::size_t>(100 - state.range(0));
    std::string previous;
    std::string current;
    for (std::size_t i = 0; i < 100; ++i) {
        previous += lines[i];
        current += lines[i + offset];
    }
    tidewell::pattern::TextSimilarity similarity;
    similarity.CreateRegExp();
    int result = 0;
    for (auto _ : state) {
        result = similarity.Compare(current, previous);
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes_per_page"] = static_cast<double>(current.size());
    state.counters["similarity"] = result;
}
BENCHMARK(BM_ComparePages)->ArgName("shared")->Arg(90)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_RemoveBracketCodes(benchmark::State& state) {
    CommentMaker maker;
    std::string text;
    while (text.size() < 1024 * 1024) {
        text += maker.line();
    }
    tidewell::pattern::PatternMatcher matcher;
    matcher.CreateRegExp();
    matcher.SetPattern("\\[[^\\[\\]]+?\\]");
    std::size_t kept = 0;
    for (auto _ : state) {
        const std::string cleaned = matcher.Replace(text);
        kept = cleaned.size();
        benchmark::DoNotOptimize(cleaned.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["bytes_in"] = static_cast<double>(text.size());
    state.counters["bytes_out"] = static_cast<double>(kept);
}
BENCHMARK(BM_RemoveBracketCodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
