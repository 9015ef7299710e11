#include "web/decode_text.h"

#include <optional>

#include "collect/text/split.h"
#include "collect/text/text_between.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace tidewell::web {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

constexpr int kMetaUtf8 = 1;
constexpr int kMetaBig5 = 2;
constexpr int kMetaBig5Hkscs = 3;

// Bytes taken as local text end at the first zero byte.
std::string_view asText(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

std::optional<std::string> convertStrict(std::string_view bytes, int code) {
    switch (code) {
        case kUtf8:
            return platform::localFromUtf8Strict(bytes);
        case kUtf16LE:
            return platform::localFromUtf16LE(bytes);
        case kUtf16BE:
            return platform::localFromUtf16BE(bytes);
        case kBig5:
            return platform::localFromBig5(bytes);
        case kBig5Hkscs:
            return platform::localFromBig5Hkscs(bytes);
        default:
            return std::nullopt;
    }
}

// The replacing conversion used when the strict one gives nothing.
std::string convertLenient(std::string_view bytes, int code) {
    switch (code) {
        case kUtf8:
            return platform::convertLenient(bytes, "UTF-8", "GB18030");
        case kUtf16LE:
            return platform::convertLenient(bytes, "UTF-16LE", "GB18030");
        case kUtf16BE:
            return platform::convertLenient(bytes, "UTF-16BE", "GB18030");
        default:
            // Both Big5 forms fall back on the Windows Big5 code page.
            return platform::convertLenient(bytes, "CP950", "GB18030");
    }
}

struct MetaLists {
    std::string utf8 = text::QuoteMarks("charset=UTF-8[fg]charset=''UTF-8''[fg]charset='UTF-8'");
    std::string big5 = text::QuoteMarks("charset=Big5[fg]charset=''Big5''[fg]charset='Big5'");
    std::string big5Hkscs =
        text::QuoteMarks("charset=Big5-HKSCS[fg]charset=''Big5-HKSCS''[fg]charset='Big5-HKSCS'");
    text::MarkerPair head{"<head>", "</head>"};
    text::MarkerPair meta{"<meta", ">"};
};

const MetaLists& metaLists() {
    static const MetaLists lists;
    return lists;
}

}  // namespace

std::string DecodeText(const DecodeSource& source, int wanted, int* detected,
                       std::string* textOut) {
    std::string fileBytes;
    std::string_view whole;
    if (!source.fileName.empty()) {
        std::optional<std::string> read = platform::readWholeFile(source.fileName);
        if (!read) {
            if (textOut) {
                textOut->clear();
            }
            return {};
        }
        fileBytes = std::move(*read);
        whole = fileBytes;
    } else if (!source.bytes.empty()) {
        whole = source.bytes;
    } else {
        whole = asText(source.text);
    }

    int code = wanted;
    size_t reading = 0;
    if (wanted != kDetect) {
        if (wanted == kUtf16LE || wanted == kUtf16BE) {
            // Only a byte-order mark is skipped; a body without one keeps its first character.
            if (startsWith(whole, kUtf16LEMark) || startsWith(whole, kUtf16BEMark)) {
                reading = 2;
            }
        } else if (wanted == kUtf8 && startsWith(whole, kUtf8Mark)) {
            reading = kUtf8Mark.size();
        }
    } else if (startsWith(whole, kUtf8Mark)) {
        code = kUtf8;
        reading = kUtf8Mark.size();
    } else if (startsWith(whole, kUtf16LEMark)) {
        code = kUtf16LE;
        reading = 2;
    } else if (startsWith(whole, kUtf16BEMark)) {
        code = kUtf16BE;
        reading = 2;
    } else {
        switch (DetectMetaCharset(asText(whole))) {
            case kMetaUtf8:
                code = kUtf8;
                break;
            case kMetaBig5:
                code = kBig5;
                break;
            case kMetaBig5Hkscs:
                code = kBig5Hkscs;
                break;
            default:
                code = kLocalCharset;
                break;
        }
    }

    const std::string_view rest = whole.substr(reading);
    std::string result;
    if (code >= kUtf8 && code <= kBig5Hkscs) {
        if (std::optional<std::string> converted = convertStrict(rest, code)) {
            result = asText(*converted);
        }
        if (result.empty()) {
            result = asText(convertLenient(rest, code));
        }
    } else {
        // The local code page, or an unknown code: UTF-8 is tried all the same, and a text that
        // converts and comes out shorter was UTF-8.
        if (std::optional<std::string> converted = platform::localFromUtf8Strict(rest)) {
            result = asText(*converted);
            if (!result.empty() && result.size() < rest.size()) {
                code = kUtf8;
            }
        }
    }
    if (result.empty()) {
        result = asText(whole);
        code = kLocalCharset;
    }

    if (detected) {
        *detected = code;
    }
    if (textOut) {
        *textOut = result;
    }
    return result;
}

std::string DecodeBytes(std::string_view bytes, int wanted, int* detected) {
    DecodeSource source;
    source.bytes = bytes;
    return DecodeText(source, wanted, detected);
}

int DetectMetaCharset(std::string_view page) {
    const MetaLists& lists = metaLists();
    std::string_view area = lists.head.Cut(page);
    if (area.empty()) {
        area = page;
    }
    int position = 0;
    for (std::string_view meta = lists.meta.Cut(area, &position); !meta.empty();
         meta = lists.meta.Cut(area, &position)) {
        if (ContainsAny(meta, lists.utf8, true)) {
            return kMetaUtf8;
        }
        if (ContainsAny(meta, lists.big5Hkscs, true)) {
            return kMetaBig5Hkscs;
        }
        if (ContainsAny(meta, lists.big5, true)) {
            return kMetaBig5;
        }
    }
    return 0;
}

bool ContainsAny(std::string_view text, std::string_view list, bool any) {
    for (std::string_view item : text::SplitText(list, "[fg]")) {
        // An empty item is found in any text that is not empty, as the marker search has it.
        const bool found = item.empty()
                               ? !text.empty()
                               : text::FindText(text, item, 0, true) != std::string_view::npos;
        if (found == any) {
            return any;
        }
    }
    return !any;
}

}  // namespace tidewell::web
