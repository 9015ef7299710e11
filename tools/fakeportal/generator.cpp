#include "tools/fakeportal/generator.h"

#include <charconv>
#include <ctime>

namespace tidewell::fakeportal {
namespace {

// splitmix64: a small generator whose sequence is the same on every platform and library,
// unlike the standard distributions.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }
    bool percent(std::uint64_t chance) { return below(100) < chance; }

    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

std::uint64_t mix(std::uint64_t seed, std::uint64_t index, std::uint64_t salt) {
    Rng rng(seed * 0x100000001B3ull ^ (index + 1) * 0x9E3779B97F4A7C15ull ^ salt);
    return rng.next();
}

constexpr std::string_view kSubjects[] = {
    "这篇报道", "小编",     "楼主",   "专家",     "网友们",   "我们小区", "这个政策",
    "记者",     "老百姓",   "年轻人", "房价",     "油价",     "物价",     "这家公司",
    "有关部门", "学校",     "医院",   "主队",     "主教练",   "这部电影", "隔壁老王",
    "开发商",   "外卖小哥", "股市",   "天气预报", "新能源车", "高铁",     "菜市场"};
constexpr std::string_view kPredicates[] = {
    "说得太对了",   "写得很客观", "值得深思",     "让人看不懂",     "早就该管管了",
    "又上热搜了",   "真是没想到", "还得继续观察", "完全是胡说八道", "需要更多数据",
    "比去年好多了", "涨得太快了", "跌得太惨了",   "有点标题党",     "终于说了实话",
    "让人很失望",   "干得漂亮",   "不敢相信",     "太离谱了",       "应该多听听群众意见",
    "越来越好了",   "没有说服力", "看完很感动",   "建议收藏"};
constexpr std::string_view kNumbered[] = {
    "第{}楼说得对", "已经等了{}天", "我给{}分",   "{}年前就这样", "支持{}号观点",
    "转发了{}次",   "排队{}分钟",   "看了{}遍了", "差了{}块钱",   "{}个赞"};
constexpr std::string_view kAscii[] = {"OK",  "GDP", "AI",   "NBA",  "iPhone 15", "5G",
                                       "CPI", "LOL", "+1",   "mark", "PM2.5",     "100%",
                                       "vs",  "666", "hold", "CEO",  "App"};
constexpr std::string_view kAsciiComments[] = {"good job",     "LOL +1",         "so true",
                                               "mark and see", "who cares",      "nice news",
                                               "first!",       "same here 2024", "agree"};
constexpr std::string_view kCodes[] = {"[哈哈]", "[赞]",   "[怒]",   "[泪]",
                                       "[good]", "[doge]", "[微笑]", "[思考]"};
constexpr std::string_view kEntities[] = {"&quot;好&quot;", "&amp;lt;", "&#20013;国", "&amp;",
                                          "&lt;b&gt;",      "&quot;",   "&#x6587;"};
constexpr std::string_view kStops[] = {"。", "！", "？", "，", "…", "!", "?", ",", "；"};
constexpr std::string_view kAreas[] = {
    "北京",         "上海",     "广东广州", "广东深圳", "四川成都", "湖北武汉",
    "浙江杭州",     "江苏南京", "陕西西安", "重庆",     "天津",     "山东济南",
    "河南郑州",     "湖南长沙", "福建厦门", "辽宁沈阳", "云南昆明", "黑龙江哈尔滨",
    "新疆乌鲁木齐", "海外",     "香港",     "台湾"};
constexpr std::string_view kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄",
                                          "周", "吴", "徐", "孙", "胡", "朱", "高", "林"};
constexpr std::string_view kGiven[] = {"小明", "大伟", "晓燕", "建国", "丽丽", "志强",
                                       "静",   "磊",   "婷婷", "海峰", "秀英", "子涵"};

std::string withNumber(std::string_view format, std::uint64_t number) {
    std::string out(format);
    out.replace(out.find("{}"), 2, std::to_string(number));
    return out;
}

std::string sentence(Rng& rng) {
    std::string s(rng.pick(kSubjects));
    s += rng.pick(kPredicates);
    switch (rng.below(12)) {
        case 0:
        case 1:
        case 2:
            s += "，";
            s += withNumber(rng.pick(kNumbered), rng.below(1000));
            break;
        case 3:
            s = std::string(rng.pick(kAscii)) + " " + s;
            break;
        case 4:
            s += rng.pick(kCodes);
            break;
        case 5:
            s += rng.pick(kEntities);
            break;
        case 6:
            s = std::string(rng.pick(kCodes)) + s;
            break;
        default:
            break;
    }
    s += rng.pick(kStops);
    return s;
}

std::string content(Rng& rng) {
    const auto kind = rng.below(100);
    if (kind < 3) {
        // Only bracket codes: nothing is left once they are removed.
        std::string s(rng.pick(kCodes));
        s += rng.pick(kCodes);
        return s;
    }
    if (kind < 8) {
        return std::string(rng.pick(kAsciiComments)) + " " + std::to_string(rng.below(10000));
    }
    // Now and then a long one, past the usual 200-character limit.
    const std::uint64_t sentences = kind < 11 ? 22 + rng.below(10) : 1 + rng.below(5);
    std::string s;
    for (std::uint64_t i = 0; i < sentences; ++i) {
        s += sentence(rng);
    }
    return s;
}

std::string nick(Rng& rng) {
    switch (rng.below(4)) {
        case 0:
            return "网友" + std::to_string(1000 + rng.below(9000));
        case 1:
            return "reader_" + std::to_string(rng.below(100000));
        default:
            return std::string(rng.pick(kSurnames)) + std::string(rng.pick(kGiven)) +
                   std::to_string(rng.below(100));
    }
}

std::string timeText(std::int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

Comment freshComment(std::uint64_t seed, std::uint64_t index) {
    Rng rng(mix(seed, index, 0));
    Comment c;
    c.ip = std::to_string(1 + rng.below(223)) + "." + std::to_string(rng.below(256)) + "." +
           std::to_string(rng.below(256)) + "." + std::to_string(1 + rng.below(254));
    c.area = std::string(rng.pick(kAreas));
    c.content = content(rng);
    // Newest first, as the service lists them: 2024-03-01 08:00:00 UTC, moved by the seed.
    const std::int64_t newest = 1709280000 + static_cast<std::int64_t>(seed % 100000) * 60;
    c.time = timeText(newest - static_cast<std::int64_t>(index) * 53 -
                      static_cast<std::int64_t>(rng.below(50)));
    c.nick = nick(rng);
    c.uid = std::to_string(1000000000 + rng.below(9000000000ull));
    return c;
}

}  // namespace

std::optional<GeneratedThread> parseGeneratedNewsid(std::string_view newsid) {
    constexpr std::string_view prefix = "gen-";
    if (newsid.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    newsid.remove_prefix(prefix.size());
    const auto dash = newsid.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    auto number = [](std::string_view text) -> std::optional<std::uint64_t> {
        std::uint64_t value = 0;
        if (text.empty() || text.front() < '0' || text.front() > '9') {
            return std::nullopt;
        }
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size()) {
            return std::nullopt;
        }
        return value;
    };
    auto comments = number(newsid.substr(0, dash));
    auto seed = number(newsid.substr(dash + 1));
    if (!comments || !seed) {
        return std::nullopt;
    }
    return GeneratedThread{*comments, *seed};
}

std::string generatedTitle(const GeneratedThread& thread) {
    return "生成话题" + std::to_string(thread.seed) + "号：共" + std::to_string(thread.comments) +
           "条评论";
}

std::vector<Comment> generateComments(std::uint64_t seed, std::uint64_t first,
                                      std::uint64_t count) {
    std::vector<Comment> comments;
    comments.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t index = first + i;
        Rng rng(mix(seed, index, 0x5EEDull));
        const auto repeat = rng.below(100);
        if (i > 0 && repeat < 8) {
            const Comment& earlier = comments[rng.below(i)];
            if (repeat < 4) {
                // The same comment twice: its rendered line repeats whatever the template.
                comments.push_back(earlier);
            } else {
                Comment c = freshComment(seed, index);
                c.content = earlier.content;
                comments.push_back(std::move(c));
            }
            continue;
        }
        comments.push_back(freshComment(seed, index));
    }
    return comments;
}

}  // namespace tidewell::fakeportal
