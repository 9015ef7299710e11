#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace tidewell::platform {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// Opening a converter costs far more than most conversions, so each thread keeps the ones it
// has used. A converter is reset before every use.
iconv_t converter(const char* from, const char* to) {
    thread_local std::map<std::pair<std::string, std::string>, IconvHandle> cache;
    auto key = std::make_pair(std::string(from), std::string(to));
    auto it = cache.find(key);
    if (it == cache.end()) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            return cd;
        }
        it = cache.emplace(std::move(key), IconvHandle(cd)).first;
    }
    iconv_t cd = static_cast<iconv_t>(it->second.get());
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
}

bool isUnicodeEncoding(const char* name) {
    return std::strncmp(name, "UTF", 3) == 0;
}

std::string replacementFor(const char* to) {
    if (!isUnicodeEncoding(to)) {
        return "?";
    }
    std::string out;
    iconv_t cd = converter("UTF-8", to);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return "?";
    }
    char in[] = "\xEF\xBF\xBD";
    char* inPtr = in;
    size_t inLeft = 3;
    char buf[16];
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return "?";
    }
    return std::string(buf, outPtr);
}

// Runs the conversion; on an invalid or incomplete sequence either gives up (strict) or
// writes the replacement and skips one input unit (lenient).
std::optional<std::string> run(std::string_view bytes, const char* from, const char* to,
                               bool strict) {
    std::string out;
    if (bytes.empty()) {
        return out;
    }
    iconv_t cd = converter(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (strict) {
            return std::nullopt;
        }
        return std::string(bytes);
    }
    const size_t unit = std::strncmp(from, "UTF-16", 6) == 0 ? 2 : 1;
    std::string replacement;
    out.resize(bytes.size() * 2 + 16);
    char* inPtr = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t used = 0;
    while (true) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t rc = inLeft == 0 ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                : iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) {
            if (inLeft == 0) {
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (strict) {
            return std::nullopt;
        }
        // EILSEQ, EINVAL: replace the offending unit and go on after it.
        if (replacement.empty()) {
            replacement = replacementFor(to);
        }
        out.resize(std::max(out.size(), used + replacement.size() + 16));
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        size_t skip = std::min(unit, inLeft);
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

std::u16string toU16(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::string_view asBytes(std::u16string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
}

constexpr const char* kLocal = "GB18030";
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char* kUtf16Native = "UTF-16LE";
#else
constexpr const char* kUtf16Native = "UTF-16BE";
#endif

}  // namespace

std::optional<std::string> convertStrict(std::string_view bytes, const char* from, const char* to) {
    return run(bytes, from, to, true);
}

std::string convertLenient(std::string_view bytes, const char* from, const char* to) {
    return *run(bytes, from, to, false);
}

std::string localFromUtf8(std::string_view utf8) {
    return convertLenient(utf8, "UTF-8", kLocal);
}

std::optional<std::string> localFromUtf8Strict(std::string_view utf8) {
    return convertStrict(utf8, "UTF-8", kLocal);
}

std::string utf8FromLocal(std::string_view local) {
    return convertLenient(local, kLocal, "UTF-8");
}

std::optional<std::string> utf8FromLocalStrict(std::string_view local) {
    return convertStrict(local, kLocal, "UTF-8");
}

std::u16string utf16FromLocal(std::string_view local) {
    return toU16(convertLenient(local, kLocal, kUtf16Native));
}

std::string localFromUtf16(std::u16string_view utf16) {
    return convertLenient(asBytes(utf16), kUtf16Native, kLocal);
}

std::optional<std::string> localFromUtf16Strict(std::u16string_view utf16) {
    return convertStrict(asBytes(utf16), kUtf16Native, kLocal);
}

std::optional<std::string> localFromUtf16LE(std::string_view bytes) {
    return convertStrict(bytes, "UTF-16LE", kLocal);
}

std::optional<std::string> localFromUtf16BE(std::string_view bytes) {
    return convertStrict(bytes, "UTF-16BE", kLocal);
}

std::optional<std::string> localFromBig5(std::string_view bytes) {
    return convertStrict(bytes, "BIG5", kLocal);
}

std::optional<std::string> localFromBig5Hkscs(std::string_view bytes) {
    return convertStrict(bytes, "BIG5-HKSCS", kLocal);
}

bool isTwoByteText(std::string_view local) {
    const size_t n = local.size();
    for (size_t i = 0; i < n;) {
        const auto lead = static_cast<unsigned char>(local[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead == 0x80 || lead == 0xFF || i + 1 == n) {
            return false;
        }
        const auto trail = static_cast<unsigned char>(local[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
            return false;
        }
        i += 2;
    }
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) {
            return false;
        }
        for (size_t k = 1; k < len; ++k) {
            auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += len;
    }
    return true;
}

}  // namespace tidewell::platform
