#include "collect/text/entities.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

using platform::local;

TEST(DecodeEntities, NamedReferencesGiveTheirCharacters) {
    struct Case {
        const char* reference;
        const char* character;  // UTF-8
    };
    const Case cases[] = {
        {"&ndash;", "–"},  {"&mdash;", "—"},  {"&ldquo;", "“"}, {"&rdquo;", "”"}, {"&nbsp;", " "},
        {"&lt;", "<"},     {"&gt;", ">"},     {"&quot;", "\""}, {"&times;", "×"}, {"&divide;", "÷"},
        {"&middot;", "·"}, {"&hellip;", "…"}, {"&lsquo;", "‘"}, {"&rsquo;", "’"}, {"&permil;", "‰"},
        {"&prime;", "′"},  {"&Prime;", "″"},  {"&larr;", "←"},  {"&uarr;", "↑"},  {"&rarr;", "→"},
        {"&darr;", "↓"},   {"&radic;", "√"},  {"&prop;", "∝"},  {"&infin;", "∞"}, {"&ang;", "∠"},
        {"&and;", "∧"},    {"&or;", "∨"},     {"&cap;", "∩"},   {"&cup;", "∪"},   {"&int;", "∫"},
        {"&there4;", "∴"}, {"&sim;", "～"},   {"&asymp;", "≈"}, {"&ne;", "≠"},    {"&equiv;", "≡"},
        {"&le;", "≤"},     {"&ge;", "≥"},     {"&oplus;", "⊕"}, {"&perp;", "⊥"},  {"&amp;", "&"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeEntities(std::string("a") + c.reference + "b"),
                  std::string("a").append(local(c.character)).append("b"))
            << c.reference;
    }
}

TEST(DecodeEntities, Cases) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing to do", local("评论 a&b; c"), local("评论 a&b; c")},
        {"ampersand comes last", "&amp;lt;", "&lt;"},
        {"numeric after named", "&amp;#65;", "A"},
        {"named case respected", "&AMP; &Lt;", "&AMP; &Lt;"},
        {"unknown name", "&foo; &amp", "&foo; &amp"},
        {"several", local("&ldquo;好&rdquo;&hellip;&#20013;&#x6587;"), local("“好”…中文")},
        {"decimal", "&#65;&#066;", "AB"},
        {"hex", "&#x41;&#X42;&#x4a;", "ABJ"},
        {"chinese", "&#20013;", local("中")},
        {"beyond U+FFFF", "&#128512;&#x1F600;", local("😀😀")},
        {"no semicolon", "&#65 and more", "&#65 and more"},
        {"semicolon later stays", "&#65\r\nx;", "&#65\r\nx;"},
        {"no digits", "&#; &#x; &#abc; &#-5;", "&#; &#x; &#abc; &#-5;"},
        {"zero", "&#0;&#x0;", "&#0;&#x0;"},
        {"surrogate", "&#xD800;&#57343;", "&#xD800;&#57343;"},
        {"too large", "&#1114112;&#x110000;&#99999999999999999999;",
         "&#1114112;&#x110000;&#99999999999999999999;"},
        {"largest", "&#x10FFFF;", local("\U0010FFFF")},
        {"leading zeros", "&#0000065;", "A"},
        {"decoded text is not read again", "&#38;#65;", "&#65;"},
        {"named pass is over", "&#38;lt;", "&lt;"},
        {"ampersand as second byte", "\xB0&lt;\xB0&#65;", "\xB0&lt;\xB0&#65;"},
        {"after a two-byte character", local("中") + "&lt;&#65;", local("中") + "<A"},
        {"at the end", "x&", "x&"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeEntities(c.text), c.expected) << c.name;
    }
}

TEST(DecodeEntities, LetsPendingEventsRun) {
    int pumps = 0;
    platform::ScopedEventPump pump([&] { ++pumps; });
    DecodeEntities("&#65;");
    EXPECT_GE(pumps, 1);

    pumps = 0;
    std::string longText;
    while (longText.size() < 1024 * 1024) {
        longText += local("评论&amp;&#20013;内容 ");
    }
    DecodeEntities(longText);
    EXPECT_GE(pumps, 16);
}

}  // namespace
}  // namespace tidewell::text
