#include "tools/fakeportal/reply_builder.h"

#include "platform/encoding.h"

namespace tidewell::fakeportal {
namespace {

void appendField(std::string& out, std::string_view key, std::string_view value) {
    out += ", \"";
    out += key;
    out += "\": \"";
    out += value;
    out += '"';
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

// The walls of text of an article, in simplified characters for the GBK and UTF-8 pages and in
// traditional ones for the Big5 page, so that every character has a Big5 form.
constexpr std::string_view kSimplifiedBody =
    "<p class=\"source\">2024年03月01日 08:00 新闻网</p>\n"
    "<p>本报讯 记者今天从有关部门获悉，相关工作正在有序推进。据介绍，今年以来各地积极落实"
    "各项措施，群众反映良好。</p>\n"
    "<p>专家表示，下一步还需要继续加强统筹协调，确保各项任务落到实处。</p>\n";
constexpr std::string_view kTraditionalBody =
    "<p class=\"source\">2024年03月01日 08:00 新聞網</p>\n"
    "<p>本報訊 記者今天從有關部門獲悉，相關工作正在有序推進。據介紹，今年以來各地積極落實"
    "各項措施，群眾反映良好。</p>\n"
    "<p>專家表示，下一步還需要繼續加強統籌協調，確保各項任務落到實處。</p>\n";

// Big5 has no form for most simplified characters; those become character references, which
// a browser shows as the character itself.
std::string big5WithReferences(std::string_view utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view ch = utf8.substr(i, length);
        i += length;
        if (length == 1) {
            out += ch;
            continue;
        }
        if (auto big5 = platform::convertStrict(ch, "UTF-8", "BIG5")) {
            out += *big5;
            continue;
        }
        std::uint32_t code = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < ch.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(ch[k]) & 0x3F);
        }
        out += "&#" + std::to_string(code) + ";";
    }
    return out;
}

}  // namespace

std::string renderRecord(const Comment& comment, std::string_view mid, std::string_view newsHost) {
    std::string out = "{\"status\": \"M_PASS\"";
    appendField(out, "mid", mid);
    appendField(out, "ip", comment.ip);
    appendField(out, "area", comment.area);
    appendField(out, "content", comment.content);
    appendField(out, "time", comment.time);
    appendField(out, "nick", comment.nick);
    appendField(out, "uid", comment.uid);
    if (comment.config) {
        appendField(out, "config", *comment.config);
    } else {
        appendField(out, "config",
                    "wb_screen_name=" + comment.nick + "&wb_user_id=" + comment.uid +
                        "&wb_profile_img=http://" + std::string(newsHost) + "/face/" + comment.uid +
                        ".jpg");
    }
    appendField(out, "agree", "0");
    out += '}';
    return platform::localFromUtf8(out);
}

std::string renderCommentReply(const ReplyHead& head, const std::vector<std::string>& records) {
    std::string top =
        "var data={\"result\": {\"status\": {\"msg\": \"\", \"code\": 0}, "
        "\"count\": {\"show\": " +
        std::to_string(head.total) + ", \"total\": " + std::to_string(head.total) +
        "}, \"news\": {\"channel\": \"" + head.channel + "\", \"newsid\": \"" + head.newsid +
        "\", \"title\": \"" + head.title + "\", \"url\": \"http://" + head.newsHost + "/" +
        head.channel + "/" + head.newsid + ".html\"}, \"cmntlist\": [";
    std::string out = platform::localFromUtf8(top);
    std::size_t size = out.size() + 8;
    for (const auto& r : records) {
        size += r.size() + 2;
    }
    out.reserve(size);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        out += records[i];
    }
    out += "]}}\n";
    return out;
}

std::string renderUnknownThreadReply() {
    return "var data={\"result\": {\"status\": {\"msg\": \"news not found\", \"code\": 4}, "
           "\"count\": {\"show\": 0, \"total\": 0}, \"cmntlist\": []}}\n";
}

std::string renderArticle(ArticleEncoding encoding, std::string_view channel,
                          std::string_view newsid, std::string_view title) {
    std::string meta;
    if (encoding == ArticleEncoding::Utf8) {
        meta = "<meta charset=\"utf-8\">\n";
    } else if (encoding == ArticleEncoding::Big5) {
        meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">\n";
    }
    const std::string shownTitle = htmlEscaped(title);
    const bool traditional = encoding == ArticleEncoding::Big5;
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n" + meta + "<title>" + shownTitle +
                       (traditional ? "_新聞中心" : "_新闻中心") +
                       "</title>\n</head>\n<body>\n<h1>" + shownTitle + "</h1>\n" +
                       std::string(traditional ? kTraditionalBody : kSimplifiedBody) +
                       "<div id=\"comment\">" + (traditional ? "評論載入中" : "评论加载中") +
                       "</div>\n<script type=\"text/javascript\">\nvar ARTICLE = {\n"
                       "    channel:'" +
                       std::string(channel) + "',\n    newsid:'" + std::string(newsid) +
                       "',\n    group:0\n};\n</script>\n</body>\n</html>\n";
    switch (encoding) {
        case ArticleEncoding::Gbk:
            return platform::localFromUtf8(page);
        case ArticleEncoding::Utf8:
            return page;
        case ArticleEncoding::Big5:
            return big5WithReferences(page);
    }
    return page;
}

std::string renderViewerPage(std::string_view channel, std::string_view newsid) {
    const std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<title>评论_新闻中心</title>\n"
        "</head>\n<body>\n<h1>网友评论</h1>\n<p>channel=" +
        htmlEscaped(channel) + " newsid=" + htmlEscaped(newsid) + "</p>\n</body>\n</html>\n";
    return platform::localFromUtf8(page);
}

std::string renderIndexPage(const std::vector<IndexEntry>& entries) {
    std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<title>新闻中心（本地替身）</title>\n</head>\n<body>\n"
        "<h1>新闻中心</h1>\n<ul>\n";
    for (const auto& e : entries) {
        const std::string base = "/" + e.channel + "/" + e.newsid;
        page += "<li><a href=\"" + base + ".html\">" +
                htmlEscaped(e.title.empty() ? e.newsid : e.title) + "</a> (<a href=\"" + base +
                ".utf8.html\">UTF-8</a>, <a href=\"" + base + ".big5.html\">Big5</a>)</li>\n";
    }
    page +=
        "</ul>\n<p>生成的话题：/gn/gen-评论数-种子.html，例如 <a href=\"/gn/gen-250-7.html\">"
        "gen-250-7</a></p>\n</body>\n</html>\n";
    return platform::localFromUtf8(page);
}

std::string spoilGbk(std::string body) {
    // 0x80 and 0xFF are never GBK lead bytes and 0x20 is never a trail byte, yet each pair is
    // one character to a reader walking two bytes at a time from 0x80 up, so the quotes and
    // markers after them stay where they were.
    static const std::string kPair = "\x80\xFF\x81\x20";
    for (std::string_view marker : {"\"title\": \"", "\"content\": \"", "<h1>"}) {
        std::size_t at = 0;
        while ((at = body.find(marker, at)) != std::string::npos) {
            at += marker.size();
            body.insert(at, kPair);
            at += kPair.size();
        }
    }
    body.push_back('\xC8');
    return body;
}

std::string padBody(std::string body, std::uint64_t size, bool html) {
    const std::string open = html ? "\n<!--" : "\n/*";
    const std::string close = html ? "-->\n" : "*/\n";
    if (size <= body.size() + open.size() + close.size()) {
        return body;
    }
    static const std::string unit =
        platform::localFromUtf8("这是填充用的文字，没有别的意思。0123456789\n");
    std::uint64_t fill = size - body.size() - open.size() - close.size();
    body.reserve(size);
    body += open;
    while (fill >= unit.size()) {
        body += unit;
        fill -= unit.size();
    }
    body.append(fill, '.');
    body += close;
    return body;
}

}  // namespace tidewell::fakeportal
